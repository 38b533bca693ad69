// What the parts of the platform layer share among themselves: the table of controls and the
// display-scaling calls that newer Windows has and older Windows lacks.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "ui/platform/platform.h"

namespace vardune::ui {

struct GadgetEntry {
  HWND hwnd = nullptr;
  int window = 0;
  int kind = KindNone;
  // The rectangle in design units, from which a DPI change places the control anew; kept up
  // to date by ResizeGadget.
  bool designed = false;
  struct {
    int x = 0, y = 0, w = 0, h = 0;
  } design;
  HWND tooltip = nullptr;
  std::wstring tipText;
  CellText cells;  // owner-data lists
  NotifyHandler notify;
  std::function<std::wstring()> getText;
  std::function<void(std::wstring_view)> setText;
  // Set while the program itself changes the control's selection: no event is queued for it.
  bool quiet = false;
};

std::map<int, GadgetEntry>& Gadgets();
GadgetEntry* FindGadget(int n);
// Creates control n of window `win`, of Win32 class `cls`, at its design rectangle scaled to
// the window's DPI and in the font for it (WM_SETFONT), and registers it; 0 when it fails.
HWND CreateGadget(int win, int n, int kind, const wchar_t* cls, DWORD style, DWORD ex, int x,
                  int y, int w, int h, std::wstring_view text);
HINSTANCE Instance();
// Queues a control event (coalescing repeated changes).
void QueueGadgetEvent(int win, int gadget, int type);
// Queues a control event that carries a point inside the control (drawing areas).
void QueueGadgetPoint(int win, int gadget, int type, int x, int y);
// Registers a window class of the program, with double clicks reported; true when it exists.
bool RegisterProgramClass(const wchar_t* name, WNDPROC proc, HBRUSH background, HICON icon);

// ---- display scaling ----------------------------------------------------------------------

// The DPI calls of Windows 10 1607 (user32) and 8.1 (shcore), looked up once; null where the
// running Windows lacks them, and then the callers fall back to the system DPI's calls.
struct DpiApi {
  UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
  UINT(WINAPI* getDpiForSystem)() = nullptr;
  BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
  BOOL(WINAPI* systemParametersInfoForDpi)(UINT, UINT, void*, UINT, UINT) = nullptr;
  int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;
  HRESULT(WINAPI* getDpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;
  BOOL(WINAPI* setDialogDpiChangeBehavior)(HWND, int, int) = nullptr;  // Windows 10 1703
};
const DpiApi& Dpi();
// The DPI of a monitor (the system's where Windows cannot tell).
int MonitorDpi(HMONITOR m);
// The outer frame around an inner area of a window with this style at `dpi`, menu excluded.
SIZE FrameAt(DWORD style, DWORD exStyle, int dpi);
// A system metric at 96 dpi scaled to `dpi`.
int MetricAt(int index, int dpi);
// The program icon in the sizes for `dpi` on the window's caption and task bar button.
void SetWindowIcons(HWND h, int dpi);
// Creating a control: its rectangle in pixels of `dpi`.
RECT PlacedAt(const GadgetEntry& g, int dpi);
// After window `win` went from oldDpi to newDpi: every control gets its font, picture and
// rectangle at newDpi, list columns are scaled by newDpi / oldDpi.
void RescaleGadgets(int win, int oldDpi, int newDpi);
// Then this lays out the window's anchored controls (null until the program installs it).
LayoutHook InstalledLayoutHook();
// Posted to a window of the program by PostGadgetImage: wParam the control, lParam the
// picture.
inline constexpr UINT kMsgSetPicture = WM_APP + 1;

}  // namespace vardune::ui
