// The recursive directory scanner: walks one tree depth-first, appends one record per visited
// directory (and a file-sum record where its own files hold bytes) and returns the tree's
// byte total, keeping the window alive and cancellable while it runs.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scan/model.h"

namespace vardune {

// Shared by all levels of one walk; reset by the scan driver before each scan.
extern int32_t GFiles;        // files seen so far
extern int32_t GDirs;         // directories entered so far (the start not counted)
extern int64_t GBytes;        // bytes of the finished directories' own files
extern int64_t GNextRefresh;  // clock reading after which the next progress refresh is due
extern bool GCancel;          // "STOPP" was pressed
extern bool GStress;          // read every file (stress test)
extern int32_t GStressNotRead;  // files the stress test left unread: their data is not here

// Longest directory path that is listed, trailing backslash included.
inline constexpr size_t kMaxScanPath = 250;
// Least time between two pumps of the window events, in milliseconds (a clock reading costs
// nanoseconds, a look at the message queue tens of microseconds). Tests set it to 0.
extern int64_t GPumpIntervalMs;

// The walk with each directory listed by the walk itself when it enters it, one at a time:
// the reference that every other engine's records are held against.
int64_t _ScanDir(std::wstring_view path);
// The same walk, records, texts and all, with the directories listed ahead of it by
// `threads` listing threads (and, in the stress test, the files read and digested by them),
// holding at most about `bounds` ahead. Falls back to _ScanDir when no thread can be started.
struct AheadBounds {
  size_t entries = 32768;  // entries of listings not yet reached (about 2.5 MiB)
  size_t dirs = 2048;      // listings not yet reached
};
int64_t ScanDirAhead(std::wstring_view path, int threads, AheadBounds bounds = {});
// What the last ScanDirAhead held ahead at most, and how many threads it left to finish a
// blocked call in the background.
struct AheadStats {
  size_t peakDirs = 0;
  size_t peakEntries = 0;
  size_t filesRead = 0;  // by the threads, for digests
  int abandoned = 0;
};
extern AheadStats GLastAheadStats;

// Hands a listing walk over to another engine. While set, it is asked at the walk's pumps (so
// it must be cheap: a look at the clock); true ends the walk the way "STOPP" does, each open
// level appending its record, and WalkHandedOver() then tells the caller to drop them.
extern bool (*GWalkHandOver)();
bool WalkHandedOver();

// Log lines of the walks held back while another engine may still take over the scan, so that
// no line is written twice. ReleaseLog writes what was held (or drops it) and holds no more.
void HoldLog();
void ReleaseLog(bool write);

// The own files of the directories open on a walk's path, one builder per depth, kept from scan
// to scan so that a walk allocates only where it goes deeper, or meets a larger directory, than
// before. Enter gives the next depth's builder, empty; Leave gives it back.
class FileBuilders {
 public:
  FileBlockBuilder& Enter();
  void Leave() { --depth_; }

 private:
  std::vector<std::unique_ptr<FileBlockBuilder>> pool_;
  size_t depth_ = 0;
};
extern FileBuilders GFileBuilders;

// The steps that every engine's walk takes alike, so that their texts and records agree.
// Progress texts for path P and the counters, when 100 ms have passed since the last ones.
void RefreshProgress(std::wstring_view p, int64_t bytes, int32_t files);
// Pumps the window events when the last pump is GPumpIntervalMs ago; true when "STOPP" was
// found pressed.
bool PumpIfDue();
// The end of directory P: its record (an ERROR record with its log line when `error`) with the
// counts since entry, then its file-sum record when its own files hold bytes. Returns what P
// adds to its parent's total (0 for an ERROR record).
struct DirEnd {
  PfadListe::ParentId ownParent = 0;  // the parent text of P's own record
  PfadListe::ParentId asParent = 0;   // P as parent text, for its file-sum record
  bool error = false;
  int64_t total = 0;       // own files and entered subdirectories
  int64_t ownBytes = 0;
  int32_t ownFiles = 0;
  int32_t dirsAtEntry = 0;
  int32_t filesAtEntry = 0;
  const FileBlockBuilder* files = nullptr;  // P's own files, kept with P's record
};
int64_t FinishDir(std::wstring_view p, const DirEnd& d);

// The progress texts, pure: field 4 for path P, field 5 for the counters.
std::wstring ProgressPathText(std::wstring_view p);
std::wstring ProgressCounterText(int64_t bytes, int32_t files);
// Right-aligns in `width` characters; a longer text is cut to its first `width`.
std::wstring RightAlign(std::wstring_view s, size_t width);

}  // namespace vardune
