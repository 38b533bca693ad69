// The treemap window at the display scaling of the run, after a real scan: its size and its
// drawing area, its place beside the main window, its caption drawn whole in the font of its
// DPI, its tooltip's font, and a move to a monitor of another scaling and back, which moves it,
// lays it out and draws it again.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "tests/app/app_fixture.h"
#include "tests/dpi/scaling.h"
#include "tests/support/support.h"
#include "ui/menus.h"
#include "ui/platform/platform.h"
#include "view/treemap.h"

namespace vardune {
namespace {

using test::S;

constexpr int kDesignW = 480, kDesignH = 334;
constexpr int kNarrowest = 250;

// The caption strip as it is on the screen: where its ink is and how high the strip is.
struct CaptionSeen {
  int strip = 0;
  RECT ink{INT_MAX, INT_MAX, -1, -1};
};

// Reads the drawing area's pixels as they are on the screen, without painting it first: what
// the window drew by itself.
CaptionSeen SeeCaption() {
  CaptionSeen seen;
  seen.strip = INT_MAX;
  for (const TreemapTileInfo& t : TreemapTiles()) {
    seen.strip = std::min<int>(seen.strip, t.rect.top);
  }
  HWND canvas = ui::GadgetID(kTreemapCanvas);
  RECT rc;
  GetClientRect(canvas, &rc);
  if (seen.strip == INT_MAX || seen.strip > rc.bottom) return seen;
  HDC dc = GetDC(canvas);
  const std::vector<uint32_t> px = test::Pixels(dc, RECT{0, 0, rc.right, seen.strip});
  ReleaseDC(canvas, dc);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const uint32_t back = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  const int w = rc.right;
  for (size_t i = 0; i < px.size(); ++i) {
    if (px[i] == back) continue;
    const int x = static_cast<int>(i % w), y = static_cast<int>(i / w);
    seen.ink.left = std::min<LONG>(seen.ink.left, x);
    seen.ink.top = std::min<LONG>(seen.ink.top, y);
    seen.ink.right = std::max<LONG>(seen.ink.right, x + 1);
    seen.ink.bottom = std::max<LONG>(seen.ink.bottom, y + 1);
  }
  return seen;
}

// The room the caption has in the strip of a drawing area `width` pixels wide at `dpi`.
int CaptionRoom(int width, int dpi) { return width - 2 * ui::ScaleToDpi(4, dpi); }

// The caption on the screen is drawn in the message font of `dpi`, inside its strip, no line
// cut at the top or the bottom: where the strip has room for it, as wide as the whole text
// measures in that font (neither shortened nor in the font of another DPI); where it has not,
// shortened by an ellipsis to the room rather than cut at the edge.
::testing::AssertionResult CaptionWholeAt(int dpi) {
  const CaptionSeen seen = SeeCaption();
  const std::wstring caption = TreemapCaption();
  const SIZE text = test::Ink(ui::GuiFont(dpi), caption);
  const RECT& ink = seen.ink;
  const int inkW = ink.right - ink.left;
  RECT area;
  GetClientRect(ui::GadgetID(kTreemapCanvas), &area);
  const int room = CaptionRoom(area.right, dpi);
  // Ink lies a pixel or two inside the advance of the first and the last letter.
  const int slack = ui::ScaleToDpi(3, dpi);
  const bool wide = text.cx <= room ? std::abs(inkW - text.cx) <= slack
                                    : inkW <= room && inkW >= room - text.cx / 4 &&
                                          ink.right <= area.right - ui::ScaleToDpi(4, dpi) + 1;
  if (ink.right < 0 || !wide || ink.top <= 0 || ink.bottom >= seen.strip ||
      seen.strip < text.cy || ink.bottom - ink.top > text.cy ||
      ink.bottom - ink.top < text.cy / 2) {
    return ::testing::AssertionFailure()
           << "caption \"" << test::Narrow(caption) << "\" drawn " << inkW << "x"
           << ink.bottom - ink.top << " at " << ink.left << "," << ink.top << " in a strip of "
           << seen.strip << "; the text is " << text.cx << "x" << text.cy << " at " << dpi
           << " dpi";
  }
  return ::testing::AssertionSuccess();
}

// The tiles cover the drawing area below the strip, as big as it is now.
::testing::AssertionResult TilesFillTheArea() {
  const RECT area = ui::GadgetRect(kTreemapCanvas);
  const int w = area.right - area.left, h = area.bottom - area.top;
  int64_t covered = 0;
  int strip = h;
  for (const TreemapTileInfo& t : TreemapTiles()) {
    if (t.depth != 0) continue;
    covered += static_cast<int64_t>(t.rect.right - t.rect.left) * (t.rect.bottom - t.rect.top);
    strip = std::min<int>(strip, t.rect.top);
  }
  if (covered > 0 && covered == static_cast<int64_t>(w) * (h - strip)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "tiles cover " << covered << " of " << w << "x"
                                       << h - strip;
}

// The tooltip of the drawing area: a top-level window of the tooltip class owned by the
// treemap window.
HWND TreemapTooltip() {
  struct Find {
    HWND owner, found;
  } find{ui::WindowID(kTreemapWindow), nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM p) -> BOOL {
        auto* f = reinterpret_cast<Find*>(p);
        wchar_t cls[64] = {0};
        GetClassNameW(h, cls, 64);
        if (lstrcmpiW(cls, TOOLTIPS_CLASSW) == 0 && GetWindow(h, GW_OWNER) == f->owner) {
          f->found = h;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.found;
}

// The tooltip shows its text in the message font of `dpi`. A tooltip may keep a copy of the
// font it is given (Wine's does): the fonts are compared, not their handles.
::testing::AssertionResult TooltipFontAt(int dpi) {
  HWND tip = TreemapTooltip();
  if (!tip) return ::testing::AssertionFailure() << "no tooltip";
  LOGFONTW want{}, got{};
  GetObjectW(ui::GuiFont(dpi), sizeof want, &want);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(tip, WM_GETFONT, 0, 0));
  if (font && GetObjectW(font, sizeof got, &got) && got.lfHeight == want.lfHeight &&
      lstrcmpW(got.lfFaceName, want.lfFaceName) == 0) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "tooltip font " << got.lfHeight << " high, not "
                                       << want.lfHeight << " at " << dpi << " dpi";
}

// After a DPI change: the window has the DPI, its drawing area the design rectangle and the
// font at it, and the map is drawn for it.
void ExpectLaidOutAndDrawnAt(int dpi, const std::vector<test::Design>& design) {
  SCOPED_TRACE(std::to_string(dpi) + " dpi");
  EXPECT_EQ(ui::WindowDpi(kTreemapWindow), dpi);
  EXPECT_TRUE(test::ControlsAt(design, dpi));
  EXPECT_TRUE(test::FontsAt(kTreemapWindow, dpi));
  EXPECT_TRUE(TooltipFontAt(dpi));
  EXPECT_TRUE(CaptionWholeAt(dpi));
  EXPECT_TRUE(TilesFillTheArea());
}

class ScaledTreemap : public test::AppTest {
 protected:
  // The program started on a small tree and scanned; the treemap opened from the menu.
  void ScanAndOpen() {
    tree_.Sparse(L"Filme\\Film.mkv", 3 * 1024 * 1024);
    tree_.Sparse(L"Bilder\\Urlaub\\Strand.jpg", 2 * 1024 * 1024);
    tree_.Sparse(L"Dokumente\\Brief.pdf", 700 * 1024);
    tree_.File(L"liesmich.txt", 100);
    Start({tree_.Root()});
    Click(kGadScan);
    Menu(kItemTreemap);
    ASSERT_TRUE(ui::IsWindowShown(kTreemapWindow));
    test::PumpMessages();
  }
  test::TempTree tree_;
};

TEST_F(ScaledTreemap, BesideTheMainWindowWithItsCaptionWhole) {
  ScanAndOpen();
  const int dpi = test::RunDpi();
  HWND win = ui::WindowID(kTreemapWindow);
  EXPECT_EQ(ui::WindowDpi(kTreemapWindow), dpi);
  EXPECT_TRUE(test::FontsAt(kTreemapWindow, dpi));
  EXPECT_TRUE(TooltipFontAt(dpi));

  // Beside the main window where the wider side of the screen has room for the narrowest map
  // (at the scale), as wide as the scaled design or that side allows; else at the right edge
  // over the main window, at the scaled design width. Always the scaled design height.
  const RECT main = ui::WindowFrame(kMainWindow);
  const RECT map = ui::WindowFrame(kTreemapWindow);
  const RECT work = ui::WorkAreaOf(kMainWindow);
  const int frameW = (map.right - map.left) - ui::WindowInnerWidth(kTreemapWindow);
  const int room = std::max(work.right - main.right, main.left - work.left) - frameW;
  const int innerW = ui::WindowInnerWidth(kTreemapWindow);
  EXPECT_NEAR(ui::WindowInnerHeight(kTreemapWindow), S(kDesignH), 1);
  EXPECT_EQ(map.top, main.top);
  EXPECT_GE(map.left, work.left);
  EXPECT_LE(map.right, work.right);
  if (room >= S(kNarrowest)) {
    EXPECT_TRUE(map.left == main.right || map.right == main.left)
        << map.left << ".." << map.right << " against " << main.left << ".." << main.right;
    EXPECT_NEAR(innerW, std::min(S(kDesignW), room), 1);
  } else {
    EXPECT_EQ(map.right, work.right);
    EXPECT_NEAR(innerW, S(kDesignW), 1);
  }

  // The drawing area fills the client area; the tiles fill it below the caption.
  RECT client;
  GetClientRect(win, &client);
  EXPECT_EQ(test::BoxOf(kTreemapCanvas), (test::Box{0, 0, client.right, client.bottom}));
  EXPECT_TRUE(TilesFillTheArea());
  EXPECT_TRUE(CaptionWholeAt(dpi));
  EXPECT_FALSE(test::Screenshot(GetDesktopWindow(), L"treemap_beside_main_window_" +
                                                        std::to_wstring(dpi) + L"dpi")
                   .empty());
  // At its design size (moved where the screen has room for it) the strip holds the whole
  // caption of this tree.
  ui::ResizeWindow(kTreemapWindow, work.left, work.top, S(kDesignW), S(kDesignH));
  RunPending();
  test::PumpMessages();
  ASSERT_LE(test::Ink(ui::GuiFont(dpi), TreemapCaption()).cx, CaptionRoom(S(kDesignW), dpi));
  EXPECT_TRUE(CaptionWholeAt(dpi));
  EXPECT_TRUE(TilesFillTheArea());

  // The smallest size the user can drag it to is the design minimum at the scale.
  MINMAXINFO mmi{};
  SendMessageW(win, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  const int frameH = (map.bottom - map.top) - ui::WindowInnerHeight(kTreemapWindow);
  EXPECT_EQ(mmi.ptMinTrackSize.x - frameW, S(200));
  EXPECT_EQ(mmi.ptMinTrackSize.y - frameH, S(120));
}

TEST_F(ScaledTreemap, MovedToAnotherScalingAndBack) {
  ScanAndOpen();
  const int dpi = test::RunDpi();
  const int other = test::OtherDpi();
  // At its design size in the top left corner, so that it stays on the test display when it
  // grows.
  ui::ResizeWindow(kTreemapWindow, 0, 0, S(kDesignW), S(kDesignH));
  RunPending();
  const std::vector<test::Design> design = {{kTreemapCanvas, 0, 0, kDesignW, kDesignH}};
  EXPECT_TRUE(test::InnerSizeAt(kTreemapWindow, kDesignW, kDesignH, dpi));
  EXPECT_TRUE(test::ControlsAt(design, dpi));

  // Windows moves it onto the other monitor, to the place and size it suggests.
  HWND win = ui::WindowID(kTreemapWindow);
  RECT wr;
  GetWindowRect(win, &wr);
  const int iw = ui::WindowInnerWidth(kTreemapWindow), ih = ui::WindowInnerHeight(kTreemapWindow);
  const int fw = (wr.right - wr.left) - iw, fh = (wr.bottom - wr.top) - ih;
  const int x = S(30), y = S(20);
  RECT suggested{x, y, x + MulDiv(iw, other, dpi) + fw, y + MulDiv(ih, other, dpi) + fh};
  SendMessageW(win, WM_DPICHANGED, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&suggested));
  test::PumpMessages();
  RECT now;
  GetWindowRect(win, &now);
  EXPECT_TRUE(EqualRect(&now, &suggested))
      << now.left << "," << now.top << "-" << now.right << "," << now.bottom;
  // Drawn again by itself, the caption in the font of the new DPI and the map at its new size.
  ExpectLaidOutAndDrawnAt(other, design);
  test::Screenshot(win, L"treemap_" + std::to_wstring(dpi) + L"dpi_moved_to_" +
                            std::to_wstring(other));

  // And back.
  test::ChangeDpi(kTreemapWindow, dpi);
  test::PumpMessages();
  ExpectLaidOutAndDrawnAt(dpi, design);
}

}  // namespace
}  // namespace vardune
