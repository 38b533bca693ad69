// Paths as the scan meets them: names that Windows would trim, a start path typed with
// repeated backslashes, a directory whose listing is empty, and the progress texts over time.
#include <windows.h>

#include <gtest/gtest.h>

#include "os/clock.h"
#include "os/fs.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "scan/scanner.h"
#include "scan/scanui.h"
#include "tests/support/support.h"

namespace vardune {
namespace {

using test::TempTree;

struct Texts {
  static inline std::vector<std::pair<std::wstring, int64_t>> paths;
  static inline std::vector<std::wstring> log;
  static inline std::vector<std::wstring> stress;
  static inline int64_t sleepOnFirstText = 0;
};

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Pfade.Clear();
    GFiles = GDirs = 0;
    GBytes = 0;
    GNextRefresh = 0;
    GStress = false;
    Texts::paths.clear();
    Texts::log.clear();
    Texts::stress.clear();
    Texts::sleepOnFirstText = 0;
    GScanUi = ScanUi{};
    GScanUi.SetPathText = [](std::wstring_view t) {
      Texts::paths.emplace_back(std::wstring(t), os::Millis());
      if (Texts::paths.size() == 1 && Texts::sleepOnFirstText) {
        Sleep(static_cast<DWORD>(Texts::sleepOnFirstText));
      }
    };
    GScanUi.LogError = [](std::wstring_view l) { Texts::log.emplace_back(l); };
    GScanUi.StressRow = [](std::wstring_view kb, std::wstring_view name, std::wstring_view md5) {
      Texts::stress.push_back(std::wstring(kb) + L"|" + std::wstring(name) + L"|" +
                              std::wstring(md5));
    };
  }
  void TearDown() override {
    GScanUi = ScanUi{};
    Pfade.Clear();
  }
  static Pfad Rec(const std::wstring& parent, std::wstring_view name) {
    const size_t i = FindRecord(Pfade, parent, name);
    EXPECT_NE(i, PfadListe::npos) << test::Narrow(parent) << test::Narrow(name);
    return i == PfadListe::npos ? Pfad{} : Pfade.Get(i);
  }
};

// Windows drops a trailing dot or blank of the last name of a path before it uses it; the
// names "dot." and "dot" then reach the same directory. Linux programs, macOS and shares
// served from them write such names freely.
TEST_F(PathsTest, NamesEndingInDotsOrBlanksAreNotTheirTwins) {
  TempTree t;
  const std::string u = test::UnixPath(t.Root());
  ASSERT_EQ(test::RunUnix("cd " + test::ShellQuote(u) +
                          " && mkdir dot dot. 'sp' 'sp ' && head -c 1000 /dev/zero > dot/f"
                          " && head -c 100 /dev/zero > dot./g && head -c 7 /dev/zero > sp/h"
                          " && printf abc > 'sp /i' && printf abcdef > 'sp /i.'"),
            0);
  GStress = true;
  _ScanDir(t.Root());
  GStress = false;
  EXPECT_TRUE(Texts::log.empty());
  EXPECT_EQ(Rec(t.Root(), L"dot").Size, 1000);
  EXPECT_EQ(Rec(t.Root(), L"dot.").Size, 100);
  EXPECT_EQ(Rec(t.Root(), L"sp").Size, 7);
  EXPECT_EQ(Rec(t.Root(), L"sp ").Size, 9);
  EXPECT_EQ(Rec(t.Root(), L"sp ").Files, 2);
  const std::wstring root = t.Root();
  EXPECT_EQ(Pfade[FindRecordOf(Pfade, root)].Size, 1116);
  // The stress test reads each file itself, not its twin.
  EXPECT_NE(std::find(Texts::stress.begin(), Texts::stress.end(),
                      L"0|i|900150983cd24fb0d6963f7d28e17f72"),
            Texts::stress.end());
  EXPECT_NE(std::find(Texts::stress.begin(), Texts::stress.end(),
                      L"0|i.|e80b5017098950fc58aad83c8c14978e"),
            Texts::stress.end());
}

// A start path typed with two trailing backslashes is the same directory as with one: a
// rescan replaces its record and corrects the totals above it.
TEST_F(PathsTest, RescanOfAPathWithTrailingBackslashesKeepsItsRecord) {
  TempTree t;
  t.File(L"a\\f", 1000);
  t.File(L"b\\g", 10);
  _Scan(t.Root());
  ASSERT_EQ(Pfade[FindRecordOf(Pfade, t.Root())].Size, 1010);
  t.File(L"a\\h", 500);
  _Scan(t.Path(L"a\\\\\\"));
  EXPECT_EQ(FindRecord(Pfade, t.Path(L"a\\"), L""), PfadListe::npos);
  EXPECT_EQ(FindRecord(Pfade, t.Path(L"a\\\\"), L""), PfadListe::npos);
  EXPECT_EQ(Rec(t.Root(), L"a").Size, 1500);
  EXPECT_EQ(Rec(t.Root(), L"a").Files, 2);
  EXPECT_EQ(Pfade[FindRecordOf(Pfade, t.Root())].Size, 1510);
  EXPECT_EQ(Pfade[FindRecordOf(Pfade, t.Root())].Files, 3);
  EXPECT_EQ(Rec(t.Path(L"a\\"), kDateien).Size, 1500);
}

// A listing that finds nothing at all (no "." and ".." either, as at the root of an empty
// drive) is an empty directory, not an unreadable one.
TEST_F(PathsTest, EmptyListingIsNotAFailure) {
  const std::string prefix = test::WinePrefixDir();
  if (prefix.empty()) GTEST_SKIP() << "not Wine";
  TempTree empty;
  const std::string drive = prefix + "/dosdevices/q:";
  ASSERT_EQ(test::RunUnix("ln -sfn " + test::ShellQuote(test::UnixPath(empty.Root())) + " " +
                          test::ShellQuote(drive)),
            0);
  // The premise: the system reports the empty listing as "no file found".
  WIN32_FIND_DATAW fd{};
  HANDLE h = FindFirstFileW(L"\\\\?\\Q:\\*.*", &fd);
  const DWORD error = GetLastError();
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
  ASSERT_EQ(h, INVALID_HANDLE_VALUE) << "the drive root lists entries";
  ASSERT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  _ScanDir(L"Q:\\");
  test::RunUnix("rm -f " + test::ShellQuote(drive));
  ASSERT_EQ(Pfade.size(), 1u);
  EXPECT_EQ(Pfade.Get(0), (Pfad{L"", L"Q:", 0, 0, 0, 0}));
  EXPECT_TRUE(Texts::log.empty());
}

// The progress texts come again once 100 ms have passed, at the next directory, and never
// closer together than that.
TEST_F(PathsTest, ProgressTextsAreRefreshedAfter100Milliseconds) {
  TempTree t;
  t.File(L"a\\b\\c\\f", 1);
  Texts::sleepOnFirstText = 150;
  _ScanDir(t.Root());
  ASSERT_GE(Texts::paths.size(), 2u);
  EXPECT_EQ(Texts::paths[0].first, t.Root());
  EXPECT_EQ(Texts::paths[1].first, t.Path(L"a\\"));
  // The clock is read a moment before each text is written: a few milliseconds of leeway.
  for (size_t i = 1; i < Texts::paths.size(); ++i) {
    EXPECT_GE(Texts::paths[i].second - Texts::paths[i - 1].second, 95) << i;
  }
}

}  // namespace
}  // namespace vardune
