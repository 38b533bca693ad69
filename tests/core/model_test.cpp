// The result list: lookups, dropping stale results, the stable sort by parent.
#include <gtest/gtest.h>

#include <random>

#include "scan/model.h"

namespace vardune {
namespace {

Pfad R(std::wstring parent, std::wstring name, int64_t size = 0, int32_t dirs = 0,
       int32_t files = 0) {
  return Pfad{std::move(parent), std::move(name), size, dirs, files, 0};
}

std::vector<Pfad> All(const PfadListe& l) {
  std::vector<Pfad> v;
  for (size_t i = 0; i < l.size(); ++i) v.push_back(l.Get(i));
  return v;
}

// The records of a scan of C:\a\ with C:\a\b\, C:\a\bc\ and C:\a\b\x\ (post-order).
PfadListe ScanOfA() {
  PfadListe l;
  l.Append(R(L"C:\\a\\b\\", L"x", 5, 0, 1));
  l.Append(R(L"C:\\a\\b\\x\\", std::wstring(kDateien), 5, 0, 1));
  l.Append(R(L"C:\\a\\", L"b", 5, 1, 1));
  l.Append(R(L"C:\\a\\", L"bc", 7, 0, 1));
  l.Append(R(L"C:\\a\\bc\\", std::wstring(kDateien), 7, 0, 1));
  l.Append(R(L"C:\\", L"a", 12, 3, 2));
  return l;
}

TEST(RecordPath, SplitsAfterTheLastBackslash) {
  auto s = SplitRecordPath(L"C:\\Daten\\Fotos\\");
  EXPECT_EQ(s.Parent, L"C:\\Daten\\");
  EXPECT_EQ(s.Name, L"Fotos");
  s = SplitRecordPath(L"C:\\");
  EXPECT_EQ(s.Parent, L"");
  EXPECT_EQ(s.Name, L"C:");
  s = SplitRecordPath(L"\\\\Server\\Share\\\\\\");
  EXPECT_EQ(s.Parent, L"\\\\Server\\");
  EXPECT_EQ(s.Name, L"Share");
  EXPECT_EQ(_AddBackslash(L""), L"\\");
  EXPECT_EQ(_AddBackslash(L"C:\\x"), L"C:\\x\\");
  EXPECT_EQ(_AddBackslash(L"C:\\x\\"), L"C:\\x\\");
}

// Paths as the user types or sends them become the one form the program works with.
TEST(EnteredPath, SlashesRepeatsAndDotsAreResolved) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"C:/Daten/x/", L"C:\\Daten\\x\\"},
      {L"Z:\\tmp\\t\\\\", L"Z:\\tmp\\t\\"},
      {L"Z:\\\\tmp\\\\\\t", L"Z:\\tmp\\t"},
      {L"//srv/share/a/", L"\\\\srv\\share\\a\\"},
      {L"\\\\srv\\\\share\\\\", L"\\\\srv\\share\\"},
      {L"C:\\a\\.\\b\\..\\c\\", L"C:\\a\\c\\"},
      {L"C:\\a\\..\\..\\..\\", L"C:\\"},
      {L"C:\\a\\b\\..", L"C:\\a\\"},
      {L"\\\\srv\\share\\..\\x\\", L"\\\\srv\\share\\x\\"},
      // Names keep what Windows would trim: the program lists them as they are.
      {L"C:\\dot.\\ blank \\", L"C:\\dot.\\ blank \\"},
      {L"C:\\...\\", L"C:\\...\\"},
      // Forms that name no tree stay as they are: the scan records them as unreadable.
      {L"\\\\\\x\\", L"\\\\\\x\\"},
      {L"..\\rel\\", L"..\\rel\\"},
      {L"C:rel\\..\\", L"C:rel\\..\\"},
      {L"", L""},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(NormalizeEnteredPath(in), out) << std::string(in.begin(), in.end());
    EXPECT_EQ(NormalizeEnteredPath(out), out);  // once is enough
  }
  EXPECT_EQ(CollapseTrailingBackslashes(L"C:\\a\\\\\\"), L"C:\\a\\");
  EXPECT_EQ(CollapseTrailingBackslashes(L"C:\\a\\"), L"C:\\a\\");
  EXPECT_EQ(CollapseTrailingBackslashes(L"C:\\a"), L"C:\\a");
  EXPECT_EQ(CollapseTrailingBackslashes(L"\\\\srv\\\\"), L"\\\\srv\\");
  EXPECT_EQ(CollapseTrailingBackslashes(L"\\\\\\"), L"\\\\\\");
}

