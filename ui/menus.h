// The menu bar of the main window (menu 0) and the popup menu of the result list (menu 11).
// Their items arrive as menu events with these numbers.
#pragma once

namespace vardune {

enum MenuNumber : int {
  kMenuMain = 0,
  kMenuPopup = 11,
};

enum MenuItemNumber : int {
  kItemStress = 1,        // "Stresstest"
  kItemQuit = 2,          // "Beenden"
  kItemLog = 3,           // "Logfenster"
  kItemInfo = 4,          // "Info"
  kItemSets = 5,          // "Backup Sets"
  kItemAppData = 6,       // "Explorer AppData"
  kItemExplorer = 7,      // "Explorer"
  kItemDelete = 8,        // "Lösch-Dialog"
  kItemTreemap = 9,       // "Treemap" (also F9 in the main window)
  kItemExport = 10,       // "Exportieren..."
  kItemImport = 11,       // "Importieren..."
  kItemPopupExplorer = 12,
  kItemPopupDelete = 13,
  // 14 and 15 are kept for items of the menu bar.
  kItemCompare = 16,       // "Vergleichen mit...", while a comparison is on "Vergleich beenden"
  kItemPopupRecycle = 17,  // "In den Papierkorb..."
};

// Builds the menu bar of window 1; a failure is reported by message and the program runs on
// without it. Returns whether it was built.
bool _MainMenu();
// Builds popup menu 11, likewise.
bool _PopupMenu();
// Opens popup menu 11 for a right click in the result list, at the outer top-left corner of
// window 1 plus the mouse position inside its client area.
void ShowResultPopup();
// Opens it for a row chosen with the keyboard (Shift+F10, the context-menu key): below the
// left edge of the row's label, as the system places a menu that no mouse asked for.
void ShowResultPopupAtRow(int row);

}  // namespace vardune
