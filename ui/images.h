// The program's three pictures (bitmaps held as resources, each drawn for 96, 120, 144 and 192
// dpi: 32, 40, 48 and 64 pixels square): image 1 the button one level up, image 2 the scan
// button, image 3 the scan button's second picture while a scan runs.
#pragma once
#include <windows.h>

namespace vardune {

// The DPIs the pictures are drawn for.
inline constexpr int kImageDpis[] = {96, 120, 144, 192};

// Loads image 3, then 1, then 2, each in all its sizes, and makes the sizes of each one
// picture for the platform (image controls given GImage(n) show the size for their window's
// DPI). Returns false when one of them is missing.
bool LoadImages();
// Image n (1..3) as drawn for 96 dpi, or 0 when it is not loaded or n is out of range.
HBITMAP GImage(int n);
// Frees the pictures (program end).
void FreeImages();

}  // namespace vardune
