// The scan driver: whole scans, partial rescans with the correction above them, cancel, the
// blinking scan button, and the shares of a server read from a stand-in net.exe.
#include <gtest/gtest.h>

#include <mutex>

#include "os/fs.h"
#include "os/text.h"
#include "scan/driver.h"
#include "scan/engine.h"
#include "scan/model.h"
#include "scan/scanner.h"
#include "scan/scanpath.h"
#include "scan/scanui.h"
#include "tests/support/support.h"

namespace vardune {
namespace {

using test::TempTree;

struct Seen {
  static inline std::mutex imagesLock;
  static inline std::vector<int> images;
  static inline std::vector<std::wstring> calls;  // end-of-scan calls and stop button
  static inline std::vector<std::wstring> pathTexts;
  static inline std::vector<std::wstring> log;
  static inline std::wstring field4;
  static inline bool stopEnabled = false;
  static inline bool stopPressed = false;
  static inline int cancelAtPump = -1;
  static inline int pumps = 0;
  static inline bool answerYes = false;
  static inline std::vector<std::wstring> questions;
  static inline std::wstring vanish;
  static inline int stressRows = 0;
};

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Pfade.Clear();
    GPumpIntervalMs = 0;
    Seen::images.clear();
    Seen::calls.clear();
    Seen::pathTexts.clear();
    Seen::log.clear();
    Seen::field4.clear();
    Seen::stopEnabled = false;
    Seen::stopPressed = false;
    Seen::cancelAtPump = -1;
    Seen::pumps = 0;
    Seen::answerYes = false;
    Seen::questions.clear();
    Seen::vanish.clear();
    Seen::stressRows = 0;
    GScanUi = ScanUi{};
    GScanUi.SetPathText = [](std::wstring_view t) {
      Seen::field4 = t;
      Seen::pathTexts.emplace_back(t);
      if (!Seen::vanish.empty() && t == Seen::vanish) RemoveDirectoryW(Seen::vanish.c_str());
    };
    GScanUi.GetPathText = [] { return Seen::field4; };
    GScanUi.PumpEvents = [] {
      ++Seen::pumps;
      if (!Seen::vanish.empty()) GNextRefresh = 0;
      if (Seen::cancelAtPump >= 0 && Seen::pumps >= Seen::cancelAtPump) {
        Seen::stopPressed = true;
      }
      const bool pressed = Seen::stopPressed;
      Seen::stopPressed = false;  // the pump releases a pressed STOPP
      return pressed;
    };
    GScanUi.EnableStop = [](bool on) {
      Seen::stopEnabled = on;
      Seen::calls.push_back(on ? L"stop on" : L"stop off");
    };
    GScanUi.ReleaseStop = [] {
      Seen::stopPressed = false;
      Seen::calls.push_back(L"stop released");
    };
    GScanUi.SetScanImage = [](int image) {
      std::lock_guard<std::mutex> g(Seen::imagesLock);
      Seen::images.push_back(image);
    };
    GScanUi.LogError = [](std::wstring_view l) { Seen::log.emplace_back(l); };
    GScanUi.StressRow = [](std::wstring_view, std::wstring_view, std::wstring_view) {
      ++Seen::stressRows;
    };
    GScanUi.AskYesNo = [](std::wstring_view q) {
      Seen::questions.emplace_back(q);
      return Seen::answerYes;
    };
    GScanUi.UpdateSetSizes = [] { Seen::calls.push_back(L"sizes"); };
    GScanUi.CheckSets = [] { Seen::calls.push_back(L"check"); };
    GScanUi.ShowDir = [](std::wstring_view p) {
      Seen::calls.push_back(L"show " + std::wstring(p));
      Seen::field4 = L"summary";
    };
  }
  void TearDown() override {
    GScanEngine = ScanEngine::Auto;
    GScanUi = ScanUi{};
    GPumpIntervalMs = 10;
    Pfade.Clear();
  }

