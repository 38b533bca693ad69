// Benchmark of the scanner: a bare recursive listing walk that only sums sizes, against the
// scanner with a real (hidden) window whose events it pumps, alternately on the same tree.
// Then full scans through the scan driver (sort and ancestor correction included) and partial
// rescans of top00\mid0, which holds 1% of the records.
// Prints "name: value" lines: scan_vs_bare_walk (median ratio), bytes_per_record,
// full_scan_vs_bare_walk, rescan_vs_full_scan.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "os/clock.h"
#include "os/fs.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "scan/scanner.h"
#include "scan/scanui.h"
#include "ui/platform/platform.h"

using namespace vardune;
using bench::BareWalk;
using bench::Median;
using bench::OpenWindowForPumping;

namespace {

double Seconds(int64_t ms) { return static_cast<double>(ms) / 1000.0; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_scan <tree with trailing backslash> [rounds]\n");
    return 2;
  }
  const std::wstring tree = argv[1];
  const int rounds = argc > 2 ? _wtoi(argv[2]) : 5;
  OpenWindowForPumping();

  // Warm the file system caches once.
  std::wstring p = tree;
  BareWalk(p);

  std::vector<double> ratios;
  size_t records = 0;
  size_t bytes = 0;
  for (int r = 0; r < rounds; ++r) {
    p = tree;
    int64_t t0 = os::Millis();
    const int64_t bare = BareWalk(p);
    const int64_t bareMs = os::Millis() - t0;

    Pfade.Clear();
    GFiles = GDirs = 0;
    GBytes = 0;
    t0 = os::Millis();
    const int64_t scanned = _ScanDir(tree);
    const int64_t scanMs = os::Millis() - t0;
    if (scanned != bare) std::fprintf(stderr, "totals differ: %lld vs %lld\n", (long long)scanned, (long long)bare);
    ratios.push_back(static_cast<double>(scanMs) / static_cast<double>(std::max<int64_t>(1, bareMs)));
    std::fprintf(stderr, "round %d: bare walk %.2f s, scan %.2f s, %d files\n", r, Seconds(bareMs),
                 Seconds(scanMs), GFiles);
    Pfade.SortByParent();
    records = Pfade.size();
    bytes = Pfade.MemoryBytes();
  }
  // The driver: a full scan against the bare walk, and a rescan of 1% of the tree against the
  // full scan.
  std::vector<double> fullRatios, rescanRatios;
  size_t rescanRecords = 0;
  for (int r = 0; r < rounds; ++r) {
    p = tree;
    int64_t t0 = os::Millis();
    BareWalk(p);
    const int64_t bareMs = os::Millis() - t0;
    Pfade.Clear();
    t0 = os::Millis();
    _Scan(tree);
    const int64_t fullMs = os::Millis() - t0;
    const std::wstring sub = tree + L"top00\\mid0\\";
    rescanRecords = SubtreeOf(Pfade, sub).size();
    t0 = os::Millis();
    _Scan(sub);
    const int64_t rescanMs = os::Millis() - t0;
    fullRatios.push_back(static_cast<double>(fullMs) / static_cast<double>(std::max<int64_t>(1, bareMs)));
    rescanRatios.push_back(static_cast<double>(rescanMs) / static_cast<double>(std::max<int64_t>(1, fullMs)));
    std::fprintf(stderr, "round %d: bare walk %.2f s, full scan %.2f s, rescan %.3f s\n", r,
                 Seconds(bareMs), Seconds(fullMs), Seconds(rescanMs));
  }

  std::printf("scan_vs_bare_walk: %.3f\n", Median(ratios));
  std::printf("bytes_per_record: %.1f\n", static_cast<double>(bytes) / static_cast<double>(records));
  std::printf("full_scan_vs_bare_walk: %.3f\n", Median(fullRatios));
  std::printf("rescan_vs_full_scan: %.4f\n", Median(rescanRatios));
  std::printf("records: %zu\n", records);
  std::printf("rescan_share_of_records: %.4f\n", static_cast<double>(rescanRecords) / static_cast<double>(records));
  return 0;
}