TEST(Lookups, RecordContentsAndSubtree) {
  PfadListe l = ScanOfA();
  EXPECT_EQ(FindRecordOf(l, L"C:\\a\\b\\"), 2u);
  EXPECT_EQ(FindRecordOf(l, L"C:\\a\\b"), 2u);
  EXPECT_EQ(FindRecordOf(l, L"C:\\A\\b\\"), PfadListe::npos);  // exact comparison
  EXPECT_EQ(ContentsOf(l, L"C:\\a\\"), (std::vector<size_t>{2, 3}));
  // The subtree of C:\a\b\ does not reach into the sibling C:\a\bc\.
  EXPECT_EQ(SubtreeOf(l, L"C:\\a\\b\\"), (std::vector<size_t>{0, 1, 2}));
}

TEST(ClearPfade, DriveRootDropsEverything) {
  PfadListe l = ScanOfA();
  ClearPfade(l, L"C:\\");
  EXPECT_TRUE(l.empty());
  l = ScanOfA();
  ClearPfade(l, L"C:");
  EXPECT_TRUE(l.empty());
}

TEST(ClearPfade, SubtreeKeepsSiblingWithCommonPrefix) {
  PfadListe l = ScanOfA();
  ClearPfade(l, L"C:\\a\\b\\");
  const auto left = All(l);
  ASSERT_EQ(left.size(), 3u);
  EXPECT_EQ(left[0], R(L"C:\\a\\", L"bc", 7, 0, 1));
  EXPECT_EQ(left[1], R(L"C:\\a\\bc\\", std::wstring(kDateien), 7, 0, 1));
  EXPECT_EQ(left[2], R(L"C:\\", L"a", 12, 3, 2));
}

TEST(ClearPfade, TrailingBackslashesDoNotMatter) {
  PfadListe l = ScanOfA();
  ClearPfade(l, L"C:\\a\\bc\\\\");
  EXPECT_EQ(l.size(), 4u);
  EXPECT_EQ(FindRecordOf(l, L"C:\\a\\bc\\"), PfadListe::npos);
}

TEST(ClearPfade, UnrelatedPathStartsFromEmpty) {
  PfadListe l = ScanOfA();
  ClearPfade(l, L"D:\\other\\");
  EXPECT_TRUE(l.empty());
  // Letter case counts: C:\A\b\ is not C:\a\b\.
  l = ScanOfA();
  ClearPfade(l, L"C:\\A\\b\\");
  EXPECT_TRUE(l.empty());
}

TEST(ClearPfade, RemovingOnlyOwnRecordStillCounts) {
  PfadListe l;
  l.Append(R(L"C:\\", L"leaf", 0));
  l.Append(R(L"C:\\", L"other", 0));
  ClearPfade(l, L"C:\\leaf\\");
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l.Name(0), L"other");
}

