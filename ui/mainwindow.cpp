// The main window, its message hook, the folder picker and the scanner's view of the window
// (see mainwindow.h).
#include "ui/mainwindow.h"

#include <commctrl.h>

#include <atomic>
#include <string>
#include <string_view>

#include "scan/driver.h"
#include "scan/model.h"
#include "scan/scanui.h"
#include "ui/anchor.h"
#include "ui/images.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/platform.h"

namespace vardune {

void (*GOnColumnClick)(int column) = nullptr;

namespace {

using ui::Scale;

// Compared with the sender of every WM_NOTIFY that reaches window 1.
HWND gResultList = nullptr;
// The scan button, for the blink thread: it must not touch the table of controls, which
// belongs to the user-interface thread.
std::atomic<HWND> gScanButton{nullptr};

// Design rectangles of controls 2 to 10 inside the client area (before scaling).
struct DesignRect {
  int x, y, w, h;
};
constexpr DesignRect kDesign[] = {
    {0, 0, 0, 0},       {0, 0, 0, 0},        {5, 5, 20, 20},     {30, 5, 465, 20},
    {140, 30, 355, 35}, {140, 65, 355, 20},  {5, 30, 40, 40},    {50, 30, 40, 40},
    {95, 30, 40, 20},   {95, 52, 40, 20},    {5, 90, 490, 220},
};

DesignRect Scaled(int n) {
  const DesignRect& d = kDesign[n];
  return DesignRect{Scale(d.x), Scale(d.y), Scale(d.w), Scale(d.h)};
}

// Registers a control just created with its creation rectangle; false when it was not
// created.
bool Placed(HWND control, int n, std::wstring_view letters) {
  if (!control) return false;
  const DesignRect r = Scaled(n);
  _Anchor(letters, kMainWindow, n, r.x, r.y, r.w, r.h);
  return true;
}

bool BuildControls() {
  using namespace ui;
  constexpr int win = kMainWindow;
  DesignRect r = Scaled(kGadPick);
  if (!Placed(ButtonGadget(win, kGadPick, r.x, r.y, r.w, r.h, L"..."), kGadPick, L"")) {
    return false;
  }
  r = Scaled(kGadPath);
  if (!Placed(StringGadget(win, kGadPath, r.x, r.y, r.w, r.h, L""), kGadPath, L"R")) {
    return false;
  }
  r = Scaled(kGadSummary);
  if (!Placed(StringGadget(win, kGadSummary, r.x, r.y, r.w, r.h, L"", GadMultiLine | GadReadOnly),
              kGadSummary, L"R")) {
    return false;
  }
  r = Scaled(kGadStatus);
  if (!Placed(StringGadget(win, kGadStatus, r.x, r.y, r.w, r.h, L"", GadReadOnly), kGadStatus,
              L"R")) {
    return false;
  }
  r = Scaled(kGadUp);
  if (!Placed(ButtonImageGadget(win, kGadUp, r.x, r.y, r.w, r.h, GImage(1)), kGadUp, L"")) {
    return false;
  }
  r = Scaled(kGadScan);
  if (!Placed(ButtonImageGadget(win, kGadScan, r.x, r.y, r.w, r.h, GImage(2)), kGadScan, L"")) {
    return false;
  }
  r = Scaled(kGadStop);
  if (!Placed(ButtonGadget(win, kGadStop, r.x, r.y, r.w, r.h, L"STOPP", GadToggle), kGadStop,
              L"")) {
    return false;
  }
  GadgetToolTip(kGadStop, L"Scan abbrechen");
  r = Scaled(kGadErrs);
  if (!Placed(ButtonGadget(win, kGadErrs, r.x, r.y, r.w, r.h, L"ERRS", GadToggle), kGadErrs,
              L"")) {
    return false;
  }
  GadgetToolTip(kGadErrs, L"Fehlerverz anzeigen (oder nicht)");
  // Owner data: the result list keeps the rows and the control asks only for those it shows.
  r = Scaled(kGadResults);
  if (!Placed(ListIconGadget(win, kGadResults, r.x, r.y, r.w, r.h, L"Bup", Scale(25),
                             GadVirtual | GadGridLines | GadFullRow | GadMultiSelect |
                                 GadAlwaysShowSel),
              kGadResults, L"RU")) {
    return false;
  }
  AddGadgetColumn(kGadResults, 1, L"KBytes", Scale(80));
  AddGadgetColumn(kGadResults, 2, L"Name", Scale(240));
  AddGadgetColumn(kGadResults, 3, L"Dateien", Scale(60));
  AddGadgetColumn(kGadResults, 4, L"Verz", Scale(60));
  return true;
}

// ---- the scanner's view of the window ----------------------------------------------------

void SetSummaryText(std::wstring_view text) { ui::SetGadgetText(kGadSummary, text); }
std::wstring GetSummaryText() { return ui::GetGadgetText(kGadSummary); }
void SetStatusText(std::wstring_view text) { ui::SetGadgetText(kGadStatus, text); }

// A pressed "STOPP" is a cancel request: it is taken (released) and reported once.
bool TakeStop() {
  if (ui::GetGadgetState(kGadStop) != 1) return false;
  ui::SetGadgetState(kGadStop, 0);
  return true;
}

// Esc in the main window presses "STOPP" while it can be pressed: the cancel request of a scan
// or an import.
void PressStopOnEscape(const ui::Event& e) {
  if (e.Kind != ui::EventKey || e.Window != kMainWindow || e.Key != VK_ESCAPE ||
      e.Modifiers != ui::ModNone || ui::IsGadgetDisabled(kGadStop)) {
    return;
  }
  ui::SetGadgetState(kGadStop, 1);
}

// During a scan no command runs: every pending event is taken and dropped, except that a
// resized window is laid out again and Esc presses "STOPP", so that painting, resizing and
// "STOPP" keep working.
bool PumpScanEvents(bool takeStop) {
  bool stop = false;
  for (;;) {
    const ui::Event e = ui::WindowEvent();
    if (e.Kind == ui::EventNone) break;
    if (e.Kind == ui::EventSizeWindow) _AnchorApply(e.Window);
    PressStopOnEscape(e);
    if (takeStop && TakeStop()) stop = true;
  }
  if (takeStop && TakeStop()) stop = true;
  return stop;
}

void EnableStop(bool enable) { ui::DisableGadget(kGadStop, !enable); }
void ReleaseStop() { ui::SetGadgetState(kGadStop, 0); }

// Runs on the blink thread: posted, so that it never waits for the user-interface thread,
// which sets the picture in its size for the window's DPI.
void SetScanImage(int image) {
  HWND b = gScanButton.load();
  HBITMAP bmp = GImage(image);
  if (b && bmp) ui::PostGadgetImage(b, bmp);
}

}  // namespace

HWND Window_FormMain() {
  HWND w = ui::OpenWindow(kMainWindow, Scale(100), Scale(100), Scale(500), Scale(334),
                          L"Vardune", ui::WinNormal | ui::WinScreenCentered);
  if (!w) return nullptr;
  _AnchorAdd(kMainWindow, kAnchorKeep, Scale(100), Scale(100), Scale(500), Scale(334));
  ui::SetWindowMinSize(kMainWindow, Scale(400), Scale(300));
  if (!BuildControls()) {
    // A main window without its controls would be a program that cannot be used.
    ui::CloseWindow(kMainWindow);
    gResultList = nullptr;
    gScanButton = nullptr;
    return nullptr;
  }
  RememberResultListHandle();
  gScanButton = ui::GadgetID(kGadScan);
  return w;
}

void RememberResultListHandle() { gResultList = ui::GadgetID(kGadResults); }

HWND ResultListHandle() { return gResultList; }

LRESULT _WinCallback(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
  if (msg != WM_NOTIFY || lParam == 0) return 0;
  const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
  if (hdr->code != LVN_COLUMNCLICK || !gResultList || hdr->hwndFrom != gResultList) return 0;
  if (hwnd != ui::WindowID(kMainWindow)) return 0;
  if (GOnColumnClick) GOnColumnClick(reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem);
  return 0;
}

void InstallMainWindowHook() { ui::SetWindowCallback(_WinCallback); }

void _PickPath() {
  // The picker selects a folder by its path; "C:\" stays whole, "C:\Daten\" loses its "\".
  std::wstring initial = GStartPath;
  if (initial.size() > 3 && initial.back() == L'\\') initial.pop_back();
  const std::wstring chosen = ui::PathRequester(L"Select GStartPath", initial);
  if (!chosen.empty()) GStartPath = _AddBackslash(NormalizeEnteredPath(chosen));
  ui::SetGadgetText(kGadPath, GStartPath);
}

void InstallMainWindowScanUi() {
  GScanUi.SetPathText = SetSummaryText;
  GScanUi.GetPathText = GetSummaryText;
  GScanUi.SetCounterText = SetStatusText;
  GScanUi.PumpEvents = [] { return PumpScanEvents(true); };
  GScanUi.PumpEventsKeepStop = [] { PumpScanEvents(false); };
  GScanUi.EnableStop = EnableStop;
  GScanUi.ReleaseStop = ReleaseStop;
  GScanUi.SetScanImage = SetScanImage;
}

}  // namespace vardune
