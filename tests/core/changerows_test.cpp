// The cells of the window of the changes and their order under a click on a column title.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "view/changerows.h"

namespace vardune {
namespace {

ChangeRow Change(const wchar_t* name, int64_t now, int64_t before, bool dir = false) {
  ChangeRow r;
  r.Name = name;
  r.Dir = L"C:\\T\\";
  r.Now = now;
  r.Before = before;
  r.IsDir = dir;
  return r;
}

TEST(ChangeRows, CellsAsTheUserReadsThem) {
  struct Case {
    ChangeRow change;
    std::array<std::wstring, 5> cells;
  };
  const std::vector<Case> cases = {
      {Change(L"d", 5 * 1024 * 1024, 1024, true), {L"+5'119", L"5'120", L"1", L"d\\", L"C:\\T\\"}},
      {Change(L"f", 1000, kBeforeAbsent), {L"+0", L"0", L"neu", L"f", L"C:\\T\\"}},
      {Change(L"g", kBeforeAbsent, 123456789), {L"-120'563", L"weg", L"120'563", L"g", L"C:\\T\\"}},
      {Change(L"e", -1, 4096, true), {L"-4", L"ERROR", L"4", L"e\\", L"C:\\T\\"}},
      {Change(L"s", 100, 600), {L"-0", L"0", L"0", L"s", L"C:\\T\\"}},
  };
  for (const Case& c : cases) EXPECT_EQ(MakeChangeListRow(c.change).cells, c.cells);
}

TEST(ChangeRows, OrderOfEachColumn) {
  std::vector<ChangeListRow> rows;
  rows.push_back(MakeChangeListRow(Change(L"b", 3000, 1000)));
  rows.push_back(MakeChangeListRow(Change(L"A", kBeforeAbsent, 500)));
  rows.push_back(MakeChangeListRow(Change(L"c", 100, kBeforeAbsent)));
  rows.push_back(MakeChangeListRow(Change(L"d", -1, 50)));
  struct Case {
    int sort;
    std::vector<size_t> order;
  };
  const std::vector<Case> cases = {
      {10, {0, 2, 3, 1}},  // the growth, most first
      {0, {1, 3, 2, 0}},
      {11, {0, 2, 3, 1}},  // now: what is gone below what cannot be read
      {12, {0, 1, 3, 2}},  // then: what is new last
      {3, {1, 0, 2, 3}},   // names without letter case
  };
  for (const Case& c : cases) EXPECT_EQ(OrderChangeRows(rows, c.sort), c.order) << c.sort;
}

}  // namespace
}  // namespace vardune
