// Where a window opens beside another one on the screen: arithmetic on outer rectangles in
// screen coordinates, free of windows.h.
#pragma once
#include <vector>

namespace vardune {

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const ScreenRect&) const = default;
};

// The outer rectangle for a window of outer size w x h next to `beside`, inside the work area
// `work`: to its right where the screen has room for w, else to its left; where neither side
// has, on the side with more room, narrowed to that room as long as it leaves at least minW;
// else at the right edge of the work area, over `beside`. The top is that of `beside`, moved
// up as far as needed to keep the bottom on the screen; a window taller than the work area is
// cut to it.
ScreenRect PlaceBeside(const ScreenRect& beside, const ScreenRect& work, int w, int h, int minW);

// The same, keeping clear of the windows already beside it (`others`): the first place that
// holds the whole window on the screen without covering `beside` or any of the others, out
// of: right of `beside`, left of it, then right and left of each of the others, then below
// and above `beside`, then below and above each of the others. Where none is free,
// PlaceBeside's place.
ScreenRect PlaceBesideClear(const ScreenRect& beside, const ScreenRect& work, int w, int h,
                            int minW, const std::vector<ScreenRect>& others);

}  // namespace vardune
