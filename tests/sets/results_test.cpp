// The Backup Sets window together with the real main window: "Hinzu" with the rows selected
// in the result list, the "X" marks those rows and their parents get, removing paths and
// deleting sets, the message window of the reconciliation, and a real scan handing its sizes
// and marks to the sets.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "scan/driver.h"
#include "scan/model.h"
#include "scan/scanui.h"
#include "sets/ops.h"
#include "sets/store.h"
#include "sets/window.h"
#include "tests/sets/sets_window_helpers.h"
#include "tests/support/support.h"
#include "ui/images.h"
#include "ui/mainwindow.h"
#include "ui/platform/platform.h"
#include "view/resultlist.h"

namespace vardune {
namespace {

using test::PathRows;
using test::Press;
using test::Row;

constexpr int64_t kMB = 1048576;

// The cells of one column of the result list, as the list control gives them.
std::vector<std::wstring> Column(int col) {
  std::vector<std::wstring> v;
  for (int i = 0; i < ui::CountGadgetItems(kGadResults); ++i) {
    v.push_back(ui::GetGadgetItemText(kGadResults, i, col));
  }
  return v;
}

// Name (column 2) -> mark (column 0) of every row shown.
std::map<std::wstring, std::wstring> Marks() {
  std::map<std::wstring, std::wstring> m;
  const auto names = Column(2);
  const auto marks = Column(0);
  for (size_t i = 0; i < names.size(); ++i) m[names[i]] = marks[i];
  return m;
}

void SelectRows(std::initializer_list<const wchar_t*> names) {
  ui::SetGadgetState(kGadResults, -1);
  const auto shown = Column(2);
  for (const wchar_t* n : names) {
    const auto it = std::find(shown.begin(), shown.end(), n);
    ASSERT_NE(it, shown.end()) << test::Narrow(n);
    ui::SetGadgetItemState(kGadResults, static_cast<int>(it - shown.begin()), 1);
  }
}

class SetsAndResults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(LoadImages()); }

  void SetUp() override {
    test::ResetDialogs();
    BupPfade.clear();
    BupSets.clear();
    Pfade.Clear();
    ASSERT_NE(Window_FormMain(), nullptr);
    ConnectResultList();
    test::DrainEvents();
    // A scan of C:\ as the driver leaves it: Fotos2019 contains "Fotos" in its name.
    for (const Pfad& p : std::vector<Pfad>{
             {L"", L"C:", 12 * kMB, 6, 9, 0},
             {L"C:\\", L"Daten", 4 * kMB, 3, 6, 0},
             {L"C:\\", L"Windows", 8 * kMB, 0, 2, 0},
             {L"C:\\", std::wstring(kDateien), 1000, 0, 1, 0},
             {L"C:\\Daten\\", L"Fotos", 2 * kMB, 1, 3, 0},
             {L"C:\\Daten\\", L"Fotos2019", kMB / 2, 0, 1, 0},
             {L"C:\\Daten\\", std::wstring(kDateien), 10240, 0, 2, 0},
             {L"C:\\Daten\\Fotos\\", L"Strand", kMB, 0, 1, 0}}) {
      Pfade.Append(p);
    }
    Pfade.SortByParent();
    GStartPath = L"C:\\Daten\\";
    _ShowDir(GStartPath);
  }
  void TearDown() override {
    GScanUi = ScanUi{};
    ui::CloseWindow(kSetsWin);
    ui::CloseWindow(kMainWindow);
    test::DrainEvents();
    BupPfade.clear();
    BupSets.clear();
    Pfade.Clear();
    GStartPath.clear();
    test::ResetDialogs();
  }
  static void OpenWithSets(std::vector<std::wstring> names) {
    BupSets = std::move(names);
    _SetsOpen();
    test::DispatchSetsEvents();
  }
};

TEST_F(SetsAndResults, AddingWithoutASetOnlyAsksForOne) {
  OpenWithSets({});
  SelectRows({L"Fotos"});
  Press(kSetsAdd);
  ASSERT_EQ(test::Dialogs().size(), 1u);
  EXPECT_EQ(test::Dialogs()[0].kind, L"message");
  EXPECT_EQ(test::Dialogs()[0].title, L"Vardune Meldung");
  EXPECT_EQ(test::Dialogs()[0].text, L"Wählen oder erstellen Sie bitte zuerst ein Set!");
  EXPECT_TRUE(BupPfade.empty());
  EXPECT_EQ(Column(0), (std::vector<std::wstring>(3, L"")));
}

