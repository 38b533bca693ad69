// The walk with listing threads against the one-at-a-time walk: the same records, counters,
// texts and log lines on random trees and on a share; bounds held; "STOPP" at any moment and a
// listing that blocks on a slow medium leave no thread and no handle behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "os/clock.h"
#include "os/text.h"
#include "scan/engine.h"
#include "scan/model.h"
#include "scan/scanner.h"
#include "scan/scanui.h"
#include "os/dirinfo.h"
#include "tests/support/filecheck.h"
#include "tests/support/support.h"

namespace vardune {
namespace {

using test::TempTree;

// Everything a walk leaves behind that a user or the rest of the program sees.
struct Walked {
  int64_t total = 0;
  int32_t files = 0, dirs = 0;
  int64_t bytes = 0;
  std::vector<Pfad> records;
  std::vector<std::wstring> log, pathTexts, counterTexts, stressRows;
  bool operator==(const Walked&) const = default;
};

struct Seen {
  static inline Walked* into = nullptr;
  static inline int pumps = 0;
  static inline int cancelAfterPumps = -1;
  static inline std::atomic<bool> stopAsked{false};
};

class ListAheadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Pfade.Clear();
    GStress = false;
    GPumpIntervalMs = 0;
    GScanUi = ScanUi{};
    GScanUi.LogError = [](std::wstring_view l) { Seen::into->log.emplace_back(l); };
    GScanUi.SetPathText = [](std::wstring_view t) { Seen::into->pathTexts.emplace_back(t); };
    GScanUi.SetCounterText = [](std::wstring_view t) { Seen::into->counterTexts.emplace_back(t); };
    GScanUi.StressRow = [](std::wstring_view kb, std::wstring_view name, std::wstring_view md5) {
      Seen::into->stressRows.insert(Seen::into->stressRows.begin(), std::wstring(kb) + L"|" +
                                    std::wstring(name) + L"|" + std::wstring(md5));
    };
    GScanUi.PumpEvents = [] {
      ++Seen::pumps;
      GNextRefresh = 0;  // a progress text at every directory, so that the texts compare
      if (Seen::stopAsked) return true;
      return Seen::cancelAfterPumps >= 0 && Seen::pumps > Seen::cancelAfterPumps;
    };
    Seen::pumps = 0;
    Seen::cancelAfterPumps = -1;
    Seen::stopAsked = false;
  }
  void TearDown() override {
    GScanUi = ScanUi{};
    GPumpIntervalMs = 10;
    GStress = false;
    os::GListedAttributes = nullptr;
    Pfade.Clear();
  }

  // One walk from a clean start; `ahead` < 0 is the one-at-a-time walk, else its threads.
  static Walked Walk(const std::wstring& root, int ahead, AheadBounds bounds = {}) {
    Walked w;
    Seen::into = &w;
    Seen::pumps = 0;
    Pfade.Clear();
    GFiles = GDirs = 0;
    GBytes = 0;
    GNextRefresh = 0;
    w.total = ahead < 0 ? _ScanDir(root) : ScanDirAhead(root, ahead, bounds);
    w.files = GFiles;
    w.dirs = GDirs;
    w.bytes = GBytes;
    for (size_t i = 0; i < Pfade.size(); ++i) w.records.push_back(Pfade.Get(i));
    Seen::into = nullptr;
    return w;
  }

  static void ExpectSame(const Walked& got, const Walked& want, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(got.total, want.total);
    EXPECT_EQ(got.files, want.files);
    EXPECT_EQ(got.dirs, want.dirs);
    EXPECT_EQ(got.bytes, want.bytes);
    ASSERT_EQ(got.records.size(), want.records.size());
    for (size_t i = 0; i < got.records.size(); ++i) {
      const Pfad& a = got.records[i];
      const Pfad& b = want.records[i];
      ASSERT_TRUE(a == b) << "record " << i << ": " << test::Narrow(a.Parent + a.Name) << " "
                          << a.Size << "/" << a.Dirs << "/" << a.Files << " instead of "
                          << test::Narrow(b.Parent + b.Name) << " " << b.Size << "/" << b.Dirs
                          << "/" << b.Files;
    }
    EXPECT_EQ(got.log, want.log);
    EXPECT_EQ(got.pathTexts, want.pathTexts);
    EXPECT_EQ(got.counterTexts, want.counterTexts);
    EXPECT_EQ(got.stressRows, want.stressRows);
  }
};

