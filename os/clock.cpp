// The monotonic millisecond clock (see clock.h).
#include "os/clock.h"

#include <windows.h>

namespace vardune::os {

int64_t Millis() {
  static const int64_t freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<int64_t>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<int64_t>(c.QuadPart / freq * 1000 + (c.QuadPart % freq) * 1000 / freq);
}

}  // namespace vardune::os
