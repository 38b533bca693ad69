// The Backup Sets window as the user meets it: its controls, its place beside the main
// window, creating, renaming, choosing and deleting sets through its buttons, the sizes and
// the total of a set, and closing it.
#include <gtest/gtest.h>

#include "sets/ops.h"
#include "sets/store.h"
#include "sets/window.h"
#include "tests/sets/sets_window_helpers.h"
#include "tests/support/support.h"
#include "ui/anchor.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

using test::Box;
using test::BoxOf;

using test::PathRows;
using test::Press;
using test::Row;
using test::SelectorItems;

Pfad E(std::wstring path, std::wstring set, int64_t size = 0) {
  return Pfad{std::move(path), std::move(set), size, 0, 0, 0};
}

std::wstring ClassOf(int n) {
  wchar_t buf[64] = {0};
  GetClassNameW(ui::GadgetID(n), buf, 64);
  return buf;
}

LONG_PTR StyleOf(HWND h) { return GetWindowLongPtrW(h, GWL_STYLE); }

class SetsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetDialogs();
    BupPfade.clear();
    BupSets.clear();
    // A stand-in main window where the window goes beside it.
    ASSERT_TRUE(ui::OpenWindow(1, 700, 120, 500, 334, L"Vardune", ui::WinNormal));
    test::DrainEvents();
  }
  void TearDown() override {
    ui::CloseWindow(kSetsWin);
    ui::CloseWindow(1);
    test::DrainEvents();
    BupPfade.clear();
    BupSets.clear();
    test::ResetDialogs();
  }
  static void Open() {
    _SetsOpen();
    test::DispatchSetsEvents();
  }
};

TEST_F(SetsWindow, ControlsAsDesigned) {
  Open();
  ASSERT_TRUE(ui::IsWindowOpen(kSetsWin));
  EXPECT_TRUE(ui::IsWindowShown(kSetsWin));
  EXPECT_EQ(ui::GetWindowTitle(kSetsWin), L"Backup Sets");
  EXPECT_EQ(ui::WindowInnerWidth(kSetsWin), 400);
  EXPECT_EQ(ui::WindowInnerHeight(kSetsWin), 320);
  HWND w = ui::WindowID(kSetsWin);
  EXPECT_TRUE(StyleOf(w) & WS_SYSMENU);
  EXPECT_FALSE(StyleOf(w) & WS_THICKFRAME);
  EXPECT_EQ(GetWindow(w, GW_OWNER), ui::WindowID(1));

  const struct {
    int n;
    Box box;
    const wchar_t* cls;
    const wchar_t* text;
  } want[] = {
      {12, {10, 15, 25, 15}, L"Static", L"Set:"},
      {14, {240, 10, 55, 20}, L"Button", L"Löschen"},
      {15, {300, 10, 45, 20}, L"Button", L"Neu"},
      {16, {350, 10, 45, 20}, L"Button", L"Umbn."},
      {17, {10, 35, 385, 20}, L"Edit", L"Pfade hinzufügen mit <Hinzu> (ggfs.erst Set erstellen...)"},
      {18, {10, 60, 310, 250}, L"SysListView32", L""},
      {19, {325, 65, 70, 70}, L"Button", L"Drag..."},
      {20, {330, 70, 60, 60}, L"Static", L""},
      {21, {325, 180, 60, 15}, L"Static", L"Pfad(e):"},
      {22, {325, 200, 70, 20}, L"Button", L"Hinzu"},
      {23, {325, 225, 70, 20}, L"Button", L"Löschen"},
  };
  for (const auto& c : want) {
    SCOPED_TRACE(c.n);
    ASSERT_TRUE(ui::IsGadget(c.n));
    EXPECT_EQ(ui::GadgetWindow(c.n), kSetsWin);
    EXPECT_EQ(BoxOf(c.n), c.box);
    EXPECT_EQ(ClassOf(c.n), c.cls);
    if (c.n != 18) {
      EXPECT_EQ(ui::GetGadgetText(c.n), c.text);
    }
  }
  // The selector: a drop-down list that cannot be typed into, at 35,10, 195 wide.
  EXPECT_EQ(ClassOf(13), L"ComboBox");
  EXPECT_EQ(StyleOf(ui::GadgetID(13)) & 3, CBS_DROPDOWNLIST);
  EXPECT_EQ(BoxOf(13).x, 35);
  EXPECT_EQ(BoxOf(13).y, 10);
  EXPECT_EQ(BoxOf(13).w, 195);
  EXPECT_TRUE(StyleOf(ui::GadgetID(17)) & ES_READONLY);
  EXPECT_EQ(StyleOf(ui::GadgetID(19)) & BS_TYPEMASK, BS_GROUPBOX);
  // The path list: several rows selectable, selection always shown, full rows, two columns.
  HWND list = ui::GadgetID(18);
  EXPECT_FALSE(StyleOf(list) & LVS_SINGLESEL);
  EXPECT_TRUE(StyleOf(list) & LVS_SHOWSELALWAYS);
  EXPECT_EQ(StyleOf(list) & LVS_TYPEMASK, LVS_REPORT);
  const auto ex = SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_TRUE(ex & LVS_EX_FULLROWSELECT);
  EXPECT_TRUE(ex & LVS_EX_DOUBLEBUFFER);
  ASSERT_EQ(ui::CountGadgetColumns(18), 2);
  EXPECT_EQ(ui::GetGadgetColumnTitle(18, 0), L"Pfad");
  EXPECT_EQ(ui::GetGadgetColumnWidth(18, 0), 220);
  EXPECT_EQ(ui::GetGadgetColumnTitle(18, 1), L"KBytes");
  EXPECT_EQ(ui::GetGadgetColumnWidth(18, 1), 60);
  LVCOLUMNW col{};
  col.mask = LVCF_FMT;
  ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&col)));
  EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);
  // Known to the layout manager with its design geometry; no control of it is anchored.
  int own = 0, controls = 0;
  for (const Anchor& a : Anchors) {
    if (a.Window != kSetsWin) continue;
    if (a.Control == kAnchorKeep) {
      ++own;
      EXPECT_EQ(a.X, 100);
      EXPECT_EQ(a.W, 400);
      EXPECT_EQ(a.H, 320);
    } else {
      ++controls;
    }
  }
  EXPECT_EQ(own, 1);
  EXPECT_EQ(controls, 0);
}

