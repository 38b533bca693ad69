// The delete dialog and the progress window, driven with real messages while DelFiles runs its
// own loop: a thread timer plays the steps of a test one after another inside that loop.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <tuple>

#include "delete/dialog.h"
#include "delete/engine.h"
#include "os/text.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "tests/delete/deltest.h"
#include "tests/support/support.h"
#include "ui/anchor.h"
#include "ui/platform/explorerlist.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

using test::Entries;
using test::Exists;
using test::TempTree;

// Steps run one per timer tick; a step returns false to be tried again on the next tick
// (waiting for something), true when it is done. After `limit` milliseconds the dialog is
// asked to close, so that a test that goes wrong ends instead of hanging.
class Script {
 public:
  using Step = std::function<bool()>;
  static bool Run(std::vector<Step> steps, const std::function<void()>& body, DWORD limit = 60000) {
    steps_ = std::move(steps);
    next_ = 0;
    timedOut_ = false;
    start_ = GetTickCount();
    limit_ = limit;
    const UINT_PTR id = SetTimer(nullptr, 0, 20, Tick);
    body();
    KillTimer(nullptr, id);
    ui::FlushEvents();
    EXPECT_FALSE(timedOut_) << "stopped at step " << next_;
    EXPECT_EQ(next_, steps_.size());
    return !timedOut_ && next_ == steps_.size();
  }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (busy_) return;  // a step that pumps messages (a screenshot) must not re-enter
    busy_ = true;
    if (next_ < steps_.size() && steps_[next_]()) ++next_;
    if (!timedOut_ && GetTickCount() - start_ > limit_) {
      timedOut_ = true;
      if (HWND p = ui::WindowID(39)) PostMessageW(p, WM_CLOSE, 0, 0);
      if (HWND d = ui::WindowID(33)) PostMessageW(d, WM_CLOSE, 0, 0);
    }
    busy_ = false;
  }
  static inline std::vector<Step> steps_;
  static inline size_t next_ = 0;
  static inline bool busy_ = false;
  static inline bool timedOut_ = false;
  static inline DWORD start_ = 0;
  static inline DWORD limit_ = 0;
};

std::vector<std::wstring> gCounts;           // control 43 at every entry
std::function<void()> gAtEntry;              // more to do at each entry

class DelDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    // The main window's stand-in: window 1 with a result list whose column 2 is "Name".
    ASSERT_NE(ui::OpenWindow(1, 60, 60, 700, 500, L"Vardune", ui::WinNormal), nullptr);
    ASSERT_NE(ui::ListIconGadget(1, 10, 5, 5, 690, 490, L"B", 20, ui::GadFullRow), nullptr);
    ui::AddGadgetColumn(10, 1, L"MB", 60);
    ui::AddGadgetColumn(10, 2, L"Name", 200);
    Pfade.Clear();
    gCounts.clear();
    gAtEntry = nullptr;
    GDelOnEntry = [] {
      test::CheckDeletionAllowed();
      gCounts.push_back(ui::GetGadgetText(43));
      if (gAtEntry) gAtEntry();
    };
    ui::FlushEvents();
  }
  void TearDown() override {
    GDelOnEntry = nullptr;
    gAtEntry = nullptr;
    ui::CloseWindow(39);
    ui::CloseWindow(33);
    ui::CloseWindow(1);
    Pfade.Clear();
    ui::FlushEvents();
  }
  static void Rows(std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* n : names) ui::AddGadgetItem(10, -1, std::wstring(L"\n1\n") + n);
  }
  static void Click(int button) { SendMessageW(ui::GadgetID(button), BM_CLICK, 0, 0); }
  static void Select(int item) {
    LVITEMW it{};
    it.stateMask = LVIS_SELECTED;
    it.state = LVIS_SELECTED;
    SendMessageW(ui::GadgetID(35), LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&it));
  }
  static int IndexOf(const std::wstring& name) {
    for (int i = 0; i < ui::CountGadgetItems(35); ++i) {
      if (ui::ExplorerItemName(35, i) == name) return i;
    }
    return -1;
  }
  static void DoubleClick(int item) {
    NMITEMACTIVATE ia{};
    ia.hdr.hwndFrom = ui::GadgetID(35);
    ia.hdr.idFrom = 35;
    ia.hdr.code = NM_DBLCLK;
    ia.iItem = item;
    SendMessageW(ui::WindowID(33), WM_NOTIFY, 35, reinterpret_cast<LPARAM>(&ia));
  }
  static Script::Step Once(std::function<void()> f) {
    return [f] {
      f();
      return true;
    };
  }
  static bool Idle() { return !ui::IsWindowOpen(39) && !ui::IsWindowDisabled(33); }
};

