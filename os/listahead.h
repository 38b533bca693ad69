// Listing ahead of a depth-first walk on worker threads: while the walk works through one
// directory, the threads list the directories it will enter next (and, for the stress test,
// read and digest the files it will reach next), in the order the walk will ask for them.
// What is held ahead is bounded; a call that blocks is abandoned at the end, never waited for.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "os/reparse.h"

namespace vardune::os {

// One directory listed whole, in the listing's order, "." and ".." left out.
struct DirEntries {
  struct Entry {
    uint32_t nameOff;     // into names, NUL-terminated
    DWORD attrs;
    DWORD reparseTag;     // 0 unless a reparse point (os/dirinfo.h)
    int64_t size;         // of the data
    int64_t allocation;   // on the disk
    uint64_t lastWrite;   // FILETIME in 64 bits
  };
  std::vector<Entry> entries;
  std::vector<wchar_t> names;
  // The listing could not be started (as DirListing::Failed).
  bool failed = false;

  const wchar_t* Name(size_t i) const { return names.data() + entries[i].nameOff; }
  bool IsDirectory(size_t i) const { return (entries[i].attrs & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // A directory that a scan enters (os/reparse.h).
  bool Enters(size_t i) const { return EntersDirectory(entries[i].attrs, entries[i].reparseTag); }
  // Bytes the listing holds.
  size_t MemoryBytes() const {
    return sizeof *this + entries.capacity() * sizeof(Entry) + names.capacity() * sizeof(wchar_t);
  }
};

// Lists `dir` (a path with its trailing backslash) whole through DirInfoListing, in its long
// path form (LongPathForm). `stop`, when given and set, ends the listing early (its result is then of no use).
void ListWhole(const std::wstring& dir, DirEntries& out, const std::atomic<bool>* stop = nullptr);

// What a wait for a listing ended with.
enum class WaitResult { Signalled, Input, Timeout };
// Waits for `h` and, when `input` is set, for any message of this thread's queue together.
WaitResult WaitForSignalOrInput(HANDLE h, bool input, DWORD ms);

class ListAhead {
 public:
  // The place of an entry in the walk: the entry's index in each listing on the way down
  // from the start (the start itself is the empty key). Comparing keys compares walk order.
  using Key = std::vector<uint32_t>;

  struct Options {
    int threads = 2;
    // Directory paths longer than this (trailing backslash included) are not listed.
    size_t maxPathChars = 250;
    // Bounds of what is held ahead of the walk: entries of listings not yet taken,
    // listings not yet taken (an empty directory costs its path and key all the same).
    size_t maxEntriesHeld = 32768;
    size_t maxDirsHeld = 2048;
    // Stress test: every file is also read and digested (MD5), by at most this many threads
    // at once (each reads in 1 MiB blocks) and at most this many digests ahead.
    bool digests = false;
    int maxDigestThreads = 4;
    size_t maxDigestsHeld = 256;
  };

  // Starts the threads; null when not one could be started.
  static std::unique_ptr<ListAhead> Start(const Options& options);
  // Stop(), and the pool's own handles closed.
  ~ListAhead();
  ListAhead(const ListAhead&) = delete;
  ListAhead& operator=(const ListAhead&) = delete;

  // The walk's side, called in the walk's order (each key after the one before). Each gives
  // the result when it is there; otherwise it asks for it at once, before anything listed
  // ahead, and returns false: wait for it and ask again.
  // `path` is the directory's path with its trailing backslash, `file` the file's full path.
  bool TakeListing(const Key& key, const std::wstring& path,
                   std::shared_ptr<const DirEntries>& out);
  bool TakeDigest(const Key& key, const std::wstring& file, std::wstring& out);
  // Waiting for what the last Take asked for. A short wait within the process first (true
  // when it has arrived): most listings come within it, and it costs no call into the
  // system. Then, when ArmReadyEvent() says it is still to come, ReadyEvent() is set when it
  // arrives, to be waited for together with the window's messages.
  bool WaitBriefly(DWORD ms);
  bool ArmReadyEvent();
  HANDLE ReadyEvent() const;

  // The threads take no more work. A thread that is idle ends and is waited for; a call in
  // progress is cancelled where the system can (CancelSynchronousIo) and given a few
  // milliseconds: a thread whose call still blocks is left to finish it in the background,
  // drop its result and end. Returns the number of threads so left.
  int Stop();

  // Counters for tests and benchmarks: the most listings and entries held ahead at once.
  size_t PeakDirsHeld() const;
  size_t PeakEntriesHeld() const;
  // Files whose digest a thread began to read.
  size_t FilesRead() const;

  struct State;

 private:
  explicit ListAhead(std::shared_ptr<State> s) : s_(std::move(s)) {}
  std::shared_ptr<State> s_;
};

}  // namespace vardune::os
