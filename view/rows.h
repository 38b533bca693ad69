// The rows of the result list as texts, their order and their formatting, and the texts that
// summarise them. Pure: no windows.h, so the ordering rule is testable on the host too.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/model.h"

namespace vardune {

// Cells: 0 "Bup", 1 "KBytes", 2 "Name", 3 "Dateien", 4 "Verz".
struct ResultRow {
  std::array<std::wstring, 5> cells;
};

// The row of one record; column 2 holds Parent + Name when fullPath is set.
ResultRow MakeRow(const Pfad& p, bool fullPath);
ResultRow MakeRow(std::wstring_view parent, std::wstring_view name, int64_t size, int32_t dirs,
                  int32_t files, uint8_t bup, bool fullPath);

// Column and direction of a sort order (0..4 ascending, 10..14 descending).
struct SortOrder {
  int column;
  bool descending;
};
SortOrder DecodeSort(int sort);
// The order after a click on `column` under the order `sort`.
int NextSort(int sort, int column);

// The order in which the rows stand when each is inserted, in the given order, above all
// rows with an equal key (so equal keys show in reverse): a stable sort of the reversed rows.
// Numeric columns compare the numeric value of the cell, column 2 the upper-cased text code
// unit by code unit. Returns row indices, top first.
std::vector<size_t> OrderRows(const std::vector<ResultRow>& rows, int sort);
// Whether row `a` sorts strictly before row `b` under the order `sort`.
bool SortsBefore(const ResultRow& a, const ResultRow& b, int sort);
// Where one more row goes among rows already in that order: the first row that does not sort
// strictly before it (those that do form a prefix).
template <class Rows>
size_t InsertionIndex(const Rows& ordered, const ResultRow& row, int sort) {
  size_t lo = 0, hi = ordered.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (SortsBefore(ordered[mid], row, sort)) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

// The right-aligned kilobyte cell: grouped, then padded to 9 characters, for values over 999.
std::wstring _PadKB(std::wstring_view s);
void FormatKBColumn(std::vector<ResultRow>& rows);

// The two summary lines of control 4.
std::wstring SummaryText(int64_t driveFree, int64_t driveTotal, int64_t bytes, int32_t dirs,
                         int32_t files);
// The selection status of control 5 from kilobytes, directories and files.
std::wstring SelectionText(int64_t kb, int32_t dirs, int32_t files);
// One level up: C:\Daten\Alt\ -> C:\Daten\; "" when there is no level above (a drive root).
std::wstring ParentDirOf(std::wstring_view startPath);

}  // namespace vardune
