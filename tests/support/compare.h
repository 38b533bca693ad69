// The window of the changes as the tests see it: its rows as the list shows them, in the order
// of its columns ("Änderung KB", "Jetzt KB", "Vorher KB", "Name", "Verzeichnis"), and clicks on
// them given as the mouse gives them.
#pragma once
#include <windows.h>

#include <array>
#include <string>
#include <vector>

namespace vardune::test {

using ChangeCells = std::array<std::wstring, 5>;
// Every row of list 68 read back from the control, top first.
std::vector<ChangeCells> ChangeListRows();
// The cells "Verzeichnis" + "Name" of every row, below `root` (the part of the directory after
// it), for comparing whole orders at once.
std::vector<std::wstring> ChangeListPaths(const std::wstring& root);
// The row whose "Verzeichnis" + "Name" is that path, -1 for none.
int ChangeListRowOf(const std::wstring& path);
// A real double click on a row of list 68, and a click on the title of one of its columns
// (0 "Änderung KB" ... 4 "Verzeichnis").
void DoubleClickChangeRow(int row);
void ClickChangeHeader(int column);

}  // namespace vardune::test
