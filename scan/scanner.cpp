// The recursive directory scanner (see scanner.h).
#include "scan/scanner.h"

#include <memory>
#include <optional>
#include <vector>

#include "os/clock.h"
#include "os/dirinfo.h"
#include "os/fs.h"
#include "os/listahead.h"
#include "os/text.h"
#include "scan/model.h"
#include "scan/scanui.h"

namespace vardune {

ScanUi GScanUi;

int32_t GFiles = 0;
int32_t GDirs = 0;
int64_t GBytes = 0;
int64_t GNextRefresh = 0;
bool GCancel = false;
bool GStress = false;
int32_t GStressNotRead = 0;
int64_t GPumpIntervalMs = 10;

bool (*GWalkHandOver)() = nullptr;

namespace {

int64_t gLastPump = 0;
bool gHandedOver = false;
bool gHoldLog = false;
std::vector<std::wstring> gHeldLog;

void LogLine(std::wstring line) {
  if (gHoldLog) {
    gHeldLog.push_back(std::move(line));
  } else if (GScanUi.LogError) {
    GScanUi.LogError(line);
  }
}

// Asked at the walk's pumps: hand the scan over to another engine?
bool HandOver() {
  if (!GWalkHandOver || GCancel || !GWalkHandOver()) return false;
  gHandedOver = true;
  GCancel = true;
  return true;
}

// P (ending with "\") split at its backslashes: the own name is the last non-final piece,
// the parent everything before it (C:\Daten\ -> C:\ + Daten; C:\ -> "" + C:).
struct ScanSplit {
  std::wstring_view parent;
  std::wstring_view name;
};
ScanSplit SplitScanPath(std::wstring_view p) {
  const size_t last = p.size() >= 2 ? p.rfind(L'\\', p.size() - 2) : std::wstring_view::npos;
  if (last == std::wstring_view::npos) return {{}, p.substr(0, p.empty() ? 0 : p.size() - 1)};
  return {p.substr(0, last + 1), p.substr(last + 1, p.size() - last - 2)};
}

// Pumps the window events when the last pump is at least GPumpIntervalMs ago. Called after
// every file and at every directory; the clock is cheap, the look at the queue is not.
inline void MaybePump() {
  if (PumpIfDue()) {
    GCancel = true;
  } else {
    HandOver();
  }
}

// A drive path (C:\...) or a network path with a server name (\\Server\...). A relative
// path, a path from the root of the current drive (\Daten\), a device name (CON\) or a
// network path without a server (\\\) would list whatever the working directory, the device
// or the network provider happens to offer, not a tree the user named.
bool IsAbsoluteScanPath(std::wstring_view p) {
  if (p.starts_with(L"\\\\")) return p.size() > 2 && p[2] != L'\\';
  return p.size() >= 3 && p[1] == L':' && p[2] == L'\\' &&
         ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z'));
}

// The one-at-a-time walk: each directory is listed by the walk itself when it enters it.
struct OneAtATime {
  using Listing = os::DirInfoListing;
  // The \\?\ form takes every name as it is: a directory "dot." is not trimmed into its twin
  // "dot", and paths past MAX_PATH are reached like any other.
  os::DirInfoListing Open(const std::wstring& p, const os::DirInfoListing*) {
    return os::DirInfoListing(os::LongPathForm(p));
  }
  std::optional<std::wstring> Digest(const os::DirInfoListing&, const std::wstring& file) {
    return os::Md5OfFile(os::LongPathForm(file));
  }
};

// One directory as the listing threads brought it, read like a DirListing.
struct AheadListing {
  std::shared_ptr<const os::DirEntries> dir;  // none when the wait for it was cancelled
  os::ListAhead::Key key;
  size_t i = static_cast<size_t>(-1);

  bool Failed() const { return dir && dir->failed; }
  bool Next() { return dir && ++i < dir->entries.size(); }
  const wchar_t* Name() const { return dir->Name(i); }
  bool IsDirectory() const { return dir->IsDirectory(i); }
  bool Enters() const { return dir->Enters(i); }
  int64_t Size() const { return dir->entries[i].size; }
  int64_t Allocation() const { return dir->entries[i].allocation; }
  uint64_t LastWrite() const { return dir->entries[i].lastWrite; }
  DWORD Attributes() const { return dir->entries[i].attrs; }
  os::ListAhead::Key EntryKey() const {
    os::ListAhead::Key k = key;
    k.push_back(static_cast<uint32_t>(i));
    return k;
  }
};

constexpr DWORD kBriefWaitMs = 5;

// The walk taking each listing (and each digest) from the listing threads. It waits for one
// on the listing and the message queue together, so the window stays alive and "STOPP" is
// seen however long a listing blocks.
struct Ahead {
  os::ListAhead& pool;
  using Listing = AheadListing;

