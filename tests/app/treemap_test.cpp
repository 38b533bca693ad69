// The treemap window after real scans of trees made here: its tiles against the records, its
// pixels, clicks on tiles acting on the rows of the result list, following navigation, the
// error view and a rescan, its tooltip, its place beside the main window and its close box.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/app.h"
#include "os/process.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "tests/app/app_fixture.h"
#include "tests/support/support.h"
#include "tests/support/views.h"
#include "ui/mainwindow.h"
#include "ui/menus.h"
#include "ui/platform/platform.h"
#include "view/resultlist.h"
#include "view/treemap.h"

namespace vardune {
namespace {

using test::TempTree;

constexpr int64_t kMB = 1024 * 1024;

class TreemapTest : public test::AppTest {
 protected:
  // a\ 3 MB of files and a\x\ with 1 MB, b\ 2 MB, c\ 624 KB, 400 KB of loose files; an empty
  // directory, one with an empty file, and one whose only content cannot be read.
  void MakeTree(const TempTree& t) {
    t.Sparse(L"a\\a1.bin", 3 * kMB);
    t.Sparse(L"a\\x\\x.bin", kMB);
    t.Sparse(L"b\\b.bin", 2 * kMB);
    t.Sparse(L"c\\c.bin", 624 * 1024);
    t.Sparse(L"lose.txt", 400 * 1024);
    t.Dir(L"leer");
    t.File(L"null\\leer.txt", 0);
    closed_ = test::PermissionsEnforced();
    if (closed_) {
      t.File(L"kaputt\\zu\\f.bin", 5);
      t.Chmod(L"kaputt\\zu", "000");
    }
  }

  // F9 as the keyboard gives it to the control with the focus in the main window.
  static void PressF9() {
    HWND list = ui::GadgetID(kGadResults);
    PostMessageW(list, WM_KEYDOWN, VK_F9, 0x00430001);
    PostMessageW(list, WM_KEYUP, VK_F9, static_cast<LPARAM>(0xC0430001u));
    RunPending();
  }
  static HWND Canvas() { return ui::GadgetID(kTreemapCanvas); }
  static LPARAM At(POINT p) { return MAKELPARAM(p.x, p.y); }
  static void LeftClick(POINT p) {
    SendMessageW(Canvas(), WM_LBUTTONDOWN, MK_LBUTTON, At(p));
    SendMessageW(Canvas(), WM_LBUTTONUP, 0, At(p));
    RunPending();
  }
  static void DoubleClick(POINT p) {
    SendMessageW(Canvas(), WM_LBUTTONDOWN, MK_LBUTTON, At(p));
    SendMessageW(Canvas(), WM_LBUTTONUP, 0, At(p));
    SendMessageW(Canvas(), WM_LBUTTONDBLCLK, MK_LBUTTON, At(p));
    SendMessageW(Canvas(), WM_LBUTTONUP, 0, At(p));
    RunPending();
  }

  // The top-level tiles by path.
  static std::map<std::wstring, TreemapTileInfo> TopTiles() {
    std::map<std::wstring, TreemapTileInfo> top;
    for (const TreemapTileInfo& t : TreemapTiles()) {
      if (t.depth == 0) top.emplace(t.path, t);
    }
    return top;
  }
  static std::set<std::wstring> TopPaths() {
    std::set<std::wstring> s;
    for (const auto& [path, tile] : TopTiles()) s.insert(path);
    return s;
  }
  // The height of the caption strip: where the map's tiles begin.
  static int Strip() {
    int strip = INT_MAX;
    for (const auto& [path, tile] : TopTiles()) strip = std::min<int>(strip, tile.rect.top);
    return strip;
  }
  // The top-level tile laid out first, the largest: at the top left corner of the map.
  static std::wstring TopLeft() {
    const int k = TreemapTileAt(0, Strip());
    if (k < 0) return {};
    const std::wstring path = TreemapTiles()[static_cast<size_t>(k)].path;
    for (const auto& [p, tile] : TopTiles()) {
      if (path.rfind(p, 0) == 0) return p;
    }
    return {};
  }
  static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  static int64_t Area(const RECT& r) {
    return static_cast<int64_t>(r.right - r.left) * (r.bottom - r.top);
  }
  static int Row(const std::wstring& name) {
    const auto names = Column(2);
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
  }

