// The menu bar of the main window (menu 0) and the popup menu of the result list (menu 11).
// Their items arrive as menu events with these numbers.
#pragma once

namespace vardune {

enum MenuNumber : int {
  kMenuMain = 0,
  kMenuPopup = 11,
  kMenuFilesPopup = 12,    // the rows of the largest files
  kMenuTreemapPopup = 13,  // the treemap where no tile is
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
  kItemFiles = 14,            // "Größte Dateien" (also F8)
  kItemTypes = 15,            // "Dateitypen" (also F7)
  kItemCompare = 16,       // "Vergleichen mit...", while a comparison is on "Vergleich beenden"
  kItemPopupRecycle = 17,  // "In den Papierkorb..."
  kItemFilesExplorer = 18,    // popup of the largest files: "Explorer"
  kItemFilesCopyPath = 19,    // "Pfad kopieren"
  kItemFilesRecycle = 20,     // "In den Papierkorb..."
  kItemColoursByType = 21,    // popup of the treemap: "Farben nach Dateityp"
  kItemColoursByDir = 22,     // "Farben nach Verzeichnis"
  kItemColoursByChange = 23,  // "Farben nach Änderung" (while a comparison is on)
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
