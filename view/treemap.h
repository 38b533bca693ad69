// The treemap window (window 61): the directory the result list shows, drawn as tiles whose
// areas follow the sizes, nested down the stored tree to the files, shaded as cushions and
// coloured by file type (or by top-level directory), under a caption strip with the path and
// its size. It follows the list (view/follow.h); the main loop turns its clicks into the
// result list's own actions on the row that holds the tile. Closing it only hides it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/fileremoval.h"

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

// The map follows the result list: it shows the directory the list shows (an empty map with
// the caption "ERROR" for the error view). While the window is hidden only that is kept; the
// map is made when it is shown.
void ConnectTreemap();
// The row of the result list that holds the tile drawn at a point of control 62 (the row of
// its top-level tile), -1 when there is no tile or no such row.
int TreemapRowAt(int x, int y);
// The file whose tile is drawn at a point of control 62, with its full path; false where no
// file is.
bool TreemapFileAt(int x, int y, FileAt& file, std::wstring& path);
// Forgets the layout and the index of the records, so that the next drawing starts afresh.
void TreemapInvalidate();

// The colouring, kept for the session: by file type (from the start), by top-level tile, or,
// while a comparison with an earlier export is on, by how each tile changed since (grown,
// shrunk, new, the same); when the comparison ends the map goes back to the types.
enum class TreemapColours { ByType, ByDir, ByChange };
void SetTreemapColours(TreemapColours colours);
TreemapColours TreemapColouring();
// The comparison began, was made anew or ended: the colours by change follow it.
void TreemapComparisonChanged();
// Only the files of these types (as FileTypeOf gives them) in colour, all else grey; none:
// every type in its colour.
void TreemapHighlightTypes(const std::vector<std::wstring>& types);

// What the map shows, as the user sees it: the caption, and every tile with the path of its
// record (a directory's path ends with "\", a merged tile has the path of the directory it
// lies in), its rectangle in whole pixels inside control 62, and its level.
// A file's tile has the file's full path and `file` set; `colour` is the colour the tile is
// drawn in before its shading (0x00RRGGBB). Each asks for the map's pending work first.
struct TreemapTileInfo {
  std::wstring path;
  RECT rect;
  int depth;
  bool leaf;
  uint32_t merged;
  int64_t size;
  bool file = false;
  uint32_t colour = 0;
};
std::wstring TreemapCaption();
std::vector<TreemapTileInfo> TreemapTiles();
// The index in TreemapTiles() of the tile drawn at a point of control 62, -1 for none.
int TreemapTileAt(int x, int y);

}  // namespace vardune
