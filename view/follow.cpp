// The views following the result list, and what they share of the results (see follow.h).
#include "view/follow.h"

#include <deque>

#include "os/clock.h"
#include "scan/driver.h"
#include "scan/model.h"

namespace vardune {

namespace {

// How long one piece of the views' work may keep the main loop from its messages, and how
// many files a piece walks between two looks at the clock.
constexpr int64_t kPieceMs = 10;
constexpr size_t kFilesPerLook = 16384;
constexpr size_t kCachedDirs = 8;

std::vector<FollowingView> gViews;
ListShows gShows;

// What is shared, made for the results of Pfade.Changes() == gStamp.
struct Shared {
  uint64_t stamp = UINT64_MAX;
  // Asked for since the list last showed something.
  bool wantRanking = false, wantDir = false;
  // The walk over the whole results: the ranking of the types, and the statistics of a
  // directory that holds all of them.
  FileStatsJob whole;
  bool wholeStarted = false, wholeDone = false;
  TypeRanking ranking;
  DirFileStats wholeStats;
  // The walk below the directory shown, when it is not the whole results.
  FileStatsJob dir;
  std::wstring dirPath;
  bool dirStarted = false;
  // Whether the directory shown holds all files of the results: decided once per directory.
  std::wstring coversPath;
  bool covers = false;
  // The statistics of the last directories, the newest first.
  std::deque<DirFileStats> cache;
};
Shared gShared;

void ResetShared() {
  gShared.whole.Clear();
  gShared.dir.Clear();
  gShared.ranking.Clear();
  gShared = Shared{};
}

// The shared results belong to the results of now, or are made anew.
void CheckStamp() {
  if (gShared.stamp != Pfade.Changes()) {
    ResetShared();
    gShared.stamp = Pfade.Changes();
  }
}

const DirFileStats* Cached(std::wstring_view path) {
  for (const DirFileStats& d : gShared.cache) {
    if (d.path == path) return &d;
  }
  return nullptr;
}

void Remember(DirFileStats stats) {
  for (auto it = gShared.cache.begin(); it != gShared.cache.end(); ++it) {
    if (it->path == stats.path) {
      gShared.cache.erase(it);
      break;
    }
  }
  gShared.cache.push_front(std::move(stats));
  if (gShared.cache.size() > kCachedDirs) gShared.cache.pop_back();
}

DirFileStats StatsOf(const FileStatsJob& job, std::wstring path) {
  DirFileStats d;
  d.path = std::move(path);
  d.largest = job.Largest();
  d.types = job.Types();
  d.bytes = job.Bytes();
  d.files = job.Files();
  return d;
}

// Runs a walk until it is done or the time is up; true when done.
bool RunUntil(FileStatsJob& job, int64_t until) {
  for (;;) {
    if (job.Step(kFilesPerLook)) return true;
    if (os::Millis() >= until) return false;
  }
}

// A directory that holds every file of the results (the root of a scan, as a rule) has the
// statistics of the whole results: one walk gives both.
bool CoversWhole(const std::wstring& path) {
  if (gShared.coversPath != path) {
    gShared.coversPath = path;
    const size_t i = FindRecordOf(Pfade, path);
    gShared.covers = i != PfadListe::npos && Pfade[i].Files >= 0 &&
                     static_cast<size_t>(Pfade[i].Files) == Pfade.FileStore().LiveFiles();
  }
  return gShared.covers;
}

// True while some of the shared work asked for is left.
bool SharedWork(int64_t until) {
  CheckStamp();
  bool wholeWanted = gShared.wantRanking;
  const bool dirWanted = gShared.wantDir && gShows.kind == ListShows::Dir && !Cached(gShows.path);
  if (dirWanted && CoversWhole(gShows.path)) wholeWanted = true;
  // The directory first: its list is what the user waits for; the colours follow.
  if (dirWanted && !CoversWhole(gShows.path)) {
    if (!gShared.dirStarted || gShared.dirPath != gShows.path) {
      gShared.dir.Begin(Pfade, gShows.path, kLargestShown, true);
      gShared.dirPath = gShows.path;
      gShared.dirStarted = true;
    }
    if (!RunUntil(gShared.dir, until)) return true;
    Remember(StatsOf(gShared.dir, gShows.path));
    gShared.dir.Clear();
    gShared.dirStarted = false;
  }
  if (wholeWanted && !gShared.wholeDone) {
    if (!gShared.wholeStarted) {
      gShared.whole.BeginAll(Pfade, kLargestShown, true);
      gShared.wholeStarted = true;
    }
    if (!RunUntil(gShared.whole, until)) return true;
    gShared.wholeStats = StatsOf(gShared.whole, L"");
    gShared.ranking.Assign(gShared.wholeStats.types);
    gShared.whole.Clear();
    gShared.wholeDone = true;
  }
  if (dirWanted && CoversWhole(gShows.path) && gShared.wholeDone) {
    DirFileStats d = gShared.wholeStats;
    d.path = gShows.path;
    Remember(std::move(d));
  }
  return false;
}

void ShowAll() {
  // Who still needs what asks again in its next piece of work.
  gShared.wantRanking = gShared.wantDir = false;
  for (const FollowingView& v : gViews) {
    if (v.Show) v.Show(gShows);
  }
}

}  // namespace

void AddFollowingView(const FollowingView& view) {
  for (const FollowingView& v : gViews) {
    if (v.Show == view.Show && v.Drop == view.Drop && v.Work == view.Work) return;
  }
  gViews.push_back(view);
}

void ViewsFollowDir(std::wstring_view path) {
  gShows = ListShows{ListShows::Dir, std::wstring(path)};
  ShowAll();
}

void ViewsFollowErrors() {
  gShows = ListShows{ListShows::Errors, {}};
  ShowAll();
}

void ViewsDrop() {
  ResetShared();
  for (const FollowingView& v : gViews) {
    if (v.Drop) v.Drop();
  }
}

void ViewsResume() { ShowAll(); }

const ListShows& ListShowing() { return gShows; }

const TypeRanking* SharedTypeRanking() {
  CheckStamp();
  if (gShared.wholeDone) return &gShared.ranking;
  gShared.wantRanking = true;
  return nullptr;
}

const DirFileStats* SharedDirStats() {
  CheckStamp();
  if (gShows.kind != ListShows::Dir) return nullptr;
  if (const DirFileStats* d = Cached(gShows.path)) return d;
  gShared.wantDir = true;
  return nullptr;
}

bool ViewsIdle() {
  // The records are half made while a scan runs: nothing reads them then.
  if (GScanning.load()) return false;
  const int64_t until = os::Millis() + kPieceMs;
  // The views say what they need (and do what they can), the shared work makes it, and the
  // views go on with it, as long as the piece lasts.
  for (int round = 0; round < 4; ++round) {
    bool more = false;
    for (const FollowingView& v : gViews) {
      if (v.Work && v.Work(until)) more = true;
    }
    const bool shared = SharedWork(until);
    if (!more && !shared) return false;
    if (os::Millis() >= until) return true;
  }
  return true;
}

void ViewsFinish() {
  // A view that kept saying it had work without ever finishing it would hang the caller: a
  // few hundred thousand pieces are minutes of work, far beyond any results.
  for (int pieces = 0; pieces < 200000 && ViewsIdle(); ++pieces) {
  }
}

}  // namespace vardune
