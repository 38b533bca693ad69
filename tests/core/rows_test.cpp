// Rows of the result list: the insertion order with its ties, the formatting passes and the
// summary texts.
#include <gtest/gtest.h>

#include <random>

#include "os/text.h"
#include "view/rows.h"

namespace vardune {
namespace {

// The rule as the list applied it: each row in turn, placed before the first row that does not
// sort strictly before it, by a linear search.
std::vector<std::wstring> ReferenceOrder(const std::vector<ResultRow>& rows, int sort) {
  const int col = sort > 9 ? sort - 10 : sort;
  const bool desc = sort > 9;
  std::vector<ResultRow> list;
  for (const ResultRow& row : rows) {
    size_t i = 0;
    for (; i < list.size(); ++i) {
      bool before;
      if (col == 2) {
        const std::wstring a = UpperText(list[i].cells[2]);
        const std::wstring b = UpperText(row.cells[2]);
        before = desc ? a > b : a < b;  // wstring compares code units
      } else {
        const int64_t v = NumberValue(list[i].cells[col]);
        const int64_t key = NumberValue(row.cells[col]);
        before = desc ? v > key : v < key;
      }
      if (!before) break;
    }
    list.insert(list.begin() + static_cast<long>(i), row);
  }
  std::vector<std::wstring> names;
  for (const auto& r : list) names.push_back(r.cells[2] + L"#" + r.cells[3]);
  return names;
}

std::vector<std::wstring> Ordered(const std::vector<ResultRow>& rows, int sort) {
  std::vector<std::wstring> names;
  for (size_t i : OrderRows(rows, sort)) names.push_back(rows[i].cells[2] + L"#" + rows[i].cells[3]);
  return names;
}

TEST(RowOrder, MatchesTheInsertionRuleOnRandomRowsWithTies) {
  std::mt19937 rng(11);
  const std::vector<std::wstring> names = {L"a", L"A", L"b", L"ä", L"Ä", L"_x", L"a1", L"<DATEIEN>", L"Z", L"z"};
  for (int round = 0; round < 200; ++round) {
    std::vector<ResultRow> rows;
    const int n = static_cast<int>(rng() % 60);
    for (int i = 0; i < n; ++i) {
      const int64_t size = (rng() % 4 == 0) ? -1 : static_cast<int64_t>(rng() % 5) * 1024 + (rng() % 1024);
      Pfad p{L"C:\\", names[rng() % names.size()], size, static_cast<int32_t>(rng() % 3),
             static_cast<int32_t>(i), static_cast<uint8_t>(rng() % 2)};
      rows.push_back(MakeRow(p, false));
    }
    for (int sort : {0, 1, 2, 3, 4, 10, 11, 12, 13, 14}) {
      ASSERT_EQ(Ordered(rows, sort), ReferenceOrder(rows, sort)) << "round " << round << " sort " << sort;
    }
  }
}

TEST(RowOrder, EqualKeysShowInReverseAndBupReversesAll) {
  std::vector<ResultRow> rows = {MakeRow(Pfad{L"C:\\", L"first", 2048, 0, 1, 0}, false),
                                 MakeRow(Pfad{L"C:\\", L"second", 2048, 0, 2, 0}, false),
                                 MakeRow(Pfad{L"C:\\", L"big", 9000, 0, 3, 1}, false)};
  EXPECT_EQ(Ordered(rows, 11), (std::vector<std::wstring>{L"big#3", L"second#2", L"first#1"}));
  EXPECT_EQ(Ordered(rows, 0), (std::vector<std::wstring>{L"big#3", L"second#2", L"first#1"}));
  EXPECT_EQ(Ordered(rows, 1), (std::vector<std::wstring>{L"second#2", L"first#1", L"big#3"}));
  // An error row sorts as 0 kilobytes.
  rows.push_back(MakeRow(Pfad{L"C:\\", L"bad", -1, 0, 0, 0}, false));
  EXPECT_EQ(rows.back().cells[1], L"ERROR");
  EXPECT_EQ(Ordered(rows, 1).front(), L"bad#0");
}

TEST(RowOrder, InsertionIndexAgreesWithTheOrder) {
  std::vector<ResultRow> ordered;
  std::mt19937 rng(3);
  for (int i = 0; i < 300; ++i) {
    ResultRow r = MakeRow(Pfad{L"C:\\", L"n" + std::to_wstring(rng() % 7), static_cast<int64_t>(rng() % 6) * 1024, 0, i, 0}, false);
    ordered.insert(ordered.begin() + static_cast<long>(InsertionIndex(ordered, r, 11)), r);
  }
  std::vector<ResultRow> inPfadeOrder(ordered.size());
  for (const auto& r : ordered) inPfadeOrder[static_cast<size_t>(NumberValue(r.cells[3]))] = r;
  std::vector<std::wstring> a;
  for (const auto& r : ordered) a.push_back(r.cells[2] + L"#" + r.cells[3]);
  EXPECT_EQ(a, Ordered(inPfadeOrder, 11));
}

TEST(RowOrder, ThreeClicksOnAHeader) {
  int sort = 11;
  sort = NextSort(sort, 1);
  EXPECT_EQ(sort, 1);   // the same column, descending -> ascending
  sort = NextSort(sort, 2);
  EXPECT_EQ(sort, 2);   // another column keeps the direction
  sort = NextSort(sort, 2);
  EXPECT_EQ(sort, 12);
  sort = NextSort(sort, 3);
  EXPECT_EQ(sort, 13);
  sort = NextSort(sort, 3);
  EXPECT_EQ(sort, 3);
}

TEST(RowFormat, KilobyteCells) {
  EXPECT_EQ(MakeRow(Pfad{L"C:\\x\\", L"<DATEIEN>", 1023, 0, 3, 0}, false).cells[1], L"0");
  std::vector<ResultRow> rows = {MakeRow(Pfad{L"", L"a", 1'024'000, 0, 0, 0}, false),
                                 MakeRow(Pfad{L"", L"b", 999 * 1024, 0, 0, 0}, false),
                                 MakeRow(Pfad{L"", L"c", 12'345'678LL * 1024, 0, 0, 0}, false),
                                 MakeRow(Pfad{L"", L"d", -1, 0, 0, 0}, false),
                                 MakeRow(Pfad{L"", L"123456", 0, 0, 0, 1}, true)};
  EXPECT_EQ(rows[0].cells[1], L"1000");
  FormatKBColumn(rows);
  EXPECT_EQ(rows[0].cells[1], L"    1'000");
  EXPECT_EQ(rows[1].cells[1], L"999");
  EXPECT_EQ(rows[2].cells[1], L"12'345'678");
  EXPECT_EQ(rows[3].cells[1], L"ERROR");
  EXPECT_EQ(rows[4].cells[2], L"123456");  // names of digits are never grouped
  EXPECT_EQ(rows[4].cells[0], L"X");
  EXPECT_EQ(_PadKB(L"1'234"), L"    1'234");
}

TEST(Summary, TextsWithTheirBlanks) {
  EXPECT_EQ(SummaryText(5LL * 1048576 * 1000, 1048576LL * 2'000'000, 3 * 1048576 + 5, 5, 1234),
            L"Laufwerk MB frei: 5'000 / 2'000'000\r\nVerzeichnis:   3 MB   5 Verz   1'234 Dateien");
  EXPECT_EQ(SummaryText(0, 0, -1, 1, 0), L"Laufwerk MB frei: 0 / 0\r\nVerzeichnis:   0 MB   1 Verz   0 Dateien");
  EXPECT_EQ(SelectionText(1234, 4, 7), L"Auswahl:  1 MB   4 Verz   7 Dateien");
  EXPECT_EQ(SelectionText(0, 0, 0), L"Auswahl:  0 MB   0 Verz   0 Dateien");
  // Past 2 TiB of kilobytes the size keeps growing instead of turning negative.
  EXPECT_EQ(SelectionText(3LL * 1024 * 1024 * 1024, 2, 0),
            L"Auswahl:  3'145'728 MB   2 Verz   0 Dateien");
}

TEST(DirUp, OneLevelUp) {
  EXPECT_EQ(ParentDirOf(L"C:\\Daten\\Alt\\"), L"C:\\Daten\\");
  EXPECT_EQ(ParentDirOf(L"C:\\Daten\\"), L"C:\\");
  EXPECT_EQ(ParentDirOf(L"C:\\"), L"");
  EXPECT_EQ(ParentDirOf(L"\\\\srv\\share\\dir\\"), L"\\\\srv\\share\\");
  EXPECT_EQ(ParentDirOf(L"\\\\srv\\share\\"), L"\\\\srv\\");
}

}  // namespace
}  // namespace vardune