TEST_F(SetsWindow, OpensLeftOfTheMainWindowOrRightWithoutRoom) {
  // 700 - 400 - 15 = 285.
  Open();
  EXPECT_EQ(ui::WindowX(kSetsWin), 285);
  EXPECT_EQ(ui::WindowY(kSetsWin), 120);
  // A left edge of 465 leaves exactly 50: still to the left.
  ui::ResizeWindow(1, 465, 80, ui::kKeep, ui::kKeep);
  Open();
  EXPECT_EQ(ui::WindowX(kSetsWin), 50);
  EXPECT_EQ(ui::WindowY(kSetsWin), 80);
  // One pixel less: to the right, beside the main window's inner width.
  ui::ResizeWindow(1, 464, 90, ui::kKeep, ui::kKeep);
  Open();
  EXPECT_EQ(ui::WindowX(kSetsWin), 464 + ui::WindowInnerWidth(1) + 15);
  EXPECT_EQ(ui::WindowY(kSetsWin), 90);
  ui::ResizeWindow(1, 10, 30, 640, ui::kKeep);
  Open();
  EXPECT_EQ(ui::WindowX(kSetsWin), 10 + 640 + 15);
  // Opening again builds one new window; the old one is gone.
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM p) -> BOOL {
        wchar_t t[64] = {0};
        GetWindowTextW(h, t, 64);
        if (std::wstring(t) == L"Backup Sets") ++*reinterpret_cast<int*>(p);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  EXPECT_EQ(count, 1);
}

TEST_F(SetsWindow, WithoutSetsEverythingIsEmpty) {
  Open();
  EXPECT_TRUE(SelectorItems().empty());
  EXPECT_EQ(ui::GetGadgetState(kSetsSelector), -1);
  EXPECT_TRUE(PathRows().empty());
  EXPECT_EQ(ui::GetGadgetText(kSetsStatus), std::wstring(kSetsHint));
}

TEST_F(SetsWindow, OpeningCollectsTheNamesAndShowsTheFirstSet) {
  BupPfade = {E(L"C:\\b1", L"b", 2048), E(L"C:\\a1", L"A", 3 * 1048576), E(L"C:\\a2", L"a", 1),
              E(L"C:\\a3", L"A", 1024)};
  Open();
  EXPECT_EQ(SelectorItems(), (std::vector<std::wstring>{L"A", L"b"}));
  EXPECT_EQ(ui::GetGadgetText(kSetsSelector), L"A");
  // Only the entries of exactly "A".
  EXPECT_EQ(PathRows(), (std::vector<Row>{{L"C:\\a1", L"3'072"}, {L"C:\\a3", L"1"}}));
  EXPECT_EQ(ui::GetGadgetText(kSetsStatus), L"3 MB");
  test::PickSet(1);
  EXPECT_EQ(ui::GetGadgetText(kSetsSelector), L"b");
  EXPECT_EQ(PathRows(), (std::vector<Row>{{L"C:\\b1", L"2"}}));
  EXPECT_EQ(ui::GetGadgetText(kSetsStatus), L"0 MB");
}

