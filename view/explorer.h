// Opening directories in the system file manager, and the selection status of the result
// list.
#pragma once
#include <string>
#include <string_view>

namespace vardune {

// The Windows directory with a trailing backslash.
std::wstring _WinDir();
// Starts the file manager showing the directory; returns at once, failures are silent.
void _Explorer(std::wstring_view dir);
// Starts the file manager in the directory of a file with the file selected
// (explorer.exe /select,"file"); returns at once, failures are silent.
void _ExplorerSelect(std::wstring_view file);
// Sums the selected rows of the result list into control 5.
void _Selection();

}  // namespace vardune