// Runs shell commands in the tree's folder.
int InTree(const TempTree& t, const std::string& commands) {
  return test::RunUnix("cd " + test::ShellQuote(test::UnixPath(t.Root())) + " && " + commands);
}

// A tree made at random by one shell script: depth and fan-out, empty directories, empty and
// small files, names with umlauts and outside the BMP, links to directories (inside and outside
// the tree) and to files, unreadable directories where this user cannot override permissions,
// and a chain of long names that crosses 250 characters.
void MakeRandomTree(const TempTree& t, const TempTree& outside, unsigned seed) {
  std::mt19937 rnd(seed);
  const auto pick = [&](int n) { return static_cast<int>(rnd() % static_cast<unsigned>(n)); };
  const std::vector<std::string> stems = {"a", "Daten", "größe", "\xF0\x9F\x98\x80", "x y",
                                          "\xF0\x90\x90\xB7z", "dot.d", "Ω"};
  std::string script = "set -e\ncd " + test::ShellQuote(test::UnixPath(t.Root())) + "\n";
  std::vector<std::string> dirs;
  const auto name = [&](int i) { return stems[pick(static_cast<int>(stems.size()))] + std::to_string(i); };
  std::function<void(const std::string&, int)> grow = [&](const std::string& dir, int depth) {
    const int files = pick(7);
    for (int i = 0; i < files; ++i) {
      const int kind = pick(4);
      const int size = kind == 0 ? 0 : kind == 1 ? pick(100) : kind == 2 ? 4096 : pick(70000);
      script += "truncate -s " + std::to_string(size) + " " + test::ShellQuote(dir + "f" + name(i)) + "\n";
    }
    const int subs = depth >= 4 ? 0 : depth == 0 ? 3 + pick(4) : pick(5);
    for (int i = 0; i < subs; ++i) {
      const std::string sub = dir + name(i) + "/";
      script += "mkdir " + test::ShellQuote(sub) + "\n";
      dirs.push_back(sub);
      grow(sub, depth + 1);
    }
  };
  grow("./", 0);
  script += "ln -s " + test::ShellQuote(test::UnixPath(outside.Root())) + " linkout\n";
  if (!dirs.empty()) {
    script += "ln -s " + test::ShellQuote(test::UnixPath(t.Root()) + dirs[pick(static_cast<int>(dirs.size()))]) +
              " linkin\n";
  }
  script += "ln -s " + test::ShellQuote(test::UnixPath(outside.Path(L"big"))) + " linkfile\n";
  // Names of 40 characters: the 6th level crosses 250 characters below the root.
  std::string deep = "./";
  for (int level = 0; level < 7; ++level) {
    deep += std::string(39, static_cast<char>('k' + level)) + std::to_string(level % 10) + "/";
    script += "mkdir " + test::ShellQuote(deep) + "\ntruncate -s " + std::to_string(level + 1) +
              " " + test::ShellQuote(deep + "f") + "\n";
  }
  if (test::PermissionsEnforced() && dirs.size() > 2) {
    for (int i = 0; i < 2; ++i) {
      script += "chmod 000 " + test::ShellQuote(dirs[pick(static_cast<int>(dirs.size()))]) + " || true\n";
    }
  }
  t.Text(L"make.sh", script);
  ASSERT_EQ(test::RunUnix("sh " + test::ShellQuote(test::UnixPath(t.Path(L"make.sh")))), 0);
}