  AheadListing Open(const std::wstring& p, const AheadListing* parent) {
    AheadListing l;
    if (parent) l.key = parent->EntryKey();
    // Cancelled while waiting: no entries, like a listing whose loop ends at once.
    WaitFor([&] { return pool.TakeListing(l.key, p, l.dir); });
    return l;
  }
  std::optional<std::wstring> Digest(const AheadListing& l, const std::wstring& file) {
    std::wstring md5;
    if (!WaitFor([&] { return pool.TakeDigest(l.EntryKey(), file, md5); })) return std::nullopt;
    return md5;
  }

  // True when `take` gave its result, false when "STOPP" came first. A few milliseconds
  // without looking at the messages cost the window nothing and save two calls into the
  // system per directory, which under Wine would queue with the listing threads' own.
  template <class Take>
  bool WaitFor(Take take) {
    for (;;) {
      if (take()) return true;
      if (GCancel) return false;
      if (pool.WaitBriefly(kBriefWaitMs) || !pool.ArmReadyEvent()) continue;
      const os::WaitResult r =
          os::WaitForSignalOrInput(pool.ReadyEvent(), GScanUi.PumpEvents != nullptr, 250);
      if (r == os::WaitResult::Input) {
        gLastPump = os::Millis();
        if (GScanUi.PumpEvents()) GCancel = true;
      }
      // A listing that keeps the walk waiting makes the other engine look better all the time.
      if (HandOver()) return false;
    }
  }
};

// `listable` false: P is recorded as unreadable without being listed. `parent`: the listing
// in which P was found (none for the start).
template <class Engine>
int64_t ScanDir(Engine& engine, const typename Engine::Listing* parent, std::wstring& p,
                PfadListe::ParentId ownParent, bool listable) {
  const int32_t filesAtEntry = GFiles;
  const int32_t dirsAtEntry = GDirs;
  bool error = !listable || p.size() > kMaxScanPath;

  RefreshProgress(p, GBytes, GFiles);

  GCancel = false;
  int64_t total = 0;
  int64_t ownBytes = 0;
  int32_t ownFiles = 0;
  MaybePump();

  // The records of P's contents share P as their Parent.
  const PfadListe::ParentId asParent = Pfade.AddParent(p);
  const size_t base = p.size();
  FileBlockBuilder& files = GFileBuilders.Enter();
  if (!error) {
    typename Engine::Listing list = engine.Open(p, parent);
    if (list.Failed()) {
      error = true;
    } else {
      while (list.Next() && !GCancel) {
        if (!list.IsDirectory()) {
          ++GFiles;
          ++ownFiles;
          total += list.Size();
          ownBytes += list.Size();
          files.Add(list.Name(), list.Size(), list.Allocation(), FileTimeSeconds(list.LastWrite()),
                    FileFlagsOf(list.Attributes()));
          if (GStress && os::FetchedOnAccess(list.Attributes())) {
            // Reading it would fetch it: it is counted, not digested, and has no row.
            ++GStressNotRead;
          } else if (GStress) {
            p.append(list.Name());
            // None when "STOPP" came while it was read: no row rather than a wrong one.
            const std::optional<std::wstring> digest = engine.Digest(list, p);
            p.resize(base);
            if (digest && GScanUi.StressRow) {
              GScanUi.StressRow(std::to_wstring(list.Size() / 1024), list.Name(), *digest);
            }
          }
          MaybePump();
        } else if (list.Enters()) {
          ++GDirs;
          p.append(list.Name());
          p += L'\\';
          total += ScanDir(engine, &list, p, asParent, true);
          p.resize(base);
        }
      }
    }
  }

  const int64_t own = FinishDir(p, DirEnd{ownParent, asParent, error, total, ownBytes, ownFiles,
                                          dirsAtEntry, filesAtEntry, &files});
  GFileBuilders.Leave();
  return own;
}

// The start of a walk: P with its backslash, and the record of P with P's parent text
// (everything before its own name).
struct WalkStart {
  std::wstring p;
  PfadListe::ParentId ownParent;
};
WalkStart StartOf(std::wstring_view path) {
  gHandedOver = false;
  WalkStart w{std::wstring(path), 0};
  if (w.p.empty() || w.p.back() != L'\\') w.p += L'\\';
  w.ownParent = Pfade.AddParent(SplitScanPath(w.p).parent);
  return w;
}

}  // namespace

int64_t _ScanDir(std::wstring_view path) {
  WalkStart w = StartOf(path);
  OneAtATime engine;
  // Below an absolute start every path is absolute: the start alone needs the look.
  return ScanDir(engine, nullptr, w.p, w.ownParent, IsAbsoluteScanPath(w.p));
}

AheadStats GLastAheadStats;

int64_t ScanDirAhead(std::wstring_view path, int threads, AheadBounds bounds) {
  GLastAheadStats = AheadStats{};
  std::wstring p(path);
  if (p.empty() || p.back() != L'\\') p += L'\\';
  os::ListAhead::Options opt;
  opt.threads = threads;
  opt.maxEntriesHeld = bounds.entries;
  opt.maxDirsHeld = bounds.dirs;
  opt.maxPathChars = kMaxScanPath;
  opt.digests = GStress;
  // Nothing to list ahead of a start that is not listed, or without a thread to list it.
  std::unique_ptr<os::ListAhead> pool;
  if (IsAbsoluteScanPath(p)) pool = os::ListAhead::Start(opt);
  if (!pool) return _ScanDir(path);
  WalkStart w = StartOf(p);
  Ahead engine{*pool};
  const int64_t total = ScanDir(engine, nullptr, w.p, w.ownParent, true);
  GLastAheadStats.abandoned = pool->Stop();
  GLastAheadStats.peakDirs = pool->PeakDirsHeld();
  GLastAheadStats.peakEntries = pool->PeakEntriesHeld();
  GLastAheadStats.filesRead = pool->FilesRead();
  return total;
}

bool WalkHandedOver() { return gHandedOver; }

void HoldLog() { gHoldLog = true; }

void ReleaseLog(bool write) {
  gHoldLog = false;
  std::vector<std::wstring> held;
  held.swap(gHeldLog);
  if (!write) return;
  for (const std::wstring& line : held) LogLine(line);
}

void RefreshProgress(std::wstring_view p, int64_t bytes, int32_t files) {
  const int64_t now = os::Millis();
  if (GNextRefresh >= now) return;
  if (GScanUi.SetPathText) GScanUi.SetPathText(ProgressPathText(p));
  if (GScanUi.SetCounterText) GScanUi.SetCounterText(ProgressCounterText(bytes, files));
  GNextRefresh = now + 100;
}

bool PumpIfDue() {
  if (!GScanUi.PumpEvents) return false;
  const int64_t now = os::Millis();
  if (now - gLastPump < GPumpIntervalMs) return false;
  gLastPump = now;
  const bool stop = GScanUi.PumpEvents();
  gLastPump = os::Millis();
  return stop;
}

FileBuilders GFileBuilders;

FileBlockBuilder& FileBuilders::Enter() {
  if (depth_ == pool_.size()) pool_.push_back(std::make_unique<FileBlockBuilder>());
  FileBlockBuilder& b = *pool_[depth_++];
  b.Clear();
  return b;
}

int64_t FinishDir(std::wstring_view p, const DirEnd& d) {
  const std::wstring_view name = SplitScanPath(p).name;
  if (d.error) {
    Pfade.Append(d.ownParent, name, -1, GDirs - d.dirsAtEntry, GFiles - d.filesAtEntry);
    LogLine(L"Error: " + std::wstring(p));
    return 0;
  }
  const FileTable::BlockId block =
      d.files ? Pfade.FileStore().Add(*d.files) : FileTable::kNone;
  Pfade.Append(d.ownParent, name, d.total, GDirs - d.dirsAtEntry, GFiles - d.filesAtEntry,
               block);
  if (d.ownBytes > 0) {
    Pfade.Append(d.asParent, kDateien, d.ownBytes, 0, d.ownFiles);
    GBytes += d.ownBytes;
  }
  return d.total;
}

std::wstring RightAlign(std::wstring_view s, size_t width) {
  if (s.size() >= width) return std::wstring(s.substr(0, width));
  return std::wstring(width - s.size(), L' ') + std::wstring(s);
}

std::wstring ProgressPathText(std::wstring_view p) {
  if (p.size() <= 70) return std::wstring(p);
  return std::wstring(p) + L"\r\n..." + std::wstring(p.substr(p.size() - 50));
}

std::wstring ProgressCounterText(int64_t bytes, int32_t files) {
  return L"MB: " + RightAlign(GroupThousands(bytes / 1024 / 1024), 20) + L"      Dateien: " +
         RightAlign(GroupThousands(files), 20);
}

}  // namespace vardune
