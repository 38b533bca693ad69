// The result list of the main window (control 10): the contents of the current directory,
// sorted by the chosen column; the two-line summary (control 4); the error list; moving down
// and up in the stored results. The rows live in memory and the list control shows them
// (owner data), so that huge folders fill at once.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/model.h"

namespace vardune {

// Sort order: 0..4 column ascending, 10..14 column descending; starts at 11.
extern int8_t GSort;
extern int64_t GDriveFree;
extern int64_t GDriveTotal;

// Makes control 10 show the rows held here (called once the main window exists).
void ConnectResultList();

void _ShowDir(std::wstring_view path);
void _AddRow(const Pfad& p, bool fullPath);
void _ShowErrors();
void _ErrsButton();
void _SortColumn(int column);
void _DirUp();
void _OpenRow(int row, bool inExplorer);
// A scan of the directory the list shows (GStartPath when none is shown yet), exactly as if
// its path were typed and the scan button pressed: a subtree rescan with the correction of
// the totals above it.
void _RescanShown();
void _DriveSpace(std::wstring_view path);

// The directory whose contents the list shows: the path of the last _ShowDir ("" before the
// first). The error view keeps it; GStartPath can differ from it after a path was typed.
const std::wstring& ShownDirectory();
// True while the list shows the error view (_ShowErrors), whose rows name full paths.
bool ShowingErrors();
// The selected rows, top first.
std::vector<int> SelectedResultRows();

// Row access for the other subsystems (backup sets, delete dialog, selection status).
int ResultRowCount();
std::wstring ResultCell(int row, int column);
// Sets the text of one cell (column 0: the backup mark "X") and repaints the row.
void SetResultCell(int row, int column, std::wstring_view text);
// Empties the list (the stress test fills it from the top while it walks).
void ClearResultRows();
// Inserts a row at the top: the stress test's row of one file.
void InsertResultRowAtTop(std::wstring_view kb, std::wstring_view name, std::wstring_view digest);

}  // namespace vardune