TEST_F(SetsWindow, AnErrorEntryShowsZeroAndLowersTheTotal) {
  BupPfade = {E(L"C:\\ok", L"S", 1048576), E(L"C:\\err", L"S", -1)};
  Open();
  EXPECT_EQ(PathRows(), (std::vector<Row>{{L"C:\\ok", L"1'024"}, {L"C:\\err", L"0"}}));
  EXPECT_EQ(ui::GetGadgetText(kSetsStatus), L"0 MB");  // 1048575 bytes
}

TEST_F(SetsWindow, NewAsksForANameAndShowsTheEmptySet) {
  BupPfade = {E(L"C:\\x", L"Arbeit", 5 << 20)};
  Open();
  EXPECT_EQ(ui::GetGadgetText(kSetsStatus), L"5 MB");
  test::gInputAnswers = {L"Urlaub"};
  Press(kSetsNew);
  ASSERT_EQ(test::Dialogs().size(), 1u);
  EXPECT_EQ(test::Dialogs()[0].kind, L"input");
  EXPECT_EQ(test::Dialogs()[0].title, L"Vardune");
  EXPECT_EQ(test::Dialogs()[0].text, L"Name für Backupset:");
  EXPECT_EQ(test::Dialogs()[0].initial, L"");
  EXPECT_EQ(SelectorItems(), (std::vector<std::wstring>{L"Arbeit", L"Urlaub"}));
  EXPECT_EQ(ui::GetGadgetText(kSetsSelector), L"Urlaub");
  EXPECT_TRUE(PathRows().empty());
  EXPECT_EQ(ui::GetGadgetText(kSetsStatus), std::wstring(kSetsHint));
  // Cancelling asks and changes nothing.
  Press(kSetsNew);
  EXPECT_EQ(test::Dialogs().size(), 2u);
  EXPECT_EQ(SelectorItems().size(), 2u);
}

TEST_F(SetsWindow, ANewSetThatExistsIgnoringCaseShowsTheExistingOne) {
  BupPfade = {E(L"C:\\strand", L"Urlaub", 1 << 20), E(L"C:\\x", L"Arbeit", 0)};
  Open();
  test::gInputAnswers = {L"URLAUB"};
  Press(kSetsNew);
  EXPECT_EQ(SelectorItems(), (std::vector<std::wstring>{L"Arbeit", L"Urlaub"}));
  EXPECT_EQ(ui::GetGadgetText(kSetsSelector), L"Urlaub");
  // The list belongs to the set the selector shows.
  EXPECT_EQ(PathRows(), (std::vector<Row>{{L"C:\\strand", L"1'024"}}));
  EXPECT_EQ(ui::GetGadgetText(kSetsStatus), L"1 MB");
}

TEST_F(SetsWindow, RenamingOntoAnExistingNameShowsBothUnderIt) {
  BupPfade = {E(L"C:\\a", L"A", 1), E(L"C:\\b", L"B", 2)};
  Open();
  ASSERT_EQ(ui::GetGadgetText(kSetsSelector), L"A");
  test::gInputAnswers = {L"B"};
  Press(kSetsRename);
  ASSERT_EQ(test::Dialogs().size(), 1u);
  EXPECT_EQ(test::Dialogs()[0].initial, L"A");
  EXPECT_EQ(BupSets, (std::vector<std::wstring>{L"B", L"B"}));
  EXPECT_EQ(SelectorItems(), (std::vector<std::wstring>{L"B", L"B"}));
  EXPECT_EQ(ui::GetGadgetState(kSetsSelector), 0);
  EXPECT_EQ(PathRows(), (std::vector<Row>{{L"C:\\a", L"0"}, {L"C:\\b", L"0"}}));
}

TEST_F(SetsWindow, ANameOfOnlyBarsBecomesTheEmptyName) {
  Open();
  test::gInputAnswers = {L"|||"};
  Press(kSetsNew);
  EXPECT_EQ(BupSets, (std::vector<std::wstring>{L""}));
  EXPECT_EQ(SelectorItems(), (std::vector<std::wstring>{L""}));
  EXPECT_EQ(ui::GetGadgetState(kSetsSelector), 0);
  // Renaming to "|" gives the empty name too; bars inside a name are dropped.
  test::gInputAnswers = {L"Fo|to|s"};
  Press(kSetsNew);
  EXPECT_EQ(ui::GetGadgetText(kSetsSelector), L"Fotos");
  BupPfade.push_back(E(L"C:\\f", L"Fotos", 0));
  test::gInputAnswers = {L"|"};
  Press(kSetsRename);
  EXPECT_EQ(BupSets, (std::vector<std::wstring>{L"", L""}));
  EXPECT_EQ(BupPfade[0].Name, L"");
}