  // The pixels of the drawing area as they are on the screen.
  static std::vector<COLORREF> ScreenPixels(int& w, int& h) {
    HWND c = Canvas();
    RedrawWindow(c, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT rc;
    GetClientRect(c, &rc);
    w = rc.right;
    h = rc.bottom;
    HDC dc = GetDC(c);
    std::vector<COLORREF> px;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) px.push_back(GetPixel(dc, x, y));
    }
    ReleaseDC(c, dc);
    return px;
  }

  bool closed_ = false;
};

TEST_F(TreemapTest, ShowsTheScannedDirectoryAsTilesInProportionToTheRecords) {
  TempTree t;
  MakeTree(t);
  Start({t.Root()});
  Click(kGadScan);
  ASSERT_EQ(GStartPath, t.Root());
  EXPECT_FALSE(ui::IsWindowOpen(kTreemapWindow));
  PressF9();
  ASSERT_TRUE(ui::IsWindowShown(kTreemapWindow));
  EXPECT_EQ(ui::GetWindowTitle(kTreemapWindow), L"Vardune Treemap");
  EXPECT_EQ(GetWindow(ui::WindowID(kTreemapWindow), GW_OWNER), ui::WindowID(kMainWindow));

  // Beside the main window, on the screen, top edges in line.
  const RECT main = ui::WindowFrame(kMainWindow);
  const RECT map = ui::WindowFrame(kTreemapWindow);
  const RECT work = ui::WorkAreaOf(kMainWindow);
  EXPECT_TRUE(map.left >= main.right || map.right <= main.left)
      << map.left << ".." << map.right << " against " << main.left << ".." << main.right;
  EXPECT_GE(map.left, work.left);
  EXPECT_LE(map.right, work.right);
  EXPECT_EQ(map.top, main.top);
  // The drawing area fills the client area.
  RECT client;
  GetClientRect(ui::WindowID(kTreemapWindow), &client);
  const RECT area = ui::GadgetRect(kTreemapCanvas);
  EXPECT_EQ(area.left, 0);
  EXPECT_EQ(area.top, 0);
  EXPECT_EQ(area.right, client.right);
  EXPECT_EQ(area.bottom, client.bottom);

  // The caption: the path and its size in MB as the summary writes it (7 MB).
  EXPECT_EQ(TreemapCaption(), t.Root() + L"   7 MB");
  EXPECT_NE(ui::GetGadgetText(kGadSummary).find(L"Verzeichnis:   7 MB"), std::wstring::npos);

  // One tile per listed record with bytes; none for the empty, the 0-byte and the unreadable
  // directory, which the list does show.
  EXPECT_EQ(TopPaths(), (std::set<std::wstring>{t.Path(L"a\\"), t.Path(L"b\\"), t.Path(L"c\\"),
                                                t.Path(L"<DATEIEN>")}));
  EXPECT_GE(Row(L"leer"), 0);
  EXPECT_GE(Row(L"null"), 0);
  if (closed_) {
    EXPECT_GE(Row(L"kaputt"), 0);
  }
  for (const TreemapTileInfo& tile : TreemapTiles()) {
    for (const wchar_t* none : {L"leer", L"null", L"kaputt"}) {
      EXPECT_EQ(tile.path.find(std::wstring(L"\\") + none + L"\\"), std::wstring::npos)
          << test::Narrow(tile.path);
    }
  }

  // Areas in proportion to the sizes, the top-level tiles covering the map below the caption.
  const auto top = TopTiles();
  const int strip = Strip();
  EXPECT_GT(strip, 8) << "a caption strip above the map";
  const int64_t mapArea = static_cast<int64_t>(area.right) * (area.bottom - strip);
  int64_t covered = 0;
  const std::map<std::wstring, int64_t> bytes = {{t.Path(L"a\\"), 4 * kMB},
                                                 {t.Path(L"b\\"), 2 * kMB},
                                                 {t.Path(L"c\\"), 624 * 1024},
                                                 {t.Path(L"<DATEIEN>"), 400 * 1024}};
  for (const auto& [path, tile] : top) {
    const RECT& r = tile.rect;
    EXPECT_EQ(tile.size, bytes.at(path));
    covered += Area(r);
    const double share = static_cast<double>(bytes.at(path)) / (7 * kMB);
    EXPECT_NEAR(static_cast<double>(Area(r)), share * mapArea, (r.right - r.left) + (r.bottom - r.top))
        << test::Narrow(path);
    EXPECT_GE(r.left, 0);
    EXPECT_GE(r.top, strip);
    EXPECT_LE(r.right, area.right);
    EXPECT_LE(r.bottom, area.bottom);
    for (const auto& [other, o] : top) {
      if (other == path) continue;
      RECT overlap;
      EXPECT_FALSE(IntersectRect(&overlap, &r, &o.rect)) << test::Narrow(path + L" " + other);
    }
  }
  EXPECT_EQ(covered, mapArea);
  // Nested: a\ holds its files and x\, inside it.
  const RECT a = top.at(t.Path(L"a\\")).rect;
  std::set<std::wstring> inA;
  for (const TreemapTileInfo& tile : TreemapTiles()) {
    if (tile.depth != 1 || tile.path.rfind(t.Path(L"a\\"), 0) != 0) continue;
    inA.insert(tile.path);
    RECT both;
    IntersectRect(&both, &tile.rect, &a);
    EXPECT_TRUE(EqualRect(&both, &tile.rect)) << test::Narrow(tile.path);
  }
  EXPECT_EQ(inA, (std::set<std::wstring>{t.Path(L"a\\<DATEIEN>"), t.Path(L"a\\x\\")}));

  // What is drawn: every pixel of the map belongs to a tile, the caption strip to none; the
  // tiles of a and b differ in colour; the centre of a tile is lit, its lower right edge not.
  int w = 0, h = 0;
  const auto px = ScreenPixels(w, h);
  ASSERT_EQ(w, area.right);
  for (int y = 0; y < h; y += 3) {
    for (int x = 0; x < w; x += 3) {
      if (y < strip) EXPECT_EQ(TreemapTileAt(x, y), -1);
      else ASSERT_GE(TreemapTileAt(x, y), 0) << x << "," << y;
    }
  }
  const auto pixel = [&](POINT p) { return px[static_cast<size_t>(p.y) * w + p.x]; };
  const POINT ca = Centre(a), cb = Centre(top.at(t.Path(L"b\\")).rect);
  EXPECT_NE(pixel(ca), pixel(cb));
  const auto lum = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
  const RECT b = top.at(t.Path(L"b\\")).rect;
  EXPECT_GT(lum(pixel(cb)), lum(pixel(POINT{b.right - 1, b.bottom - 1})) + 30);
  // The deepest tile at b's centre: b's one file, inside the tile of b's own files.
  const int at = TreemapTileAt(cb.x, cb.y);
  ASSERT_GE(at, 0);
  EXPECT_EQ(TreemapTiles()[static_cast<size_t>(at)].path, t.Path(L"b\\b.bin"));

  // A directory whose records hold no bytes, or only an unreadable directory: an empty map.
  for (const wchar_t* dir : {L"null", L"kaputt"}) {
    if (!closed_ && std::wstring(dir) == L"kaputt") continue;
    GStartPath = t.Root();
    _ShowDir(GStartPath);
    ASSERT_GE(Row(dir), 0) << test::Narrow(dir);
    DoubleClickRow(Row(dir));
    ASSERT_EQ(GStartPath, t.Path(dir) + L"\\");
    EXPECT_EQ(TreemapCaption(), GStartPath + L"   0 MB");
    EXPECT_TRUE(TreemapTiles().empty());
    const auto empty = ScreenPixels(w, h);
    for (int y = strip; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        ASSERT_EQ(empty[static_cast<size_t>(y) * w + x], GetSysColor(COLOR_WINDOW))
            << test::Narrow(dir) << " " << x << "," << y;
      }
    }
  }
}

