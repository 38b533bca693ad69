// What the benchmark programs share: the median of a set of timings, the main loop's
// handling of every event the windows have collected, a bare listing walk, a hidden window
// whose events a scan pumps, and the process's private bytes.
#pragma once
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/app.h"
#include "os/fs.h"
#include "scan/scanui.h"
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

// Lists the tree and sums the sizes, nothing else: what any scan must at least do.
inline int64_t BareWalk(std::wstring& p) {
  int64_t total = 0;
  os::DirListing l(p);
  const size_t base = p.size();
  while (l.Next()) {
    if (l.IsDotOrDotDot()) continue;
    if (!l.IsDirectory()) {
      total += l.Size();
    } else if (!l.IsReparsePoint()) {
      p.append(l.Name());
      p += L'\\';
      total += BareWalk(p);
      p.resize(base);
    }
  }
  return total;
}

// The main window's progress fields and "STOPP", hidden, wired to the scan engine.
inline void OpenWindowForPumping() {
  ui::InitPlatform();
  ui::OpenWindow(1, 100, 100, 500, 334, L"Vardune bench", ui::WinNormal | ui::WinInvisible);
  ui::StringGadget(1, 4, 140, 30, 355, 35, L"", ui::GadReadOnly | ui::GadMultiLine);
  ui::StringGadget(1, 5, 140, 65, 355, 20, L"", ui::GadReadOnly);
  ui::ButtonGadget(1, 8, 95, 30, 40, 20, L"STOPP", ui::GadToggle);
  GScanUi.SetPathText = [](std::wstring_view t) { ui::SetGadgetText(4, t); };
  GScanUi.SetCounterText = [](std::wstring_view t) { ui::SetGadgetText(5, t); };
  GScanUi.PumpEvents = [] {
    bool stop = false;
    for (;;) {
      const ui::Event e = ui::WindowEvent();
      if (ui::GetGadgetState(8)) stop = true;
      if (e.Kind == ui::EventNone) break;
    }
    if (stop) ui::SetGadgetState(8, 0);
    return stop;
  };
}

// The committed private memory of the process. Some systems (Wine among them) report 0 as
// PrivateUsage; the sum of the committed private regions of the address space is the same
// figure, taken the long way.
inline const char* gPrivateBytesSource = "PrivateUsage";
inline double PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX c{};
  c.cb = sizeof(c);
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&c),
                           sizeof(c)) &&
      c.PrivateUsage > 0) {
    return static_cast<double>(c.PrivateUsage);
  }
  gPrivateBytesSource = "VirtualQuery";
  double sum = 0;
  MEMORY_BASIC_INFORMATION m{};
  for (const char* a = nullptr; VirtualQuery(a, &m, sizeof(m)) == sizeof(m);
       a = static_cast<const char*>(m.BaseAddress) + m.RegionSize) {
    if (m.State == MEM_COMMIT && m.Type == MEM_PRIVATE) sum += static_cast<double>(m.RegionSize);
    if (m.RegionSize == 0) break;
  }
  return sum;
}

}  // namespace vardune::bench
