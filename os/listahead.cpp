// The threads that list ahead of the walk (see listahead.h).
//
// Every piece of work has the key of its place in the walk. The threads always take the
// smallest key there is: first what the walk waits for, then what it will reach next. A
// directory's listing opens a cursor over its entries; the cursors, ordered by the key of the
// entry each would hand out next, give the next piece of work without a queue of their own,
// so what is queued never grows beyond the listings held.
#include "os/listahead.h"

#include <process.h>

#include <cstring>
#include <map>

#include "os/dirinfo.h"
#include "os/fs.h"

namespace vardune::os {

void ListWhole(const std::wstring& dir, DirEntries& out, const std::atomic<bool>* stop) {
  DirInfoListing l(LongPathForm(dir));
  out.entries.reserve(16);
  out.names.reserve(256);
  out.failed = l.Failed();
  while (l.Next()) {
    if (stop && stop->load(std::memory_order_relaxed)) break;
    const std::wstring_view name = l.Name();
    out.entries.push_back({static_cast<uint32_t>(out.names.size()), l.Attributes(),
                           l.ReparseTag(), l.Size(), l.Allocation(), l.LastWrite()});
    out.names.insert(out.names.end(), name.begin(), name.end());
    out.names.push_back(0);
  }
}

WaitResult WaitForSignalOrInput(HANDLE h, bool input, DWORD ms) {
  const DWORD r = input ? MsgWaitForMultipleObjectsEx(1, &h, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
                        : WaitForSingleObject(h, ms);
  if (r == WAIT_OBJECT_0) return WaitResult::Signalled;
  if (input && r == WAIT_OBJECT_0 + 1) return WaitResult::Input;
  return WaitResult::Timeout;
}

namespace {

// How long Stop() gives a call in progress before it leaves the thread to finish alone: a
// listing of a local disk or a live share ends well within it, a sleeping medium does not.
constexpr DWORD kStopGraceMs = 10;
constexpr size_t kMaxThreads = MAXIMUM_WAIT_OBJECTS;
// How long the walk looks for a listing before it sleeps, in microseconds: a local listing
// often comes within it, and a thread that sleeps and is woken for every directory costs more.
constexpr LONGLONG kSpinUs = 50;

struct Job {
  bool digest = false;
  bool running = false;
  bool done = false;
  std::wstring path;
  std::shared_ptr<const DirEntries> listing;
  std::wstring md5;
};

struct Cursor {
  std::wstring path;  // the listed directory's, with its trailing backslash
  std::shared_ptr<const DirEntries> dir;
};

// Who is to be woken, noted under the lock and woken after it is let go: a thread woken
// while the lock is still held would only wait for it again.
struct Wakes {
  bool walk = false;
  bool oneThread = false;
  bool allThreads = false;
  void Do(CONDITION_VARIABLE& arrived, CONDITION_VARIABLE& work) const {
    if (walk) WakeConditionVariable(&arrived);
    if (allThreads) {
      WakeAllConditionVariable(&work);
    } else if (oneThread) {
      WakeConditionVariable(&work);
    }
  }
};

}  // namespace

struct ListAhead::State {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE work = CONDITION_VARIABLE_INIT;
  CONDITION_VARIABLE arrived = CONDITION_VARIABLE_INIT;  // the walk's short wait
  std::atomic<bool> stop{false};
  Options opt;
  HANDLE ready = nullptr;  // auto-reset; owned by the ListAhead, closed in Stop()

  std::map<Key, Job> jobs;      // asked for, running or done and not yet taken
  std::map<Key, Cursor> open;   // by the key of the entry each hands out next
  bool walking = false;
  Key walkAt;                   // the walk's last request: everything before it is past
  bool waiting = false;
  Key wanted;                   // what the walk waits for
  std::atomic<bool> wantedThere{false};  // it has arrived
  bool walkSleeping = false;    // the walk sleeps on `arrived`
  int idle = 0;                 // threads sleeping on `work`
  bool eventArmed = false;      // the walk waits on `ready` (and its messages)
  bool demandQueued = false;
  Key demand;                   // asked for by the walk, not yet taken by a thread
  size_t dirsHeld = 0;          // listings running or done and not taken
  size_t entriesHeld = 0;       // entries of the listings done and not taken
  size_t digestsHeld = 0;       // digests running or done and not taken
  size_t digestsRunning = 0;
  size_t peakDirs = 0;
  size_t peakEntries = 0;
  size_t filesRead = 0;  // digests begun

  std::vector<HANDLE> threads;  // touched only by the owner
  std::vector<char> busy;       // per thread: in a call (under the lock)

  // The next entry of a cursor that the walk will ask for, at or after `from`; false when
  // none is left.
  bool NextWanted(const Cursor& c, uint32_t& from) const {
    const DirEntries& d = *c.dir;
    for (; from < d.entries.size(); ++from) {
      if (!d.IsDirectory(from)) {
        // The walk digests no file that reading would fetch from the cloud.
        if (opt.digests && !FetchedOnAccess(d.entries[from].attrs)) return true;
      } else if (d.Enters(from) &&
                 c.path.size() + std::wcslen(d.Name(from)) + 1 <= opt.maxPathChars) {
        return true;
      }
    }
    return false;
  }

  void OpenCursor(const Key& key, const std::wstring& path,
                  const std::shared_ptr<const DirEntries>& dir) {
    Cursor c{path, dir};
    uint32_t first = 0;
    if (!NextWanted(c, first)) return;
    Key k = key;
    k.push_back(first);
    open.emplace(std::move(k), std::move(c));
  }

  void Advance(std::map<Key, Cursor>::iterator it) {
    auto node = open.extract(it);
    uint32_t next = node.key().back() + 1;
    if (!NextWanted(node.mapped(), next)) return;
    node.key().back() = next;
    open.insert(std::move(node));
  }

  bool Past(const Key& k) const { return walking && k <= walkAt; }

  void Release(const Job& j) {
    if (j.digest) {
      --digestsHeld;
    } else {
      --dirsHeld;
      if (j.done && j.listing) entriesHeld -= j.listing->entries.size();
    }
  }

  // The walk has moved on to `key`: what lies before it is dropped.
  void MoveWalk(const Key& key) {
    walking = true;
    walkAt = key;
    for (auto it = jobs.begin(); it != jobs.end() && it->first < key;) {
      if (it->second.running) {
        ++it;  // dropped when its thread brings it
        continue;
      }
      Release(it->second);
      it = jobs.erase(it);
    }
    while (!open.empty() && Past(open.begin()->first)) Advance(open.begin());
  }

  // Under the lock: the next piece of work for a thread, marked running.
  bool Pick(Key& key, bool& digest, std::wstring& path) {
    if (demandQueued) {
      demandQueued = false;
      auto it = jobs.find(demand);
      if (it != jobs.end() && !it->second.running && !it->second.done) {
        it->second.running = true;
        if (it->second.digest) ++digestsRunning;
        key = it->first;
        digest = it->second.digest;
        path = it->second.path;
        return true;
      }
    }
    while (!open.empty()) {
      auto it = open.begin();
      if (Past(it->first) || jobs.count(it->first)) {
        Advance(it);
        continue;
      }
      const Cursor& c = it->second;
      const uint32_t i = it->first.back();
      const bool isDir = c.dir->IsDirectory(i);
      if (isDir) {
        if (dirsHeld >= opt.maxDirsHeld || entriesHeld >= opt.maxEntriesHeld) return false;
      } else if (digestsHeld >= opt.maxDigestsHeld ||
                 digestsRunning >= static_cast<size_t>(opt.maxDigestThreads)) {
        return false;
      }
      Job j;
      j.digest = !isDir;
      j.running = true;
      j.path = c.path + c.dir->Name(i);
      if (isDir) j.path += L'\\';
      key = it->first;
      digest = j.digest;
      path = j.path;
      if (digest) {
        ++digestsHeld;
        ++digestsRunning;
      } else {
        ++dirsHeld;
      }
      jobs.emplace(key, std::move(j));
      Advance(it);
      return true;
    }
    return false;
  }

  // Under the lock: a thread brings its result.
  void Complete(const Key& key, std::shared_ptr<const DirEntries> listing, std::wstring md5,
                Wakes& w) {
    auto it = jobs.find(key);
    if (it == jobs.end()) return;  // stopped meanwhile
    Job& j = it->second;
    j.running = false;
    if (j.digest) --digestsRunning;
    if (stop || (walking && key < walkAt)) {
      Release(j);
      jobs.erase(it);
      return;
    }
    j.done = true;
    if (j.digest) {
      j.md5 = std::move(md5);
    } else {
      entriesHeld += listing->entries.size();
      peakDirs = std::max(peakDirs, dirsHeld);
      peakEntries = std::max(peakEntries, entriesHeld);
      if (!listing->failed) OpenCursor(key, j.path, listing);
      j.listing = std::move(listing);
      w.allThreads = idle > 0;
    }
    if (waiting && key == wanted) {
      wantedThere = true;
      w.walk = walkSleeping;
      if (eventArmed) {
        eventArmed = false;
        SetEvent(ready);
      }
    }
  }

  // Under the lock: the walk takes a result, or asks for it.
  Job* Take(const Key& key, bool digest, const std::wstring& path, Wakes& w) {
    if (stop) return nullptr;
    eventArmed = false;
    MoveWalk(key);
    auto it = jobs.find(key);
    if (it != jobs.end() && it->second.done) {
      waiting = false;
      return &it->second;
    }
    waiting = true;
    wantedThere = false;
    wanted = key;
    if (it == jobs.end()) {
      Job j;
      j.digest = digest;
      j.path = path;
      if (digest) {
        ++digestsHeld;
      } else {
        ++dirsHeld;
      }
      jobs.emplace(key, std::move(j));
      demandQueued = true;
      demand = key;
      w.oneThread = idle > 0;
    }
    return nullptr;
  }

  void Taken(const Key& key, Wakes& w) {
    auto it = jobs.find(key);
    Release(it->second);
    jobs.erase(it);
    // Room below the bounds again.
    w.oneThread = idle > 0;
  }
};

namespace {

struct WorkerArg {
  std::shared_ptr<ListAhead::State> s;
  size_t index;
};

unsigned __stdcall WorkerMain(void* arg) {
  std::unique_ptr<WorkerArg> a(static_cast<WorkerArg*>(arg));
  ListAhead::State& s = *a->s;
  AcquireSRWLockExclusive(&s.lock);
  for (;;) {
    ListAhead::Key key;
    bool digest = false;
    std::wstring path;
    while (!s.stop && !s.Pick(key, digest, path)) {
      ++s.idle;
      SleepConditionVariableSRW(&s.work, &s.lock, INFINITE, 0);
      --s.idle;
    }
    if (s.stop) break;
    s.busy[a->index] = 1;
    if (digest) ++s.filesRead;
    ReleaseSRWLockExclusive(&s.lock);
    std::shared_ptr<DirEntries> listing;
    std::wstring md5;
    if (digest) {
      md5 = Md5OfFile(LongPathForm(path), &s.stop);
    } else {
      listing = std::make_shared<DirEntries>();
      ListWhole(path, *listing, &s.stop);
    }
    Wakes w;
    AcquireSRWLockExclusive(&s.lock);
    s.busy[a->index] = 0;
    s.Complete(key, std::move(listing), std::move(md5), w);
    if (w.walk || w.oneThread || w.allThreads) {
      ReleaseSRWLockExclusive(&s.lock);
      w.Do(s.arrived, s.work);
      AcquireSRWLockExclusive(&s.lock);
    }
  }
  ReleaseSRWLockExclusive(&s.lock);
  return 0;  // the last thread out frees the state
}

}  // namespace

std::unique_ptr<ListAhead> ListAhead::Start(const Options& options) {
  auto s = std::make_shared<State>();
  s->opt = options;
  s->ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!s->ready) return nullptr;
  std::unique_ptr<ListAhead> pool(new ListAhead(s));
  const size_t n = std::min(kMaxThreads, static_cast<size_t>(std::max(1, options.threads)));
  s->busy.assign(n, 0);
  for (size_t i = 0; i < n; ++i) {
    auto* arg = new WorkerArg{s, i};
    const uintptr_t h = _beginthreadex(nullptr, 256 * 1024, WorkerMain, arg,
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!h) {
      delete arg;
      break;
    }
    s->threads.push_back(reinterpret_cast<HANDLE>(h));
  }
  if (s->threads.empty()) return nullptr;
  return pool;
}

ListAhead::~ListAhead() { Stop(); }

bool ListAhead::TakeListing(const Key& key, const std::wstring& path,
                            std::shared_ptr<const DirEntries>& out) {
  Wakes w;
  AcquireSRWLockExclusive(&s_->lock);
  Job* j = s_->Take(key, false, path, w);
  if (j) {
    out = j->listing;
    s_->Taken(key, w);
  }
  ReleaseSRWLockExclusive(&s_->lock);
  w.Do(s_->arrived, s_->work);
  return j != nullptr;
}

bool ListAhead::TakeDigest(const Key& key, const std::wstring& file, std::wstring& out) {
  Wakes w;
  AcquireSRWLockExclusive(&s_->lock);
  Job* j = s_->Take(key, true, file, w);
  if (j) {
    out = std::move(j->md5);
    s_->Taken(key, w);
  }
  ReleaseSRWLockExclusive(&s_->lock);
  w.Do(s_->arrived, s_->work);
  return j != nullptr;
}

bool ListAhead::WaitBriefly(DWORD ms) {
  State& s = *s_;
  // A local listing often comes within microseconds: a look without sleeping first.
  LARGE_INTEGER f, t0, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  const LONGLONG spinTicks = f.QuadPart * kSpinUs / 1000000;
  while (!s.wantedThere.load(std::memory_order_acquire)) {
    YieldProcessor();
    QueryPerformanceCounter(&t);
    if (t.QuadPart - t0.QuadPart >= spinTicks) break;
  }
  AcquireSRWLockExclusive(&s.lock);
  const DWORD start = GetTickCount();
  while (s.waiting && !s.wantedThere && !s.stop) {
    const DWORD spent = GetTickCount() - start;
    s.walkSleeping = true;
    const bool woken = spent < ms && SleepConditionVariableSRW(&s.arrived, &s.lock, ms - spent, 0);
    s.walkSleeping = false;
    if (!woken) break;
  }
  const bool there = s.wantedThere;
  ReleaseSRWLockExclusive(&s.lock);
  return there;
}

bool ListAhead::ArmReadyEvent() {
  State& s = *s_;
  AcquireSRWLockExclusive(&s.lock);
  const bool arm = s.waiting && !s.wantedThere && !s.stop;
  s.eventArmed = arm;
  ReleaseSRWLockExclusive(&s.lock);
  return arm;
}

HANDLE ListAhead::ReadyEvent() const { return s_->ready; }

int ListAhead::Stop() {
  State& s = *s_;
  if (s.threads.empty() && !s.ready) return 0;
  std::vector<HANDLE> busy;
  AcquireSRWLockExclusive(&s.lock);
  s.stop = true;
  for (size_t i = 0; i < s.threads.size(); ++i) {
    if (s.busy[i]) busy.push_back(s.threads[i]);
  }
  // What is held goes now, not when the last thread ends.
  s.jobs.clear();
  s.open.clear();
  CloseHandle(s.ready);
  s.ready = nullptr;
  ReleaseSRWLockExclusive(&s.lock);
  WakeAllConditionVariable(&s.work);
  // A blocked directory read of a network redirector gives up on this; other calls (and
  // Wine) finish as they would.
  for (HANDLE h : busy) CancelSynchronousIo(h);
  int left = 0;
  if (!s.threads.empty()) {
    WaitForMultipleObjects(static_cast<DWORD>(s.threads.size()), s.threads.data(), TRUE,
                           kStopGraceMs);
    for (HANDLE h : s.threads) {
      if (WaitForSingleObject(h, 0) != WAIT_OBJECT_0) ++left;
      CloseHandle(h);
    }
  }
  s.threads.clear();
  return left;
}

size_t ListAhead::PeakDirsHeld() const {
  AcquireSRWLockShared(&s_->lock);
  const size_t v = s_->peakDirs;
  ReleaseSRWLockShared(&s_->lock);
  return v;
}

size_t ListAhead::FilesRead() const {
  AcquireSRWLockExclusive(&s_->lock);
  const size_t v = s_->filesRead;
  ReleaseSRWLockExclusive(&s_->lock);
  return v;
}

size_t ListAhead::PeakEntriesHeld() const {
  AcquireSRWLockShared(&s_->lock);
  const size_t v = s_->peakEntries;
  ReleaseSRWLockShared(&s_->lock);
  return v;
}

}  // namespace vardune::os
