// The anchor layout manager: every window registers itself with its design size and its
// controls with their creation rectangles; after a window has been resized, its controls are
// moved and stretched by the change of the window's inner size. The arithmetic here is pure
// (no windows.h); _AnchorApply hands the result to the platform layer.
//
// Records hold design coordinates (pixels at 96 dpi), whatever the display scaling: a window
// shown at another DPI has them scaled where they become window rectangles, in _AnchorLayoutAt.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace vardune {

// In a record: this coordinate does not follow the window. Handed to the control resize: this
// coordinate stays as it is. The same value as ui::kKeep.
inline constexpr int32_t kAnchorKeep = -65535;

struct Anchor {
  int32_t Window = 0;
  int32_t Control = 0;  // kAnchorKeep for the window's own record
  int32_t X = 0;
  int32_t Y = 0;
  int32_t W = 0;
  int32_t H = 0;
};

// All windows' records, in registration order; at most one per window and control.
extern std::vector<Anchor> Anchors;

// Stores the record, overwriting the coordinates of an existing one for the same window and
// control.
void _AnchorAdd(int32_t window, int32_t control, int32_t x, int32_t y, int32_t w, int32_t h);
// Registers a control: "L" keeps X, "O" keeps Y, "R" keeps W, "U" keeps H (any order, any
// case, other characters ignored); every other coordinate becomes kAnchorKeep. An empty text
// registers nothing.
void _Anchor(std::wstring_view letters, int32_t window, int32_t control, int32_t x, int32_t y,
             int32_t w, int32_t h);

// One control's rectangle after a resize; kAnchorKeep where the coordinate stays.
struct AnchorPlace {
  int32_t Control = 0;
  int32_t X = 0;
  int32_t Y = 0;
  int32_t W = 0;
  int32_t H = 0;
  bool operator==(const AnchorPlace&) const = default;
};
// The rectangles of the window's registered controls, in registration order, for a window
// whose inner size is now innerW x innerH. Empty when the window was never registered.
std::vector<AnchorPlace> _AnchorLayout(int32_t window, int32_t innerW, int32_t innerH);
// The same for a window shown at `dpi`, in its pixels: every stored value is scaled first (and
// rounded), the change of the inner size is taken in pixels. So a window at its design size
// times the scale shows every control at its design rectangle times the scale, and at 96 dpi
// this is _AnchorLayout.
std::vector<AnchorPlace> _AnchorLayoutAt(int32_t window, int32_t innerW, int32_t innerH,
                                         int dpi);

// Re-lays out a window after it reported a new size, or after its DPI changed (nothing when it
// is not registered or no longer open).
void _AnchorApply(int window);

}  // namespace vardune
