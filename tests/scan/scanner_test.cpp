// The recursive scanner on real temporary trees: records, totals, errors, cancel, progress.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "os/dirinfo.h"
#include "os/fs.h"
#include "os/text.h"
#include "scan/model.h"
#include "scan/scanner.h"
#include "scan/scanui.h"
#include "tests/support/support.h"

namespace vardune {
namespace {

using test::TempTree;

struct Recorder {
  static inline std::vector<std::wstring> log;
  static inline std::vector<std::wstring> pathTexts;
  static inline std::vector<std::wstring> counterTexts;
  static inline std::vector<std::wstring> stressRows;
  static inline int pumps = 0;
  static inline int cancelAfterPumps = -1;
  static inline std::wstring vanish;  // directory removed when its progress text comes
};

class ScannerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Pfade.Clear();
    GFiles = GDirs = 0;
    GBytes = 0;
    GNextRefresh = 0;
    GStress = false;
    GPumpIntervalMs = 0;
    Recorder::log.clear();
    Recorder::pathTexts.clear();
    Recorder::counterTexts.clear();
    Recorder::stressRows.clear();
    Recorder::pumps = 0;
    Recorder::cancelAfterPumps = -1;
    Recorder::vanish.clear();
    GScanUi = ScanUi{};
    GScanUi.LogError = [](std::wstring_view l) { Recorder::log.emplace_back(l); };
    GScanUi.SetPathText = [](std::wstring_view t) {
      Recorder::pathTexts.emplace_back(t);
      if (!Recorder::vanish.empty() && t == Recorder::vanish) {
        RemoveDirectoryW(Recorder::vanish.c_str());
      }
    };
    GScanUi.SetCounterText = [](std::wstring_view t) { Recorder::counterTexts.emplace_back(t); };
    GScanUi.PumpEvents = [] {
      ++Recorder::pumps;
      if (!Recorder::vanish.empty()) GNextRefresh = 0;  // a progress text for every directory
      return Recorder::cancelAfterPumps >= 0 && Recorder::pumps > Recorder::cancelAfterPumps;
    };
    GScanUi.StressRow = [](std::wstring_view kb, std::wstring_view name, std::wstring_view md5) {
      Recorder::stressRows.insert(Recorder::stressRows.begin(),
                                  std::wstring(kb) + L"|" + std::wstring(name) + L"|" +
                                      std::wstring(md5));
    };
  }
  void TearDown() override {
    GScanUi = ScanUi{};
    GPumpIntervalMs = 10;
    Pfade.Clear();
  }

  // Record of directory path P, which must exist exactly once.
  static Pfad Rec(const std::wstring& p) {
    const size_t i = FindRecordOf(Pfade, p);
    EXPECT_NE(i, PfadListe::npos) << test::Narrow(p);
    return i == PfadListe::npos ? Pfad{} : Pfade.Get(i);
  }
  static const Pfad* Files(const std::wstring& p) {
    static Pfad found;
    for (size_t i = 0; i < Pfade.size(); ++i) {
      if (Pfade.Parent(i) == p && Pfade.Name(i) == kDateien) {
        found = Pfade.Get(i);
        return &found;
      }
    }
    return nullptr;
  }

  // The invariants of a complete scan, for every directory record that is not an ERROR one.
  static void ExpectInvariants() {
    std::map<std::wstring, std::vector<size_t>> children;
    for (size_t i = 0; i < Pfade.size(); ++i) children[std::wstring(Pfade.Parent(i))].push_back(i);
    for (size_t i = 0; i < Pfade.size(); ++i) {
      if (Pfade.Name(i) == kDateien || Pfade[i].Size < 0) continue;
      const std::wstring full = Pfade.FullPath(i) + L"\\";
      int64_t size = 0;
      int64_t files = 0, dirs = 0;
      bool fileSum = false;
      for (size_t c : children[full]) {
        if (Pfade.Name(c) == kDateien) {
          fileSum = true;
          size += Pfade[c].Size;
          files += Pfade[c].Files;
          EXPECT_EQ(Pfade[c].Dirs, 0);
        } else {
          size += std::max<int64_t>(0, Pfade[c].Size);
          files += Pfade[c].Files;
          dirs += 1 + Pfade[c].Dirs;
        }
      }
      EXPECT_EQ(Pfade[i].Size, size) << test::Narrow(full);
      // Empty files count without a file-sum record: only then may the records show fewer.
      if (fileSum) {
        EXPECT_EQ(Pfade[i].Files, files) << test::Narrow(full);
      } else {
        EXPECT_GE(Pfade[i].Files, files) << test::Narrow(full);
      }
      EXPECT_EQ(Pfade[i].Dirs, dirs) << test::Narrow(full);
    }
  }
};

