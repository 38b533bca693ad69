// The main event loop: one event at a time, dispatched to the handler of its source (see
// app.h). Commands run to completion before the next event is taken.
#include "app/app.h"
#include "app/exchange.h"
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
#include "view/explorer.h"
#include "view/resultlist.h"
#include "view/treemap.h"

namespace vardune {

namespace {

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

// A click on a tile acts on the row of the result list that holds it, as a click on that row
// would: it is selected (and scrolled into view); a double click opens it, a right click
// offers the popup menu with it current.
void OnTreemap(const ui::Event& e) {
  const int row = TreemapRowAt(e.X, e.Y);
  if (row < 0) return;
  ui::SetGadgetState(kGadResults, row);
  if (e.Type == ui::TypeLeftDoubleClick) {
    _OpenRow(row, false);
  } else if (e.Type == ui::TypeRightClick) {
    ShowResultPopup();
  }
}

}  // namespace

void DispatchMainEvent(const ui::Event& e) {
  // The Backup Sets window's close request and controls 13-23.
  if (e.Kind != ui::EventSizeWindow && SetsWindowEvent(e)) return;
  switch (e.Kind) {
    case ui::EventSizeWindow:
      _AnchorApply(e.Window);
      break;
    case ui::EventCloseWindow:
      if (e.Window == kMainWindow) GQuit = 1;
      else if (e.Window == kLogWindow) HideLogWindow();
      else if (e.Window == kTreemapWindow) HideTreemap();
      break;
    case ui::EventMenu:
      OnMenu(e.Menu, ui::GetGadgetState(kGadResults));
      break;
    case ui::EventGadget:
      if (e.Window == kMainWindow) OnMainGadget(e);
      else if (e.Window == kTreemapWindow && e.Gadget == kTreemapCanvas) OnTreemap(e);
      break;
    case ui::EventXButtonUp:
      _DirUp();
      break;
    default:
      break;
  }
}

void MainLoop() {
  while (!GQuit) DispatchMainEvent(ui::WaitWindowEvent());
}

}  // namespace vardune
