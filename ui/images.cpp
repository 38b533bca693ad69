// Loading the pictures from the program's resources (see images.h). The resource id of image n
// is n at 96 dpi and dpi * 10 + n at the other DPIs; the pictures are drawn at build time by
// tools/mkimages.
#include "ui/images.h"

#include <atomic>

#include "ui/platform/platform.h"

namespace vardune {

namespace {

constexpr int kLevels = sizeof kImageDpis / sizeof kImageDpis[0];

// Read by the blink thread of a running scan, written only before any scan starts.
std::atomic<HBITMAP> gImages[kLevels][4];

int ResourceId(int n, int level) {
  return kImageDpis[level] == ui::kDesignDpi ? n : kImageDpis[level] * 10 + n;
}

}  // namespace

bool LoadImages() {
  bool all = true;
  for (int n : {3, 1, 2}) {
    for (int level = 0; level < kLevels; ++level) {
      if (gImages[level][n].load()) continue;
      auto* b = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr),
                                                MAKEINTRESOURCEW(ResourceId(n, level)),
                                                IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
      gImages[level][n] = b;
      if (!b) all = false;
    }
    ui::AddPictureVariants({{kImageDpis[0], gImages[0][n].load()},
                            {kImageDpis[1], gImages[1][n].load()},
                            {kImageDpis[2], gImages[2][n].load()},
                            {kImageDpis[3], gImages[3][n].load()}});
  }
  return all;
}

HBITMAP GImage(int n) { return n >= 1 && n <= 3 ? gImages[0][n].load() : nullptr; }

void FreeImages() {
  for (auto& level : gImages) {
    for (auto& i : level) {
      HBITMAP b = i.exchange(nullptr);
      if (!b) continue;
      ui::RemovePictureVariants(b);
      DeleteObject(b);
    }
  }
}

}  // namespace vardune