TEST_F(ListAheadTest, SameRecordsTextsAndLogLinesAsTheOneAtATimeWalkOnRandomTrees) {
  TempTree outside;
  outside.File(L"big", 123456);
  outside.File(L"sub\\x", 99);
  for (unsigned seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    TempTree t;
    MakeRandomTree(t, outside, seed);
    const Walked ref = Walk(t.Root(), -1);
    ASSERT_GT(ref.dirs, 8);
    ASSERT_EQ(ref.log.empty(), false);  // the long chain at least
    // Every file counted is kept, as the system reports it; the records below compare the
    // files of every engine with these, field by field.
    const test::FileTableCheck kept = test::CheckFilesAgainstTheSystem();
    EXPECT_EQ(kept.files, ref.files);
    EXPECT_EQ(kept.problems, "");
    ExpectSame(Walk(t.Root(), 1), ref, "one thread");
    ExpectSame(Walk(t.Root(), 2), ref, "two threads");
    ExpectSame(Walk(t.Root(), 16), ref, "16 threads");
    // Bounds that hold one listing ahead at most still give everything, in order.
    ExpectSame(Walk(t.Root(), 3, AheadBounds{1, 1}), ref, "tiny bounds");
    // Stress test: the digests read on the threads come in the walk's order.
    GStress = true;
    const Walked stressRef = Walk(t.Root(), -1);
    ASSERT_EQ(static_cast<int32_t>(stressRef.stressRows.size()), stressRef.files);
    ExpectSame(Walk(t.Root(), 4), stressRef, "stress test");
    GStress = false;
  }
}

// Files whose data is not here (cloud placeholders, offline files) are counted and kept from
// their listing and never read: reading one would make the system fetch it. The test bed has
// none, so the listing reports the files of one name stem as placeholders.
TEST_F(ListAheadTest, TheStressTestReadsNoFileThatLivesInTheCloud) {
  TempTree outside;
  TempTree t;
  MakeRandomTree(t, outside, 5);
  os::GListedAttributes = [](std::wstring_view name, DWORD attrs) -> DWORD {
    if (name.starts_with(L"fDaten")) return attrs | 0x400000;  // FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS
    if (name.starts_with(L"fa")) return attrs | FILE_ATTRIBUTE_OFFLINE;
    return attrs;
  };
  const Walked plain = Walk(t.Root(), -1);
  int32_t away = 0;
  for (const Pfad& r : plain.records) {
    for (const FileInfo& f : r.FileList) away += (f.Flags & kFileCloud) ? 1 : 0;
  }
  ASSERT_GT(away, 0);
  GStress = true;
  const Walked ref = Walk(t.Root(), -1);
  EXPECT_EQ(GStressNotRead, away);
  EXPECT_EQ(static_cast<int32_t>(ref.stressRows.size()), ref.files - away);
  for (const std::wstring& row : ref.stressRows) {
    EXPECT_FALSE(row.find(L"|fDaten") != std::wstring::npos || row.find(L"|fa") != std::wstring::npos)
        << test::Narrow(row);
  }
  // The same counts and records as without the stress test, and the threads read no more
  // files than the walk digests.
  EXPECT_EQ(ref.records, plain.records);
  ExpectSame(Walk(t.Root(), 2), ref, "stress test, two threads");
  EXPECT_EQ(GLastAheadStats.filesRead, ref.stressRows.size());
  GStress = false;
  os::GListedAttributes = nullptr;
}

TEST_F(ListAheadTest, SameRecordsOnASharePathAndThroughTheEngineChoice) {
  TempTree outside;
  outside.File(L"big", 1000);
  TempTree t;
  MakeRandomTree(t, outside, 7);
  test::ShareLink share(test::UnixPath(t.Root()));
  const Walked ref = Walk(share.Root(), -1);
  ASSERT_GT(ref.dirs, 5);
  // The share's own record hangs below the server.
  const Pfad& top = ref.records[ref.records.size() - (ref.records.back().Name == kDateien ? 2 : 1)];
  EXPECT_EQ(top.Parent, share.Root().substr(0, share.Root().size() - 6));
  EXPECT_EQ(top.Name, L"share");
  ExpectSame(Walk(share.Root(), 16), ref, "share, 16 threads");
  // The engine choice walks a share with the network's threads, a local path with the local.
  EXPECT_EQ(ListingThreadsFor(share.Root()), GListingThreadsNetwork);
  EXPECT_EQ(ListingThreadsFor(t.Root()), GListingThreadsLocal);
  Walked viaChoice;
  Seen::into = &viaChoice;
  Pfade.Clear();
  GFiles = GDirs = 0;
  GBytes = 0;
  GNextRefresh = 0;
  viaChoice.total = ScanTree(share.Root());
  for (size_t i = 0; i < Pfade.size(); ++i) viaChoice.records.push_back(Pfade.Get(i));
  EXPECT_EQ(viaChoice.total, ref.total);
  EXPECT_EQ(viaChoice.records, ref.records);
}

