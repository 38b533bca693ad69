// The line format of BackupSets.txt: reading lines and whole files, writing them back.
#include <gtest/gtest.h>

#include "sets/store.h"

namespace vardune {
namespace {

Pfad E(std::wstring path, std::wstring set, int64_t size) {
  return Pfad{std::move(path), std::move(set), size, 0, 0, 0};
}

std::vector<Pfad> Parse(std::string_view bytes) {
  std::vector<Pfad> v;
  ParseSetsFile(bytes, v);
  return v;
}

TEST(SetsLine, FieldsAndMissingPieces) {
  EXPECT_EQ(ParseSetsLine(L"C:\\Daten\\Fotos|Urlaub|5120"), E(L"C:\\Daten\\Fotos", L"Urlaub", 5120));
  // No "|": the whole text is the path.
  EXPECT_EQ(ParseSetsLine(L"C:\\Daten"), E(L"C:\\Daten", L"", 0));
  // Two fields: size 0.
  EXPECT_EQ(ParseSetsLine(L"C:\\x|S"), E(L"C:\\x", L"S", 0));
  EXPECT_EQ(ParseSetsLine(L"C:\\x|S|"), E(L"C:\\x", L"S", 0));
  EXPECT_EQ(ParseSetsLine(L"|S|7"), E(L"", L"S", 7));
  EXPECT_EQ(ParseSetsLine(L"||"), E(L"", L"", 0));
}

TEST(SetsLine, SizeIsReadLikeANumberCell) {
  EXPECT_EQ(ParseSetsLine(L"p|s|12abc").Size, 12);
  EXPECT_EQ(ParseSetsLine(L"p|s|-1").Size, -1);
  EXPECT_EQ(ParseSetsLine(L"p|s|+42").Size, 42);
  EXPECT_EQ(ParseSetsLine(L"p|s| \t 99").Size, 99);
  EXPECT_EQ(ParseSetsLine(L"p|s|abc").Size, 0);
  EXPECT_EQ(ParseSetsLine(L"p|s|9223372036854775807").Size, INT64_MAX);
  // Pieces after the third are ignored.
  EXPECT_EQ(ParseSetsLine(L"p|s|5|6|x"), E(L"p", L"s", 5));
}

TEST(SetsFile, LineEndsEmptyLinesAndDuplicates) {
  const auto v = Parse("a|S|1\r\nb|S|2\nc|S|3\rd|S|4\r\n\r\n\n\re|S|5");
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[0], E(L"a", L"S", 1));
  EXPECT_EQ(v[1], E(L"b", L"S", 2));
  EXPECT_EQ(v[2], E(L"c", L"S", 3));
  EXPECT_EQ(v[3], E(L"d", L"S", 4));
  EXPECT_EQ(v[4], E(L"e", L"S", 5));  // the last line needs no line end
  EXPECT_TRUE(Parse("").empty());
  EXPECT_TRUE(Parse("\r\n\r\n\n\r").empty());
  const auto d = Parse("x|S|1\r\nx|S|1\r\n");
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0], d[1]);
}

TEST(SetsFile, AppendsToWhatIsThere) {
  std::vector<Pfad> v{E(L"old", L"S", 1)};
  ParseSetsFile("new|S|2\r\n", v);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].Parent, L"old");
  EXPECT_EQ(v[1].Parent, L"new");
}

TEST(SetsFile, Utf8ByteOrderMarkAndInvalidBytes) {
  // UTF-8 of "Bücher" and "Über".
  auto v = Parse("\xEF\xBB\xBF" "C:\\B\xC3\xBC" "cher|\xC3\x9C" "ber|3\r\n");
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0], E(L"C:\\Bücher", L"Über", 3));
  // A byte-order mark is skipped only at the very start of the file.
  v = Parse("a|S|1\r\n\xEF\xBB\xBF" "b|S|2\r\n");
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[1].Parent, L"\xFEFF" L"b");
  // Invalid bytes become U+FFFD; the line and the lines after it are still read.
  v = Parse("C:\\a\xFF\xFE|S\xC3|7\r\nC:\\b|T|8\r\n\xE2\x82|U|9");
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(v[0], E(L"C:\\a\xFFFD\xFFFD", L"S\xFFFD", 7));
  EXPECT_EQ(v[1], E(L"C:\\b", L"T", 8));
  EXPECT_EQ(v[2].Name, L"U");
  EXPECT_EQ(v[2].Size, 9);
  // A broken sequence right before a line end does not swallow it.
  v = Parse("a\xC3\nb|S|1\n");
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].Parent, L"a\xFFFD");
  EXPECT_EQ(v[1].Parent, L"b");
}

