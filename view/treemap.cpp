// The treemap window (see treemap.h): the records below the shown directory and their files,
// laid out and shaded into a kept bitmap that every paint copies; the layout is made again
// only when the size of the drawing area, the records or what the list shows change, the
// shading alone when the colours do.
#include "view/treemap.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "os/text.h"
#include "scan/compare.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "ui/anchor.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/platform.h"
#include "view/besidemain.h"
#include "view/changeswindow.h"
#include "view/datetext.h"
#include "view/filestats.h"
#include "view/follow.h"
#include "view/resultlist.h"
#include "view/treemap_layout.h"

namespace vardune {

namespace {

constexpr int kMainWin = 1;
// The window's size as designed (its height that of the main window, so that the two line up
// side by side) and the narrowest it is made to fit beside the main window, in design units
// (pixels at 96 dpi); the window shows them at its DPI.
constexpr int kDesignW = 480, kDesignH = 334;
constexpr int kNarrowest = 250;
// Around the caption: above and below the line together, and left and right of the text.
constexpr int kStripPadding = 6, kCaptionInset = 4;
// The files of types not chosen in the types window, while some are.
constexpr uint32_t kDimmed = 0xDCDCDC;

struct Map {
  // What the list shows, as last told; nothing while the results are being changed.
  ListShows shows;
  bool dropped = false;
  // The index holds for these records and this directory: Pfade.Changes() when it was built,
  // and whether the files are tagged with their types.
  bool indexed = false;
  uint64_t changes = 0;
  ListShows indexedShows;
  bool tagged = false;
  TreemapIndex index;
  std::wstring caption;
  std::vector<TmTile> tiles;
  std::vector<uint32_t> colours;
  // The kept picture: caption strip and map, as big as the drawing area was when drawn, at
  // the DPI the window had then (the strip's font and height); shaded in the colours of now
  // unless `shaded` says otherwise.
  bool drawn = false;
  bool shaded = false;
  int w = 0, h = 0;
  int dpi = 0;
  HBITMAP bitmap = nullptr;
  uint32_t* bits = nullptr;
  std::vector<int32_t> hit;  // per pixel of the map (below the strip): the tile drawn there
  int strip = 0;
  bool placed = false;
  // The tooltip last made, for the mouse moving over one tile.
  int tipTile = -1;
  std::wstring tipText;
};

Map gMap;
// The map of the directory shown before, as it was drawn, while it holds for the records: a
// move back to it (up after a move down, or down again) shows it without a new index and
// layout, only shaded anew. One map: the index, the tiles and the picture of one directory.
Map gBefore;
TreemapColours gColours = TreemapColours::ByType;
std::vector<std::wstring> gHighlight;

uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// One line of the message font at `dpi` with its padding.
int StripHeight(int dpi) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, ui::GuiFont(dpi));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return tm.tmHeight + ui::ScaleToDpi(kStripPadding, dpi);
}

void ReleaseMap(Map& m) {
  if (m.bitmap) DeleteObject(m.bitmap);
  const bool placed = m.placed;
  m = Map{};
  m.placed = placed;
}

// A map made ready for another directory, its buffers (picture, tiles, index) kept with their
// capacity.
void Recycle(Map& m) {
  m.shows = ListShows{};
  m.dropped = false;
  m.indexed = false;
  m.changes = 0;
  m.indexedShows = ListShows{};
  m.tagged = false;
  m.index.Clear();
  m.caption.clear();
  m.tiles.clear();
  m.colours.clear();
  m.drawn = false;
  m.shaded = false;
  m.tipTile = -1;
  m.tipText.clear();
}

void FreeBitmap() {
  if (gMap.bitmap) DeleteObject(gMap.bitmap);
  gMap.bitmap = nullptr;
  gMap.bits = nullptr;
  gMap.w = gMap.h = 0;
  gMap.hit.clear();
  gMap.drawn = false;
  gMap.tipTile = -1;
}

// The records still are those the index was built on, for what the list shows now.
bool RecordsHold() {
  return !gMap.dropped && gMap.indexed && gMap.changes == Pfade.Changes() &&
         gMap.indexedShows == gMap.shows;
}

bool NeedsTypes() { return gColours == TreemapColours::ByType || !gHighlight.empty(); }