TEST_F(ScannerTest, NestedTreeInPostOrderWithExactTotals) {
  TempTree t;
  t.File(L"top.bin", 100);
  t.File(L"a\\one", 10);
  t.File(L"a\\zero", 0);
  t.File(L"a\\five", 5);
  t.File(L"a\\deep\\x", 1000);
  t.File(L"a\\deep\\deeper\\y", 7);
  t.Dir(L"empty");
  t.File(L"zeros\\z", 0);

  const int64_t total = _ScanDir(t.Root());
  EXPECT_EQ(total, 1122);
  EXPECT_EQ(GFiles, 7);
  EXPECT_EQ(GDirs, 5);
  EXPECT_EQ(GBytes, 1122);
  ExpectInvariants();

  const Pfad root = Rec(t.Root());
  EXPECT_EQ(root.Size, 1122);
  EXPECT_EQ(root.Dirs, 5);
  EXPECT_EQ(root.Files, 7);

  const Pfad a = Rec(t.Path(L"a\\"));
  EXPECT_EQ(a.Parent, t.Root());
  EXPECT_EQ(a.Name, L"a");
  EXPECT_EQ(a.Size, 1022);
  EXPECT_EQ(a.Dirs, 2);
  EXPECT_EQ(a.Files, 5);
  ASSERT_NE(Files(t.Path(L"a\\")), nullptr);
  EXPECT_EQ(Files(t.Path(L"a\\"))->Size, 15);
  EXPECT_EQ(Files(t.Path(L"a\\"))->Files, 3);

  // Empty directories and directories of empty files have no file-sum record.
  const Pfad empty = Rec(t.Path(L"empty\\"));
  EXPECT_EQ(empty.Size, 0);
  EXPECT_EQ(empty.Dirs, 0);
  EXPECT_EQ(empty.Files, 0);
  EXPECT_EQ(Files(t.Path(L"empty\\")), nullptr);
  const Pfad zeros = Rec(t.Path(L"zeros\\"));
  EXPECT_EQ(zeros.Files, 1);
  EXPECT_EQ(Files(t.Path(L"zeros\\")), nullptr);

  // Post-order: every directory's record after those of its subdirectories, its file-sum
  // record right after its own.
  std::map<std::wstring, size_t> at;
  for (size_t i = 0; i < Pfade.size(); ++i) {
    if (Pfade.Name(i) != kDateien) at[Pfade.FullPath(i) + L"\\"] = i;
  }
  EXPECT_LT(at[t.Path(L"a\\deep\\deeper\\")], at[t.Path(L"a\\deep\\")]);
  EXPECT_LT(at[t.Path(L"a\\deep\\")], at[t.Path(L"a\\")]);
  EXPECT_LT(at[t.Path(L"a\\")], at[t.Root()]);
  EXPECT_EQ(Pfade.Name(at[t.Root()] + 1), kDateien);
  EXPECT_EQ(Pfade.Parent(at[t.Root()] + 1), t.Root());
  EXPECT_EQ(Pfade.size(), at[t.Root()] + 2);
  EXPECT_TRUE(Recorder::log.empty());
}