TEST_F(ListAheadTest, WhatIsHeldAheadStaysWithinItsBounds) {
  TempTree t;
  ASSERT_EQ(InTree(t, "for a in $(seq 40); do for b in $(seq 8); do mkdir -p d$a/e$b && "
                      "touch d$a/e$b/f1 d$a/e$b/f2 d$a/e$b/f3; done; done"),
            0);
  const Walked ref = Walk(t.Root(), -1);
  ASSERT_EQ(ref.dirs, 40 + 320);
  ExpectSame(Walk(t.Root(), 4, AheadBounds{40, 6}), ref, "bounded");
  // One listing asked for by the walk may come on top of the bound; entries are counted when
  // a listing is there, so each thread may bring one more (none here holds more than 8).
  EXPECT_LE(GLastAheadStats.peakDirs, 6u + 1u);
  EXPECT_LE(GLastAheadStats.peakEntries, 40u + 4u * 8u);
  EXPECT_GE(GLastAheadStats.peakDirs, 2u);  // it did list ahead
  // Unbounded enough, the threads run far ahead of the walk.
  ExpectSame(Walk(t.Root(), 4), ref, "default bounds");
  EXPECT_GT(GLastAheadStats.peakDirs, 7u);
}

// "STOPP" at random moments: the walk unwinds with partial records all the way up, and right
// after the scan no thread and no handle is left but those of calls that were still running
// (none of them block here: they end within moments).
TEST_F(ListAheadTest, StopAtRandomMomentsLeavesPartialRecordsUpThePathAndNoThreads) {
  TempTree t;
  ASSERT_EQ(InTree(t, "for a in $(seq 12); do for b in $(seq 6); do mkdir -p d$a/e$b/g && "
                      "head -c $((a * b)) /dev/zero > d$a/e$b/f && touch d$a/e$b/g/h; done; done"),
            0);
  const Walked full = Walk(t.Root(), -1);
  std::mt19937 rnd(15);
  const int threadsBefore = test::ThreadCount();
  const DWORD handlesBefore = test::HandleCount();
  ASSERT_GT(threadsBefore, 0);
  ASSERT_GT(handlesBefore, 0u);
  for (int round = 0; round < 12; ++round) {
    Seen::cancelAfterPumps = static_cast<int>(rnd() % 200);
    SCOPED_TRACE("cancel after " + std::to_string(Seen::cancelAfterPumps) + " pumps");
    const Walked w = Walk(t.Root(), 1 + round % 4);
    EXPECT_TRUE(GCancel);
    EXPECT_LE(test::ThreadCount(), threadsBefore + GLastAheadStats.abandoned);
    EXPECT_TRUE(test::CountsSettleTo(threadsBefore, handlesBefore, 5000))
        << test::ThreadCount() << " threads, " << test::HandleCount() << " handles";
    // Every directory record's parent directory (below the start) has its record, with at
    // least its bytes, files and directories: partial totals up the path.
    std::map<std::wstring, Pfad> byPath;
    for (const Pfad& r : w.records) {
      if (r.Name != kDateien) byPath[r.Parent + r.Name + L"\\"] = r;
    }
    ASSERT_TRUE(byPath.count(t.Root()));
    EXPECT_LT(byPath[t.Root()].Files, full.files);
    for (const auto& [path, r] : byPath) {
      if (path == t.Root()) continue;
      ASSERT_TRUE(byPath.count(r.Parent)) << test::Narrow(path);
      const Pfad& up = byPath[r.Parent];
      EXPECT_GE(up.Size, std::max<int64_t>(0, r.Size));
      EXPECT_GE(up.Files, r.Files);
      EXPECT_GT(up.Dirs, r.Dirs);
    }
  }
}