TEST_F(DelDialog, OpensOnTheDirectoryOfARowWithItsControls) {
  TempTree t;
  t.File(L"sub\\a.txt", 1);
  t.File(L"sub\\b.txt", 1);
  t.Dir(L"sub\\inner");
  test::AllowDeletionIn({&t});
  GStartPath = t.Root().substr(0, t.Root().size() - 1);  // DelFiles adds the backslash
  Rows({L"sub", L"<DATEIEN>"});
  const std::wstring d = t.Path(L"sub\\");
  Script::Run(
      {[&] {
         if (!ui::IsWindowOpen(33)) return false;
         EXPECT_EQ(GStartPath, t.Root());
         EXPECT_TRUE(ui::IsWindowDisabled(1));
         EXPECT_EQ(ui::GetWindowTitle(33), L"Dateien löschen - OHNE NACHFRAGE!!! - OHNE PAPIERKORB!!!");
         RECT c;
         GetClientRect(ui::WindowID(33), &c);
         EXPECT_EQ(c.right, 440);
         EXPECT_EQ(c.bottom, 295);
         EXPECT_EQ(GetWindow(ui::WindowID(33), GW_OWNER), ui::WindowID(1));
         EXPECT_FALSE(GetWindowLongPtrW(ui::WindowID(33), GWL_STYLE) & WS_THICKFRAME);
         EXPECT_EQ(ui::GetGadgetText(34), d);
         EXPECT_EQ(ui::GetGadgetText(35), d);
         EXPECT_TRUE(GetWindowLongPtrW(ui::GadgetID(34), GWL_STYLE) & ES_READONLY);
         EXPECT_EQ(ui::CountGadgetItems(35), 4);
         EXPECT_EQ(ui::GetGadgetText(36), L"!! ALLES KILLEN!!");
         EXPECT_EQ(ui::GadgetToolTipText(36), L"Alles im aktuellen Fenster wird gelöscht!!!");
         EXPECT_EQ(ui::GetGadgetText(37), L"Ausgewählte Löschen");
         EXPECT_EQ(ui::GetGadgetText(38), L"Fertig");
         EXPECT_EQ(GetWindowLongPtrW(ui::GadgetID(38), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
         EXPECT_EQ(GetFocus(), ui::GadgetID(38));
         const struct { int n, x, y, w, h; } rects[] = {{34, 10, 5, 420, 20}, {35, 10, 30, 420, 235},
             {36, 10, 270, 105, 20}, {37, 160, 270, 120, 20}, {38, 325, 270, 105, 20}};
         for (const auto& e : rects) {
           const RECT r = ui::GadgetRect(e.n);
           EXPECT_EQ(r.left, e.x) << e.n;
           EXPECT_EQ(r.top, e.y) << e.n;
           EXPECT_EQ(r.right - r.left, e.w) << e.n;
           EXPECT_EQ(r.bottom - r.top, e.h) << e.n;
         }
         // Centred over the main window.
         RECT mw, dw;
         GetWindowRect(ui::WindowID(1), &mw);
         GetWindowRect(ui::WindowID(33), &dw);
         EXPECT_NEAR((dw.left + dw.right) / 2, (mw.left + mw.right) / 2, 1);
         EXPECT_NEAR((dw.top + dw.bottom) / 2, (mw.top + mw.bottom) / 2, 1);
         Select(IndexOf(L"a.txt"));
         test::Screenshot(ui::WindowID(33), L"delete_dialog");
         return true;
       },
       Once([] { Click(38); })},
      [] { DelFiles(0); });
  EXPECT_FALSE(ui::IsWindowOpen(33));
  EXPECT_FALSE(ui::IsWindowDisabled(1));
  EXPECT_EQ(Entries(d), (std::vector<std::wstring>{L"a.txt", L"b.txt", L"inner"}));
}

// Both windows are registered with the layout manager with their geometry at creation; a
// size event of either re-lays out nothing, since no control is anchored.
TEST_F(DelDialog, BothWindowsAreKnownToTheLayoutManager) {
  for (const auto& [window, w, h] : {std::tuple{33, 440, 295}, std::tuple{39, 400, 85}}) {
    ASSERT_TRUE(window == 33 ? Window_FormDelFiles() : Window_FormDelProgress()) << window;
    int found = 0;
    for (const Anchor& a : Anchors) {
      if (a.Window != window) continue;
      EXPECT_EQ(a.Control, kAnchorKeep) << window;
      EXPECT_EQ(a.X, ui::WindowX(window)) << window;
      EXPECT_EQ(a.Y, ui::WindowY(window)) << window;
      EXPECT_EQ(a.W, w) << window;
      EXPECT_EQ(a.H, h) << window;
      ++found;
    }
    EXPECT_EQ(found, 1) << window;
    const RECT before = ui::GadgetRect(window == 33 ? 38 : 43);
    _AnchorApply(window);
    const RECT after = ui::GadgetRect(window == 33 ? 38 : 43);
    EXPECT_TRUE(EqualRect(&before, &after)) << window;
    ui::CloseWindow(window);
  }
}

TEST_F(DelDialog, FilesRowAndNoRowOpenOnTheCurrentDirectory) {
  TempTree t;
  t.File(L"x.txt", 1);
  test::AllowDeletionIn({&t});
  GStartPath = t.Root();
  Rows({L"sub", L"<DATEIEN>"});
  for (int row : {1, -1}) {
    Script::Run({[&] {
                   if (!ui::IsWindowOpen(33)) return false;
                   EXPECT_EQ(ui::GetGadgetText(34), t.Root()) << row;
                   EXPECT_EQ(ui::GetGadgetText(35), t.Root()) << row;
                   EXPECT_TRUE(ui::IsWindowDisabled(1));
                   // The close box of the dialog.
                   PostMessageW(ui::WindowID(33), WM_CLOSE, 0, 0);
                   return true;
                 }},
                [row] { DelFiles(row); });
    EXPECT_FALSE(ui::IsWindowOpen(33));
    EXPECT_FALSE(ui::IsWindowDisabled(1));
  }
  EXPECT_TRUE(Exists(t.Path(L"x.txt")));
}

TEST_F(DelDialog, KillAllEmptiesTheShownDirectoryCountingDownFromTheScan) {
  TempTree t;
  t.File(L"target\\f1", 10);
  t.File(L"target\\f2", 10);
  t.File(L"target\\sub\\g1", 10);
  t.File(L"target\\sub\\deep\\h1", 10);
  t.File(L"target\\ro.txt", 10);
  ASSERT_TRUE(test::SetReadOnly(t.Path(L"target\\ro.txt")));
  t.File(L"sibling\\stays.txt", 1);
  test::AllowDeletionIn({&t});
  // The scan's record of target, in other letter case: 2 directories and 5 files below it.
  Pfade.Append(Pfad{UpperText(t.Root()), L"TARGET", 40, 2, 5, 0});
  const size_t records = Pfade.size();
  GStartPath = t.Root();
  Rows({L"target"});
  const std::wstring d = t.Path(L"target\\");
  bool duringOk = false;
  gAtEntry = [&] {
    if (gCounts.size() != 3) return;
    duringOk = ui::IsWindowDisabled(33) && ui::GetGadgetText(35).empty() &&
               !ui::ExplorerWatching(35) && ui::CountGadgetItems(35) == 0 &&
               ui::GetWindowTitle(39) == L"Lösche Dateien - Vardune" &&
               ui::GetGadgetText(40) == L"Datei:" && ui::GetGadgetText(42) == L"Pfad:";
    RECT c;
    GetClientRect(ui::WindowID(39), &c);
    EXPECT_EQ(c.right, 400);
    EXPECT_EQ(c.bottom, 85);
    EXPECT_TRUE(GetWindowLongPtrW(ui::GadgetID(43), GWL_STYLE) & SS_RIGHT);
    EXPECT_EQ(GetWindow(ui::WindowID(39), GW_OWNER), ui::WindowID(1));
    test::Screenshot(ui::WindowID(39), L"delete_progress_killall");
  };
  Script::Run({[] { return ui::IsWindowOpen(33); },
               Once([] { Click(36); }),
               [&] {
                 if (!Idle() || ui::GetGadgetText(35) != d) return false;
                 EXPECT_EQ(ui::CountGadgetItems(35), 2);  // ".." and the read-only file
                 EXPECT_EQ(ui::ExplorerItemName(35, 1), L"ro.txt");
                 EXPECT_TRUE(ui::ExplorerWatching(35));
                 return true;
               },
               Once([] { Click(38); })},
              [] { DelFiles(0); });
  EXPECT_TRUE(duringOk);
  ASSERT_EQ(gCounts.size(), 7u);
  EXPECT_EQ(gCounts.front(), L"6");
  EXPECT_EQ(gCounts.back(), L"0");
  EXPECT_EQ(Entries(d), std::vector<std::wstring>{L"ro.txt"});
  EXPECT_TRUE(Exists(t.Path(L"sibling\\stays.txt")));
  // The results are not touched by a deletion.
  EXPECT_EQ(Pfade.size(), records);
  EXPECT_EQ(Pfade.Get(0).Dirs, 2);
  EXPECT_EQ(ui::GetGadgetItemText(10, 0, 2), L"target");
}

TEST_F(DelDialog, BrowsingUpdatesThePathAndAnUnscannedDirectoryCountsUp) {
  TempTree t;
  t.File(L"a\\b\\one", 1);
  t.File(L"a\\b\\two", 1);
  t.File(L"a\\b\\three\\four", 1);
  t.File(L"a\\keep", 1);
  test::AllowDeletionIn({&t});
  GStartPath = t.Root();
  Script::Run({[] { return ui::IsWindowOpen(33); },
               Once([] { DoubleClick(IndexOf(L"a")); }),
               [&] {
                 if (ui::GetGadgetText(34) != t.Path(L"a\\")) return false;
                 DoubleClick(IndexOf(L"b"));
                 return true;
               },
               [&] { return ui::GetGadgetText(34) == t.Path(L"a\\b\\"); },
               Once([] { Click(36); }),
               [&] { return Idle() && ui::GetGadgetText(35) == t.Path(L"a\\b\\"); },
               Once([] { DoubleClick(0); }),
               [&] { return ui::GetGadgetText(34) == t.Path(L"a\\"); },
               Once([] { Click(38); })},
              [] { DelFiles(-1); });
  EXPECT_EQ(gCounts, (std::vector<std::wstring>{L"1", L"2", L"3", L"4"}));
  EXPECT_TRUE(Exists(t.Path(L"a\\b")));
  EXPECT_TRUE(Entries(t.Path(L"a\\b\\")).empty());
  EXPECT_TRUE(Exists(t.Path(L"a\\keep")));
  EXPECT_FALSE(ui::IsWindowDisabled(1));
}

TEST_F(DelDialog, DeleteSelectedTakesTheSelectionOfTheMomentOfPressing) {
  TempTree t;
  for (int i = 0; i < 30; ++i) t.File(L"dirA\\a" + std::to_wstring(i), 1);
  t.File(L"dirB\\b", 1);
  t.File(L"f1.txt", 1);
  t.File(L"f2.txt", 1);
  t.File(L"f3.txt", 1);
  t.File(L"ro.txt", 1);
  ASSERT_TRUE(test::SetReadOnly(t.Path(L"ro.txt")));
  test::AllowDeletionIn({&t});
  GStartPath = t.Root();
  // While dirA is walked, something appears in the shown directory: the list refreshes
  // itself during the walk, which reorders it and drops its selection.
  bool created = false, refreshSeen = false;
  gAtEntry = [&] {
    if (!created && gCounts.size() == 2) {
      created = true;
      t.File(L"aa-new.txt", 1);
      Sleep(300);
    } else if (created && !refreshSeen) {
      refreshSeen = IndexOf(L"aa-new.txt") >= 0;
      if (!refreshSeen) Sleep(20);
    }
  };
  Script::Run({[] { return ui::IsWindowOpen(33); },
               Once([] {
                 for (const wchar_t* n : {L"dirA", L"f1.txt", L"f3.txt", L"ro.txt"}) Select(IndexOf(n));
                 Click(37);
               }),
               [] { return Idle(); },
               Once([] { Click(38); })},
              [] { DelFiles(-1); });
  EXPECT_TRUE(refreshSeen) << "the list did not refresh during the walk";
  EXPECT_EQ(Entries(t.Root()),
            (std::vector<std::wstring>{L"aa-new.txt", L"dirB", L"f2.txt", L"ro.txt"}));
  EXPECT_TRUE(Exists(t.Path(L"dirB\\b")));
  // Only the entries inside the directory were counted.
  ASSERT_EQ(gCounts.size(), 30u);
  EXPECT_EQ(gCounts.back(), L"30");
}

TEST_F(DelDialog, ClosingTheProgressWindowStopsDeleteSelected) {
  TempTree t;
  for (int i = 0; i < 20; ++i) t.File(L"dirA\\a" + std::to_wstring(i), 1);
  t.File(L"f1.txt", 1);
  test::AllowDeletionIn({&t});
  GStartPath = t.Root();
  gAtEntry = [] {
    if (gCounts.size() == 3) PostMessageW(ui::WindowID(39), WM_CLOSE, 0, 0);
  };
  Script::Run({[] { return ui::IsWindowOpen(33); },
               Once([] {
                 Select(IndexOf(L"dirA"));
                 Select(IndexOf(L"f1.txt"));
                 Click(37);
               }),
               [] { return Idle(); },
               Once([] { Click(38); })},
              [] { DelFiles(-1); });
  EXPECT_EQ(gCounts.size(), 3u);
  EXPECT_EQ(Entries(t.Path(L"dirA\\")).size(), 17u);
  EXPECT_TRUE(Exists(t.Path(L"f1.txt")));  // selected, after the cancelled directory
}

TEST_F(DelDialog, WithTheDrivesShownBothButtonsDoNothing) {
  TempTree t;
  t.File(L"x.txt", 1);
  test::AllowDeletionIn({&t});
  GStartPath = L"Z:\\";
  bool progressOpened = false;
  gAtEntry = [&] { progressOpened = true; };
  Script::Run({[] { return ui::IsWindowOpen(33); },
               Once([] { DoubleClick(0); }),
               [] {
                 if (!ui::ExplorerShowsDrives(35)) return false;
                 EXPECT_EQ(ui::GetGadgetText(34), L"");
                 Click(36);
                 Click(37);
                 return true;
               },
               [&] {
                 progressOpened = progressOpened || ui::IsWindowOpen(39);
                 EXPECT_FALSE(ui::IsWindowDisabled(33));
                 return true;
               },
               Once([] { Click(38); })},
              [] { DelFiles(-1); });
  EXPECT_FALSE(progressOpened);
  EXPECT_TRUE(Exists(t.Path(L"x.txt")));
}

}  // namespace
}  // namespace vardune
