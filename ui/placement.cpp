// Placing a window beside another (see placement.h).
#include "ui/placement.h"

#include <algorithm>

namespace vardune {

ScreenRect PlaceBeside(const ScreenRect& beside, const ScreenRect& work, int w, int h, int minW) {
  const int workW = std::max(0, work.right - work.left);
  const int workH = std::max(0, work.bottom - work.top);
  w = std::clamp(w, 0, workW);
  h = std::clamp(h, 0, workH);
  minW = std::min(minW, w);
  const int right = work.right - beside.right;
  const int left = beside.left - work.left;
  int x;
  if (right >= w) {
    x = beside.right;
  } else if (left >= w) {
    x = beside.left - w;
  } else if (std::max(left, right) >= minW) {
    if (right >= left) {
      x = beside.right;
      w = right;
    } else {
      w = left;
      x = beside.left - w;
    }
  } else {
    x = work.right - w;
  }
  const int y = std::clamp(beside.top, work.top, work.bottom - h);
  return ScreenRect{x, y, x + w, y + h};
}

}  // namespace vardune