TEST_F(ScannerTest, HiddenSystemAndHugeSparseFilesCountWhole) {
  TempTree t;
  t.Sparse(L"huge.bin", 5LL << 30);
  t.File(L"hidden.txt", 3);
  SetFileAttributesW(t.Path(L"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(_ScanDir(t.Root()), (5LL << 30) + 3);
  EXPECT_EQ(Rec(t.Root()).Files, 2);
  ASSERT_NE(Files(t.Root()), nullptr);
  EXPECT_EQ(Files(t.Root())->Size, (5LL << 30) + 3);
}

TEST_F(ScannerTest, LinkToDirectoryIsNotEnteredLinkToFileCounts) {
  TempTree outside;
  outside.File(L"big", 4096);
  outside.File(L"sub\\more", 4096);
  TempTree t;
  t.File(L"own", 1);
  t.Link(L"dirlink", outside.Root());
  t.Link(L"filelink", outside.Path(L"big"));
  _ScanDir(t.Root());
  const Pfad root = Rec(t.Root());
  EXPECT_EQ(root.Dirs, 0);
  EXPECT_EQ(root.Files, 2);
  EXPECT_EQ(root.Size, 1 + 4096);
  EXPECT_EQ(FindRecordOf(Pfade, t.Path(L"dirlink\\")), PfadListe::npos);
  EXPECT_EQ(Pfade.size(), 2u);  // the root and its file-sum record
}

TEST_F(ScannerTest, UnlistableDirectoriesBecomeErrorRecords) {
  TempTree t;
  t.File(L"ok\\f", 50);
  t.File(L"vanish\\f", 70);
  Recorder::vanish = t.Path(L"vanish\\");
  t.Remove(L"vanish\\f");
  bool closed = test::PermissionsEnforced();
  if (closed) {
    t.File(L"closed\\secret", 1000);
    t.Chmod(L"closed", "000");
  }
  _ScanDir(t.Root());
  GNextRefresh = 0;

  const Pfad v = Rec(t.Path(L"vanish\\"));
  EXPECT_EQ(v.Size, -1);
  EXPECT_EQ(v.Dirs, 0);
  EXPECT_EQ(v.Files, 0);
  std::vector<std::wstring> expected = {L"Error: " + t.Path(L"vanish\\")};
  if (closed) {
    EXPECT_EQ(Rec(t.Path(L"closed\\")).Size, -1);
    expected.push_back(L"Error: " + t.Path(L"closed\\"));
  }
  std::sort(expected.begin(), expected.end());
  auto got = Recorder::log;
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, expected);
  // The parent counts each ERROR directory once and none of its bytes.
  const Pfad root = Rec(t.Root());
  EXPECT_EQ(root.Size, 50);
  EXPECT_EQ(root.Dirs, closed ? 3 : 2);
  EXPECT_EQ(root.Files, 1);
  ExpectInvariants();
  if (!closed) GTEST_SKIP() << "permissions are not enforced for this user: only the vanished directory was checked";
}

TEST_F(ScannerTest, MissingStartPathGivesOneErrorRecord) {
  TempTree t;
  EXPECT_EQ(_ScanDir(t.Path(L"nope")), 0);
  ASSERT_EQ(Pfade.size(), 1u);
  EXPECT_EQ(Pfade.Get(0), (Pfad{t.Root(), L"nope", -1, 0, 0, 0}));
  EXPECT_EQ(Recorder::log, std::vector<std::wstring>{L"Error: " + t.Path(L"nope\\")});
  // A file is not a directory either.
  Pfade.Clear();
  t.File(L"plain", 5);
  _ScanDir(t.Path(L"plain\\"));
  ASSERT_EQ(Pfade.size(), 1u);
  EXPECT_EQ(Pfade[0].Size, -1);
}

TEST_F(ScannerTest, PathsOver250CharactersAreNotListed) {
  TempTree t;
  // Directory names that bring the paths, trailing backslash included, to 250 and 251.
  const size_t rootLen = t.Root().size();
  const std::wstring at250 = std::wstring(250 - rootLen - 1, L'a');
  const std::wstring at251 = std::wstring(251 - rootLen - 1, L'b');
  t.File(at250 + L"\\f", 10);
  t.File(at251 + L"\\f", 20);
  ASSERT_EQ(t.Path(at251 + L"\\").size(), 251u);
  _ScanDir(t.Root());
  EXPECT_EQ(Rec(t.Path(at250 + L"\\")).Size, 10);
  EXPECT_EQ(Rec(t.Path(at251 + L"\\")).Size, -1);
  EXPECT_EQ(Recorder::log, std::vector<std::wstring>{L"Error: " + t.Path(at251 + L"\\")});
  EXPECT_EQ(Rec(t.Root()).Dirs, 2);
  EXPECT_EQ(Rec(t.Root()).Size, 10);
}

TEST_F(ScannerTest, CancelLeavesPartialRecordsUpThePath) {
  TempTree t;
  std::wstring deep;
  for (int i = 0; i < 6; ++i) {
    deep += L"d" + std::to_wstring(i) + L"\\";
    t.File(deep + L"f", 1);
  }
  for (int i = 0; i < 40; ++i) t.File(deep + L"g" + std::to_wstring(i), 1);
  t.File(L"zz_after\\f", 1);
  // Pumps come at every directory and after every file: cancel on the way into the deep end.
  Recorder::cancelAfterPumps = 12;
  _ScanDir(t.Root());
  EXPECT_TRUE(GCancel);
  // Every directory on the way has a record; each level stopped at its next entry.
  std::wstring p = t.Root();
  int64_t below = Rec(p).Size;
  EXPECT_LT(below, 6 + 40 + 1);
  EXPECT_LT(GFiles, 47);
  for (int i = 0; i < 6; ++i) {
    p += L"d" + std::to_wstring(i) + L"\\";
    const size_t k = FindRecordOf(Pfade, p);
    if (k == PfadListe::npos) break;  // not reached before the cancel
    EXPECT_LE(Pfade[k].Size, below);
    below = Pfade[k].Size;
  }
  // Nothing after the cancel was entered.
  EXPECT_EQ(Recorder::pumps, 13);
}

TEST_F(ScannerTest, ProgressTextsAndTheirFormats) {
  const std::wstring p80 = L"C:\\" + std::wstring(76, L'x') + L"\\";
  ASSERT_EQ(p80.size(), 80u);
  EXPECT_EQ(ProgressPathText(p80), p80 + L"\r\n..." + p80.substr(30));
  const std::wstring p70 = L"C:\\" + std::wstring(66, L'x') + L"\\";
  EXPECT_EQ(ProgressPathText(p70), p70);
  EXPECT_EQ(ProgressCounterText(1024LL * 1024 * 1234 + 1, 1234567),
            L"MB: " + std::wstring(15, L' ') + L"1'234" + L"      Dateien: " +
                std::wstring(11, L' ') + L"1'234'567");
  EXPECT_EQ(RightAlign(L"123456789012345678901234", 20), L"12345678901234567890");

  // During a walk: the first directory always refreshes, then at most every 100 ms.
  TempTree t;
  for (int i = 0; i < 20; ++i) t.Dir(L"d" + std::to_wstring(i));
  _ScanDir(t.Root());
  ASSERT_FALSE(Recorder::pathTexts.empty());
  EXPECT_EQ(Recorder::pathTexts.front(), t.Root());
  EXPECT_LT(Recorder::pathTexts.size(), 5u);
  EXPECT_EQ(Recorder::counterTexts.front(), ProgressCounterText(0, 0));
}

TEST_F(ScannerTest, StressModeDigestsEveryFile) {
  TempTree t;
  std::string a(2048, 'a');
  t.Text(L"a.txt", a);
  t.Text(L"b.txt", "abc");
  EXPECT_EQ(os::Md5OfFile(t.Path(L"b.txt")), L"900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(os::Md5OfBytes(""), L"d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(os::Md5OfFile(t.Path(L"missing")), L"");
  const std::wstring digestA = os::Md5OfBytes(a);
  GStress = true;
  _ScanDir(t.Root());
  GStress = false;
  ASSERT_EQ(Recorder::stressRows.size(), 2u);
  // Rows go to the top: the file listed later stands first.
  std::vector<std::wstring> expected = {L"0|b.txt|900150983cd24fb0d6963f7d28e17f72",
                                        L"2|a.txt|" + digestA};
  if (Recorder::stressRows[0].find(L"a.txt") != std::wstring::npos) {
    std::swap(expected[0], expected[1]);  // the listing gave b.txt first
  }
  EXPECT_EQ(Recorder::stressRows, expected);
}

TEST_F(ScannerTest, ListingMatchesThePlainFindCall) {
  TempTree t;
  t.File(L"x", 3);
  t.Dir(L"d");
  t.File(L".hidden", 4);
  std::map<std::wstring, std::pair<DWORD, int64_t>> plain, ours;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((t.Root() + L"*.*").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do {
    plain[fd.cFileName] = {fd.dwFileAttributes,
                           static_cast<int64_t>((uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow)};
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  os::DirListing l(t.Root());
  ASSERT_FALSE(l.Failed());
  while (l.Next()) ours[l.Name()] = {l.Attributes(), l.Size()};
  EXPECT_EQ(ours, plain);
  EXPECT_EQ(ours.count(L".."), 1u);
  // An empty drive root lists nothing without failing; a missing directory fails.
  os::DirListing missing(t.Path(L"nope"));
  EXPECT_TRUE(missing.Failed());
}

// The listing of the scan engines gives of every entry what the system reports of it through
// its other calls: names, attributes, sizes and last writes as FindFirstFileW lists them, the
// bytes on the disk as the file itself reports them; a link to a directory carries its reparse
// bit (with no tag under Wine) and is not entered. Failing and empty as the find calls are.
TEST_F(ScannerTest, TheScanListingGivesWhatTheSystemReportsOfEachEntry) {
  TempTree outside;
  outside.File(L"inside", 10);
  TempTree t;
  t.File(L"three", 3);
  t.File(L"big", 100000);
  t.Sparse(L"sparse", 5LL << 30);
  t.File(L".hidden", 4);
  t.Dir(L"d");
  t.Link(L"dirlink", outside.Root());
  t.Link(L"filelink", outside.Path(L"inside"));
  struct Seen {
    DWORD attrs;
    int64_t size;
    uint64_t lastWrite;
    bool operator==(const Seen&) const = default;
  };
  std::map<std::wstring, Seen> plain, ours;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((t.Root() + L"*.*").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    plain[name] = {fd.dwFileAttributes,
                   static_cast<int64_t>((uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow),
                   (uint64_t(fd.ftLastWriteTime.dwHighDateTime) << 32) | fd.ftLastWriteTime.dwLowDateTime};
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  os::DirInfoListing l(os::LongPathForm(t.Root()));
  ASSERT_FALSE(l.Failed());
  std::map<std::wstring, int64_t> allocation;
  while (l.Next()) {
    const std::wstring name(l.Name());
    ours[name] = {l.Attributes(), l.Size(), l.LastWrite()};
    allocation[name] = l.Allocation();
    if (name == L"dirlink") {
      EXPECT_EQ(l.Attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
      EXPECT_EQ(l.ReparseTag(), 0u);
      EXPECT_FALSE(l.Enters());
    } else if (name == L"d") {
      EXPECT_TRUE(l.Enters());
    }
  }
  EXPECT_EQ(ours, plain);
  EXPECT_EQ(ours.count(L".."), 0u);
  for (const wchar_t* name : {L"three", L"big", L"sparse", L".hidden"}) {
    os::Handle f(CreateFileW(t.Path(name).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr));
    FILE_STANDARD_INFO info{};
    ASSERT_TRUE(f && GetFileInformationByHandleEx(f.get(), FileStandardInfo, &info, sizeof info));
    EXPECT_EQ(allocation[name], info.AllocationSize.QuadPart) << test::Narrow(name);
  }
  EXPECT_LT(allocation[L"sparse"], 5LL << 30);
  EXPECT_GE(allocation[L"big"], 100000);

  t.Dir(L"empty");
  os::DirInfoListing empty(os::LongPathForm(t.Path(L"empty\\")));
  EXPECT_FALSE(empty.Failed());
  EXPECT_FALSE(empty.Next());
  for (const std::wstring& bad : {t.Path(L"nope\\"), t.Path(L"three\\"), t.Path(L"three")}) {
    os::DirInfoListing none(os::LongPathForm(bad));
    EXPECT_TRUE(none.Failed()) << test::Narrow(bad);
    EXPECT_FALSE(none.Next());
  }
}

// Another process keeps making and removing directories and files all over the tree while it
// is scanned, by either engine: every scan goes through, every directory that vanished under
// it is an ERROR record with its log line, and every other record adds up to what the scan saw
// below it.
TEST_F(ScannerTest, ScanWhileAnotherProcessChangesTheTree) {
  TempTree t;
  for (int a = 0; a < 12; ++a) {
    for (int b = 0; b < 4; ++b) {
      t.File(L"d" + std::to_wstring(a) + L"\\s" + std::to_wstring(b) + L"\\f.bin", 100 + a * 10 + b);
    }
  }
  const std::string root = test::UnixPath(t.Root());
  // Until the stop file appears: subtrees removed and made again, files written and removed.
  const std::string churn =
      "cd " + test::ShellQuote(root) +
      " && i=0; while [ ! -e stop ]; do a=$((i % 12)); "
      "rm -rf d$a/s$((i % 4)) d$a/new; mkdir -p d$a/new/x d$a/s$((i % 4))/y; "
      "echo $i > d$a/new/x/g; echo $i > d$a/s$((i % 4))/y/h; rm -f d$a/s$(((i + 1) % 4))/f.bin; "
      "i=$((i + 1)); echo $i > count.tmp; mv count.tmp count; done; touch stopped";
  ASSERT_EQ(test::RunUnix("(" + churn + ") >/dev/null 2>&1 &"), 0);
  GScanUi.PumpEvents = [] {
    ++Recorder::pumps;
    Sleep(0);  // give the other process a chance between directories
    return false;
  };
  // Rounds until the other process has gone through the tree several times.
  const auto changes = [&] {
    const auto text = os::ReadWholeFile(t.Path(L"count"));
    return text ? std::atoi(text->c_str()) : 0;
  };
  size_t errors = 0;
  int rounds = 0;
  for (; rounds < 400 && (rounds < 8 || changes() < 60); ++rounds) {
    Pfade.Clear();
    Recorder::log.clear();
    GFiles = GDirs = 0;
    GBytes = 0;
    // Every other round with the listing threads, whose listings are older than the walk.
    const int64_t total = rounds % 2 ? ScanDirAhead(t.Root(), 2 + rounds % 3) : _ScanDir(t.Root());
    const Pfad top = Rec(t.Root());
    EXPECT_EQ(top.Size, total);
    ExpectInvariants();
    // One log line for every ERROR record, naming it.
    std::vector<std::wstring> errorPaths;
    for (size_t i = 0; i < Pfade.size(); ++i) {
      if (Pfade[i].Size < 0) errorPaths.push_back(Pfade.FullPath(i) + L"\\");
    }
    std::vector<std::wstring> logged;
    for (const std::wstring& l : Recorder::log) {
      ASSERT_TRUE(l.starts_with(L"Error: "));
      logged.push_back(l.substr(7));
    }
    std::sort(errorPaths.begin(), errorPaths.end());
    std::sort(logged.begin(), logged.end());
    EXPECT_EQ(errorPaths, logged);
    errors += errorPaths.size();
  }
  t.Text(L"stop", "");
  for (int i = 0; i < 5000; ++i) {
    if (GetFileAttributesW(t.Path(L"stopped").c_str()) != INVALID_FILE_ATTRIBUTES) break;
    Sleep(2);
  }
  // Not asserted: whether a directory vanished exactly between listing and entering it is up
  // to the timing of the two processes.
  EXPECT_GE(changes(), 60);
  std::printf("%d scans, %d changes, directories that vanished under the scans: %zu\n", rounds,
              changes(), errors);
}

}  // namespace
}  // namespace vardune
