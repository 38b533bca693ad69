// The comparison with an earlier export and its window (window 67, "Vardune Änderungen"): the
// menu item "Vergleichen mit..." reads the export and compares the results with it; list 68
// shows what grew, shrank, came and went below the directory the result list shows, most
// growth first, and follows the list. A scan or import of a tree that the export does not
// cover ends the comparison, as "Vergleich beenden" (the item's text meanwhile) and the
// window's close box do; after any other change of the results the export is read again and
// the comparison made anew.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "view/changerows.h"

namespace vardune {

inline constexpr int kChangesWindow = 67;
inline constexpr int kChangesList = 68;
// The list's column of each cell of ChangeListRow (the name stands first among the list's
// columns, as column 0 of a list is always left-aligned, and is shown fourth).
inline constexpr int kChangeColumnOf[kChangeColumns] = {1, 2, 3, 0, 4};

// Menu item "Vergleichen mit..." / "Vergleich beenden".
void _CompareMenu();
// The comparison with the export at `path`, as after choosing it in the dialog: false (with
// a message, nothing else changed) when it cannot be read or is no export.
bool CompareWithFile(const std::wstring& path);
// Ends the comparison and hides the window.
void EndComparison();
bool ComparisonOn();
// The comparison that is on (empty when none is).
const Comparison& CurrentComparison();

// Makes the window follow what the result list shows (once, at the start).
void ConnectChangesWindow();
// Brings the window up to date with the list and the results (the main loop calls it after
// every event): a comparison of other results is made anew or ended.
void ChangesWork();

// Events of window 67 and list 68; true when the event was one of them.
bool ChangesEvent(int kind, int window, int gadget, int type);

// The rows shown, top first, and the window's caption (for the tests).
const std::vector<ChangeListRow>& ChangesShown();
std::wstring ChangesCaption();

}  // namespace vardune