// The index and caption of what the list shows; false while it cannot be made yet (during a
// scan, or before the ranking of the types it needs).
bool Index() {
  if (gMap.dropped || gMap.shows.kind == ListShows::Nothing) return false;
  if (RecordsHold() && (gMap.tagged || !NeedsTypes())) return true;
  if (GScanning.load()) return false;
  const TypeRanking* ranks = nullptr;
  if (gMap.shows.kind == ListShows::Dir) {
    ranks = SharedTypeRanking();
    if (!ranks && NeedsTypes()) return false;
  }
  gMap.index.Clear();
  if (gMap.shows.kind == ListShows::Errors) {
    gMap.caption = L"ERROR";
  } else {
    gMap.index.Build(Pfade, gMap.shows.path, ranks);
    gMap.caption = gMap.shows.path + L"   " + GroupThousands(gMap.index.Bytes() / 1024 / 1024) + L" MB";
  }
  gMap.indexed = true;
  gMap.tagged = ranks != nullptr;
  gMap.changes = Pfade.Changes();
  gMap.indexedShows = gMap.shows;
  gMap.tiles.clear();
  gMap.drawn = false;
  return true;
}

// The colour of every tile by how it changed since the export compared with: a record by its
// size then and now, a file by its mark; grey where the comparison knows nothing (outside the
// compared tree, small items taken together, or while it is being made anew).
std::vector<uint32_t> ColoursByChange(const std::vector<TmTile>& tiles) {
  std::vector<uint32_t> colours(tiles.size(), kTreemapGrey);
  const Comparison& cmp = CurrentComparison();
  if (!ComparisonOn() || cmp.Changes != Pfade.Changes() || cmp.Before.size() != Pfade.size()) {
    return colours;
  }
  const std::vector<uint32_t> offsets = MarkOffsets(Pfade);
  for (size_t k = 0; k < tiles.size(); ++k) {
    const TmTile& t = tiles[k];
    if (t.id == kTmMerged || t.id >= Pfade.size()) continue;
    if (t.file) {
      const uint32_t ord = offsets[t.id] + (t.file - 1);
      if (ord >= cmp.Marks.size()) continue;
      switch (cmp.Marks[ord]) {
        case kFileSame:
          colours[k] = ChangeColour(t.size, t.size, kTreemapGrey);
          break;
        case kFileNew:
          colours[k] = ChangeColour(t.size, kBeforeAbsent, kTreemapGrey);
          break;
        case kFileGrown:
        case kFileShrunk:
          colours[k] = ChangeColour(t.size, cmp.ResizedBefore(ord), kTreemapGrey);
          break;
        default:
          break;
      }
    } else {
      colours[k] = ChangeColour(Pfade[t.id].Size, cmp.Before[t.id], kTreemapGrey);
    }
  }
  return colours;
}

// The colour of every tile: by the type of its files or by its top-level tile; the files of
// types not chosen in the types window dimmed.
void Colour() {
  const std::vector<TmTile>& tiles = gMap.tiles;
  if (gColours == TreemapColours::ByChange) {
    gMap.colours = ColoursByChange(tiles);
  } else if (gColours == TreemapColours::ByType) {
    gMap.colours.assign(tiles.size(), kTreemapGrey);
    for (size_t k = 0; k < tiles.size(); ++k) {
      gMap.colours[k] = TypeColour(tiles[k].tag, kTreemapPalette, std::size(kTreemapPalette),
                                   kTreemapGrey);
    }
  } else {
    gMap.colours = ColoursByTopTile(tiles, kTreemapPalette, std::size(kTreemapPalette), kTreemapGrey);
  }
  const TypeRanking* ranks = gMap.tagged ? SharedTypeRanking() : nullptr;
  if (!gHighlight.empty() && ranks) {
    std::vector<uint32_t> chosen;
    for (const std::wstring& t : gHighlight) chosen.push_back(ranks->RankOf(t));
    for (size_t k = 0; k < tiles.size(); ++k) {
      if (std::find(chosen.begin(), chosen.end(), tiles[k].tag) == chosen.end()) {
        gMap.colours[k] = kDimmed;
      }
    }
  }
}

