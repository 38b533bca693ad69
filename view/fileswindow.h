// The window of the largest files (window 63, "Vardune Dateien"): the 1,000 largest files
// below the directory the result list shows, at all levels, in list 64 with their sizes,
// names, directories and dates. It follows the list (view/follow.h); its rows act on the
// files (the file manager, their paths, the recycle bin) through the main loop. Closing it
// only hides it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "scan/fileremoval.h"

namespace vardune {

inline constexpr int kFilesWindow = 63;
inline constexpr int kFilesList = 64;

// Builds window 63 hidden with its list, registered with the layout manager; 0 when it
// cannot be opened.
HWND Window_FormFiles();
// Menu item "Größte Dateien" and F8: builds the window when it is not there, places it beside
// the main window the first time, shows it.
void _FilesOpen();
void HideFiles();
// The window follows the result list.
void ConnectFilesWindow();

// A file of a row.
struct ListedFile {
  FileAt at;
  std::wstring path;
  int64_t size = 0;
};
// The selected rows and the current row (-1 none) as files; nothing when the rows are not of
// the results of now.
std::vector<ListedFile> FilesSelected();
bool FilesCurrent(ListedFile& file);
// Selects the row of the file alone and scrolls it into view; false when the list has none.
bool FilesSelect(const FileAt& file);
// The rows' files, top first (for tests and the treemap's clicks).
std::vector<ListedFile> FilesListed();

}  // namespace vardune
