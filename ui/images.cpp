// Loading the pictures from the program's resources (see images.h). The resource ids are the
// image numbers; the pictures are drawn at build time by tools/mkimages.
#include "ui/images.h"

#include <atomic>

namespace vardune {

namespace {
// Read by the blink thread of a running scan, written only before any scan starts.
std::atomic<HBITMAP> gImages[4];
}  // namespace

bool LoadImages() {
  bool all = true;
  for (int n : {3, 1, 2}) {
    if (gImages[n].load()) continue;
    auto* b = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(n),
                                              IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    gImages[n] = b;
    if (!b) all = false;
  }
  return all;
}

HBITMAP GImage(int n) { return n >= 1 && n <= 3 ? gImages[n].load() : nullptr; }

void FreeImages() {
  for (auto& i : gImages) {
    if (HBITMAP b = i.exchange(nullptr)) DeleteObject(b);
  }
}

}  // namespace vardune
