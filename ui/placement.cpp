// Placing a window beside another (see placement.h).
#include "ui/placement.h"

#include <algorithm>
#include <vector>

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

namespace vardune {

namespace {
bool Overlap(const ScreenRect& a, const ScreenRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
}  // namespace

ScreenRect PlaceBesideClear(const ScreenRect& beside, const ScreenRect& work, int w, int h,
                            int minW, const std::vector<ScreenRect>& others) {
  if (others.empty() || w > work.right - work.left || h > work.bottom - work.top) {
    return PlaceBeside(beside, work, w, h, minW);
  }
  std::vector<ScreenRect> taken = others;
  taken.push_back(beside);
  std::vector<ScreenRect> near = {beside};
  near.insert(near.end(), others.begin(), others.end());
  const auto free = [&](int x, int y, ScreenRect& out) {
    y = std::clamp(y, work.top, work.bottom - h);
    if (x < work.left || x + w > work.right) return false;
    out = ScreenRect{x, y, x + w, y + h};
    for (const ScreenRect& t : taken) {
      if (Overlap(out, t)) return false;
    }
    return true;
  };
  ScreenRect at;
  // Beside, as the first window goes; then above or below, lined up with the left edge (or,
  // where that leaves the screen, with the right edge of the screen).
  for (const ScreenRect& a : near) {
    if (free(a.right, a.top, at) || free(a.left - w, a.top, at)) return at;
  }
  for (const ScreenRect& a : near) {
    const int x = std::min(a.left, work.right - w);
    if (free(x, a.bottom, at) || free(x, a.top - h, at)) return at;
  }
  return PlaceBeside(beside, work, w, h, minW);
}

}  // namespace vardune