void DrawCaption(HDC dc) {
  RECT strip{0, 0, gMap.w, gMap.strip};
  FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old = SelectObject(dc, ui::GuiFont(gMap.dpi));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  const int inset = ui::ScaleToDpi(kCaptionInset, gMap.dpi);
  RECT text{inset, 0, gMap.w - inset, gMap.strip};
  // The path loses its middle where it is too long; the size after its last "\" stays.
  DrawTextW(dc, gMap.caption.c_str(), static_cast<int>(gMap.caption.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
  SelectObject(dc, old);
}

// Shades the tiles laid out into the kept bitmap, in the colours of now.
void Shade() {
  if (!gMap.bits) return;
  GdiFlush();
  Colour();
  const int mapH = std::max(0, gMap.h - gMap.strip);
  gMap.hit.assign(static_cast<size_t>(gMap.w) * mapH, -1);
  RenderCushions(gMap.tiles, gMap.colours, Rgb(GetSysColor(COLOR_WINDOW)), gMap.w, mapH,
                 gMap.bits + static_cast<size_t>(gMap.strip) * gMap.w, static_cast<size_t>(gMap.w),
                 gMap.hit.data());
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, gMap.bitmap);
  DrawCaption(dc);
  SelectObject(dc, old);
  DeleteDC(dc);
  gMap.shaded = true;
  gMap.tipTile = -1;
}

// Lays out and shades the map into the kept bitmap for a drawing area of w x h.
void Draw(int w, int h) {
  if (w != gMap.w || h != gMap.h || !gMap.bitmap) {
    FreeBitmap();
    if (w <= 0 || h <= 0) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    gMap.bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!gMap.bitmap) return;
    gMap.bits = static_cast<uint32_t*>(bits);
    gMap.w = w;
    gMap.h = h;
  }
  gMap.dpi = ui::WindowDpi(kTreemapWindow);
  gMap.strip = StripHeight(gMap.dpi);
  const int mapH = std::max(0, h - gMap.strip);
  gMap.tiles.clear();
  if (gMap.shows.kind == ListShows::Dir && mapH > 0) {
    LayoutTreemap([](uint32_t id, std::vector<TmItem>& out) { gMap.index.Children(id, out); },
                  TmRect{0, 0, static_cast<double>(w), static_cast<double>(mapH)}, gMap.tiles);
  }
  Shade();
  gMap.drawn = true;
}

// Brings the picture up to date for a drawing area of w x h, as far as the records allow.
// False when it cannot be made now.
bool Ensure(int w, int h) {
  if (!Index()) return false;
  if (!gMap.drawn || w != gMap.w || h != gMap.h || gMap.dpi != ui::WindowDpi(kTreemapWindow)) {
    Draw(w, h);
  } else if (!gMap.shaded) {
    Shade();
  }
  return true;
}

bool UpToDate(int w, int h) {
  return RecordsHold() && (gMap.tagged || !NeedsTypes()) && gMap.drawn && gMap.shaded &&
         w == gMap.w && h == gMap.h && gMap.dpi == ui::WindowDpi(kTreemapWindow);
}

void Paint(HDC dc, int w, int h) {
  // A new size is followed at once, where the index holds: only the layout is made again.
  if (RecordsHold() && gMap.drawn && !UpToDate(w, h)) Ensure(w, h);
  HBRUSH back = GetSysColorBrush(COLOR_WINDOW);
  if (!gMap.bitmap || gMap.dropped) {
    RECT all{0, 0, w, h};
    FillRect(dc, &all, back);
    return;
  }
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, gMap.bitmap);
  BitBlt(dc, 0, 0, gMap.w, gMap.h, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
  // A picture kept from before a size change that could not be followed yet.
  if (w > gMap.w) {
    RECT right{gMap.w, 0, w, h};
    FillRect(dc, &right, back);
  }
  if (h > gMap.h) {
    RECT below{0, gMap.h, std::min(w, gMap.w), h};
    FillRect(dc, &below, back);
  }
}

// The tile drawn at a point of the drawing area, -1 for none or when the picture is not of
// the records and the directory of now.
int TileAt(int x, int y) {
  if (!gMap.drawn || !RecordsHold() || gMap.shows.kind != ListShows::Dir) return -1;
  const int my = y - gMap.strip;
  if (x < 0 || my < 0 || x >= gMap.w || my >= gMap.h - gMap.strip) return -1;
  const size_t at = static_cast<size_t>(my) * gMap.w + x;
  return at < gMap.hit.size() ? gMap.hit[at] : -1;
}

FileInfo FileOfTile(const TmTile& t) { return FileOf(Pfade, FileHit{t.size, t.id, t.file - 1}); }

std::wstring TilePath(const TmTile& t) {
  if (t.id == kTmMerged) {
    if (t.parent < 0) return gMap.shows.path;
    return Pfade.FullPath(gMap.tiles[static_cast<size_t>(t.parent)].id) + L"\\";
  }
  if (t.file) return Pfade.FullPath(t.id) + L"\\" + FileOfTile(t).Name;
  std::wstring p = Pfade.FullPath(t.id);
  if (Pfade.Name(t.id) != kDateien) p += L'\\';
  return p;
}

