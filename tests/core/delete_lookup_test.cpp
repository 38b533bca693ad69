// The expected-count lookup of a deletion and the path checks in front of the engine.
#include <gtest/gtest.h>

#include "delete/lookup.h"
#include "scan/model.h"

namespace vardune {
namespace {

Pfad R(std::wstring parent, std::wstring name, int32_t dirs, int32_t files) {
  return Pfad{std::move(parent), std::move(name), 0, dirs, files, 0};
}

TEST(DelLookup, KeyIsTheLastFieldAndItsParentInLowerCase) {
  DelKey k = DelLookupKey(L"C:\\DATEN\\Fotos\\");
  EXPECT_EQ(k.Parent, L"c:\\daten\\");
  EXPECT_EQ(k.Name, L"fotos");
  k = DelLookupKey(L"C:\\");
  EXPECT_EQ(k.Parent, L"");
  EXPECT_EQ(k.Name, L"c:");
  k = DelLookupKey(L"\\\\Server\\Share\\");
  EXPECT_EQ(k.Parent, L"\\\\server\\");
  EXPECT_EQ(k.Name, L"share");
  k = DelLookupKey(L"");
  EXPECT_EQ(k.Parent, L"");
  EXPECT_EQ(k.Name, L"");
}

TEST(DelLookup, FindsRecordsIgnoringLetterCaseUmlautsIncluded) {
  PfadListe l;
  l.Append(R(L"C:\\Daten\\", L"Musik", 1, 2));
  l.Append(R(L"C:\\Daten\\", L"fotos", 3, 40));
  l.Append(R(L"", L"D:", 7, 100));
  l.Append(R(L"C:\\Daten\\", L"Übersicht", 2, 5));
  l.Append(R(L"\\\\Server\\", L"Share", 4, 4));
  // The example pair: D differs in case from the stored Parent and Name.
  EXPECT_EQ(DelExpectedCount(l, L"C:\\DATEN\\Fotos\\"), 43);
  EXPECT_EQ(DelExpectedCount(l, L"D:\\"), 107);
  EXPECT_EQ(DelExpectedCount(l, L"d:\\"), 107);
  EXPECT_EQ(DelExpectedCount(l, L"c:\\daten\\ÜBERSICHT\\"), 7);
  EXPECT_EQ(DelExpectedCount(l, L"\\\\SERVER\\share\\"), 8);
  // No record: not known.
  EXPECT_EQ(DelExpectedCount(l, L"C:\\Daten\\Video\\"), 0);
  EXPECT_EQ(DelExpectedCount(l, L"C:\\Andere\\Fotos\\"), 0);
  EXPECT_EQ(DelExpectedCount(l, L""), 0);
  EXPECT_EQ(DelExpectedCount(PfadListe{}, L"C:\\"), 0);
}

TEST(DelLookup, FirstMatchCountsAndFileSumRecordsAreNotDirectories) {
  PfadListe l;
  l.Append(R(L"C:\\a\\", std::wstring(kDateien), 0, 9));  // the files of C:\a\, not C:\a\ itself
  l.Append(R(L"C:\\", L"A", 1, 10));
  l.Append(R(L"C:\\", L"a", 5, 50));
  EXPECT_EQ(DelExpectedCount(l, L"C:\\a\\"), 11);
}

TEST(DelLookup, HugeCountsDoNotWrapNegative) {
  PfadListe l;
  l.Append(R(L"C:\\", L"big", 2'000'000'000, 2'000'000'000));
  EXPECT_EQ(DelExpectedCount(l, L"C:\\big\\"), 2'147'483'647);
}

TEST(DelPaths, OnlyPlainAbsolutePathsAreDeletable) {
  EXPECT_TRUE(IsDeletablePath(L"C:\\"));
  EXPECT_TRUE(IsDeletablePath(L"C:\\Daten\\Fotos\\"));
  EXPECT_TRUE(IsDeletablePath(L"z:\\tmp\\x"));
  EXPECT_TRUE(IsDeletablePath(L"\\\\Server\\Share\\Musik\\"));
  EXPECT_TRUE(IsDeletablePath(L"\\\\Server\\Share"));
  EXPECT_TRUE(IsDeletablePath(L"\\\\?\\C:\\Daten\\"));
  EXPECT_TRUE(IsDeletablePath(L"\\\\?\\UNC\\Server\\Share\\x\\"));
  EXPECT_TRUE(IsDeletablePath(L"C:\\a name with blanks\\b.c\\"));

  EXPECT_FALSE(IsDeletablePath(L""));
  EXPECT_FALSE(IsDeletablePath(L"\\"));
  EXPECT_FALSE(IsDeletablePath(L"Daten\\"));       // relative
  EXPECT_FALSE(IsDeletablePath(L"\\Daten\\"));     // relative to the current drive
  EXPECT_FALSE(IsDeletablePath(L"C:Daten\\"));     // relative to the drive's directory
  EXPECT_FALSE(IsDeletablePath(L"C:"));
  EXPECT_FALSE(IsDeletablePath(L"C:/Daten/"));
  EXPECT_FALSE(IsDeletablePath(L"C:\\Daten\\..\\"));
  EXPECT_FALSE(IsDeletablePath(L"C:\\.\\Daten\\"));
  EXPECT_FALSE(IsDeletablePath(L"C:\\Daten\\\\x\\"));
  EXPECT_FALSE(IsDeletablePath(L"C:\\Daten\\C:\\x\\"));
  EXPECT_FALSE(IsDeletablePath(L"\\\\Server\\"));
  EXPECT_FALSE(IsDeletablePath(L"\\\\\\Share\\"));
  EXPECT_FALSE(IsDeletablePath(L"\\\\.\\C:\\"));
  EXPECT_FALSE(IsDeletablePath(L"\\\\?\\GLOBALROOT\\Device\\"));
  EXPECT_FALSE(IsDeletablePath(std::wstring(L"C:\\a\0b", 6)));
}

TEST(DelPaths, EntryNamesAreSingleComponents) {
  EXPECT_TRUE(IsPlainEntryName(L"datei.txt"));
  EXPECT_TRUE(IsPlainEntryName(L"...dots"));
  EXPECT_FALSE(IsPlainEntryName(L""));
  EXPECT_FALSE(IsPlainEntryName(L"."));
  EXPECT_FALSE(IsPlainEntryName(L".."));
  EXPECT_FALSE(IsPlainEntryName(L"a\\b"));
  EXPECT_FALSE(IsPlainEntryName(L"a/b"));
  EXPECT_FALSE(IsPlainEntryName(L"C:"));
}

}  // namespace
}  // namespace vardune
