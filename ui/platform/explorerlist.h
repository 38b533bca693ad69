// The explorer-style file list: a report list of one directory (".." first, then its
// subdirectories, then its files) in which the user moves between directories by double
// click, and which watches the shown directory and lists it again when it changes on disk.
//
// The control takes part in the platform like any other: GetGadgetText is its current
// directory (with a trailing backslash; empty while the list of drives or nothing is shown),
// SetGadgetText shows a directory (empty text empties the list and stops the watching), and a
// move made by the user queues a gadget event of type TypeChange. The refresh after a change
// on disk runs while window events are processed (a wait handle of the event loop), and drops
// the selection.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace vardune::ui {

// State bits of an item.
enum ExplorerItemBits : int {
  ExplorerFile = 1,
  ExplorerDirectory = 2,  // also ".." and the drives of the list of drives
  ExplorerSelected = 4,
};

// Creates control n of window win (multiple and full-row selection, grid lines, selection
// visible without focus; columns "Name", "Size" in kilobytes, "Type", "Modified"), showing
// `dir` when it is not empty. Returns its handle, or 0.
HWND ExplorerListGadget(int win, int n, int x, int y, int w, int h, std::wstring_view dir = {});

// The file-system name of an item (".." for the parent entry, "C:\" for a drive); empty for
// an item that does not exist.
std::wstring ExplorerItemName(int n, int item);
// ExplorerItemBits of an item; 0 for an item that does not exist.
int ExplorerItemState(int n, int item);
// True while the list of drives is shown.
bool ExplorerShowsDrives(int n);
// True while the list watches a directory for changes.
bool ExplorerWatching(int n);
// Lists the shown directory again, as a change on disk does.
void ExplorerRefresh(int n);

}  // namespace vardune::ui