TEST_F(SetsAndResults, AddedRowsAreMarkedAndTakeTheirSizes) {
  OpenWithSets({L"Urlaub"});
  SelectRows({L"Fotos", L"<DATEIEN>"});
  Press(kSetsAdd);
  EXPECT_TRUE(test::Dialogs().empty());
  // Sorted by path; the sizes are those of the records just added.
  EXPECT_EQ(BupPfade, (std::vector<Pfad>{{L"C:\\Daten\\<DATEIEN>", L"Urlaub", 10240, 0, 0, 0},
                                         {L"C:\\Daten\\Fotos", L"Urlaub", 2 * kMB, 0, 0, 0}}));
  EXPECT_EQ(PathRows(), (std::vector<Row>{{L"C:\\Daten\\<DATEIEN>", L"10"},
                                          {L"C:\\Daten\\Fotos", L"2'048"}}));
  EXPECT_EQ(ui::GetGadgetText(kSetsStatus), L"2 MB");
  // C:\Daten\Fotos also marks Fotos2019: the entry's path is part of its path.
  EXPECT_EQ(Marks(), (std::map<std::wstring, std::wstring>{
                         {L"Fotos", L"X"}, {L"Fotos2019", L"X"}, {L"<DATEIEN>", L"X"}}));
  // Everything in C:\Daten is covered, so C:\Daten is; C:\ is not.
  _ShowDir(L"C:\\");
  EXPECT_EQ(Marks(), (std::map<std::wstring, std::wstring>{
                         {L"Daten", L"X"}, {L"Windows", L""}, {L"<DATEIEN>", L""}}));
  _ShowDir(L"C:\\Daten\\Fotos\\");
  EXPECT_EQ(Marks(), (std::map<std::wstring, std::wstring>{{L"Strand", L"X"}}));
}

TEST_F(SetsAndResults, ARowJoinsASetOnceButEverySet) {
  OpenWithSets({L"Eins", L"Zwei"});
  SelectRows({L"Fotos"});
  Press(kSetsAdd);
  SelectRows({L"Fotos", L"Fotos2019"});
  Press(kSetsAdd);
  EXPECT_EQ(PathRows(), (std::vector<Row>{{L"C:\\Daten\\Fotos", L"2'048"},
                                          {L"C:\\Daten\\Fotos2019", L"512"}}));
  test::PickSet(1);
  ASSERT_EQ(ui::GetGadgetText(kSetsSelector), L"Zwei");
  SelectRows({L"Fotos", L"Fotos2019"});
  Press(kSetsAdd);
  EXPECT_EQ(PathRows(), (std::vector<Row>{{L"C:\\Daten\\Fotos", L"2'048"},
                                          {L"C:\\Daten\\Fotos2019", L"512"}}));
  EXPECT_EQ(BupPfade.size(), 4u);
}

TEST_F(SetsAndResults, RemovingAPathClearsItsMark) {
  OpenWithSets({L"S"});
  SelectRows({L"Fotos2019", L"<DATEIEN>"});
  Press(kSetsAdd);
  EXPECT_EQ(Marks()[L"Fotos2019"], L"X");
  ASSERT_EQ(PathRows().size(), 2u);
  ASSERT_EQ(PathRows()[1].first, L"C:\\Daten\\Fotos2019");
  ui::SetGadgetItemState(kSetsPaths, 1, 1);
  Press(kSetsRemove);
  EXPECT_EQ(PathRows(), (std::vector<Row>{{L"C:\\Daten\\<DATEIEN>", L"10"}}));
  EXPECT_EQ(Marks(), (std::map<std::wstring, std::wstring>{
                         {L"Fotos", L""}, {L"Fotos2019", L""}, {L"<DATEIEN>", L"X"}}));
}

TEST_F(SetsAndResults, DeletingASetKeepsItsMarksUntilTheNextReconciliation) {
  OpenWithSets({L"Alt", L"Neu"});
  SelectRows({L"Fotos"});
  Press(kSetsAdd);
  ASSERT_EQ(Marks()[L"Fotos"], L"X");
  Press(kSetsDelete);
  EXPECT_TRUE(BupPfade.empty());
  EXPECT_EQ(ui::GetGadgetText(kSetsSelector), L"Neu");
  // Still marked, also when the directory is shown anew.
  EXPECT_EQ(Marks()[L"Fotos"], L"X");
  _ShowDir(GStartPath);
  EXPECT_EQ(Marks()[L"Fotos"], L"X");
  EXPECT_EQ(Marks()[L"Fotos2019"], L"X");
  // The next "Hinzu" recomputes every mark.
  SelectRows({L"<DATEIEN>"});
  Press(kSetsAdd);
  EXPECT_EQ(Marks(), (std::map<std::wstring, std::wstring>{
                         {L"Fotos", L""}, {L"Fotos2019", L""}, {L"<DATEIEN>", L"X"}}));
}

// What the message window of the reconciliation looked like when it was closed.
struct BusySeen {
  int count = 0;
  bool visible = false;
  LONG_PTR exStyle = 0;
  HWND owner = nullptr;
  RECT frame{}, client{}, textBox{};
  std::wstring text;
};
BusySeen gBusy;

