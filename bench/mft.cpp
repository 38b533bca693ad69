// Benchmark of the MFT engine: full scans (_Scan) of an NTFS volume that holds the benchmark
// tree, read through its MFT, against the bare listing walk of the same tree on the local disk,
// alternately. The process's private bytes are sampled by a second thread during the MFT scans.
// Then the engine choice on the same volume: a rescan of tree\top00\mid0 (1% of the records)
// and a first scan of klein\ (100 files), each with the automatic choice and with either engine
// forced; the small scan with nothing learned of the volume (the choice measures it first).
// Prints "name: value" lines: mft_scan_vs_bare_walk (median ratio), mft_records_per_second,
// mft_peak_bytes_per_record, mft_read_seconds (the reads of the volume alone),
// mft_read_mb_per_second, mft_rescan_vs_full_scan, mft_auto_rescan_vs_best,
// mft_auto_small_vs_best, and the figures behind them.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench.h"
#include "os/clock.h"
#include "os/ntfs_volume.h"
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

// One scan through the driver with the MFT mode given, in microseconds; `used` tells whether
// the MFT gave the records.
double TimedScan(const std::wstring& path, MftMode mode, bool* used = nullptr) {
  GMftMode = mode;
  const int64_t t0 = os::Micros();
  _Scan(path);
  const double us = static_cast<double>(os::Micros() - t0);
  GMftMode = MftMode::Auto;
  if (used) *used = GMftStats.used;
  return us;
}

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
  const std::wstring sub = volume + L"tree\\top00\\mid0\\";
  const std::wstring small = volume + L"klein\\";

  // Warm the caches: the tree's directories and the image's bytes.
  std::wstring p = tree;
  BareWalk(p);
  _Scan(volume);
  if (!GMftStats.used) {
    std::fprintf(stderr, "the MFT of %ls cannot be read (%ls)\n", volume.c_str(),
                 GMftStats.fallback.c_str());
    return 1;
  }
  Pfade.Clear();
  _Scan(small);

  std::vector<double> ratios, perSecond, peakPerRecord, readSeconds, readRate, rescanRatios;
  std::vector<double> autoRescan, autoSmall, autoSmallLearned;
  uint64_t inUseRecords = 0, records = 0;
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

    // The 1% rescan, after the full scan: listed, read, chosen.
    const double rescanListed = TimedScan(sub, MftMode::Never);
    const double rescanRead = TimedScan(sub, MftMode::Always);
    bool rescanByMft = false;
    const double rescanAuto = TimedScan(sub, MftMode::Auto, &rescanByMft);
    const double handedOverAfter = static_cast<double>(GMftStats.listedMicros);

    // The small directory as a first scan, best of a few of each.
    double smallListed = 1e18, smallRead = 1e18, smallAuto = 1e18, smallLearned = 1e18;
    for (int k = 0; k < 5; ++k) {
      Pfade.Clear();
      smallListed = std::min(smallListed, TimedScan(small, MftMode::Never));
      Pfade.Clear();
      smallRead = std::min(smallRead, TimedScan(small, MftMode::Always));
      Pfade.Clear();
      smallLearned = std::min(smallLearned, TimedScan(small, MftMode::Auto));
      Pfade.Clear();
      MftForgetCosts();
      smallAuto = std::min(smallAuto, TimedScan(small, MftMode::Auto));
    }

    inUseRecords = full.recordsInUse;
    records = full.records;
    const double inUse = static_cast<double>(full.recordsInUse);
    ratios.push_back(static_cast<double>(mftMs) / static_cast<double>(std::max<int64_t>(1, bareMs)));
    perSecond.push_back(inUse / (static_cast<double>(std::max<int64_t>(1, mftMs)) / 1000.0));
    peakPerRecord.push_back((peak - before) / inUse);
    readSeconds.push_back(static_cast<double>(full.readMicros) / 1e6);
    readRate.push_back(static_cast<double>(full.bytesRead) / 1048576.0 /
                       std::max(1e-6, static_cast<double>(full.readMicros) / 1e6));
    rescanRatios.push_back(rescanAuto / 1000.0 / static_cast<double>(std::max<int64_t>(1, mftMs)));
    autoRescan.push_back(rescanAuto / std::min(rescanListed, rescanRead));
    autoSmall.push_back(smallAuto / std::min(smallListed, smallRead));
    autoSmallLearned.push_back(smallLearned / std::min(smallListed, smallRead));
    std::fprintf(stderr,
                 "round %d: bare walk %.2f s, MFT scan %.3f s (reads %.3f s, up to the walk %.3f s, "
                 "%llu records in use, tree %.1f MB); rescan listed %.3f s, read %.3f s, chosen "
                 "%.3f s (%s after %.3f s); small listed %.1f ms, read %.1f ms, chosen %.1f ms (learned "
                 "%.1f ms)\n",
                 r, bareMs / 1000.0, mftMs / 1000.0, readSeconds.back(), full.micros / 1e6,
                 static_cast<unsigned long long>(full.recordsInUse), full.treeBytes / 1048576.0,
                 rescanListed / 1e6, rescanRead / 1e6, rescanAuto / 1e6,
                 rescanByMft ? "MFT" : "listing", handedOverAfter / 1e6, smallListed / 1e3, smallRead / 1e3,
                 smallAuto / 1e3, smallLearned / 1e3);
  }
  std::printf("mft_scan_vs_bare_walk: %.3f\n", Median(ratios));
  std::printf("mft_records_per_second: %.0f\n", Median(perSecond));
  std::printf("mft_peak_bytes_per_record: %.1f\n", Median(peakPerRecord));
  std::printf("mft_read_seconds: %.3f\n", Median(readSeconds));
  std::printf("mft_read_mb_per_second: %.0f\n", Median(readRate));
  std::printf("mft_rescan_vs_full_scan: %.4f\n", Median(rescanRatios));
  std::printf("mft_auto_rescan_vs_best: %.3f\n", Median(autoRescan));
  std::printf("mft_auto_small_vs_best: %.3f\n", Median(autoSmall));
  std::printf("mft_auto_small_learned_vs_best: %.3f\n", Median(autoSmallLearned));
  std::printf("mft_records_in_use: %llu\n", static_cast<unsigned long long>(inUseRecords));
  std::printf("mft_records: %llu\n", static_cast<unsigned long long>(records));
  std::printf("mft_private_bytes_source: %s\n", bench::gPrivateBytesSource);
  return 0;
}
