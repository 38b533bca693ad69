// The rows of the window of the changes as texts, and their order. Pure: no windows.h.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "scan/compare.h"

namespace vardune {

// Cells in the order they stand: 0 "Änderung KB", 1 "Jetzt KB", 2 "Vorher KB", 3 "Name",
// 4 "Verzeichnis".
inline constexpr int kChangeColumns = 5;
struct ChangeListRow {
  std::array<std::wstring, kChangeColumns> cells;
  ChangeRow change;
};

// A change in kilobytes with its sign ("+1'234", "-56", "+0" for a growth under 1 KB), the
// digits grouped as the result list groups them.
std::wstring SignedKBText(int64_t bytes);
// A size in kilobytes, grouped; -1 gives "ERROR", kBeforeAbsent the marker (`absent`: "neu"
// for what was not there then, "weg" for what is not there now).
std::wstring SizeKBText(int64_t size, const wchar_t* absent);
ChangeListRow MakeChangeListRow(ChangeRow change);

// The order of the rows under a sort order as the result list encodes it (column, +10 for
// descending; 10 is the growth, most first): sizes by their bytes (what is not there as 0
// bytes, below 0 bytes), names and directories without letter case. Returns row indices, top
// first; equal keys keep the order of the rows.
std::vector<size_t> OrderChangeRows(const std::vector<ChangeListRow>& rows, int sort);

}  // namespace vardune
