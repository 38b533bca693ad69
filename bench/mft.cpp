// Benchmark of the MFT engine: full scans (_Scan) of an NTFS volume that holds the benchmark
// tree, read through its MFT, against the bare listing walk of the same tree on the local disk,
// alternately. The process's private bytes are sampled by a second thread during the MFT scans.
// Then a partial rescan of top00\mid0 (1% of the records), which the engine choice lists.
// Prints "name: value" lines: mft_scan_vs_bare_walk (median ratio), mft_records_per_second,
// mft_peak_bytes_per_record, mft_read_seconds (the reads of the volume alone),
// mft_read_mb_per_second, mft_rescan_vs_full_scan, and the figures behind them.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench.h"
#include "os/clock.h"
#include "scan/driver.h"
#include "scan/mft.h"
#include "scan/model.h"

using namespace vardune;
using bench::BareWalk;
using bench::Median;
using bench::PrivateBytes;

namespace {

// The highest private bytes seen while it runs, sampled every few milliseconds.
class PeakSampler {
 public:
  PeakSampler() : peak_(PrivateBytes()), thread_([this] {
    while (!done_) {
      const double now = PrivateBytes();
      if (now > peak_) peak_ = now;
      Sleep(2);
    }
  }) {}
  double Stop() {
    done_ = true;
    thread_.join();
    return std::max(PrivateBytes(), peak_.load());
  }

 private:
  std::atomic<double> peak_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_mft <NTFS volume root> <same tree on the local disk> [rounds]\n");
    return 2;
  }
  const std::wstring volume = argv[1];
  const std::wstring tree = argv[2];
  const int rounds = argc > 3 ? _wtoi(argv[3]) : 5;
  bench::OpenWindowForPumping();

  // Warm the caches: the tree's directories and the image's bytes.
  std::wstring p = tree;
  BareWalk(p);
  _Scan(volume);
  if (!GMftStats.used) {
    std::fprintf(stderr, "the MFT of %ls cannot be read (%ls)\n", volume.c_str(),
                 GMftStats.fallback.c_str());
    return 1;
  }

  std::vector<double> ratios, perSecond, peakPerRecord, readSeconds, readRate, rescanRatios;
  uint64_t inUseRecords = 0;
  for (int r = 0; r < rounds; ++r) {
    p = tree;
    int64_t t0 = os::Millis();
    BareWalk(p);
    const int64_t bareMs = os::Millis() - t0;

    Pfade.Clear();
    const double before = PrivateBytes();
    PeakSampler sampler;
    t0 = os::Millis();
    _Scan(volume);
    const int64_t mftMs = os::Millis() - t0;
    const double peak = sampler.Stop();
    const MftScanStats full = GMftStats;

    const std::wstring sub = volume + L"tree\\top00\\mid0\\";
    t0 = os::Millis();
    _Scan(sub);
    const int64_t rescanMs = os::Millis() - t0;
    const bool rescanByMft = GMftStats.used;

    inUseRecords = full.recordsInUse;
    const double inUse = static_cast<double>(full.recordsInUse);
    ratios.push_back(static_cast<double>(mftMs) / static_cast<double>(std::max<int64_t>(1, bareMs)));
    perSecond.push_back(inUse / (static_cast<double>(std::max<int64_t>(1, mftMs)) / 1000.0));
    peakPerRecord.push_back((peak - before) / inUse);
    readSeconds.push_back(static_cast<double>(full.readMicros) / 1e6);
    readRate.push_back(static_cast<double>(full.bytesRead) / 1048576.0 /
                       std::max(1e-6, static_cast<double>(full.readMicros) / 1e6));
    rescanRatios.push_back(static_cast<double>(rescanMs) / static_cast<double>(std::max<int64_t>(1, mftMs)));
    std::fprintf(stderr,
                 "round %d: bare walk %.2f s, MFT scan %.3f s (reads %.3f s, %llu records in use, "
                 "tree %.1f MB), rescan %.3f s through the %s\n",
                 r, bareMs / 1000.0, mftMs / 1000.0, readSeconds.back(),
                 static_cast<unsigned long long>(full.recordsInUse), full.treeBytes / 1048576.0,
                 rescanMs / 1000.0, rescanByMft ? "MFT" : "listing");
  }
  std::printf("mft_scan_vs_bare_walk: %.3f\n", Median(ratios));
  std::printf("mft_records_per_second: %.0f\n", Median(perSecond));
  std::printf("mft_peak_bytes_per_record: %.1f\n", Median(peakPerRecord));
  std::printf("mft_read_seconds: %.3f\n", Median(readSeconds));
  std::printf("mft_read_mb_per_second: %.0f\n", Median(readRate));
  std::printf("mft_rescan_vs_full_scan: %.4f\n", Median(rescanRatios));
  std::printf("mft_records_in_use: %llu\n", static_cast<unsigned long long>(inUseRecords));
  std::printf("mft_records: %llu\n", static_cast<unsigned long long>(GMftStats.records));
  std::printf("mft_private_bytes_source: %s\n", bench::gPrivateBytesSource);
  return 0;
}
