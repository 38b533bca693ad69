// The re-layout of a resized window through the platform layer (see anchor.h).
#include "ui/anchor.h"
#include "ui/platform/platform.h"

namespace vardune {

static_assert(kAnchorKeep == ui::kKeep, "a kept coordinate must mean the same to the platform");

void _AnchorApply(int window) {
  if (!ui::IsWindowOpen(window)) return;
  // Measured as at registration (client height plus menu bar), so the change is 0 right after
  // the window was opened; the records' design values become pixels of the window's DPI here.
  const auto places = _AnchorLayoutAt(window, ui::WindowInnerWidth(window),
                                      ui::WindowInnerHeight(window), ui::WindowDpi(window));
  for (const AnchorPlace& p : places) ui::ResizeGadget(p.Control, p.X, p.Y, p.W, p.H);
}

}  // namespace vardune