TEST_F(TreemapTest, ClicksOnTilesActOnTheirRowsAndTheMapFollowsNavigation) {
  TempTree t;
  MakeTree(t);
  Start({t.Root()});
  Click(kGadScan);
  Menu(kItemTreemap);
  ASSERT_TRUE(ui::IsWindowShown(kTreemapWindow));
  auto top = TopTiles();

  // A click on the tile of b selects the row b, alone, and the status sums it.
  Select({});
  LeftClick(Centre(top.at(t.Path(L"b\\")).rect));
  const int b = Row(L"b");
  ASSERT_GE(b, 0);
  EXPECT_EQ(ui::GetGadgetState(kGadResults), b);
  for (int row = 0; row < ui::CountGadgetItems(kGadResults); ++row) {
    EXPECT_EQ(ui::GetGadgetItemState(kGadResults, row), row == b ? 1 : 0) << row;
  }
  EXPECT_EQ(ui::GetGadgetText(kGadStatus), L"Auswahl:  2 MB   1 Verz   1 Dateien");
  // Deeper tiles stand for the row of their top-level tile: a click on a\x\x.bin selects a.
  for (const TreemapTileInfo& tile : TreemapTiles()) {
    if (tile.path == t.Path(L"a\\x\\x.bin")) LeftClick(Centre(tile.rect));
  }
  EXPECT_EQ(ui::GetGadgetState(kGadResults), Row(L"a"));

  // A right click opens the result list's popup menu with c current; its first item,
  // "Explorer", chosen with the keyboard, opens c.
  static int popped;
  popped = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
    if (HWND m = FindWindowW(L"#32768", nullptr); m && IsWindowVisible(m)) {
      ++popped;
      PostMessageW(m, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageW(m, WM_KEYDOWN, VK_RETURN, 0);
    }
  });
  const POINT c = Centre(top.at(t.Path(L"c\\")).rect);
  SendMessageW(Canvas(), WM_RBUTTONDOWN, MK_RBUTTON, At(c));
  SendMessageW(Canvas(), WM_RBUTTONUP, 0, At(c));
  RunPending();
  KillTimer(nullptr, timer);
  EXPECT_EQ(popped, 1);
  EXPECT_EQ(ui::GetGadgetState(kGadResults), Row(L"c"));
  EXPECT_EQ(test::gStarted.parameters, t.Path(L"c\\"));
  // Where no tile is (the caption strip), the map's own menu (its colourings) instead of the
  // list's, and no change of the row.
  const int answered = test::MenusAnswered();
  test::AnswerNextMenu(0);
  SendMessageW(Canvas(), WM_RBUTTONDOWN, MK_RBUTTON, At(POINT{5, 2}));
  SendMessageW(Canvas(), WM_RBUTTONUP, 0, At(POINT{5, 2}));
  RunPending();
  EXPECT_EQ(popped, 1);
  EXPECT_EQ(test::MenusAnswered(), answered + 1);
  EXPECT_EQ(test::LastMenuItems().front(), L"Farben nach Dateityp");
  EXPECT_EQ(ui::GetGadgetState(kGadResults), Row(L"c"));

  // A double click on a's tile lands on one of its files, which opens the file manager at the
  // file and leaves the list where it is; the list's double click opens a: list and map show a\.
  DoubleClick(Centre(top.at(t.Path(L"a\\")).rect));
  EXPECT_EQ(GStartPath, t.Root());
  EXPECT_EQ(test::gStarted.parameters.rfind(L"/select,\"" + t.Path(L"a\\"), 0), 0u)
      << test::Narrow(test::gStarted.parameters);
  DoubleClickRow(Row(L"a"));
  EXPECT_EQ(GStartPath, t.Path(L"a\\"));
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{L"<DATEIEN>", L"x"}));
  EXPECT_EQ(TreemapCaption(), t.Path(L"a\\") + L"   4 MB");
  EXPECT_EQ(TopPaths(), (std::set<std::wstring>{t.Path(L"a\\<DATEIEN>"), t.Path(L"a\\x\\")}));

  // The side button over the map goes up, as over the main window.
  PostMessageW(Canvas(), WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1), 0);
  RunPending();
  EXPECT_EQ(GStartPath, t.Root());
  EXPECT_EQ(TopPaths().size(), 4u);
  // The up button: the scanned directory is the one tile of its parent.
  Click(kGadUp);
  const std::wstring parent = GStartPath;
  EXPECT_NE(parent, t.Root());
  EXPECT_EQ(t.Root().rfind(parent, 0), 0u);
  EXPECT_EQ(TopPaths(), std::set<std::wstring>{t.Root()});
  EXPECT_EQ(TreemapCaption(), parent + L"   7 MB");
  // A double click in the list goes down again; the map follows.
  DoubleClickRow(0);
  EXPECT_EQ(GStartPath, t.Root());
  EXPECT_EQ(TopPaths().size(), 4u);

  // The error view: an empty map captioned "ERROR"; the normal view comes back with the list.
  Click(kGadErrs);
  EXPECT_EQ(TreemapCaption(), L"ERROR");
  EXPECT_TRUE(TreemapTiles().empty());
  const int current = ui::GetGadgetState(kGadResults);
  LeftClick(POINT{20, 40});
  EXPECT_EQ(ui::GetGadgetState(kGadResults), current);
  Click(kGadErrs);
  EXPECT_EQ(TreemapCaption(), t.Root() + L"   7 MB");
  EXPECT_EQ(TopPaths().size(), 4u);
}

