// The main window (window 1): the path field with its folder picker, the scan and navigation
// buttons, the "STOPP" and "ERRS" toggles, the summary and status fields and the result list;
// the message hook through which column-header clicks of the result list arrive; and the
// controls the scanner writes to while it walks.
#pragma once
#include <windows.h>

namespace vardune {

// Control numbers of window 1; they double as the Win32 control ids.
enum MainControl : int {
  kMainWindow = 1,
  kGadPick = 2,     // "..."
  kGadPath = 3,     // GStartPath
  kGadSummary = 4,  // summary and scan progress
  kGadStatus = 5,   // selection status and scan counters
  kGadUp = 6,       // image 1: one level up
  kGadScan = 7,     // image 2 (image 3 while blinking)
  kGadStop = 8,     // "STOPP"
  kGadErrs = 9,     // "ERRS"
  kGadResults = 10,
};

// Builds window 1 and its controls 2 to 10 and registers them with the layout manager.
// Returns the window's handle, or 0 when it could not be built (nothing is left open then).
// The pictures must be loaded before (LoadImages).
HWND Window_FormMain();

// The handle of the result list that _WinCallback accepts column clicks from. Window_FormMain
// remembers it already; start-up calls this once more after installing the hook.
void RememberResultListHandle();
HWND ResultListHandle();

// The message hook of every window of the program; installed with InstallMainWindowHook.
// A column-header click of list 10 in window 1 calls GOnColumnClick with the column. Always
// returns 0: the message goes on to its normal processing.
LRESULT _WinCallback(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void InstallMainWindowHook();
// What a column-header click of the result list does (the result list's sort); nothing while
// it is not set.
extern void (*GOnColumnClick)(int column);

// The "..." button: the folder picker titled "Select GStartPath", starting at GStartPath; a
// chosen folder becomes GStartPath, a cancel keeps it; field 3 shows GStartPath afterwards.
void _PickPath();

// Fills GScanUi's window members with the controls of window 1: SetPathText, GetPathText,
// SetCounterText, PumpEvents, PumpEventsKeepStop, EnableStop, ReleaseStop, SetScanImage. The
// others are left as they are.
void InstallMainWindowScanUi();

}  // namespace vardune