  static std::vector<Pfad> Records() {
    std::vector<Pfad> v;
    for (size_t i = 0; i < Pfade.size(); ++i) v.push_back(Pfade.Get(i));
    return v;
  }
  static Pfad Rec(const std::wstring& p) {
    const size_t i = FindRecordOf(Pfade, p);
    EXPECT_NE(i, PfadListe::npos) << test::Narrow(p);
    return i == PfadListe::npos ? Pfad{} : Pfade.Get(i);
  }
  static void ExpectIdle() {
    EXPECT_FALSE(Seen::stopEnabled);
    EXPECT_FALSE(Seen::stopPressed);
    EXPECT_EQ(GScanning.load(), 0);
    EXPECT_FALSE(BlinkThreadRunning());
    std::lock_guard<std::mutex> g(Seen::imagesLock);
    ASSERT_FALSE(Seen::images.empty());
    EXPECT_EQ(Seen::images.front(), 2);
    EXPECT_EQ(Seen::images.back(), 2);
  }
};

TEST_F(DriverTest, ScanningTwiceLeavesTheSameRecords) {
  TempTree t;
  t.File(L"a\\x", 10);
  t.File(L"a\\b\\y", 20);
  t.File(L"c\\z", 30);
  _Scan(t.Root());
  const auto first = Records();
  _Scan(t.Root());
  EXPECT_EQ(Records(), first);
  EXPECT_EQ(Rec(t.Root()).Size, 60);
  // The end of a scan in its order: sizes, reconciliation, display, then the stop button.
  const std::vector<std::wstring> tail(Seen::calls.end() - 6, Seen::calls.end());
  EXPECT_EQ(tail, (std::vector<std::wstring>{L"stop on", L"sizes", L"check", L"show " + t.Root(),
                                             L"stop released", L"stop off"}));
  // The summary gets the duration after three blanks.
  EXPECT_TRUE(Seen::field4.starts_with(L"summary   00:00:")) << test::Narrow(Seen::field4);
  EXPECT_TRUE(Seen::field4.ends_with(L"ms"));
  ExpectIdle();
}

TEST_F(DriverTest, RescanOfASubdirectoryCorrectsEveryAncestorButTheDriveRoot) {
  TempTree t;
  t.File(L"a\\b\\old", 100);
  t.File(L"a\\other\\o", 5);
  _Scan(t.Root());
  // Records of directories above the scanned tree, as an earlier scan of them would leave.
  const PathSplit rootSplit = SplitRecordPath(t.Root());
  Pfade.Append(Pfad{L"Z:\\", L"tmp", 1'000'000, 50, 500, 0});
  Pfade.Append(Pfad{L"", L"Z:", 9'000'000, 90, 900, 0});
  Pfade.SortByParent();
  const Pfad rootBefore = Rec(t.Root());
  const Pfad aBefore = Rec(t.Path(L"a\\"));
  const auto otherBefore = Rec(t.Path(L"a\\other\\"));

  t.File(L"a\\b\\new", 1000);
  _Scan(t.Path(L"a\\b\\"));
  EXPECT_EQ(Rec(t.Path(L"a\\b\\")).Size, 1100);
  EXPECT_EQ(Rec(t.Path(L"a\\")).Size, aBefore.Size + 1000);
  EXPECT_EQ(Rec(t.Path(L"a\\")).Files, aBefore.Files + 1);
  EXPECT_EQ(Rec(t.Path(L"a\\")).Dirs, aBefore.Dirs);
  EXPECT_EQ(Rec(t.Root()).Size, rootBefore.Size + 1000);
  EXPECT_EQ(Rec(t.Root()).Files, rootBefore.Files + 1);
  EXPECT_EQ(Rec(L"Z:\\tmp\\").Size, 1'001'000);
  EXPECT_EQ(Rec(L"Z:\\tmp\\").Files, 501);
  EXPECT_EQ(Rec(L"Z:\\").Size, 9'000'000);  // the drive root keeps its values
  EXPECT_EQ(Rec(t.Path(L"a\\other\\")), otherBefore);
  EXPECT_EQ(std::wstring(rootSplit.Parent), L"Z:\\tmp\\");
  // Still sorted by parent afterwards.
  for (size_t i = 1; i < Pfade.size(); ++i) {
    EXPECT_LE(CompareNoCase(Pfade.Parent(i - 1), Pfade.Parent(i)), 0);
  }
  ExpectIdle();
}

