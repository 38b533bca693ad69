// The windows beside the result list as the main loop sees them: the treemap, the largest
// files and the file types, their menu items, their popup menus and what their rows do.
#pragma once
#include <string>

#include "ui/platform/platform.h"

namespace vardune {

// Start-up, after the menus: the views follow the result list and do their work when the
// loop is idle, the scan engine tells them of changes, their popup menus are built, F8 and F7
// open the windows of the largest files and of the types.
void ConnectViews();
// An event of windows 61, 63 or 65 or of their menu items: handled (true), or not theirs.
bool ViewsEvent(const ui::Event& e);
// After window `win` changed its DPI: its layout, and the pictures that are drawn for a DPI.
void ViewsAfterDpiChange(int win);

// "In den Papierkorb...": the files of the selected rows of the largest files, after a
// question naming their number and size, moved to the recycle bin and taken out of the
// results; a file that stays is named in a message.
void RecycleSelectedFiles();

}  // namespace vardune
