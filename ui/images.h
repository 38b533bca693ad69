// The program's three pictures (32 x 32 bitmaps held as resources): image 1 the button one
// level up, image 2 the scan button, image 3 the scan button's second picture while a scan
// runs.
#pragma once
#include <windows.h>

namespace vardune {

// Loads image 3, then 1, then 2. Returns false when one of them is missing.
bool LoadImages();
// Image n (1..3), or 0 when it is not loaded or n is out of range.
HBITMAP GImage(int n);
// Frees the pictures (program end).
void FreeImages();

}  // namespace vardune
