// The treemap window (window 61): the directory the result list shows, drawn as tiles whose
// areas follow the sizes, nested down the stored tree and shaded as cushions, under a caption
// strip with the path and its size. It follows every _ShowDir; the main loop turns its clicks
// into the result list's own actions on the row that holds the tile. Closing it only hides it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vardune {

inline constexpr int kTreemapWindow = 61;
inline constexpr int kTreemapCanvas = 62;

// Builds window 61 hidden with its drawing area, registered with the layout manager; 0 when
// it cannot be opened.
HWND Window_FormTreemap();
// Menu item 9 "Treemap" and F9: builds the window when it is not there, places it beside the
// main window the first time, shows it with the current directory.
void _TreemapOpen();
// The close box: the window is hidden, and drawn again when it is shown.
void HideTreemap();

// The result list shows `path` (called by _ShowDir): the map follows it. While the window is
// hidden only the path is kept; the map is made when it is shown.
void TreemapShowDir(std::wstring_view path);
// The result list shows the error view: an empty map with the caption "ERROR".
void TreemapShowErrors();
// The row of the result list that holds the tile drawn at a point of control 62 (the row of
// its top-level tile), -1 when there is no tile or no such row.
int TreemapRowAt(int x, int y);
// Forgets the layout and the index of the records, so that the next drawing starts afresh.
void TreemapInvalidate();

// What the map shows, as the user sees it: the caption, and every tile with the path of its
// record (a directory's path ends with "\", a merged tile has the path of the directory it
// lies in), its rectangle in whole pixels inside control 62, and its level.
struct TreemapTileInfo {
  std::wstring path;
  RECT rect;
  int depth;
  bool leaf;
  uint32_t merged;
  int64_t size;
};
std::wstring TreemapCaption();
std::vector<TreemapTileInfo> TreemapTiles();
// The index in TreemapTiles() of the tile drawn at a point of control 62, -1 for none.
int TreemapTileAt(int x, int y);

}  // namespace vardune
