// Where the windows beside the main window open: next to it on its monitor, clear of the
// others of them that are already shown, at the DPI the window has there.
#pragma once

namespace vardune {

// Places window `win` (design size w x h, no narrower than minW where the screen is short of
// room) beside the main window and lays it out.
void PlaceBesideMain(int win, int w, int h, int minW);

}  // namespace vardune
