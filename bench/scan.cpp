// Benchmark of the scanner: a bare recursive listing walk that only sums sizes, against the
// one-at-a-time walk with a real (hidden) window whose events it pumps, and against the scan
// driver with the listing threads, alternately on the same tree. Then full scans through the
// scan driver (sort and ancestor correction included) and partial rescans of top00\mid0, which
// holds 1% of the records; the memory the listing threads hold on top of the results; and, on
// a slow medium given as a share, the scan with listing threads against the one-at-a-time scan.
// Prints "name: value" lines: scan_vs_bare_walk, parallel_scan_vs_bare_walk (median ratios),
// bytes_per_record, full_scan_vs_bare_walk, rescan_vs_full_scan, ahead_extra_peak_mib,
// latency_scan_vs_serial; with VARDUNE_BENCH_THREADS_LOCAL / _NETWORK (lists such as 1,2,4)
// also the ratios for each number of listing threads.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench.h"
#include "os/clock.h"
#include "os/fs.h"
#include "scan/driver.h"
#include "scan/engine.h"
#include "scan/model.h"
#include "scan/scanner.h"
#include "scan/scanui.h"
#include "ui/platform/platform.h"

using namespace vardune;
using bench::BareWalk;
using bench::Median;
using bench::OpenWindowForPumping;
using bench::PrivateBytes;

namespace {

double Seconds(int64_t ms) { return static_cast<double>(ms) / 1000.0; }

double Ratio(int64_t a, int64_t b) {
  return static_cast<double>(a) / static_cast<double>(std::max<int64_t>(1, b));
}

// Milliseconds of one full scan through the driver with the given engine.
int64_t TimedScan(const std::wstring& path, ScanEngine engine) {
  GScanEngine = engine;
  Pfade.Clear();
  const int64_t t0 = os::Millis();
  _Scan(path);
  const int64_t ms = os::Millis() - t0;
  GScanEngine = ScanEngine::Auto;
  return ms;
}

// The highest private bytes of the process while `run` runs, less those before it.
template <class Run>
double PeakExtraBytes(Run run) {
  const double before = PrivateBytes();
  std::atomic<bool> done{false};
  double peak = before;
  std::thread sampler([&] {
    while (!done) {
      peak = std::max(peak, PrivateBytes());
      Sleep(5);
    }
  });
  run();
  done = true;
  sampler.join();
  return std::max(peak, PrivateBytes()) - before;
}

std::vector<int> ThreadList(const wchar_t* var) {
  std::vector<int> out;
  wchar_t buf[256] = {0};
  if (!GetEnvironmentVariableW(var, buf, 256)) return out;
  for (const wchar_t* p = buf; *p;) {
    const int n = _wtoi(p);
    if (n > 0) out.push_back(n);
    while (*p && *p != L',') ++p;
    if (*p) ++p;
  }
  return out;
}

std::vector<Pfad> Records() {
  std::vector<Pfad> v;
  for (size_t i = 0; i < Pfade.size(); ++i) v.push_back(Pfade.Get(i));
  return v;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: bench_scan <tree with trailing backslash> [rounds] [slow share]\n");
    return 2;
  }
  const std::wstring tree = argv[1];
  const int rounds = argc > 2 ? _wtoi(argv[2]) : 5;
  const std::wstring slowShare = argc > 3 ? argv[3] : L"";
  OpenWindowForPumping();

  // Warm the file system caches once.
  std::wstring p = tree;
  BareWalk(p);

  std::vector<double> ratios, parallelRatios;
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
    Pfade.SortByParent();
    records = Pfade.size();
    bytes = Pfade.MemoryBytes();
    const int64_t parallelMs = TimedScan(tree, ScanEngine::ListingAhead);
    parallelRatios.push_back(Ratio(parallelMs, bareMs));
    std::fprintf(stderr, "round %d: bare walk %.2f s, scan %.2f s, scan with listing threads %.2f s, %d files\n",
                 r, Seconds(bareMs), Seconds(scanMs), Seconds(parallelMs), GFiles);
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

  // What the listing threads hold on top of the results: the peak of a scan with them, less
  // that of a one-at-a-time scan of the same tree.
  const double serialPeak = PeakExtraBytes([&] { TimedScan(tree, ScanEngine::OneAtATime); });
  const double aheadPeak = PeakExtraBytes([&] { TimedScan(tree, ScanEngine::ListingAhead); });
  const AheadStats held = GLastAheadStats;

  // The number of listing threads, on the local tree against the bare walk.
  for (const int n : ThreadList(L"VARDUNE_BENCH_THREADS_LOCAL")) {
    GListingThreadsLocal = n;
    std::vector<double> v;
    for (int r = 0; r < rounds; ++r) {
      p = tree;
      const int64_t t0 = os::Millis();
      BareWalk(p);
      const int64_t bareMs = os::Millis() - t0;
      v.push_back(Ratio(TimedScan(tree, ScanEngine::ListingAhead), bareMs));
    }
    std::printf("local_threads_%d_vs_bare_walk: %.3f\n", n, Median(v));
  }
  GListingThreadsLocal = 2;

  std::printf("scan_vs_bare_walk: %.3f\n", Median(ratios));
  std::printf("parallel_scan_vs_bare_walk: %.3f\n", Median(parallelRatios));
  std::printf("bytes_per_record: %.1f\n", static_cast<double>(bytes) / static_cast<double>(records));
  std::printf("full_scan_vs_bare_walk: %.3f\n", Median(fullRatios));
  std::printf("rescan_vs_full_scan: %.4f\n", Median(rescanRatios));
  std::printf("records: %zu\n", records);
  std::printf("rescan_share_of_records: %.4f\n", static_cast<double>(rescanRecords) / static_cast<double>(records));
  std::printf("ahead_extra_peak_mib: %.1f\n", (aheadPeak - serialPeak) / 1048576.0);
  std::printf("ahead_peak_dirs_held: %zu\n", held.peakDirs);
  std::printf("ahead_peak_entries_held: %zu\n", held.peakEntries);
  std::printf("memory_source: %s\n", bench::gPrivateBytesSource);
  if (slowShare.empty()) return 0;

  // A slow medium: every directory listing waits before it answers.
  std::vector<double> latency;
  bool same = true;
  const int slowRounds = std::max(1, std::min(rounds, 3));
  for (int r = 0; r < slowRounds; ++r) {
    const int64_t serialMs = TimedScan(slowShare, ScanEngine::OneAtATime);
    const std::vector<Pfad> serialRecords = Records();
    const int64_t aheadMs = TimedScan(slowShare, ScanEngine::ListingAhead);
    same = same && Records() == serialRecords;
    latency.push_back(Ratio(aheadMs, serialMs));
    std::fprintf(stderr, "slow round %d: one at a time %.2f s, listing threads %.2f s, %zu records\n",
                 r, Seconds(serialMs), Seconds(aheadMs), serialRecords.size());
  }
  std::printf("latency_scan_vs_serial: %.3f\n", Median(latency));
  std::printf("latency_records_equal: %d\n", same ? 1 : 0);
  for (const int n : ThreadList(L"VARDUNE_BENCH_THREADS_NETWORK")) {
    GListingThreadsNetwork = n;
    std::vector<double> v;
    for (int r = 0; r < slowRounds; ++r) {
      const int64_t serialMs = TimedScan(slowShare, ScanEngine::OneAtATime);
      v.push_back(Ratio(TimedScan(slowShare, ScanEngine::ListingAhead), serialMs));
    }
    std::printf("network_threads_%d_vs_serial: %.3f\n", n, Median(v));
  }
  return 0;
}
