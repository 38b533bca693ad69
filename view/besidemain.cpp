// Placing a view window beside the main window (see besidemain.h).
#include "view/besidemain.h"

#include <windows.h>

#include <vector>

#include "ui/anchor.h"
#include "ui/placement.h"
#include "ui/platform/platform.h"

namespace vardune {

namespace {
constexpr int kMainWin = 1;
// The windows that stand beside the main window: the treemap, the largest files, the types,
// the changes.
constexpr int kBeside[] = {61, 63, 65, 67};

ScreenRect Screen(const RECT& r) { return ScreenRect{r.left, r.top, r.right, r.bottom}; }
}  // namespace

void PlaceBesideMain(int win, int w, int h, int minW) {
  std::vector<ScreenRect> others;
  for (int n : kBeside) {
    if (n != win && ui::IsWindowShown(n)) others.push_back(Screen(ui::WindowFrame(n)));
  }
  // Moved to a monitor of another DPI, Windows gives it that DPI (and a size scaled to it) on
  // the way: then it is placed once more, at its new DPI.
  for (int pass = 0; pass < 2; ++pass) {
    const int dpi = ui::WindowDpi(win);
    const RECT own = ui::WindowFrame(win);
    const int frameW = (own.right - own.left) - ui::WindowInnerWidth(win);
    const int frameH = (own.bottom - own.top) - ui::WindowInnerHeight(win);
    const ScreenRect to = PlaceBesideClear(
        Screen(ui::WindowFrame(kMainWin)), Screen(ui::WorkAreaOf(kMainWin)),
        ui::ScaleToDpi(w, dpi) + frameW, ui::ScaleToDpi(h, dpi) + frameH,
        ui::ScaleToDpi(minW, dpi) + frameW, others);
    ui::ResizeWindow(win, to.left, to.top, (to.right - to.left) - frameW,
                     (to.bottom - to.top) - frameH);
    if (ui::WindowDpi(win) == dpi) break;
  }
  // Laid out now rather than when the size event comes round: the first picture is drawn at
  // the size it keeps.
  _AnchorApply(win);
}

}  // namespace vardune
