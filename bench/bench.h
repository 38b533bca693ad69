// What the benchmark programs share: the median of a set of timings, and the main loop's
// handling of every event the windows have collected.
#pragma once
#include <algorithm>
#include <vector>

#include "app/app.h"
#include "ui/platform/platform.h"

namespace vardune::bench {

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

// Dispatches every queued event as the main loop would.
inline void Pump() {
  for (;;) {
    const ui::Event e = ui::WindowEvent();
    if (e.Kind == ui::EventNone) break;
    DispatchMainEvent(e);
  }
}

}  // namespace vardune::bench