std::wstring TipOf(const TmTile& t) {
  const std::wstring kb = GroupThousands(t.size / 1024) + L" KB";
  if (t.id == kTmMerged) {
    return TilePath(t) + L"\r\n" + GroupThousands(static_cast<int64_t>(t.merged)) +
           L" kleine Einträge zusammen: " + kb;
  }
  if (t.file) {
    const FileInfo f = FileOfTile(t);
    std::wstring tip = Pfade.FullPath(t.id) + L"\\" + f.Name + L"\r\n" + kb;
    const std::wstring date = FileDateText(f.Time);
    if (!date.empty()) tip += L"   " + date;
    return tip;
  }
  const PfadListe::Rec& r = Pfade[t.id];
  return TilePath(t) + L"\r\n" + kb + L"   " + GroupThousands(r.Files) + L" Dateien   " +
         GroupThousands(r.Dirs) + L" Verz";
}

std::wstring TipAt(int x, int y) {
  const int k = TileAt(x, y);
  if (k < 0) return {};
  // The mouse moves over one tile many times; a file is found by walking its directory's
  // files, which may be many.
  if (k != gMap.tipTile) {
    gMap.tipText = TipOf(gMap.tiles[static_cast<size_t>(k)]);
    gMap.tipTile = k;
  }
  return gMap.tipText;
}

// Shows the kept picture again, now when the window is on the screen.
void Redraw() {
  HWND c = ui::GadgetID(kTreemapCanvas);
  if (!c) return;
  ui::HideCanvasTip(kTreemapCanvas);
  if (!ui::IsWindowShown(kTreemapWindow)) return;
  InvalidateRect(c, nullptr, FALSE);
}

RECT PixelRect(const TmRect& r) {
  const auto edge = [](double v) { return static_cast<LONG>(std::ceil(v - 0.5)); };
  return RECT{edge(r.x0), edge(r.y0) + gMap.strip, edge(r.x1), edge(r.y1) + gMap.strip};
}

// ---- following the list --------------------------------------------------------------------

void OnShow(const ListShows& shows) {
  gMap.dropped = false;
  // The same directory with the same records (a new sort order of the list): nothing to do.
  if (gMap.shows == shows && RecordsHold()) return;
  const bool placed = gMap.placed;
  const bool keep = RecordsHold() && gMap.drawn && gMap.bitmap;
  if (gBefore.indexed && gBefore.drawn && gBefore.changes == Pfade.Changes() &&
      gBefore.indexedShows == shows) {
    std::swap(gMap, gBefore);
    gMap.shaded = false;  // the colours may have been chosen otherwise since
    if (!keep) ReleaseMap(gBefore);
  } else if (keep) {
    // The map of now is kept; the one kept before lends its buffers to the next.
    std::swap(gMap, gBefore);
    Recycle(gMap);
  } else {
    ReleaseMap(gBefore);
  }
  gMap.placed = gBefore.placed = placed;
  gMap.dropped = false;
  gMap.shows = shows;
  gMap.tipTile = -1;
  ui::HideCanvasTip(kTreemapCanvas);
}

void OnDrop() {
  ReleaseMap(gBefore);
  gMap.dropped = true;
  gMap.indexed = false;
  gMap.index.Clear();
  gMap.tiles.clear();
  gMap.colours.clear();
  FreeBitmap();
  Redraw();
}

bool OnWork(int64_t) {
  if (!ui::IsWindowShown(kTreemapWindow) || !ui::IsGadget(kTreemapCanvas)) return false;
  if (gMap.dropped || gMap.shows.kind == ListShows::Nothing) return false;
  const RECT r = ui::GadgetRect(kTreemapCanvas);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (UpToDate(w, h)) return false;
  if (!Ensure(w, h)) {
    // Waiting for the ranking of the types, which the shared work makes; nothing else to
    // wait for.
    return !GScanning.load() && gMap.shows.kind == ListShows::Dir && NeedsTypes() &&
           !SharedTypeRanking();
  }
  Redraw();
  return false;
}

}  // namespace