TEST_F(DriverTest, ErrorDirectoryThatBecameReadableRaisesAncestorsByItsSize) {
  TempTree t;
  t.File(L"top\\keep", 7);
  t.Dir(L"top\\later");
  // The directory goes when the walk enters it: the walk that lists on entering shows it.
  Seen::vanish = t.Path(L"top\\later\\");
  GScanEngine = ScanEngine::OneAtATime;
  _Scan(t.Root());
  GScanEngine = ScanEngine::Auto;
  Seen::vanish.clear();
  ASSERT_EQ(Rec(t.Path(L"top\\later\\")).Size, -1);
  ASSERT_EQ(Seen::log, std::vector<std::wstring>{L"Error: " + t.Path(L"top\\later\\")});
  const Pfad topBefore = Rec(t.Path(L"top\\"));
  EXPECT_EQ(topBefore.Size, 7);

  t.File(L"top\\later\\f", 500);
  _Scan(t.Path(L"top\\later\\"));
  EXPECT_EQ(Rec(t.Path(L"top\\later\\")).Size, 500);
  EXPECT_EQ(Rec(t.Path(L"top\\")).Size, 507);
  EXPECT_EQ(Rec(t.Path(L"top\\")).Files, topBefore.Files + 1);
  EXPECT_EQ(Rec(t.Path(L"top\\")).Dirs, topBefore.Dirs);
  EXPECT_EQ(Rec(t.Root()).Size, 507);
}

TEST_F(DriverTest, CancelledScanTakesTheSameWayToTheEnd) {
  TempTree t;
  for (int i = 0; i < 30; ++i) t.File(L"d" + std::to_wstring(i) + L"\\f", 10);
  Seen::cancelAtPump = 5;
  _Scan(t.Root());
  EXPECT_LT(Rec(t.Root()).Size, 300);
  const std::vector<std::wstring> tail(Seen::calls.end() - 5, Seen::calls.end());
  EXPECT_EQ(tail, (std::vector<std::wstring>{L"sizes", L"check", L"show " + t.Root(),
                                             L"stop released", L"stop off"}));
  EXPECT_TRUE(Seen::field4.starts_with(L"summary   "));
  ExpectIdle();
}

TEST_F(DriverTest, DurationText) {
  EXPECT_EQ(ScanDurationText(999), L"00:00:00 999ms");
  EXPECT_EQ(ScanDurationText(1000), L"00:00:01 0ms");
  EXPECT_EQ(ScanDurationText(83456), L"00:01:23 456ms");
  EXPECT_EQ(ScanDurationText((24 * 3600 + 61) * 1000LL + 5), L"00:01:01 5ms");
}

TEST_F(DriverTest, BlinkingAlternatesWhileAScanRuns) {
  TempTree t;
  t.File(L"f", 1);
  // A scan that lasts about a second: the pump sleeps.
  GScanUi.PumpEvents = [] {
    Sleep(40);
    return false;
  };
  for (int i = 0; i < 25; ++i) t.File(L"d\\f" + std::to_wstring(i), 1);
  _Scan(t.Root());
  std::lock_guard<std::mutex> g(Seen::imagesLock);
  ASSERT_GE(Seen::images.size(), 3u);
  for (size_t i = 0; i + 1 < Seen::images.size(); ++i) {
    EXPECT_EQ(Seen::images[i], i % 2 == 0 ? 2 : 3);
  }
  EXPECT_EQ(Seen::images.back(), 2);
  EXPECT_FALSE(BlinkThreadRunning());
}

TEST_F(DriverTest, StressScanAsksFirst) {
  TempTree t;
  t.File(L"a.txt", 2048);
  GStartPath = t.Root();
  _StressScan();
  EXPECT_EQ(Seen::questions,
            std::vector<std::wstring>{L"Mit Stresstest scannen (Heavy Dateilesezugriff!)?"});
  EXPECT_TRUE(Pfade.empty());
  EXPECT_FALSE(GStress);
  Seen::answerYes = true;
  _StressScan();
  EXPECT_EQ(Seen::stressRows, 1);
  EXPECT_FALSE(GStress);
  EXPECT_EQ(Rec(t.Root()).Size, 2048);
}

// ---- server shares through the stand-in net.exe ------------------------------------------

class SharesTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    output_ = tree_.Path(L"net-output.txt");
    log_ = tree_.Path(L"net-log.txt");
    SetEnvironmentVariableW(L"VARDUNE_NET_OUTPUT", output_.c_str());
    SetEnvironmentVariableW(L"VARDUNE_NET_LOG", log_.c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"VARDUNE_NET_OUTPUT", nullptr);
    SetEnvironmentVariableW(L"VARDUNE_NET_LOG", nullptr);
    DriverTest::TearDown();
  }
  void Output(std::string_view bytes) { tree_.Text(L"net-output.txt", bytes); }
  std::vector<std::wstring> Invocations() {
    std::vector<std::wstring> out;
    auto bytes = os::ReadWholeFile(log_);
    if (!bytes) return out;
    std::wstring all(reinterpret_cast<const wchar_t*>(bytes->data()), bytes->size() / 2);
    size_t start = 0;
    for (size_t k; (k = all.find(L'\n', start)) != std::wstring::npos; start = k + 1) {
      out.push_back(all.substr(start, k - start));
    }
    return out;
  }
  static std::vector<std::wstring> Shares() {
    std::vector<std::wstring> v;
    for (size_t i = 0; i < Pfade.size(); ++i) {
      if (Pfade.Parent(i) == L"\\\\vdsrv\\") v.emplace_back(Pfade.Name(i));
    }
    return v;
  }

  TempTree tree_;
  std::wstring output_, log_;
};

constexpr char kGermanListing[] =
    "Freigegebene Ressourcen auf \\\\vdsrv\r\n"
    "\r\n"
    "Name          Typ  Info\r\n"
    "-------------------------------------------------------------------------------\r\n"
    "Daten         Disk\r\n"
    "Musik         Disk\r\n"
    "\r\n"
    "Der Befehl wurde erfolgreich ausgef\x81hrt.\r\n";

TEST_F(SharesTest, BareServerScansEveryListedShareInOrder) {
  Output(kGermanListing);
  _Scan(L"\\\\vdsrv");
  EXPECT_EQ(Invocations(), std::vector<std::wstring>{L"net.exe view \\\\vdsrv\\"});
  EXPECT_NE(std::find(Seen::pathTexts.begin(), Seen::pathTexts.end(), L"net view \\\\vdsrv\\"),
            Seen::pathTexts.end());
  EXPECT_EQ(Shares(), (std::vector<std::wstring>{L"Daten", L"Musik"}));
  // Wine reaches no such server: each share is an ERROR record with its log line.
  EXPECT_EQ(Seen::log, (std::vector<std::wstring>{L"Error: \\\\vdsrv\\Daten\\",
                                                  L"Error: \\\\vdsrv\\Musik\\"}));
  // The server itself gets no record.
  EXPECT_EQ(FindRecord(Pfade, L"\\\\", L"vdsrv"), PfadListe::npos);
  ExpectIdle();

  Pfade.Clear();
  _Scan(L"\\\\vdsrv\\");
  EXPECT_EQ(Invocations().back(), L"net.exe view \\\\vdsrv\\");
  EXPECT_EQ(Shares(), (std::vector<std::wstring>{L"Daten", L"Musik"}));
}

TEST_F(SharesTest, LocalAndSharePathsStartNoProcess) {
  Output(kGermanListing);
  TempTree t;
  t.File(L"f", 3);
  _Scan(t.Root());
  _Scan(L"\\\\vdsrv\\Daten\\Ordner\\");
  EXPECT_TRUE(Invocations().empty());
  EXPECT_EQ(Rec(L"\\\\vdsrv\\Daten\\Ordner\\").Size, -1);
}

