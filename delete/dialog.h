// The delete dialog (window 33) with its explorer-style file list, and the progress window
// (window 39) that the two delete buttons open around the engine.
#pragma once
#include <windows.h>

namespace vardune {

// Opens the dialog on the directory of row `row` of the main window's result list (the
// current directory for -1 and for the row of its files) and runs it until it is closed, with
// the main window disabled meanwhile.
void DelFiles(int row);

// Window 33, "Dateien löschen - OHNE NACHFRAGE!!! - OHNE PAPIERKORB!!!", controls 34-38;
// 0 when it cannot be opened.
HWND Window_FormDelFiles();
// Window 39, "Lösche Dateien - Vardune", controls 40-44; 0 when it cannot be opened.
HWND Window_FormDelProgress();

// "!! ALLES KILLEN!!": empties the directory shown in the file list (it stays itself).
void _DelAll();
// "Ausgewählte Löschen": deletes the entries selected when the button was pressed.
void _DelSelected();

}  // namespace vardune