HWND Window_FormTreemap() {
  // Opened over the main window, on its monitor: at the DPI it keeps beside it.
  const bool owned = ui::IsWindowOpen(kMainWin);
  HWND win = ui::OpenWindow(kTreemapWindow, owned ? ui::WindowX(kMainWin) : 0,
                            owned ? ui::WindowY(kMainWin) : 0, kDesignW, kDesignH,
                            L"Vardune Treemap",
                            ui::WinSystemMenu | ui::WinMaximize | ui::WinSizable |
                                ui::WinInvisible,
                            owned ? kMainWin : 0);
  if (!win) return nullptr;
  // The design size, as the control's rectangle below: the layout manager scales both.
  _AnchorAdd(kTreemapWindow, kAnchorKeep, ui::WindowX(kTreemapWindow),
             ui::WindowY(kTreemapWindow), kDesignW, kDesignH);
  ui::SetWindowMinSize(kTreemapWindow, 200, 120);
  if (!ui::CanvasGadget(kTreemapWindow, kTreemapCanvas, 0, 0, kDesignW, kDesignH)) {
    ui::CloseWindow(kTreemapWindow);
    return nullptr;
  }
  _Anchor(L"RU", kTreemapWindow, kTreemapCanvas, 0, 0, kDesignW, kDesignH);
  ui::SetCanvasPaint(kTreemapCanvas, Paint);
  ui::SetCanvasTip(kTreemapCanvas, TipAt);
  FreeBitmap();
  ReleaseMap(gBefore);
  gMap.placed = false;
  return win;
}

void _TreemapOpen() {
  if (!ui::IsWindowOpen(kTreemapWindow) && !Window_FormTreemap()) {
    ui::_Msg(L"Err - Konnte <Treemap> Fenster nicht öffnen");
    return;
  }
  if (!gMap.placed) {
    PlaceBesideMain(kTreemapWindow, kDesignW, kDesignH, kNarrowest);
    gMap.placed = true;
  }
  ui::HideWindow(kTreemapWindow, false);
  Redraw();
}

void HideTreemap() {
  ui::HideCanvasTip(kTreemapCanvas);
  ui::HideWindow(kTreemapWindow, true);
}

void ConnectTreemap() {
  // A session begins coloured by type, with no type chosen.
  gColours = TreemapColours::ByType;
  gHighlight.clear();
  AddFollowingView(FollowingView{OnShow, OnDrop, OnWork});
}

void TreemapInvalidate() {
  ReleaseMap(gBefore);
  gMap.indexed = false;
  gMap.drawn = false;
}

void SetTreemapColours(TreemapColours colours) {
  if (colours == TreemapColours::ByChange && !ComparisonOn()) return;
  if (gColours == colours) return;
  gColours = colours;
  gMap.shaded = false;
  Redraw();
}

TreemapColours TreemapColouring() { return gColours; }

void TreemapComparisonChanged() {
  if (gColours != TreemapColours::ByChange) return;
  if (!ComparisonOn()) gColours = TreemapColours::ByType;
  gMap.shaded = false;
  Redraw();
}

void TreemapHighlightTypes(const std::vector<std::wstring>& types) {
  if (gHighlight == types) return;
  gHighlight = types;
  gMap.shaded = false;
  Redraw();
}

int TreemapRowAt(int x, int y) {
  const int k = TileAt(x, y);
  if (k < 0) return -1;
  const TmTile& top = gMap.tiles[static_cast<size_t>(gMap.tiles[static_cast<size_t>(k)].top)];
  if (top.id == kTmMerged) return -1;
  const std::wstring_view name = Pfade.Name(top.id);
  for (int row = 0; row < ResultRowCount(); ++row) {
    if (ResultCell(row, 2) == name) return row;
  }
  return -1;
}

bool TreemapFileAt(int x, int y, FileAt& file, std::wstring& path) {
  const int k = TileAt(x, y);
  if (k < 0) return false;
  const TmTile& t = gMap.tiles[static_cast<size_t>(k)];
  if (!t.file) return false;
  file = FileAt{t.id, t.file - 1};
  path = TilePath(t);
  return true;
}

std::wstring TreemapCaption() {
  ViewsFinish();
  return gMap.caption;
}

std::vector<TreemapTileInfo> TreemapTiles() {
  ViewsFinish();
  std::vector<TreemapTileInfo> out;
  if (!RecordsHold() || !gMap.drawn) return out;
  for (size_t k = 0; k < gMap.tiles.size(); ++k) {
    const TmTile& t = gMap.tiles[k];
    out.push_back(TreemapTileInfo{TilePath(t), PixelRect(t.r), t.depth, t.leaf, t.merged, t.size,
                                  t.file != 0, k < gMap.colours.size() ? gMap.colours[k] : 0});
  }
  return out;
}

int TreemapTileAt(int x, int y) {
  ViewsFinish();
  return TileAt(x, y);
}

}  // namespace vardune
