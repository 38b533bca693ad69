// The result list as a user works it, through the main loop: which row the commands act on
// after the list was rebuilt, the right click with and without a row, the popup menu's items,
// the stress test's rows, "STOPP" while a server's shares are listed, and a path typed with
// slashes, scanned and emptied through the delete dialog.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "os/fs.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "scan/scanner.h"
#include "scan/scanui.h"
#include "sets/ops.h"
#include "sets/store.h"
#include "tests/app/app_fixture.h"
#include "tests/support/support.h"
#include "ui/mainwindow.h"
#include "ui/menus.h"
#include "ui/platform/platform.h"
#include "view/resultlist.h"

namespace vardune {
namespace {

using test::AppTest;
using test::TempTree;
using test::gStarted;

// What the popup menu's timer saw and does: `downs` VK_DOWN presses, then Enter; 0 closes it.
struct Popup {
  static inline int shown = 0;
  static inline int downs = 0;
};

class ResultListTest : public AppTest {
 protected:
  static int RowOf(const std::wstring& name) {
    const auto names = Column(2);
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
  }
  // No row selected, none focused, no current row, and the status field as the rebuild left
  // it: empty.
  static void ExpectNothingChosen(const char* after) {
    HWND list = ui::GadgetID(kGadResults);
    EXPECT_TRUE(test::SelectedRows(list).empty()) << after;
    EXPECT_EQ(test::FocusedRow(list), -1) << after;
    EXPECT_EQ(ui::GetGadgetState(kGadResults), -1) << after;
    EXPECT_EQ(ui::GetGadgetText(kGadStatus), L"") << after;
  }
  // Opens the delete dialog through the main menu; returns the directory it showed. A timer
  // looks at the dialog from inside its own loop and closes it.
  static std::wstring DeleteDialogDirectory() {
    static std::wstring shown;
    shown = L"(not opened)";
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
      if (HWND w = ui::WindowID(33); w && IsWindowVisible(w)) {
        shown = ui::GetGadgetText(34);
        PostMessageW(w, WM_CLOSE, 0, 0);
      }
    });
    Menu(kItemDelete);
    KillTimer(nullptr, timer);
    return shown;
  }

  void ScanTree(TempTree& t) {
    t.File(L"gross\\a.bin", 300 * 1024);
    t.File(L"gross\\innen\\b.bin", 100 * 1024);
    t.File(L"mittel\\c.bin", 50 * 1024);
    t.File(L"klein\\d.bin", 2 * 1024);
    t.File(L"lose.txt", 10 * 1024);
    Start({t.Root()});
    Click(kGadScan);
    ASSERT_EQ(Column(2),
              (std::vector<std::wstring>{L"gross", L"mittel", L"<DATEIEN>", L"klein"}));
  }
};

// Every rebuild of the list leaves no row chosen: a command that reads the current row must
// not act on whatever record now stands at the old row number.
TEST_F(ResultListTest, RebuildsLeaveNoRowChosen) {
  TempTree t;
  ScanTree(t);
  ClickRow(RowOf(L"gross"));
  ASSERT_EQ(ui::GetGadgetState(kGadResults), 0);
  ASSERT_EQ(ui::GetGadgetText(kGadStatus).substr(0, 9), L"Auswahl: ");

  // Sorting: "klein" now stands where "gross" stood.
  HeaderClick(1);
  ASSERT_EQ(Column(2), (std::vector<std::wstring>{L"klein", L"<DATEIEN>", L"mittel", L"gross"}));
  ExpectNothingChosen("sorting");
  EXPECT_EQ(DeleteDialogDirectory(), t.Root());
  Menu(kItemExplorer);
  EXPECT_EQ(gStarted.parameters, t.Root());

  // Down with a double click, up with the button and with the side button.
  DoubleClickRow(RowOf(L"gross"));
  ASSERT_EQ(GStartPath, t.Path(L"gross\\"));
  ExpectNothingChosen("down");
  ClickRow(RowOf(L"innen"));
  Click(kGadUp);
  ExpectNothingChosen("up");
  ClickRow(RowOf(L"mittel"));
  PostMessageW(ui::GadgetID(kGadResults), WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1), 0);
  RunPending();
  const std::wstring tree = t.Root().substr(0, t.Root().size() - 1);
  const std::wstring above = tree.substr(0, tree.rfind(L'\\') + 1);
  ASSERT_EQ(GStartPath, above);
  ExpectNothingChosen("side button");
  DoubleClickRow(RowOf(tree.substr(above.size())));
  ASSERT_EQ(GStartPath, t.Root());
  ExpectNothingChosen("down again");

  // The error view and back.
  ClickRow(RowOf(L"klein"));
  Click(kGadErrs);
  EXPECT_TRUE(test::SelectedRows(ui::GadgetID(kGadResults)).empty());
  EXPECT_EQ(ui::GetGadgetState(kGadResults), -1);
  Click(kGadErrs);
  ExpectNothingChosen("error view");

  // "Hinzu" of the Backup Sets window takes the selection: after a sort there is none.
  ClickRow(RowOf(L"gross"));
  HeaderClick(2);
  Menu(kItemSets);
  ASSERT_TRUE(ui::IsWindowShown(kSetsWin));
  test::gInputAnswers = {L"Archiv"};
  Click(kSetsNew);
  Click(kSetsAdd);
  EXPECT_TRUE(BupPfade.empty());
  // With a row chosen after the sort, that row is added.
  ClickRow(RowOf(L"mittel"));
  Click(kSetsAdd);
  ASSERT_EQ(BupPfade.size(), 1u);
  EXPECT_EQ(BupPfade[0].Parent, t.Path(L"mittel"));
  // "Hinzu" rebuilds the list too: nothing stays chosen.
  ExpectNothingChosen("Hinzu");
  // The shut-down would store the set for the tests that follow.
  BupPfade.clear();
}

