// The Backup Sets window (window 11): choosing, creating, renaming and deleting sets, the
// paths of one set with their sizes, adding the result list's selection, removing paths and
// the area from which the set's files are dragged out.
#pragma once
#include <windows.h>

#include "ui/platform/platform.h"

namespace vardune {

// Builds window 11 and its controls, hidden; a window 11 that is open is replaced. Returns
// its handle, or null when it cannot be created.
HWND _SetsWindow();
// The main menu's "Backup Sets": builds the window anew beside the main window, shows it and
// lists the first set.
void _SetsOpen();
// The events of window 11 and its controls 13-23 as the main loop receives them: the close
// request closes the window, the controls run their operations. True when the event was one
// of them.
bool SetsWindowEvent(const ui::Event& e);

}  // namespace vardune
