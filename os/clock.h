// The monotonic millisecond clock of the program (QueryPerformanceCounter).
#pragma once
#include <cstdint>

namespace vardune::os {
// Milliseconds since an arbitrary start; never goes back.
int64_t Millis();
}  // namespace vardune::os