// A right click on a row opens the popup menu with that row current, and its items run
// through the main loop; a right click where no row is shows the selection status instead.
TEST_F(ResultListTest, RightClickPopupAndItsItems) {
  TempTree t;
  ScanTree(t);
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
    HWND m = FindWindowW(L"#32768", nullptr);
    if (!m || !IsWindowVisible(m)) return;
    ++Popup::shown;
    if (Popup::downs == 0) {
      EndMenu();
      return;
    }
    for (int i = 0; i < Popup::downs; ++i) PostMessageW(m, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(m, WM_KEYDOWN, VK_RETURN, 0);
  });

  // Nowhere near a row: no menu, the status of an empty selection.
  ClickRow(RowOf(L"gross"));
  RightClickRow(-1);
  EXPECT_EQ(Popup::shown, 0);
  EXPECT_EQ(ui::GetGadgetText(kGadStatus), L"Auswahl:  0 MB   0 Verz   0 Dateien");

  // On "mittel": the menu; "Explorer" opens that directory.
  Popup::downs = 1;
  RightClickRow(RowOf(L"mittel"));
  EXPECT_EQ(Popup::shown, 1);
  EXPECT_EQ(gStarted.parameters, t.Path(L"mittel\\"));

  // "Lösch-Dialog" of the popup opens the delete dialog on the row.
  static std::wstring dialogPath;
  dialogPath.clear();
  const UINT_PTR dialogTimer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
    if (HWND w = ui::WindowID(33); w && IsWindowVisible(w)) {
      dialogPath = ui::GetGadgetText(34);
      PostMessageW(w, WM_CLOSE, 0, 0);
    }
  });
  Popup::downs = 2;
  RightClickRow(RowOf(L"klein"));
  KillTimer(nullptr, dialogTimer);
  EXPECT_EQ(Popup::shown, 2);
  EXPECT_EQ(dialogPath, t.Path(L"klein\\"));
  EXPECT_TRUE(os::IsDirectory(t.Path(L"klein\\")));

  // Closed without a choice: nothing runs.
  Popup::downs = 0;
  const int started = gStarted.count;
  RightClickRow(RowOf(L"gross"));
  EXPECT_EQ(Popup::shown, 3);
  EXPECT_EQ(gStarted.count, started);
  KillTimer(nullptr, timer);
}

// The stress test from the menu: after the question, each file read puts a row at the top of
// the real list while the walk runs; the display at the end replaces them all.
TEST_F(ResultListTest, StressRowsStandAtTheTopUntilTheDisplayRefills) {
  TempTree t;
  t.Text(L"a.txt", std::string(2048, 'a'));
  t.Text(L"unten\\b.txt", "abc");
  Start({t.Root()});
  static std::vector<std::wstring> topRows;
  static void (*realRow)(std::wstring_view, std::wstring_view, std::wstring_view);
  topRows.clear();
  realRow = GScanUi.StressRow;
  ASSERT_NE(realRow, nullptr);
  GScanUi.StressRow = [](std::wstring_view kb, std::wstring_view name, std::wstring_view md5) {
    realRow(kb, name, md5);
    const int n = ui::CountGadgetItems(kGadResults);
    topRows.push_back(std::to_wstring(n) + L"|" + ui::GetGadgetItemText(kGadResults, 0, 1) + L"|" +
                      ui::GetGadgetItemText(kGadResults, 0, 2) + L"|" +
                      ui::GetGadgetItemText(kGadResults, 0, 3));
  };
  test::gAnswerYes = false;
  Menu(kItemStress);
  ASSERT_EQ(test::Dialogs().size(), 1u);
  EXPECT_EQ(test::Dialogs()[0].text, L"Mit Stresstest scannen (Heavy Dateilesezugriff!)?");
  EXPECT_TRUE(Pfade.empty());
  EXPECT_TRUE(topRows.empty());

  test::gAnswerYes = true;
  const int before = ui::CountGadgetItems(kGadResults);
  Menu(kItemStress);
  test::gAnswerYes = false;
  // The list holds what the last display left plus one row per file so far.
  ASSERT_EQ(topRows.size(), 2u);
  const std::wstring one = std::to_wstring(before + 1), two = std::to_wstring(before + 2);
  const std::wstring a = L"|2|a.txt|" + os::Md5OfBytes(std::string(2048, 'a'));
  const std::wstring b = L"|0|b.txt|900150983cd24fb0d6963f7d28e17f72";
  EXPECT_TRUE((topRows[0] == one + a && topRows[1] == two + b) ||
              (topRows[0] == one + b && topRows[1] == two + a))
      << test::Narrow(topRows[0]) << " / " << test::Narrow(topRows[1]);
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{L"<DATEIEN>", L"unten"}));
  EXPECT_FALSE(GStress);
}

