// Display-scaling arithmetic shared by the platform layer and the pure layout code (no
// windows.h): a design value is a length in pixels at 96 dpi (100 % display scaling); a window
// shown at another DPI gets it multiplied by dpi / 96 and rounded to the nearest pixel.
#pragma once
#include <cstdint>

namespace vardune::ui {

// The DPI at which design values are pixels.
inline constexpr int kDesignDpi = 96;

// A design length in pixels at `dpi`, halves rounded away from zero (7.5 gives 8, -7.5 gives
// -8), so that a length and its negative scale alike.
constexpr int ScaleToDpi(int design, int dpi) {
  const int64_t p = static_cast<int64_t>(design) * dpi;
  const int64_t m = (p < 0 ? -p : p) + kDesignDpi / 2;
  return static_cast<int>(p < 0 ? -(m / kDesignDpi) : m / kDesignDpi);
}

// A length in pixels at `dpi` back in design units, rounded the same way.
constexpr int DesignFromDpi(int pixels, int dpi) {
  if (dpi <= 0) return pixels;
  const int64_t p = static_cast<int64_t>(pixels) * kDesignDpi;
  const int64_t m = (p < 0 ? -p : p) + dpi / 2;
  return static_cast<int>(p < 0 ? -(m / dpi) : m / dpi);
}

// Choosing among the DPIs a picture was drawn for: true when `candidate` is nearer to `dpi`
// than `best` (0: none chosen yet). Between two equally near the larger wins, whose picture is
// the sharper one when shown a little smaller than its room.
constexpr bool NearerDpi(int dpi, int candidate, int best) {
  if (best <= 0) return true;
  const int gap = candidate > dpi ? candidate - dpi : dpi - candidate;
  const int bestGap = best > dpi ? best - dpi : dpi - best;
  return gap < bestGap || (gap == bestGap && candidate > best);
}

}  // namespace vardune::ui
