// The selected rows of the result list as what they stand for on disk, and the clipboard
// text made of them (Ctrl+C).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vardune {

// One selected row: a directory (its full path with the trailing backslash), or the row
// "<DATEIEN>", which stands for the files lying directly in `path`.
struct RowEntry {
  std::wstring path;
  bool looseFiles = false;
};
// The selected rows of the list, top first, against the directory the list shows (full
// paths in the error view).
std::vector<RowEntry> SelectedEntries();

// The files lying directly in a directory, listed now: full paths and sizes, in listing
// order; subdirectories and links to directories are not among them.
struct LooseFile {
  std::wstring path;
  int64_t size = 0;
};
std::vector<LooseFile> LooseFilesOf(const std::wstring& dir);

// The full paths of the selected rows, one a line (CR LF between): a directory with its
// trailing backslash, "<DATEIEN>" as the paths of the loose files it stands for. "" when no row
// is selected.
std::wstring SelectionClipboardText();
// Puts that text on the clipboard; nothing happens without a selection.
void _CopySelection();

}  // namespace vardune
