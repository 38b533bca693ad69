// Long use in one process: 50 full scans of the benchmark tree through the scan driver, each
// followed by a partial rescan of 1% of it, then 1,000 navigations and sorts in the real main
// window. Prints the process's private bytes after the first round (full scan and rescan), after
// the last one and after the navigations, the growth from the first to the last round in
// percent (soak_private_bytes_growth_pct), the growth over the second half of the rounds alone,
// and whether every full scan gave the same records as the first.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "app/app.h"
#include "bench/bench.h"
#include "os/clock.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "ui/mainwindow.h"
#include "ui/platform/platform.h"
#include "view/resultlist.h"

using namespace vardune;
using bench::Median;
using bench::PrivateBytes;
using bench::Pump;

namespace {

using Record = std::tuple<std::wstring, std::wstring, int64_t, int32_t, int32_t>;

std::vector<Record> Snapshot() {
  std::vector<Record> out;
  out.reserve(Pfade.size());
  for (size_t i = 0; i < Pfade.size(); ++i) {
    const Pfad p = Pfade.Get(i);
    out.emplace_back(p.Parent, p.Name, p.Size, p.Dirs, p.Files);
  }
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_soak <tree with trailing backslash> [scans]\n");
    return 2;
  }
  const std::wstring tree = argv[1];
  const int scans = argc > 2 ? _wtoi(argv[2]) : 50;
  if (!StartUp({})) return 1;
  const std::wstring sub = tree + L"top00\\mid0\\";

  std::vector<Record> first;
  bool same = true;
  double afterFirstFull = 0, afterFirst = 0, atHalf = 0, afterLast = 0;
  const int64_t t0 = os::Millis();
  for (int i = 0; i < scans; ++i) {
    GStartPath = tree;
    _Scan(tree);
    Pump();
    if (i == 0) {
      first = Snapshot();
      afterFirstFull = PrivateBytes();
    } else if (Snapshot() != first) {
      same = false;
    }
    _Scan(sub);
    Pump();
    // Compared at the same point of every round: the heap commits and gives back memory
    // between a full scan and a rescan by a few percent either way.
    if (i == 0) afterFirst = PrivateBytes();
    if (i == scans / 2) atHalf = PrivateBytes();
    if (i == scans - 1) afterLast = PrivateBytes();
    std::fprintf(stderr, "scan %d: %zu records, private %.1f MB\n", i, Pfade.size(),
                 PrivateBytes() / 1048576.0);
  }
  // Down two levels and up again, re-sorting by every column on the way.
  GStartPath = tree;
  _ShowDir(GStartPath);
  for (int i = 0; i < 1000; ++i) {
    switch (i % 4) {
      case 0: _OpenRow(i % 7, false); break;
      case 1: _SortColumn(i % 5); break;
      case 2: _OpenRow(0, false); break;
      default: _DirUp(); _DirUp(); break;
    }
    Pump();
  }
  const double afterNavigation = PrivateBytes();
  const int64_t ms = os::Millis() - t0;

  std::printf("soak_private_bytes_first_full_scan: %.0f\n", afterFirstFull);
  std::printf("soak_private_bytes_first_round: %.0f\n", afterFirst);
  std::printf("soak_private_bytes_last_round: %.0f\n", afterLast);
  std::printf("soak_private_bytes_after_navigation: %.0f\n", afterNavigation);
  std::printf("soak_private_bytes_growth_pct: %.2f\n",
              afterFirst > 0 ? (afterLast - afterFirst) * 100.0 / afterFirst : 0.0);
  std::printf("soak_second_half_growth_pct: %.2f\n",
              atHalf > 0 ? (afterLast - atHalf) * 100.0 / atHalf : 0.0);
  std::printf("soak_navigation_growth_pct: %.2f\n",
              afterLast > 0 ? (afterNavigation - afterLast) * 100.0 / afterLast : 0.0);
  std::printf("soak_same_records: %d\n", same ? 1 : 0);
  std::printf("soak_memory_source: %s\n", bench::gPrivateBytesSource);
  std::printf("soak_seconds: %.1f\n", static_cast<double>(ms) / 1000.0);
  ShutDown();
  return same ? 0 : 1;
}
