// The Backup Sets window: its controls, its place beside the main window, and the dispatch
// of its events.
#include "sets/window.h"

#include <commctrl.h>

#include "sets/drag.h"
#include "sets/ops.h"
#include "ui/anchor.h"
#include "ui/platform/dialogs.h"

namespace vardune {

namespace {

constexpr int kMainWin = 1;

using ui::Scale;

void RightAlign(int list, int column) {
  HWND h = ui::GadgetID(list);
  if (!h) return;
  LVCOLUMNW c{};
  c.mask = LVCF_FMT;
  c.fmt = LVCFMT_RIGHT;
  SendMessageW(h, LVM_SETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c));
}

// The drag area has no picture and lies over the caption of its group box: it paints
// nothing, so that "Drag..." stays readable and the frame shows through.
LRESULT CALLBACK ClearAreaProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(h, &ps);
      EndPaint(h, &ps);
      return 0;
    }
    default:
      return DefSubclassProc(h, msg, wp, lp);
  }
}

}  // namespace

HWND _SetsWindow() {
  HWND w = ui::OpenWindow(kSetsWin, Scale(100), Scale(100), Scale(400), Scale(320),
                          L"Backup Sets", ui::WinSystemMenu | ui::WinInvisible,
                          ui::IsWindowOpen(kMainWin) ? kMainWin : 0);
  if (!w) return nullptr;
  // No size border and no anchored control: nothing ever moves, but the window is known.
  _AnchorAdd(kSetsWin, kAnchorKeep, Scale(100), Scale(100), Scale(400), Scale(320));
  bool ok = true;
  ok &= ui::TextGadget(kSetsWin, kSetsLabel, Scale(10), Scale(15), Scale(25), Scale(15),
                       L"Set:") != nullptr;
  ok &= ui::ComboBoxGadget(kSetsWin, kSetsSelector, Scale(35), Scale(10), Scale(195),
                           Scale(20)) != nullptr;
  ok &= ui::ButtonGadget(kSetsWin, kSetsDelete, Scale(240), Scale(10), Scale(55), Scale(20),
                         L"Löschen") != nullptr;
  ok &= ui::ButtonGadget(kSetsWin, kSetsNew, Scale(300), Scale(10), Scale(45), Scale(20),
                         L"Neu") != nullptr;
  ok &= ui::ButtonGadget(kSetsWin, kSetsRename, Scale(350), Scale(10), Scale(45), Scale(20),
                         L"Umbn.") != nullptr;
  ok &= ui::StringGadget(kSetsWin, kSetsStatus, Scale(10), Scale(35), Scale(385), Scale(20),
                         kSetsHint, ui::GadReadOnly) != nullptr;
  ok &= ui::ListIconGadget(kSetsWin, kSetsPaths, Scale(10), Scale(60), Scale(310), Scale(250),
                           L"Pfad", Scale(220),
                           ui::GadMultiSelect | ui::GadAlwaysShowSel | ui::GadFullRow |
                               ui::GadDoubleBuffer) != nullptr;
  ui::AddGadgetColumn(kSetsPaths, 1, L"KBytes", Scale(60));
  ok &= ui::FrameGadget(kSetsWin, kSetsDragBox, Scale(325), Scale(65), Scale(70), Scale(70),
                        L"Drag...") != nullptr;
  ok &= ui::ImageGadget(kSetsWin, kSetsDragArea, Scale(330), Scale(70), Scale(60), Scale(60),
                        nullptr) != nullptr;
  ok &= ui::TextGadget(kSetsWin, kSetsPathsLabel, Scale(325), Scale(180), Scale(60), Scale(15),
                       L"Pfad(e):") != nullptr;
  ok &= ui::ButtonGadget(kSetsWin, kSetsAdd, Scale(325), Scale(200), Scale(70), Scale(20),
                         L"Hinzu") != nullptr;
  ok &= ui::ButtonGadget(kSetsWin, kSetsRemove, Scale(325), Scale(225), Scale(70), Scale(20),
                         L"Löschen") != nullptr;
  if (!ok) {
    ui::CloseWindow(kSetsWin);
    return nullptr;
  }
  SetWindowSubclass(ui::GadgetID(kSetsDragArea), ClearAreaProc, 2, 0);
  return w;
}

void _SetsOpen() {
  if (!_SetsWindow()) {
    ui::_Msg(L"Err - Konnte <Backup Sets Bearbeitung> Fenster nicht öffnen");
    return;
  }
  RightAlign(kSetsPaths, 1);
  // To the left of the main window; where there is no room, to its right. The gap and the
  // margin are lengths of the main window's layout, in its scale.
  const int mainX = ui::WindowX(kMainWin);
  const int gap = ui::DesignToWindow(kMainWin, 15);
  int x = mainX - ui::WindowInnerWidth(kSetsWin) - gap;
  if (x < ui::DesignToWindow(kMainWin, 50)) x = mainX + ui::WindowInnerWidth(kMainWin) + gap;
  ui::ResizeWindow(kSetsWin, x, ui::WindowY(kMainWin), ui::kKeep, ui::kKeep);
  ui::HideWindow(kSetsWin, false);
  ui::ActivateWindow(kSetsWin);
  CollectSetNames();
  _SetsRefresh(L"");
}

bool SetsWindowEvent(const ui::Event& e) {
  if (e.Kind == ui::EventCloseWindow) {
    if (e.Window != kSetsWin) return false;
    ui::CloseWindow(kSetsWin);
    return true;
  }
  if (e.Kind != ui::EventGadget || e.Gadget < kSetsSelector || e.Gadget > kSetsRemove) {
    return false;
  }
  switch (e.Gadget) {
    case kSetsSelector:
      _SetsRefresh(ui::GetGadgetText(kSetsSelector));
      break;
    case kSetsDelete:
      _SetDelete(ui::GetGadgetText(kSetsSelector));
      break;
    case kSetsNew:
      _SetNameInput(L"");
      break;
    case kSetsRename:
      _SetNameInput(ui::GetGadgetText(kSetsSelector));
      break;
    case kSetsDragArea:
      if (e.Type == ui::TypeDragStart) _SetsDrag();
      break;
    case kSetsAdd:
      _SetsAddSelected();
      break;
    case kSetsRemove:
      _SetsRemoveSelected();
      break;
    default:
      break;
  }
  return true;
}

}  // namespace vardune
