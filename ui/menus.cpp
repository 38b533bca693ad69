// The menu bar of the main window and the popup menu of the result list (see menus.h).
#include "ui/menus.h"

#include "ui/platform/dialogs.h"
#include "ui/platform/platform.h"

namespace vardune {

bool _MainMenu() {
  if (!ui::CreateMenuBar(kMenuMain, 1)) {
    ui::_Msg(L"Fehler: Konnte Haupt-Menü nicht erzeugen!");
    return false;
  }
  ui::MenuTitle(L"Programm");
  ui::MenuItem(kItemInfo, L"Info");
  ui::MenuItem(kItemStress, L"Stresstest");
  ui::MenuItem(kItemLog, L"Logfenster");
  ui::MenuItem(kItemTreemap, L"Treemap");
  ui::MenuItem(kItemFiles, L"Größte Dateien");
  ui::MenuItem(kItemTypes, L"Dateitypen");
  ui::MenuItem(kItemCompare, L"Vergleichen mit...");
  ui::MenuItem(kItemExport, L"Exportieren...");
  ui::MenuItem(kItemImport, L"Importieren...");
  ui::MenuBar();
  ui::MenuItem(kItemQuit, L"Beenden");
  ui::MenuTitle(L"Bearbeiten");
  ui::MenuItem(kItemSets, L"Backup Sets");
  ui::MenuItem(kItemAppData, L"Explorer AppData");
  ui::MenuBar();
  ui::MenuItem(kItemExplorer, L"Explorer");
  ui::MenuItem(kItemDelete, L"Lösch-Dialog");
  // The bar was attached before its titles existed.
  if (HWND w = ui::WindowID(1)) DrawMenuBar(w);
  return true;
}

bool _PopupMenu() {
  if (!ui::CreatePopupMenuNumbered(kMenuPopup)) {
    ui::_Msg(L"Fehler: Konnte Popup-Menü nicht erzeugen!");
    return false;
  }
  ui::MenuItem(kItemPopupExplorer, L"Explorer");
  ui::MenuItem(kItemPopupDelete, L"Lösch-Dialog");
  ui::MenuItem(kItemPopupRecycle, L"In den Papierkorb...");
  return true;
}

void ShowResultPopup() {
  // At the pointer: the mouse inside the client area, taken back to the screen through the
  // client area's own origin (the window's outer corner would put the menu a caption and a
  // border above and left of the pointer).
  POINT m = ui::WindowMouse(1);
  if (HWND main = ui::WindowID(1)) ClientToScreen(main, &m);
  ui::DisplayPopupMenu(kMenuPopup, 1, m.x, m.y);
}

void ShowResultPopupAtRow(int row) {
  const RECT r = ui::GadgetItemRect(10, row);
  HWND list = ui::GadgetID(10);
  if (!list || r.bottom <= r.top) return;
  POINT p{r.left, r.bottom};
  ClientToScreen(list, &p);
  ui::DisplayPopupMenu(kMenuPopup, 1, p.x, p.y);
}

}  // namespace vardune