TEST_F(SetsWindow, DeletingASetTakesEntriesOfEveryCase) {
  BupPfade = {E(L"C:\\1", L"Alt"), E(L"C:\\2", L"ALT"), E(L"C:\\3", L"Neu")};
  BupSets = {L"Alt", L"Neu"};  // "ALT" is merged into "Alt" on opening
  Open();
  ASSERT_EQ(ui::GetGadgetText(kSetsSelector), L"Alt");
  EXPECT_EQ(PathRows().size(), 1u);
  Press(kSetsDelete);
  EXPECT_EQ(SelectorItems(), (std::vector<std::wstring>{L"Neu"}));
  EXPECT_EQ(ui::GetGadgetText(kSetsSelector), L"Neu");
  ASSERT_EQ(BupPfade.size(), 1u);
  EXPECT_EQ(BupPfade[0].Parent, L"C:\\3");
  // The last set: the lists empty, the status keeps its text.
  ui::SetGadgetText(kSetsStatus, L"bleibt");
  Press(kSetsDelete);
  EXPECT_TRUE(SelectorItems().empty());
  EXPECT_TRUE(PathRows().empty());
  EXPECT_EQ(ui::GetGadgetText(kSetsStatus), L"bleibt");
  EXPECT_TRUE(BupPfade.empty());
}

TEST_F(SetsWindow, RemovingSelectedPathsOfTheSet) {
  BupPfade = {E(L"C:\\1", L"S", 1024), E(L"C:\\2", L"S", 2048), E(L"C:\\3", L"S", 4096),
              E(L"C:\\2", L"T", 0)};
  Open();
  ui::SetGadgetItemState(kSetsPaths, 0, 1);
  ui::SetGadgetItemState(kSetsPaths, 1, 1);
  Press(kSetsRemove);
  EXPECT_EQ(PathRows(), (std::vector<Row>{{L"C:\\3", L"4"}}));
  // The other set's entry of the same path stays.
  EXPECT_EQ(BupPfade, (std::vector<Pfad>{E(L"C:\\2", L"T", 0), E(L"C:\\3", L"S", 4096)}));
  // Nothing selected: nothing removed.
  Press(kSetsRemove);
  EXPECT_EQ(PathRows().size(), 1u);
}

TEST_F(SetsWindow, ClosingKeepsTheSetsForTheNextOpening) {
  BupPfade = {E(L"C:\\1", L"S", 0)};
  Open();
  test::gInputAnswers = {L"Leer"};
  Press(kSetsNew);
  PostMessageW(ui::WindowID(kSetsWin), WM_CLOSE, 0, 0);
  const auto rest = test::DispatchSetsEvents();
  EXPECT_TRUE(rest.empty());
  EXPECT_FALSE(ui::IsWindowOpen(kSetsWin));
  EXPECT_EQ(BupSets.size(), 2u);
  Open();
  EXPECT_EQ(SelectorItems(), (std::vector<std::wstring>{L"Leer", L"S"}));
  // A close request of another window is not the window's business.
  ui::Event other;
  other.Kind = ui::EventCloseWindow;
  other.Window = 1;
  EXPECT_FALSE(SetsWindowEvent(other));
  EXPECT_TRUE(ui::IsWindowOpen(kSetsWin));
}

TEST_F(SetsWindow, ScreenshotWithASetAndPaths) {
  BupPfade = {E(L"C:\\Daten\\Fotos", L"Urlaub", 734'003'200),
              E(L"C:\\Daten\\<DATEIEN>", L"Urlaub", 52'428'800),
              E(L"C:\\Daten\\Musik\\Konzert 2019", L"Urlaub", 1'288'490'188),
              E(L"D:\\Archiv", L"Arbeit", 10)};
  Open();
  test::PickSet(1);
  ASSERT_EQ(ui::GetGadgetText(kSetsSelector), L"Urlaub");
  ui::SetGadgetItemState(kSetsPaths, 1, 1);
  const std::wstring file = test::Screenshot(ui::WindowID(kSetsWin), L"sets_window");
  EXPECT_FALSE(file.empty());
  EXPECT_EQ(ui::GetGadgetText(kSetsStatus), L"1'978 MB");
}

}  // namespace
}  // namespace vardune