TEST(SetsFile, WritesEveryLineWithCrLfInUtf8) {
  const std::vector<Pfad> v{E(L"C:\\Daten\\Fotos", L"Urlaub", 5120),
                            E(L"C:\\Daten\\<DATEIEN>", L"Urlaub", 0),
                            E(L"C:\\Bücher", L"Ä", -1)};
  EXPECT_EQ(FormatSetsFile(v),
            "C:\\Daten\\Fotos|Urlaub|5120\r\nC:\\Daten\\<DATEIEN>|Urlaub|0\r\n"
            "C:\\B\xC3\xBC" "cher|\xC3\x84|-1\r\n");
  EXPECT_EQ(FormatSetsFile({}), "");
  EXPECT_EQ(FormatSetsLine(E(L"p", L"", INT64_MIN)), L"p||-9223372036854775808");
}

TEST(SetsFile, LoadingAndSavingNormalisesTheFile) {
  const std::string in =
      "no separator\n"
      "two|fields\r"
      "C:\\x|S|12abc\r\n"
      "C:\\err|S|-1\r\n"
      "\r\n"
      "C:\\dup|S|5\n"
      "C:\\dup|S|5\n"
      "C:\\many|S|7|extra|more\r\n";
  EXPECT_EQ(FormatSetsFile(Parse(in)),
            "no separator||0\r\n"
            "two|fields|0\r\n"
            "C:\\x|S|12\r\n"
            "C:\\err|S|-1\r\n"
            "C:\\dup|S|5\r\n"
            "C:\\dup|S|5\r\n"
            "C:\\many|S|7\r\n");
  // A normalised file reads back to the same entries.
  const auto once = Parse(in);
  EXPECT_EQ(Parse(FormatSetsFile(once)), once);
}

TEST(SetsFile, FirstPathBeginningWithAByteOrderMarkSurvivesASave) {
  // A mark in the middle of the file belongs to that line's path; once the lines before it are
  // gone, that entry comes first and must still read back as it was.
  auto v = Parse("a|S|1\r\n\xEF\xBB\xBF" "b|S|2\r\n");
  v.erase(v.begin());
  ASSERT_EQ(v[0].Parent, L"\xFEFF" L"b");
  EXPECT_EQ(Parse(FormatSetsFile(v)), v);
  // Two marks at the start: one is skipped, the other stays part of the path.
  v = Parse("\xEF\xBB\xBF\xEF\xBB\xBF" "c|S|3");
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(Parse(FormatSetsFile(v)), v);
  // Without such a path no mark is written.
  EXPECT_EQ(FormatSetsFile({E(L"d\xFEFF", L"S", 4)}).substr(0, 1), "d");
}

// What the store compares and merges when the file could not be written or read.
TEST(SetsFile, SameSetsLooksAtPathsAndSetsOnly) {
  const std::vector<Pfad> a = {E(L"C:\\a", L"S", 1), E(L"C:\\b", L"S", 2), E(L"C:\\a", L"T", 0)};
  // Another order and other sizes: the same sets.
  EXPECT_TRUE(SameSets(a, {E(L"C:\\a", L"T", 5), E(L"C:\\b", L"S", -1), E(L"C:\\a", L"S", 1)}));
  // A path in another set, a set renamed (even in letter case only), one entry fewer or twice.
  EXPECT_FALSE(SameSets(a, {E(L"C:\\a", L"S", 1), E(L"C:\\b", L"T", 2), E(L"C:\\a", L"T", 0)}));
  EXPECT_FALSE(SameSets(a, {E(L"C:\\a", L"s", 1), E(L"C:\\b", L"S", 2), E(L"C:\\a", L"T", 0)}));
  EXPECT_FALSE(SameSets(a, {E(L"C:\\a", L"S", 1), E(L"C:\\b", L"S", 2)}));
  EXPECT_FALSE(SameSets(a, {E(L"C:\\a", L"S", 1), E(L"C:\\a", L"S", 1), E(L"C:\\a", L"T", 0)}));
  EXPECT_TRUE(SameSets({}, {}));
}

TEST(SetsFile, MergeAddsNewEntriesAndUpdatesTheSizesOfHeldOnes) {
  std::vector<Pfad> held = {E(L"C:\\Daten", L"Urlaub", 1), E(L"C:\\x", L"S", 2)};
  MergeSets(held, {E(L"c:\\DATEN", L"urlaub", 50), E(L"C:\\neu", L"S", 3), E(L"C:\\neu", L"S", 3),
                   E(L"C:\\Daten", L"Anderes", 4)});
  EXPECT_EQ(held, (std::vector<Pfad>{E(L"C:\\Daten", L"Urlaub", 50), E(L"C:\\x", L"S", 2),
                                     E(L"C:\\neu", L"S", 3), E(L"C:\\neu", L"S", 3),
                                     E(L"C:\\Daten", L"Anderes", 4)}));
}

}  // namespace
}  // namespace vardune