TEST_F(TreemapTest, FollowsARescanDropsClicksDuringItAndHidesOnClose) {
  TempTree t;
  MakeTree(t);
  Start({t.Root()});
  Click(kGadScan);
  PressF9();
  const RECT b = TopTiles().at(t.Path(L"b\\")).rect;
  EXPECT_EQ(TopLeft(), t.Path(L"a\\"));

  // c grows past a; a double click on b arrives while the rescan runs and is dropped.
  t.Sparse(L"c\\neu.bin", 5 * kMB);
  const POINT cb = Centre(b);
  PostMessageW(Canvas(), WM_LBUTTONDOWN, MK_LBUTTON, At(cb));
  PostMessageW(Canvas(), WM_LBUTTONUP, 0, At(cb));
  PostMessageW(Canvas(), WM_LBUTTONDBLCLK, MK_LBUTTON, At(cb));
  PostMessageW(Canvas(), WM_LBUTTONUP, 0, At(cb));
  Click(kGadScan);
  EXPECT_EQ(GStartPath, t.Root());
  EXPECT_EQ(TreemapCaption(), t.Root() + L"   12 MB");
  const auto top = TopTiles();
  ASSERT_EQ(top.size(), 4u);
  EXPECT_EQ(top.at(t.Path(L"c\\")).size, 5 * kMB + 624 * 1024);
  // The largest tile is laid out first, at the top left of the map.
  EXPECT_EQ(TopLeft(), t.Path(L"c\\"));

  // The drawing area grows with the window and the tiles with it.
  const RECT before = ui::GadgetRect(kTreemapCanvas);
  ui::ResizeWindow(kTreemapWindow, ui::kKeep, ui::kKeep,
                   ui::WindowInnerWidth(kTreemapWindow) + 100,
                   ui::WindowInnerHeight(kTreemapWindow) + 60);
  RunPending();
  const RECT after = ui::GadgetRect(kTreemapCanvas);
  EXPECT_EQ(after.right - after.left, before.right - before.left + 100);
  EXPECT_EQ(after.bottom - after.top, before.bottom - before.top + 60);
  int64_t covered = 0;
  int strip = after.bottom;
  for (const auto& [path, tile] : TopTiles()) {
    covered += Area(tile.rect);
    strip = std::min<int>(strip, tile.rect.top);
  }
  EXPECT_EQ(covered, static_cast<int64_t>(after.right) * (after.bottom - strip));

  // Resting the mouse on a tile shows its path and its size in KB: at c's centre its new file,
  // which takes most of it (a file's tip ends with its date).
  const auto cTile = TopTiles().at(t.Path(L"c\\")).rect;
  POINT rest = Centre(cTile);
  ClientToScreen(Canvas(), &rest);
  SetCursorPos(rest.x, rest.y);
  for (int i = 0; i < 40 && !ui::IsGadgetToolTipShown(kTreemapCanvas); ++i) test::PumpMessages(50);
  EXPECT_TRUE(ui::IsGadgetToolTipShown(kTreemapCanvas));
  const std::wstring tip = ui::GadgetToolTipText(kTreemapCanvas);
  const std::wstring head = t.Path(L"c\\neu.bin") + L"\r\n5'120 KB   ";
  EXPECT_EQ(tip.substr(0, head.size()), head) << test::Narrow(tip);
  EXPECT_GT(tip.size(), head.size());
  // A click hides it.
  POINT in = Centre(cTile);
  SendMessageW(Canvas(), WM_LBUTTONDOWN, MK_LBUTTON, At(in));
  SendMessageW(Canvas(), WM_LBUTTONUP, 0, At(in));
  EXPECT_FALSE(ui::IsGadgetToolTipShown(kTreemapCanvas));
  RunPending();
  SetCursorPos(0, 0);

  // The close box hides the window; the menu item and F9 show it again with the same map.
  PostMessageW(ui::WindowID(kTreemapWindow), WM_CLOSE, 0, 0);
  RunPending();
  EXPECT_TRUE(ui::IsWindowOpen(kTreemapWindow));
  EXPECT_FALSE(ui::IsWindowShown(kTreemapWindow));
  EXPECT_EQ(GQuit, 0);
  Menu(kItemTreemap);
  EXPECT_TRUE(ui::IsWindowShown(kTreemapWindow));
  EXPECT_EQ(TopTiles().size(), 4u);
  PostMessageW(ui::WindowID(kTreemapWindow), WM_CLOSE, 0, 0);
  RunPending();
  PressF9();
  EXPECT_TRUE(ui::IsWindowShown(kTreemapWindow));
}