TEST_F(SharesTest, OemUmlautFullColumnAndForeignOutput) {
  // "Bücher" as the system's console programs write it into a pipe: OEM code page.
  std::string listing =
      "Name          Typ  Info\r\n------------\r\nB\x81" "cher        Disk\r\n"
      "VollerNameXYZWDisk\r\nDer Befehl wurde erfolgreich ausgef\x81hrt.\r\n";
  Output(listing);
  _Scan(L"\\\\vdsrv");
  EXPECT_EQ(Shares(), (std::vector<std::wstring>{L"Bücher", L"VollerNameXYZW"}));
  // No separator: nothing is scanned; English output: no header column, nothing taken.
  Pfade.Clear();
  Output("Name          Typ  Info\r\nDaten         Disk\r\n");
  _Scan(L"\\\\vdsrv");
  EXPECT_TRUE(Pfade.empty());
  Output("Share name  Type  Used as  Comment\r\n-------------------------------\r\n"
         "Data        Disk\r\nThe command completed successfully.\r\n");
  _Scan(L"\\\\vdsrv");
  EXPECT_TRUE(Pfade.empty());
  // UTF-8 output is read as UTF-8.
  Output("Name          Typ  Info\n------------\nB\xc3\xbc" "cher        Disk\n");
  _Scan(L"\\\\vdsrv");
  EXPECT_EQ(Shares(), std::vector<std::wstring>{L"Bücher"});
}

TEST_F(SharesTest, ReadableShareOfALocalServerName) {
  // Wine resolves \\server\share through the prefix's dosdevices\unc folder.
  const std::string prefixUnix = test::WinePrefixDir();
  if (prefixUnix.empty()) GTEST_SKIP() << "not Wine";
  TempTree share;
  share.File(L"lied.mp3", 4000);
  share.File(L"alben\\a.mp3", 6000);
  test::RunUnix("mkdir -p " + test::ShellQuote(prefixUnix + "/dosdevices/unc/vdsrv") + " && ln -sfn " +
                test::ShellQuote(test::UnixPath(share.Root())) + " " +
                test::ShellQuote(prefixUnix + "/dosdevices/unc/vdsrv/Musik"));
  if (!os::IsDirectory(L"\\\\vdsrv\\Musik\\")) GTEST_SKIP() << "this Wine maps no UNC paths";
  Output("Name          Typ  Info\r\n------------\r\nMusik         Disk\r\nDaten         Disk\r\n");
  _Scan(L"\\\\vdsrv\\");
  EXPECT_EQ(Shares(), (std::vector<std::wstring>{L"Musik", L"Daten"}));
  EXPECT_EQ(Rec(L"\\\\vdsrv\\Musik\\").Size, 10000);
  EXPECT_EQ(Rec(L"\\\\vdsrv\\Musik\\").Dirs, 1);
  EXPECT_EQ(Rec(L"\\\\vdsrv\\Musik\\alben\\").Parent, L"\\\\vdsrv\\Musik\\");
  EXPECT_EQ(Rec(L"\\\\vdsrv\\Daten\\").Size, -1);
  // A rescan below the share corrects the share's record and stops there.
  share.File(L"alben\\b.mp3", 1000);
  Pfade.Append(Pfad{L"\\\\", L"vdsrv", 1, 1, 1, 0});
  _Scan(L"\\\\vdsrv\\Musik\\alben\\");
  EXPECT_EQ(Rec(L"\\\\vdsrv\\Musik\\").Size, 11000);
  EXPECT_EQ(FindRecord(Pfade, L"\\\\", L"vdsrv") != PfadListe::npos ? Pfade[FindRecord(Pfade, L"\\\\", L"vdsrv")].Size : 0, 1);
  test::RunUnix("rm -f " + test::ShellQuote(prefixUnix + "/dosdevices/unc/vdsrv/Musik"));
}

TEST_F(SharesTest, StopEndsTheScanOfAllShares) {
  Output("Name          Typ  \r\n------------\r\nEins          Disk\r\nZwei          Disk\r\n");
  // Pressed while the first share is scanned (after the listing was read).
  GScanUi.PumpEventsKeepStop = [] { ++Seen::pumps; };
  GScanUi.PumpEvents = [] { return Seen::log.empty(); };
  _Scan(L"\\\\vdsrv");
  EXPECT_GT(Seen::pumps, 0);
  EXPECT_EQ(Shares(), std::vector<std::wstring>{L"Eins"});

  // Pressed while the list is read, with no window to keep it pressed: no share is walked.
  Pfade.Clear();
  Seen::pumps = 0;
  GScanUi.PumpEventsKeepStop = nullptr;
  GScanUi.PumpEvents = [] { return ++Seen::pumps == 1; };
  _Scan(L"\\\\vdsrv");
  EXPECT_TRUE(Shares().empty());
  ExpectIdle();
}

}  // namespace
}  // namespace vardune
