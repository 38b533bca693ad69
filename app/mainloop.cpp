// The main event loop: one event at a time, dispatched to the handler of its source (see
// app.h). Commands run to completion before the next event is taken.
#include "app/app.h"
#include "app/exchange.h"
#include "app/views.h"
#include "delete/dialog.h"
#include "os/process.h"
#include "scan/driver.h"
#include "sets/store.h"
#include "sets/window.h"
#include "ui/anchor.h"
#include "ui/infowindow.h"
#include "ui/logwindow.h"
#include "ui/mainwindow.h"
#include "ui/menus.h"
#include "view/changeswindow.h"
#include "view/explorer.h"
#include "view/recycle.h"
#include "view/resultlist.h"
#include "view/selection.h"
#include "view/treemap.h"

namespace vardune {

namespace {

// The keys of the main window. Each acts on the list's current row, read when the key
// arrives, as the menu items and the mouse do.
struct MainKey {
  int gadget;  // the control that must have the focus; 0: anywhere in the window
  int key;
  unsigned modifiers;
  void (*action)(int row);
};

void OpenCurrentRow(int row) {
  // As a double click on that row; without one there is nothing to open.
  if (row >= 0) _OpenRow(row, false);
}

void PopupAtCurrentRow(int row) {
  if (row >= 0) ShowResultPopupAtRow(row);
}

void SelectAllRows(int) {
  ui::SelectAllGadgetItems(kGadResults);
  _Selection();
}

constexpr MainKey kMainKeys[] = {
    {kGadResults, VK_RETURN, ui::ModNone, OpenCurrentRow},
    {kGadResults, VK_BACK, ui::ModNone, [](int) { _DirUp(); }},
    {0, VK_UP, ui::ModAlt, [](int) { _DirUp(); }},
    {0, VK_F5, ui::ModNone, [](int) { _RescanShown(); }},
    // The delete dialog, as "Lösch-Dialog": it never deletes by itself.
    {kGadResults, VK_DELETE, ui::ModNone, DelFiles},
    {kGadResults, 'C', ui::ModCtrl, [](int) { _CopySelection(); }},
    {kGadResults, 'A', ui::ModCtrl, SelectAllRows},
    {kGadResults, VK_F10, ui::ModShift, PopupAtCurrentRow},
    {kGadResults, VK_APPS, ui::ModNone, PopupAtCurrentRow},
    // Esc means "STOPP" while a scan runs; the scan's own pump takes it (the main loop is not
    // running then). Between scans it does nothing.
    {0, VK_ESCAPE, ui::ModNone, nullptr},
};

void OnKey(const ui::Event& e) {
  if (e.Window != kMainWindow) return;
  for (const MainKey& k : kMainKeys) {
    if (k.key != e.Key || k.modifiers != e.Modifiers) continue;
    if (k.gadget != 0 && k.gadget != e.Gadget) continue;
    if (k.action) k.action(ui::GetGadgetState(kGadResults));
    return;
  }
}

void OnMenu(int item, int row) {
  switch (item) {
    case kItemDelete:
    case kItemPopupDelete:
      DelFiles(row);
      break;
    case kItemAppData:
      os::ShellOpen(GDataDir);
      break;
    case kItemExplorer:
    case kItemPopupExplorer:
      _OpenRow(row, true);
      break;
    case kItemPopupRecycle:
      _RecycleSelection();
      break;
    case kItemStress:
      _StressScan();
      break;
    case kItemLog:
      ShowLogWindow();
      break;
    case kItemTreemap:
      _TreemapOpen();
      break;
    case kItemInfo:
      _Info();
      break;
    case kItemSets:
      _SetsOpen();
      break;
    case kItemExport:
      _Export();
      break;
    case kItemImport:
      _Import();
      break;
    case kItemCompare:
      _CompareMenu();
      break;
    case kItemQuit:
      GQuit = 1;
      break;
    default:
      break;
  }
}

void OnMainGadget(const ui::Event& e) {
  switch (e.Gadget) {
    case kGadErrs:
      _ErrsButton();
      break;
    case kGadPick:
      _PickPath();
      break;
    case kGadPath:
      _PathFieldEvent(e.Type);
      break;
    case kGadUp:
      _DirUp();
      break;
    case kGadScan:
      _Scan(GStartPath);
      break;
    case kGadResults: {
      const int row = ui::GetGadgetState(kGadResults);
      if (e.Type == ui::TypeLeftDoubleClick) {
        _OpenRow(row, false);
      } else if (e.Type == ui::TypeRightClick && row >= 0) {
        ShowResultPopup();
      } else {
        _Selection();
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace

void DispatchMainEvent(const ui::Event& e) {
  // The Backup Sets window's close request and controls 13-23.
  if (e.Kind != ui::EventSizeWindow && SetsWindowEvent(e)) return;
  // The treemap, the largest files, the types and their menu items.
  if (ViewsEvent(e)) return;
  if (e.Kind != ui::EventSizeWindow && ChangesEvent(e.Kind, e.Window, e.Gadget, e.Type)) return;
  switch (e.Kind) {
    case ui::EventSizeWindow:
      _AnchorApply(e.Window);
      break;
    case ui::EventCloseWindow:
      if (e.Window == kMainWindow) GQuit = 1;
      else if (e.Window == kLogWindow) HideLogWindow();
      break;
    case ui::EventMenu:
      OnMenu(e.Menu, ui::GetGadgetState(kGadResults));
      break;
    case ui::EventGadget:
      if (e.Window == kMainWindow) OnMainGadget(e);
      break;
    case ui::EventXButtonUp:
      _DirUp();
      break;
    case ui::EventKey:
      OnKey(e);
      break;
    default:
      break;
  }
  // The window of the changes follows what the command left behind.
  ChangesWork();
}

void InstallMainKeys() {
  for (const MainKey& k : kMainKeys) ui::AddGadgetKey(kMainWindow, k.gadget, k.key, k.modifiers);
}

void MainLoop() {
  while (!GQuit) DispatchMainEvent(ui::WaitWindowEvent());
}

}  // namespace vardune