// An import replaces the results: the map shows the imported tree, not the picture of the
// scan before it, however the two lists counted their changes.
TEST_F(TreemapTest, FollowsAnImportOverTheScannedResults) {
  TempTree t;
  MakeTree(t);
  t.Text(L"export.json",
         "[1,2,{\"progname\":\"ncdu\"},\n"
         "[{\"name\":\"/srv/data\"},{\"name\":\"f\",\"asize\":3145728},\n"
         " [{\"name\":\"gross\"},{\"name\":\"g\",\"asize\":4194304}],\n"
         " [{\"name\":\"klein\"},{\"name\":\"h\",\"asize\":1048576}]]]\n");
  Start({t.Root()});
  Click(kGadScan);
  PressF9();
  ASSERT_EQ(TopPaths().size(), 4u);
  test::gFileAnswer = ui::FileChoice{t.Path(L"export.json"), 1};
  Menu(kItemImport);
  ASSERT_EQ(GStartPath, L"\\srv\\data\\");
  EXPECT_EQ(TreemapCaption(), L"\\srv\\data\\   8 MB");
  EXPECT_EQ(TopPaths(), (std::set<std::wstring>{L"\\srv\\data\\gross\\", L"\\srv\\data\\klein\\",
                                                L"\\srv\\data\\<DATEIEN>"}));
  EXPECT_EQ(TopTiles().at(L"\\srv\\data\\gross\\").size, 4 * kMB);
}

