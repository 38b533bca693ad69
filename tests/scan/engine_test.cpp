// The engine choice: the backup privilege asked for before a scan lists, and the rule that
// hands a listing walk over to the MFT when that is expected to end sooner.
#include <gtest/gtest.h>

#include "os/privilege.h"
#include "scan/engine.h"
#include "scan/model.h"
#include "scan/scanner.h"
#include "scan/scanui.h"
#include "tests/support/support.h"

namespace vardune {
namespace {

struct Asked {
  static inline bool elevated = false;
  static inline int enables = 0;
};

// The token's elevation cannot be changed under the test bed: a seam answers it. Elevated,
// every scan asks for the backup privilege once before it lists, whichever engine it takes;
// not elevated, never (and what the user may not list stays an ERROR record).
TEST(EngineChoice, TheBackupPrivilegeIsAskedForOnceAScanWhenElevated) {
  const auto realElevated = os::GIsElevated;
  const auto realEnable = os::GEnableBackupPrivilege;
  // The real calls answer under the test bed too; an elevated token holds the privilege.
  if (realElevated()) {
    EXPECT_TRUE(realEnable());
  }
  os::GIsElevated = [] { return Asked::elevated; };
  os::GEnableBackupPrivilege = [] {
    ++Asked::enables;
    return true;
  };
  GScanUi = ScanUi{};
  test::TempTree t;
  t.File(L"a\\f", 5);
  t.File(L"b\\c\\g", 7);
  for (const bool elevated : {true, false}) {
    Asked::elevated = elevated;
    Asked::enables = 0;
    for (const ScanEngine engine :
         {ScanEngine::Auto, ScanEngine::OneAtATime, ScanEngine::ListingAhead}) {
      GScanEngine = engine;
      Pfade.Clear();
      GFiles = GDirs = 0;
      EXPECT_EQ(ScanTree(t.Root()), 12);
    }
    EXPECT_EQ(Asked::enables, elevated ? 3 : 0) << (elevated ? "elevated" : "not elevated");
  }
  GScanEngine = ScanEngine::Auto;
  os::GIsElevated = realElevated;
  os::GEnableBackupPrivilege = realEnable;
  Pfade.Clear();
}

// The rest of a rescan at the rate so far; of a first scan (or a tree grown past its last
// count) as long as what is behind it.
TEST(EngineChoice, TheMftTakesOverWhenItIsExpectedToEndSooner) {
  const struct {
    const char* what;
    ChoiceFacts facts;
    bool handOver;
  } cases[] = {
      {"first scan, early", {5000, 40, -1, 130000}, false},
      {"first scan, listed as long as the MFT takes", {140000, 900, -1, 130000}, true},
      {"rescan of 1%: 3,157 entries to come at 230 us", {10000, 43, 3200, 130000}, true},
      {"rescan of a small directory", {10000, 50, 100, 130000}, false},
      {"rescan near its end", {700000, 3100, 3200, 130000}, false},
      {"rescan grown past its last count", {50000, 500, 300, 130000}, false},
      {"rescan grown past its last count, long", {200000, 900, 300, 130000}, true},
      {"nothing listed yet, a blocking listing", {300000, 0, 5000, 130000}, true},
      {"no MFT", {10000000, 10, 1000000, -1}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(MftSooner(c.facts), c.handOver) << c.what;
}

}  // namespace
}  // namespace vardune