// "STOPP" pressed while the share list of a server is read stays pressed and ends the scan at
// the walk's first look: the first share keeps what it had, no further share is walked.
TEST_F(ResultListTest, StopWhileTheShareListIsReadEndsTheScan) {
  TempTree net;
  net.Text(L"out.txt",
           "Name          Typ  Info\r\n------------\r\nEins          Disk\r\nZwei          Disk\r\n");
  SetEnvironmentVariableW(L"VARDUNE_NET_OUTPUT", net.Path(L"out.txt").c_str());
  SetEnvironmentVariableW(L"VARDUNE_NET_DELAY_MS", L"600");
  Start();
  static int pressedAtFirstShare;
  static void (*realText)(std::wstring_view);
  pressedAtFirstShare = -1;
  realText = GScanUi.SetPathText;
  GScanUi.SetPathText = [](std::wstring_view text) {
    if (text == L"\\\\vdsrv\\Eins\\" && pressedAtFirstShare < 0) {
      pressedAtFirstShare = ui::GetGadgetState(kGadStop);
    }
    realText(text);
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    if (ui::GetGadgetText(kGadSummary) == L"net view \\\\vdsrv\\" &&
        ui::GetGadgetState(kGadStop) == 0 && pressedAtFirstShare < 0) {
      SendMessageW(ui::GadgetID(kGadStop), BM_CLICK, 0, 0);
    }
  });
  SetFocus(ui::GadgetID(kGadPath));
  SetWindowTextW(ui::GadgetID(kGadPath), L"\\\\vdsrv");
  SetFocus(ui::GadgetID(kGadResults));
  RunPending();
  ASSERT_EQ(GStartPath, L"\\\\vdsrv\\");
  Click(kGadScan);
  KillTimer(nullptr, timer);
  SetEnvironmentVariableW(L"VARDUNE_NET_OUTPUT", nullptr);
  SetEnvironmentVariableW(L"VARDUNE_NET_DELAY_MS", nullptr);
  EXPECT_EQ(pressedAtFirstShare, 1);
  EXPECT_NE(FindRecord(Pfade, L"\\\\vdsrv\\", L"Eins"), PfadListe::npos);
  EXPECT_EQ(FindRecord(Pfade, L"\\\\vdsrv\\", L"Zwei"), PfadListe::npos);
  EXPECT_TRUE(GCancel);
  EXPECT_EQ(ui::GetGadgetState(kGadStop), 0);
  EXPECT_TRUE(ui::IsGadgetDisabled(kGadStop));
}

// A path typed with slashes is the same directory as with backslashes: it scans, and the
// delete dialog empties it.
TEST_F(ResultListTest, PathTypedWithSlashesScansAndDeletes) {
  TempTree t;
  t.File(L"sub\\f.bin", 4096);
  t.File(L"g.bin", 1024);
  std::wstring typed = t.Root();
  std::replace(typed.begin(), typed.end(), L'\\', L'/');
  typed.pop_back();
  typed += L"//";
  Start();
  SetFocus(ui::GadgetID(kGadPath));
  SetWindowTextW(ui::GadgetID(kGadPath), typed.c_str());
  SetFocus(ui::GadgetID(kGadResults));
  RunPending();
  EXPECT_EQ(GStartPath, t.Root());
  EXPECT_EQ(ui::GetGadgetText(kGadPath), t.Root());
  Click(kGadScan);
  const size_t root = FindRecordOf(Pfade, t.Root());
  ASSERT_NE(root, PfadListe::npos);
  EXPECT_EQ(Pfade[root].Size, 5120);
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{L"sub", L"<DATEIEN>"}));

  // "!! ALLES KILLEN!!" on the directory shown, then the dialog is closed.
  static int step;
  static std::wstring shown;
  step = 0;
  shown.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
    HWND w = ui::WindowID(33);
    if (!w || !IsWindowVisible(w)) return;
    if (step == 0) {
      shown = ui::GetGadgetText(34);
      PostMessageW(ui::GadgetID(36), BM_CLICK, 0, 0);
      step = 1;
    } else if (step == 1 && !ui::IsWindowOpen(39) && IsWindowEnabled(w)) {
      PostMessageW(w, WM_CLOSE, 0, 0);
      step = 2;
    }
  });
  Menu(kItemDelete);
  KillTimer(nullptr, timer);
  EXPECT_EQ(step, 2);
  EXPECT_EQ(shown, t.Root());
  EXPECT_TRUE(os::IsDirectory(t.Root()));
  EXPECT_FALSE(os::IsDirectory(t.Path(L"sub\\")));
  EXPECT_EQ(GetFileAttributesW(t.Path(L"g.bin").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace vardune