// A tree of a few hundred directories, scanned and shown, kept as pictures for a person.
TEST_F(TreemapTest, ScreenshotAfterAScanOfAFewHundredDirectories) {
  TempTree t;
  uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) & 0xFFFF;
  };
  // Sparse files of pseudo-random sizes, made by one shell command rather than one each: a
  // list of directory:size the command goes through.
  std::string list;
  const auto file = [&](const std::string& dir, int64_t size) {
    list += " " + dir + ":" + std::to_string(size);
  };
  int dirs = 0;
  const char* tops[] = {"Bilder", "Dokumente", "Musik", "Projekte", "Spiele", "Videos"};
  for (const char* top : tops) {
    const int subs = 4 + static_cast<int>(next() % 6);
    for (int i = 0; i < subs; ++i) {
      const std::string sub = std::string(top) + "/Teil" + std::to_string(i);
      const int leaves = 3 + static_cast<int>(next() % 8);
      for (int k = 0; k < leaves; ++k) {
        file(sub + "/Ordner" + std::to_string(k),
             static_cast<int64_t>(1 + next() % 400) * (1 + next() % 50) * 4096);
        ++dirs;
      }
      file(sub, static_cast<int64_t>(1 + next() % 100) * 65536);
      ++dirs;
    }
    ++dirs;
  }
  ASSERT_EQ(test::RunUnix("cd " + test::ShellQuote(test::UnixPath(t.Root())) + " && for x in" +
                          list + "; do mkdir -p ${x%:*} && truncate -s ${x#*:} ${x%:*}/daten.bin" +
                          " || exit 1; done"),
            0);
  ASSERT_GE(dirs, 200);
  Start({t.Root()});
  Click(kGadScan);
  PressF9();
  ASSERT_TRUE(ui::IsWindowShown(kTreemapWindow));
  int leaves = 0;
  for (const TreemapTileInfo& tile : TreemapTiles()) leaves += tile.leaf ? 1 : 0;
  EXPECT_GE(leaves, 200);
  EXPECT_EQ(TopTiles().size(), 6u);
  test::Screenshot(ui::WindowID(kMainWindow), L"treemap_main_window");
  test::Screenshot(ui::WindowID(kTreemapWindow), L"treemap");
  test::Screenshot(GetDesktopWindow(), L"treemap_beside_main_window");
}

}  // namespace
}  // namespace vardune
