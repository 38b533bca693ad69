// The set operations without windows: the comparison rules of names (ignoring case) and
// paths (exact), renaming and deleting, the size refresh from the scan results, what the
// window lists for a set, and the path list of a drag.
#include <gtest/gtest.h>

#include "sets/droplist.h"
#include "sets/ops.h"
#include "sets/store.h"

namespace vardune {
namespace {

Pfad E(std::wstring path, std::wstring set, int64_t size = 0) {
  return Pfad{std::move(path), std::move(set), size, 0, 0, 0};
}

class SetOps : public ::testing::Test {
 protected:
  void SetUp() override {
    BupPfade.clear();
    BupSets.clear();
  }
  void TearDown() override {
    BupPfade.clear();
    BupSets.clear();
  }
};

TEST_F(SetOps, CreatingASetThatExistsIgnoringCaseAddsNothing) {
  _SetAddRename(L"Urlaub", L"");
  _SetAddRename(L"URLAUB", L"");
  _SetAddRename(L"urlaub", L"");
  _SetAddRename(L"Arbeit", L"");
  EXPECT_EQ(BupSets, (std::vector<std::wstring>{L"Urlaub", L"Arbeit"}));
  EXPECT_EQ(_SetExists(L"uRLAUB"), 1);
  EXPECT_EQ(_SetExists(L"Urlau"), 0);
  EXPECT_EQ(_SetExists(L""), 0);
  // The case tables are the system's: umlauts compare ignoring case too.
  _SetAddRename(L"Übung", L"");
  _SetAddRename(L"übung", L"");
  EXPECT_EQ(BupSets.size(), 3u);
}

TEST_F(SetOps, RenamingMovesTheEntriesMatchedIgnoringCase) {
  BupSets = {L"A", L"Other"};
  BupPfade = {E(L"C:\\1", L"A"), E(L"C:\\2", L"a"), E(L"C:\\3", L"Other"), E(L"C:\\4", L"Ab")};
  _SetAddRename(L"Neu", L"a");
  EXPECT_EQ(BupSets, (std::vector<std::wstring>{L"Neu", L"Other"}));
  EXPECT_EQ(BupPfade[0].Name, L"Neu");
  EXPECT_EQ(BupPfade[1].Name, L"Neu");
  EXPECT_EQ(BupPfade[2].Name, L"Other");
  EXPECT_EQ(BupPfade[3].Name, L"Ab");
  // A set that is not known: nothing happens, even to entries of that name.
  BupPfade.push_back(E(L"C:\\5", L"Ghost"));
  _SetAddRename(L"X", L"Ghost");
  EXPECT_EQ(BupPfade.back().Name, L"Ghost");
  EXPECT_EQ(BupSets.size(), 2u);
}

TEST_F(SetOps, RenamingOntoAnExistingNameMergesTheSets) {
  BupSets = {L"A", L"B"};
  BupPfade = {E(L"C:\\a", L"A"), E(L"C:\\b", L"B")};
  _SetAddRename(L"B", L"A");
  EXPECT_EQ(BupSets, (std::vector<std::wstring>{L"B", L"B"}));
  const SetView v = ViewOfSet(L"B");
  ASSERT_EQ(v.Rows.size(), 2u);
  EXPECT_EQ(v.Rows[0].first, L"C:\\a");
  EXPECT_EQ(v.Rows[1].first, L"C:\\b");
}

TEST_F(SetOps, DeletingRemovesEntriesOfEveryCaseButShowingIsExact) {
  BupSets = {L"Set", L"Keep"};
  BupPfade = {E(L"C:\\1", L"Set"), E(L"C:\\2", L"SET"), E(L"C:\\3", L"Keep"), E(L"C:\\4", L"set")};
  // Entries that differ in case only are not listed under the name.
  ASSERT_EQ(ViewOfSet(L"Set").Rows.size(), 1u);
  DeleteSetAndEntries(L"sEt");
  EXPECT_EQ(BupSets, (std::vector<std::wstring>{L"Keep"}));
  ASSERT_EQ(BupPfade.size(), 1u);
  EXPECT_EQ(BupPfade[0].Parent, L"C:\\3");
  // A name that is not in the list still takes its entries with it.
  BupPfade.push_back(E(L"C:\\5", L"orphan"));
  DeleteSetAndEntries(L"ORPHAN");
  EXPECT_EQ(BupPfade.size(), 1u);
  EXPECT_EQ(BupSets.size(), 1u);
}

TEST_F(SetOps, PathsCompareExactly) {
  BupPfade = {E(L"C:\\Daten", L"S"), E(L"C:\\Daten", L"T")};
  EXPECT_EQ(_SetHasPath(L"S", L"C:\\Daten"), 1);
  EXPECT_EQ(_SetHasPath(L"S", L"c:\\daten"), 0);
  EXPECT_EQ(_SetHasPath(L"s", L"C:\\Daten"), 0);
  EXPECT_EQ(_SetHasPath(L"U", L"C:\\Daten"), 0);
  BupPfade.push_back(E(L"C:\\Daten", L"S"));
  EXPECT_TRUE(RemoveSetEntry(L"S", L"C:\\Daten"));
  // Only the first of the two entries went; the other set's entry stays.
  ASSERT_EQ(BupPfade.size(), 2u);
  EXPECT_EQ(BupPfade[0].Name, L"T");
  EXPECT_EQ(BupPfade[1].Name, L"S");
  EXPECT_FALSE(RemoveSetEntry(L"S", L"c:\\daten"));
}

TEST_F(SetOps, NamesCollectedFromEntriesAndSorted) {
  BupSets = {L"zeta"};
  BupPfade = {E(L"1", L"Beta"), E(L"2", L"ZETA"), E(L"3", L"alpha"), E(L"4", L"beta"),
              E(L"5", L"")};
  CollectSetNames();
  EXPECT_EQ(BupSets, (std::vector<std::wstring>{L"zeta", L"Beta", L"alpha", L""}));
  SortSetNames();
  EXPECT_EQ(BupSets, (std::vector<std::wstring>{L"", L"alpha", L"Beta", L"zeta"}));
  // Stable: equal ignoring case keeps its order.
  BupSets = {L"b", L"B", L"a", L"b"};
  SortSetNames();
  EXPECT_EQ(BupSets, (std::vector<std::wstring>{L"a", L"b", L"B", L"b"}));
}

TEST_F(SetOps, AnswerCleaning) {
  EXPECT_EQ(CleanSetName(L"|a|b|"), L"ab");
  EXPECT_EQ(CleanSetName(L"|||"), L"");
  EXPECT_EQ(CleanSetName(L"Zeile\r\nzwei"), L"Zeilezwei");
  EXPECT_EQ(CleanSetName(L"Größe"), L"Größe");
}

TEST_F(SetOps, SizesComeFromTheFirstMatchingRecord) {
  PfadListe l;
  l.Append(Pfad{L"C:\\", L"Daten", 9000, 1, 3, 0});
  l.Append(Pfad{L"C:\\Daten\\", L"Fotos", 5120, 0, 2, 0});
  l.Append(Pfad{L"C:\\Daten\\", std::wstring(kDateien), 3880, 0, 1, 0});
  l.Append(Pfad{L"C:\\Daten\\", L"Fotos", 1, 0, 0, 0});  // a later duplicate does not count
  l.Append(Pfad{L"C:\\Daten\\", L"Kaputt", -1, 0, 0, 0});
  l.Append(Pfad{L"D:\\x/", L"y", 77, 0, 0, 0});
  std::vector<Pfad> entries{E(L"C:\\Daten\\Fotos", L"S", 3),
                            E(L"c:\\daten\\fotos", L"S", 4),  // paths compare exactly
                            E(L"C:\\Daten\\<DATEIEN>", L"S", 5),
                            E(L"C:\\Daten\\Kaputt", L"S", 6),
                            E(L"C:\\Daten", L"T", 7),
                            E(L"D:\\x/y", L"T", 8),
                            E(L"C:\\Gone", L"T", 9)};
  TakeSizesFrom(l, entries);
  // Sorted by path ignoring case, stable.
  std::vector<std::pair<std::wstring, int64_t>> got;
  for (const Pfad& e : entries) got.emplace_back(e.Parent, e.Size);
  EXPECT_EQ(got, (std::vector<std::pair<std::wstring, int64_t>>{
                     {L"C:\\Daten", 9000},
                     {L"C:\\Daten\\<DATEIEN>", 3880},
                     {L"C:\\Daten\\Fotos", 5120},
                     {L"c:\\daten\\fotos", 4},
                     {L"C:\\Daten\\Kaputt", -1},
                     {L"C:\\Gone", 9},
                     {L"D:\\x/y", 77}}));
  // Without any scan results nothing changes but the order.
  std::vector<Pfad> again{E(L"b", L"S", 1), E(L"A", L"S", 2)};
  TakeSizesFrom(PfadListe{}, again);
  EXPECT_EQ(again[0], E(L"A", L"S", 2));
  EXPECT_EQ(again[1], E(L"b", L"S", 1));
}

TEST_F(SetOps, TheListedRowsAndTheTotal) {
  BupPfade = {E(L"C:\\big", L"S", 5'000'000'000), E(L"C:\\err", L"S", -1),
              E(L"C:\\small", L"S", 2047), E(L"C:\\other", L"T", 1 << 30)};
  SetView v = ViewOfSet(L"S");
  ASSERT_EQ(v.Rows.size(), 3u);
  EXPECT_EQ(v.Rows[0], (std::pair<std::wstring, std::wstring>{L"C:\\big", L"4'882'812"}));
  // An ERROR entry shows 0 KB and lowers the total by one byte.
  EXPECT_EQ(v.Rows[1].second, L"0");
  EXPECT_EQ(v.Rows[2].second, L"1");
  EXPECT_EQ(v.Status, L"4'768 MB");  // (5'000'000'000 - 1 + 2047) / 1024 / 1024
  // Above 0 but below one MB: "0 MB"; only exactly 0 gives the hint.
  BupPfade = {E(L"a", L"S", 1048575)};
  EXPECT_EQ(ViewOfSet(L"S").Status, L"0 MB");
  BupPfade = {E(L"a", L"S", -1)};
  EXPECT_EQ(ViewOfSet(L"S").Status, L"0 MB");
  BupPfade = {E(L"a", L"S", 0), E(L"b", L"S", 5), E(L"c", L"S", -5)};
  EXPECT_EQ(ViewOfSet(L"S").Status, std::wstring(kSetsHint));
  EXPECT_EQ(ViewOfSet(L"none").Status,
            L"Pfade hinzufügen mit <Hinzu> (ggfs.erst Set erstellen...)");
}

TEST(DragList, JoinedSplitAndZeroSeparated) {
  EXPECT_EQ(JoinDragList({L"C:\\a\\", L"C:\\b.txt"}), L"C:\\a\\\nC:\\b.txt");
  EXPECT_EQ(JoinDragList({}), L"");
  EXPECT_EQ(JoinDragList({L"one"}), L"one");
  EXPECT_EQ(SplitDragList(L"a\n\nb\n"), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_TRUE(SplitDragList(L"").empty());
  EXPECT_EQ(DropFilesText(L"a\nbc"), std::wstring(L"a\0bc\0\0", 6));
  EXPECT_EQ(DropFilesText(L""), std::wstring(L"\0\0", 2));
  // An empty piece would end the list for the receiver: it is left out.
  EXPECT_EQ(DropFilesText(L"a\n\nb"), std::wstring(L"a\0b\0\0", 5));
}

}  // namespace
}  // namespace vardune