LRESULT CALLBACK OnCbt(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_DESTROYWND) {
    HWND h = reinterpret_cast<HWND>(wp);
    wchar_t title[64] = {0};
    GetWindowTextW(h, title, 64);
    if (!(GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD) && std::wstring(title) == L"VarduneMsg") {
      ++gBusy.count;
      gBusy.visible = IsWindowVisible(h);
      gBusy.exStyle = GetWindowLongPtrW(h, GWL_EXSTYLE);
      gBusy.owner = GetWindow(h, GW_OWNER);
      GetWindowRect(h, &gBusy.frame);
      GetClientRect(h, &gBusy.client);
      if (HWND t = GetWindow(h, GW_CHILD)) {
        wchar_t text[64] = {0};
        GetWindowTextW(t, text, 64);
        gBusy.text = text;
        GetWindowRect(t, &gBusy.textBox);
        MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&gBusy.textBox), 2);
      }
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(SetsAndResults, TheMessageWindowWhileTheMarksAreComputed) {
  OpenWithSets({L"S"});
  ui::ResizeWindow(kMainWindow, 300, 200, ui::kKeep, ui::kKeep);
  SelectRows({L"Fotos"});
  gBusy = BusySeen{};
  HHOOK hook = SetWindowsHookExW(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  Press(kSetsAdd);
  UnhookWindowsHookEx(hook);
  ASSERT_EQ(gBusy.count, 1);
  EXPECT_TRUE(gBusy.visible);
  EXPECT_TRUE(gBusy.exStyle & WS_EX_TOOLWINDOW);
  EXPECT_EQ(gBusy.owner, ui::WindowID(kMainWindow));
  EXPECT_EQ(gBusy.client.right, 150);
  EXPECT_EQ(gBusy.client.bottom, 50);
  EXPECT_EQ(gBusy.text, L"Liste abgleichen...");
  EXPECT_EQ(gBusy.textBox.left, 5);
  EXPECT_EQ(gBusy.textBox.top, 5);
  EXPECT_EQ(gBusy.textBox.right - gBusy.textBox.left, 90);
  EXPECT_EQ(gBusy.textBox.bottom - gBusy.textBox.top, 20);
  RECT main;
  GetWindowRect(ui::WindowID(kMainWindow), &main);
  EXPECT_NEAR((gBusy.frame.left + gBusy.frame.right) / 2, (main.left + main.right) / 2, 1);
  EXPECT_NEAR((gBusy.frame.top + gBusy.frame.bottom) / 2, (main.top + main.bottom) / 2, 1);
  EXPECT_EQ(FindWindowW(nullptr, L"VarduneMsg"), nullptr);
  // The Backup Sets window keeps working after it.
  EXPECT_TRUE(ui::IsWindowShown(kSetsWin));
  EXPECT_EQ(PathRows().size(), 1u);
}

TEST_F(SetsAndResults, AScanHandsItsSizesAndMarksToTheSets) {
  test::TempTree tree;
  tree.File(L"Daten\\Fotos\\a.jpg", 3000);
  tree.File(L"Daten\\Fotos\\b.jpg", 2000);
  tree.File(L"Daten\\c.txt", 700);
  tree.File(L"Daten\\Musik\\d.mp3", 4096);
  const std::wstring daten = tree.Path(L"Daten\\");
  BupPfade = {Pfad{daten + L"Musik", L"S", 0, 0, 0, 0},
              Pfad{daten + L"Fotos", L"S", 0, 0, 0, 0},
              Pfad{L"X:\\nicht gescannt", L"S", 5 * kMB, 0, 0, 0}};
  OpenWithSets({});
  ASSERT_EQ(ui::GetGadgetText(kSetsSelector), L"S");
  InstallMainWindowScanUi();
  GScanUi.UpdateSetSizes = _SetsUpdateSizes;
  GScanUi.CheckSets = _SetsCheckBIP;
  GScanUi.ShowDir = [](std::wstring_view p) { _ShowDir(p); };
  GStartPath = daten;
  _Scan(GStartPath);
  test::DispatchSetsEvents();
  // The open window shows the new sizes at once; the entry outside the scan keeps its own.
  EXPECT_EQ(PathRows(), (std::vector<Row>{{L"X:\\nicht gescannt", L"5'120"},
                                          {daten + L"Fotos", L"4"},
                                          {daten + L"Musik", L"4"}}));
  EXPECT_EQ(BupPfade[1].Size, 5000);
  EXPECT_EQ(BupPfade[2].Size, 4096);
  EXPECT_EQ(ui::GetGadgetText(kSetsStatus), L"5 MB");
  EXPECT_EQ(Marks(), (std::map<std::wstring, std::wstring>{
                         {L"Fotos", L"X"}, {L"Musik", L"X"}, {L"<DATEIEN>", L""}}));
  // With the loose files in the set too, the scanned directory itself is covered.
  SelectRows({L"<DATEIEN>"});
  Press(kSetsAdd);
  EXPECT_EQ(Marks()[L"<DATEIEN>"], L"X");
  const PathSplit top = SplitRecordPath(daten);
  const size_t rec = FindRecord(Pfade, top.Parent, top.Name);
  ASSERT_NE(rec, PfadListe::npos);
  EXPECT_EQ(Pfade[rec].Bup, 1);
}

}  // namespace
}  // namespace vardune
