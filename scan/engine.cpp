// The choice of the scan engine (see engine.h).
//
// A drive root is read through the MFT where it can be: the whole volume is the target, and no
// listing beats one sequential read of it. Any other local directory is listed, and while the
// walk runs it keeps asking whether the MFT would now end sooner than listing the rest; when
// it would, the walk hands over: its records since the start go, the counters go back, the log
// lines it held back are dropped, and the MFT engine scans. The records are the same either
// way; only the time differs.
#include "scan/engine.h"

#include "os/fs.h"
#include "os/ntfs_volume.h"
#include "os/privilege.h"
#include "os/text.h"
#include "scan/mft.h"
#include "scan/model.h"
#include "scan/scanner.h"

namespace vardune {

ScanEngine GScanEngine = ScanEngine::Auto;
int GListingThreadsLocal = 2;
int GListingThreadsNetwork = 16;
int64_t GMftMeasureAfterMicros = 100000;

bool MftSooner(const ChoiceFacts& f) {
  if (f.mftMicros < 0) return false;
  double rest = static_cast<double>(f.listedMicros);
  if (f.expected > f.listed && f.listed > 0) {
    rest = static_cast<double>(f.expected - f.listed) * static_cast<double>(f.listedMicros) /
           static_cast<double>(f.listed);
  }
  return static_cast<double>(f.mftMicros) < rest;
}

bool (*GHandOverToMft)(const ChoiceFacts& facts) = MftSooner;

int ListingThreadsFor(std::wstring_view path) {
  return os::IsNetworkPath(path) ? GListingThreadsNetwork : GListingThreadsLocal;
}

namespace {

// The listing walk that may hand over to the MFT engine, as its pumps see it.
struct Choice {
  std::wstring path;
  int64_t start = 0;       // microseconds
  int64_t measuring = 0;   // spent measuring the MFT, not listing
  int64_t nextLook = 0;
  int32_t files = 0, dirs = 0;  // the counters at the start
  int64_t mftMicros = -1;  // what the MFT would take; -1 not known (yet)
  bool measured = false;
};
Choice gChoice;

bool LookAtMft() {
  Choice& c = gChoice;
  const int64_t now = os::Micros();
  if (now < c.nextLook) return false;
  c.nextLook = now + GPumpIntervalMs * 1000;
  const int64_t listing = now - c.start - c.measuring;
  if (c.mftMicros < 0) {
    if (c.measured || listing < GMftMeasureAfterMicros) return false;
    c.measured = true;
    c.mftMicros = MftCostMicros(c.path, true);
    c.measuring = os::Micros() - now;
    if (c.mftMicros < 0) {
      ReleaseLog(true);  // no MFT to hand over to: what the walk logs stands
      return false;
    }
  }
  ChoiceFacts f;
  f.listedMicros = listing;
  f.listed = int64_t{GFiles} - c.files + (int64_t{GDirs} - c.dirs);
  f.expected = GRescanEntries;
  f.mftMicros = c.mftMicros;
  return GHandOverToMft(f);
}

int64_t ListingThenMft(std::wstring_view path, int threads) {
  Choice& c = gChoice;
  c = Choice{};
  c.path = path;
  c.start = os::Micros();
  c.files = GFiles;
  c.dirs = GDirs;
  const int64_t bytes = GBytes;
  const size_t records = Pfade.size();
  c.mftMicros = MftCostMicros(path, false);

  HoldLog();
  GWalkHandOver = LookAtMft;
  int64_t total = ScanDirAhead(path, threads);
  GWalkHandOver = nullptr;
  if (!WalkHandedOver()) {
    ReleaseLog(true);
    return total;
  }
  ReleaseLog(false);
  // Whatever hangs on the records later goes with them.
  Pfade.KeepIf([&](size_t i) { return i < records; });
  GFiles = c.files;
  GDirs = c.dirs;
  GBytes = bytes;
  GCancel = false;
  const int64_t listed = os::Micros() - c.start;
  const bool read = _MftScanDir(path, total);
  GMftStats.listedMicros = listed;
  if (read) return total;
  // The MFT did not fit after all (its log line says why where the volume is damaged).
  return ScanDirAhead(path, threads);
}

bool IsVolumeRoot(std::wstring_view path) {
  std::wstring p(path);
  if (p.empty() || p.back() != L'\\') p += L'\\';
  return EqualNoCase(os::VolumeRootOf(p), p);
}

}  // namespace

int64_t ScanTree(std::wstring_view path) {
  GMftStats = MftScanStats{};
  os::PrepareListing();
  switch (GScanEngine) {
    case ScanEngine::OneAtATime:
      return _ScanDir(path);
    case ScanEngine::ListingAhead:
      return ScanDirAhead(path, ListingThreadsFor(path));
    case ScanEngine::Auto:
      break;
  }
  const bool network = os::IsNetworkPath(path);
  const int threads = network ? GListingThreadsNetwork : GListingThreadsLocal;
  if (network || GStress || GMftMode == MftMode::Never) return ScanDirAhead(path, threads);
  if (GMftMode == MftMode::Always || IsVolumeRoot(path)) {
    if (int64_t total = 0; _MftScanDir(path, total)) return total;
    return ScanDirAhead(path, threads);
  }
  return ListingThenMft(path, threads);
}

}  // namespace vardune