TEST(Sort, StableByParentIgnoringCase) {
  PfadListe l;
  l.Append(R(L"C:\\b\\", L"1"));
  l.Append(R(L"C:\\a\\", L"2"));
  l.Append(R(L"C:\\B\\", L"3"));  // equal to C:\b\ ignoring case: keeps its place after 1
  l.Append(R(L"", L"C:"));
  l.Append(R(L"C:\\a\\", L"4"));
  l.Append(R(L"C:\\b\\", L"5"));
  l.SortByParent();
  std::wstring order;
  for (size_t i = 0; i < l.size(); ++i) order += std::wstring(l.Name(i)) + L",";
  EXPECT_EQ(order, L"C:,2,4,1,3,5,");
  EXPECT_EQ(l.Parent(3), L"C:\\b\\");
  EXPECT_EQ(l.Parent(4), L"C:\\B\\");
}

TEST(Sort, MatchesAStableSortOnRandomRecords) {
  std::mt19937 rng(7);
  const std::vector<std::wstring> parents = {L"C:\\", L"c:\\", L"C:\\x\\", L"C:\\X\\",
                                             L"C:\\x\\y\\", L"D:\\", L"", L"C:\\_\\"};
  for (int round = 0; round < 20; ++round) {
    PfadListe l;
    std::vector<Pfad> ref;
    const int n = 1 + static_cast<int>(rng() % 300);
    for (int i = 0; i < n; ++i) {
      Pfad p = R(parents[rng() % parents.size()], L"n" + std::to_wstring(i), i);
      l.Append(p);
      ref.push_back(p);
    }
    // Remove some records so that texts are left behind and compacted.
    l.KeepIf([&](size_t i) { return l.Name(i).back() != L'3'; });
    std::erase_if(ref, [](const Pfad& p) { return p.Name.back() == L'3'; });
    l.SortByParent();
    std::stable_sort(ref.begin(), ref.end(), [](const Pfad& a, const Pfad& b) {
      std::wstring x = a.Parent, y = b.Parent;
      for (auto& c : x) c = static_cast<wchar_t>(towupper(c));
      for (auto& c : y) c = static_cast<wchar_t>(towupper(c));
      return x < y;
    });
    ASSERT_EQ(All(l), ref) << "round " << round;
  }
}

TEST(Memory, RecordsShareTheirParentText) {
  PfadListe l;
  const auto id = l.AddParent(L"C:\\ein\\recht\\langer\\Pfad\\mit\\vielen\\Ebenen\\");
  for (int i = 0; i < 10000; ++i) l.Append(id, L"d" + std::to_wstring(i), i, 0, 0);
  l.SortByParent();
  // A record and the few code units of its name (wchar_t is 2 bytes on Windows, 4 on Linux).
  EXPECT_LE(l.MemoryBytes() / l.size(), sizeof(PfadListe::Rec) + 8 * sizeof(wchar_t));
  EXPECT_EQ(l.Parent(9999), L"C:\\ein\\recht\\langer\\Pfad\\mit\\vielen\\Ebenen\\");
  EXPECT_EQ(l.Name(9999), L"d9999");
}

// A reader that keeps record numbers (the treemap) learns from Changes() that they moved.
TEST(Changes, CountAddingRemovingAndMovingRecordsNotWritingTheirNumbers) {
  PfadListe l;
  uint64_t last = l.Changes();
  const auto changed = [&] {
    const bool c = l.Changes() != last;
    last = l.Changes();
    return c;
  };
  l.Append(Pfad{L"C:\\b\\", L"x", 1, 0, 0, 0});
  EXPECT_TRUE(changed());
  l.Append(Pfad{L"C:\\a\\", L"y", 2, 0, 0, 0});
  EXPECT_TRUE(changed());
  l[0].Size = 99;
  l[1].Bup = 1;
  EXPECT_FALSE(changed());
  l.SortByParent();
  EXPECT_TRUE(changed());
  l.KeepIf([](size_t) { return true; });
  EXPECT_FALSE(changed());
  l.KeepIf([](size_t i) { return i == 0; });
  EXPECT_TRUE(changed());
  ClearPfade(l, L"C:\\");
  EXPECT_TRUE(changed());
  EXPECT_TRUE(l.empty());
}

}  // namespace
}  // namespace vardune