// The slow medium: one directory whose listing blocks for 3 s. "STOPP" (a message to this
// thread while the walk waits) ends the walk at once; the blocked call's thread is left to
// finish alone, and then it ends with nothing left open. (Wine reads the directories of a
// process one at a time, under one lock: under Wine the next scan's listings queue behind the
// blocked call, inside the system; on Windows they do not.)
TEST_F(ListAheadTest, ABlockedListingIsAbandonedNotWaitedFor) {
  if (!test::NoFuseReason().empty()) GTEST_SKIP() << test::NoFuseReason();
  TempTree backing;
  backing.File(L"top", 5);
  backing.File(L"slow\\g", 20);
  test::SlowMedium slow(backing, "--block slow:3000");
  ASSERT_EQ(slow.Error(), "");
  TempTree other;
  other.File(L"x\\y", 5);
  const int threadsBefore = test::ThreadCount();
  const DWORD handlesBefore = test::HandleCount();
  {
    // "STOPP" 600 ms into the scan, when the walk is long in its wait for "slow".
    const DWORD uiThread = GetCurrentThreadId();
    int64_t stoppedAt = 0;
    std::thread stopper([&] {
      Sleep(600);
      stoppedAt = os::Millis();
      Seen::stopAsked = true;
      PostThreadMessageW(uiThread, WM_NULL, 0, 0);
    });
    const Walked w = Walk(slow.Root(), 4);
    const int64_t returnedAt = os::Millis();
    stopper.join();
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    EXPECT_TRUE(GCancel);
    EXPECT_LT(returnedAt - stoppedAt, 1000) << "the walk waited for the blocked listing";
    EXPECT_GE(GLastAheadStats.abandoned, 1);
    EXPECT_EQ(test::ThreadCount(), threadsBefore + GLastAheadStats.abandoned);
    // "slow" got the record of a directory cancelled before its first entry; the start has
    // its partial totals.
    ASSERT_GE(w.records.size(), 2u);
    EXPECT_EQ(w.records[0], (Pfad{slow.Root(), L"slow", 0, 0, 0, 0}));
    EXPECT_EQ(w.records[1].Name, L"share");
    EXPECT_EQ(w.records[1].Dirs, 1);
    EXPECT_LE(w.records[1].Size, 5);

    // A new scan beside the abandoned call: complete and right.
    Seen::stopAsked = false;
    const Walked again = Walk(other.Root(), 4);
    EXPECT_EQ(again.total, 5);
    EXPECT_EQ(again.records.size(), 3u);
  }
  // When the call comes back, its thread drops the listing and ends, closing what it opened.
  EXPECT_TRUE(test::CountsSettleTo(threadsBefore, handlesBefore, 10000))
      << test::ThreadCount() << " threads, " << test::HandleCount() << " handles";
}

// A program ends while a listing thread of its last scan still blocks: the end waits for
// nothing. The child process takes "STOPP" 300 ms into a listing that blocks for 8 s.
TEST_F(ListAheadTest, TheProgramEndsWithoutWaitingForABlockedListing) {
  if (!test::NoFuseReason().empty()) GTEST_SKIP() << test::NoFuseReason();
  TempTree backing;
  backing.File(L"slow\\g", 1);
  test::SlowMedium slow(backing, "--block slow:8000");
  ASSERT_EQ(slow.Error(), "");
  // Without its trailing backslash, which would quote the closing quote.
  const std::wstring path = slow.Root().substr(0, slow.Root().size() - 1);
  std::wstring cmd = L"scanexit.exe \"" + path + L"\" 300";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &si, &pi));
  const DWORD started = GetTickCount();
  const DWORD waited = WaitForSingleObject(pi.hProcess, 30000);
  const DWORD elapsed = GetTickCount() - started;
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  ASSERT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_GE(code, 1u) << "no listing was left blocking at the end";
  EXPECT_LT(code, 100u);
  EXPECT_LT(elapsed, 6000u) << "the end waited for the blocked listing";
}

}  // namespace
}  // namespace vardune
