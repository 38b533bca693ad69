// The treemap window (see treemap.h): the records below the shown directory, laid out and
// shaded into a kept bitmap that every paint copies; the layout is made again only when the
// size of the drawing area or the records change.
#include "view/treemap.h"

#include <algorithm>
#include <cmath>

#include "os/text.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "ui/anchor.h"
#include "ui/placement.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/platform.h"
#include "view/resultlist.h"
#include "view/treemap_layout.h"

namespace vardune {

namespace {

constexpr int kMainWin = 1;
constexpr int kResultList = 10;
// The window's size as designed (its height that of the main window, so that the two line up
// side by side) and the narrowest it is made to fit beside the main window, in design units
// (pixels at 96 dpi); the window shows them at its DPI.
constexpr int kDesignW = 480, kDesignH = 334;
constexpr int kNarrowest = 250;
// Around the caption: above and below the line together, and left and right of the text.
constexpr int kStripPadding = 6, kCaptionInset = 4;

struct Map {
  std::wstring path;
  bool errors = false;
  // The index holds for these records: Pfade.Changes() when it was built.
  bool indexed = false;
  uint64_t changes = 0;
  TreemapIndex index;
  std::wstring caption;
  std::vector<TmTile> tiles;
  // The kept picture: caption strip and map, as big as the drawing area was when drawn, at
  // the DPI the window had then (the strip's font and height).
  bool drawn = false;
  int w = 0, h = 0;
  int dpi = 0;
  HBITMAP bitmap = nullptr;
  uint32_t* bits = nullptr;
  std::vector<int32_t> hit;  // per pixel of the map (below the strip): the tile drawn there
  int strip = 0;
  bool placed = false;
};

Map gMap;

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

void FreeBitmap() {
  if (gMap.bitmap) DeleteObject(gMap.bitmap);
  gMap.bitmap = nullptr;
  gMap.bits = nullptr;
  gMap.w = gMap.h = 0;
  gMap.hit.clear();
  gMap.drawn = false;
}

// The records still are those the index was built on.
bool RecordsHold() { return gMap.indexed && gMap.changes == Pfade.Changes(); }

// The index and caption of the shown directory. During a scan the records are half made and
// not to be read: the map stays as it was until the scan shows its directory.
bool Index() {
  if (gMap.errors) {
    gMap.index.Clear();
    gMap.caption = L"ERROR";
    return true;
  }
  if (RecordsHold()) return true;
  if (GScanning.load()) return false;
  gMap.index.Build(Pfade, gMap.path);
  gMap.indexed = true;
  gMap.changes = Pfade.Changes();
  gMap.caption = gMap.path + L"   " + GroupThousands(gMap.index.Bytes() / 1024 / 1024) + L" MB";
  gMap.tiles.clear();
  gMap.drawn = false;
  return true;
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
  GdiFlush();
  gMap.dpi = ui::WindowDpi(kTreemapWindow);
  gMap.strip = StripHeight(gMap.dpi);
  const int mapH = std::max(0, h - gMap.strip);
  gMap.tiles.clear();
  if (!gMap.errors && mapH > 0) {
    gMap.tiles = LayoutTreemap(
        [](uint32_t id, std::vector<TmItem>& out) { gMap.index.Children(id, out); },
        TmRect{0, 0, static_cast<double>(w), static_cast<double>(mapH)});
  }
  gMap.hit.assign(static_cast<size_t>(w) * mapH, -1);
  RenderCushions(gMap.tiles, kTreemapPalette, std::size(kTreemapPalette), kTreemapGrey,
                 Rgb(GetSysColor(COLOR_WINDOW)), w, mapH,
                 gMap.bits + static_cast<size_t>(gMap.strip) * w, static_cast<size_t>(w),
                 gMap.hit.data());
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, gMap.bitmap);
  DrawCaption(dc);
  SelectObject(dc, old);
  DeleteDC(dc);
  gMap.drawn = true;
}

// Brings the picture up to date for a drawing area of w x h, as far as the records allow.
// False when the kept picture is out of date and cannot be made again now (during a scan).
bool Ensure(int w, int h) {
  if (!Index()) return false;
  if (!gMap.drawn || w != gMap.w || h != gMap.h || gMap.dpi != ui::WindowDpi(kTreemapWindow)) {
    Draw(w, h);
  }
  return true;
}

bool EnsureForControl() {
  const RECT r = ui::GadgetRect(kTreemapCanvas);
  return ui::IsGadget(kTreemapCanvas) && Ensure(r.right - r.left, r.bottom - r.top);
}

void Paint(HDC dc, int w, int h) {
  Ensure(w, h);
  HBRUSH back = GetSysColorBrush(COLOR_WINDOW);
  if (!gMap.bitmap) {
    RECT all{0, 0, w, h};
    FillRect(dc, &all, back);
    return;
  }
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, gMap.bitmap);
  BitBlt(dc, 0, 0, gMap.w, gMap.h, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
  // A picture kept from before a size change that could not be followed (during a scan).
  if (w > gMap.w) {
    RECT right{gMap.w, 0, w, h};
    FillRect(dc, &right, back);
  }
  if (h > gMap.h) {
    RECT below{0, gMap.h, std::min(w, gMap.w), h};
    FillRect(dc, &below, back);
  }
}

// The tile drawn at a point of the drawing area, -1 for none or when the records changed.
int TileAt(int x, int y) {
  if (!gMap.drawn || !RecordsHold() || gMap.errors) return -1;
  const int my = y - gMap.strip;
  if (x < 0 || my < 0 || x >= gMap.w || my >= gMap.h - gMap.strip) return -1;
  const size_t at = static_cast<size_t>(my) * gMap.w + x;
  return at < gMap.hit.size() ? gMap.hit[at] : -1;
}

std::wstring TilePath(const TmTile& t) {
  if (t.id == kTmMerged) {
    if (t.parent < 0) return gMap.path;
    return Pfade.FullPath(gMap.tiles[static_cast<size_t>(t.parent)].id) + L"\\";
  }
  std::wstring p = Pfade.FullPath(t.id);
  if (Pfade.Name(t.id) != kDateien) p += L'\\';
  return p;
}

std::wstring TipAt(int x, int y) {
  const int k = TileAt(x, y);
  if (k < 0) return {};
  const TmTile& t = gMap.tiles[static_cast<size_t>(k)];
  const std::wstring kb = GroupThousands(t.size / 1024) + L" KB";
  if (t.id == kTmMerged) {
    return TilePath(t) + L"\r\n" + GroupThousands(static_cast<int64_t>(t.merged)) +
           L" kleine Einträge zusammen: " + kb;
  }
  const PfadListe::Rec& r = Pfade[t.id];
  return TilePath(t) + L"\r\n" + kb + L"   " + GroupThousands(r.Files) + L" Dateien   " +
         GroupThousands(r.Dirs) + L" Verz";
}

// Shows the map of the current path again, now when the window is on the screen.
void Redraw() {
  HWND c = ui::GadgetID(kTreemapCanvas);
  if (!c) return;
  ui::HideCanvasTip(kTreemapCanvas);
  if (!ui::IsWindowShown(kTreemapWindow)) return;
  InvalidateRect(c, nullptr, FALSE);
  UpdateWindow(c);
}

RECT PixelRect(const TmRect& r) {
  const auto edge = [](double v) { return static_cast<LONG>(std::ceil(v - 0.5)); };
  return RECT{edge(r.x0), edge(r.y0) + gMap.strip, edge(r.x1), edge(r.y1) + gMap.strip};
}

// Beside the main window on its monitor, in pixels of the DPI the window has there. Moved to
// a monitor of another DPI, Windows gives it that DPI (and a size scaled to it) on the way:
// then it is placed once more, at its new DPI.
void PlaceBesideMain() {
  for (int pass = 0; pass < 2; ++pass) {
    const int dpi = ui::WindowDpi(kTreemapWindow);
    const RECT m = ui::WindowFrame(kMainWin);
    const RECT own = ui::WindowFrame(kTreemapWindow);
    const RECT work = ui::WorkAreaOf(kMainWin);
    const int frameW = (own.right - own.left) - ui::WindowInnerWidth(kTreemapWindow);
    const int frameH = (own.bottom - own.top) - ui::WindowInnerHeight(kTreemapWindow);
    const ScreenRect to = PlaceBeside(ScreenRect{m.left, m.top, m.right, m.bottom},
                                      ScreenRect{work.left, work.top, work.right, work.bottom},
                                      ui::ScaleToDpi(kDesignW, dpi) + frameW,
                                      ui::ScaleToDpi(kDesignH, dpi) + frameH,
                                      ui::ScaleToDpi(kNarrowest, dpi) + frameW);
    ui::ResizeWindow(kTreemapWindow, to.left, to.top, (to.right - to.left) - frameW,
                     (to.bottom - to.top) - frameH);
    if (ui::WindowDpi(kTreemapWindow) == dpi) break;
  }
  // Laid out now rather than when the size event comes round: the first picture is drawn at
  // the size it keeps.
  _AnchorApply(kTreemapWindow);
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
  gMap.placed = false;
  return win;
}

void _TreemapOpen() {
  if (!ui::IsWindowOpen(kTreemapWindow) && !Window_FormTreemap()) {
    ui::_Msg(L"Err - Konnte <Treemap> Fenster nicht öffnen");
    return;
  }
  if (!gMap.placed) {
    PlaceBesideMain();
    gMap.placed = true;
  }
  ui::HideWindow(kTreemapWindow, false);
  Redraw();
}

void HideTreemap() {
  ui::HideCanvasTip(kTreemapCanvas);
  ui::HideWindow(kTreemapWindow, true);
}

void TreemapShowDir(std::wstring_view path) {
  // The same directory with the same records (a new sort order of the list): nothing to do.
  if (!gMap.errors && gMap.path == path && RecordsHold()) return;
  gMap.path = std::wstring(path);
  gMap.errors = false;
  gMap.indexed = false;
  gMap.drawn = false;
  Redraw();
}

void TreemapShowErrors() {
  gMap.errors = true;
  gMap.indexed = false;
  gMap.drawn = false;
  Redraw();
}

void TreemapInvalidate() {
  gMap.indexed = false;
  gMap.drawn = false;
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

std::wstring TreemapCaption() {
  EnsureForControl();
  return gMap.caption;
}

std::vector<TreemapTileInfo> TreemapTiles() {
  std::vector<TreemapTileInfo> out;
  if (!EnsureForControl() || !RecordsHold()) return out;
  for (const TmTile& t : gMap.tiles) {
    out.push_back(TreemapTileInfo{TilePath(t), PixelRect(t.r), t.depth, t.leaf, t.merged, t.size});
  }
  return out;
}

int TreemapTileAt(int x, int y) {
  EnsureForControl();
  return TileAt(x, y);
}

}  // namespace vardune
