// The window of the file types (window 65, "Vardune Dateitypen"): the types of the files
// below the directory the result list shows, one row per extension in list 66 with its bytes,
// its share and its number of files, each with a square of the colour the treemap gives it.
// It follows the list (view/follow.h); the types chosen in it are the ones the treemap shows
// in colour. Closing it only hides it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vardune {

inline constexpr int kTypesWindow = 65;
inline constexpr int kTypesList = 66;

// Builds window 65 hidden with its list, registered with the layout manager; 0 when it
// cannot be opened.
HWND Window_FormTypes();
// Menu item "Dateitypen" and F7: builds the window when it is not there, places it beside
// the main window the first time, shows it.
void _TypesOpen();
void HideTypes();
// The window follows the result list.
void ConnectTypesWindow();
// The squares in the size for the window's DPI (after a DPI change).
void TypesDpiChanged();

// The types the user chose by selecting their rows (as FileTypeOf gives them). The choice
// stays while the list shows other directories, whose rows of those types are selected again,
// until the user changes the selection (clears it: none).
std::vector<std::wstring> TypesChosen();

}  // namespace vardune
