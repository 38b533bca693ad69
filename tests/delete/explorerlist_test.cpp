// The explorer-style file list on real directories: order, columns, state bits, moving by
// double click (sent and real), the list of drives, the text, and the watching.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "os/fs.h"
#include "tests/delete/deltest.h"
#include "tests/support/support.h"
#include "ui/platform/explorerlist.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

using test::TempTree;

constexpr int kWin = 33;
constexpr int kList = 35;

class ExplorerList : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(ui::OpenWindow(kWin, 100, 100, 440, 295, L"Liste", ui::WinSystemMenu), nullptr);
    ASSERT_NE(ui::ExplorerListGadget(kWin, kList, 10, 30, 420, 235), nullptr);
    ui::FlushEvents();
  }
  void TearDown() override {
    ui::CloseWindow(kWin);
    ui::FlushEvents();
  }
  static std::vector<std::wstring> Names() {
    std::vector<std::wstring> v;
    for (int i = 0; i < ui::CountGadgetItems(kList); ++i) v.push_back(ui::GetGadgetItemText(kList, i, 0));
    return v;
  }
  static int IndexOf(const std::wstring& name) {
    for (int i = 0; i < ui::CountGadgetItems(kList); ++i) {
      if (ui::ExplorerItemName(kList, i) == name) return i;
    }
    return -1;
  }
  // A double click as the list view reports it to its window.
  static void SendDoubleClick(int item) {
    NMITEMACTIVATE ia{};
    ia.hdr.hwndFrom = ui::GadgetID(kList);
    ia.hdr.idFrom = kList;
    ia.hdr.code = NM_DBLCLK;
    ia.iItem = item;
    SendMessageW(ui::WindowID(kWin), WM_NOTIFY, kList, reinterpret_cast<LPARAM>(&ia));
  }
  static int ChangeEvents() {
    int n = 0;
    for (const auto& e : test::DrainEvents()) {
      if (e.kind == ui::EventGadget && e.gadget == kList && e.type == ui::TypeChange) ++n;
    }
    return n;
  }
  static void Select(int item) {
    LVITEMW it{};
    it.stateMask = LVIS_SELECTED;
    it.state = LVIS_SELECTED;
    SendMessageW(ui::GadgetID(kList), LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&it));
  }
};

TEST_F(ExplorerList, ShowsParentThenDirectoriesThenFilesWithItsColumns) {
  TempTree t;
  t.File(L"b.txt", 2048);
  t.File(L"A.txt", 10);
  t.File(L"c", 5000);
  t.Dir(L"zeta");
  t.Dir(L"Alpha");
  t.Dir(L"mid");
  std::wstring dir = t.Root();
  dir.pop_back();
  ui::SetGadgetText(kList, dir);  // without its backslash
  EXPECT_EQ(ui::GetGadgetText(kList), t.Root());
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"..", L"Alpha", L"mid", L"zeta", L"A.txt",
                                                L"b.txt", L"c"}));
  EXPECT_EQ(ui::ExplorerItemState(kList, 0), ui::ExplorerDirectory);
  EXPECT_EQ(ui::ExplorerItemState(kList, 1), ui::ExplorerDirectory);
  EXPECT_EQ(ui::ExplorerItemState(kList, 4), ui::ExplorerFile);
  EXPECT_EQ(ui::ExplorerItemState(kList, 7), 0);
  EXPECT_EQ(ui::GetGadgetItemText(kList, 5, 1), L"2 KB");
  EXPECT_EQ(ui::GetGadgetItemText(kList, 6, 1), L"4 KB");
  EXPECT_EQ(ui::GetGadgetItemText(kList, 1, 1), L"");
  EXPECT_FALSE(ui::GetGadgetItemText(kList, 5, 2).empty());
  EXPECT_EQ(ui::GetGadgetItemText(kList, 5, 3).size(), 16u);  // dd.mm.yyyy hh:mm
  EXPECT_EQ(ui::GetGadgetItemText(kList, 5, 3)[2], L'.');

  ASSERT_EQ(ui::CountGadgetColumns(kList), 4);
  const wchar_t* titles[] = {L"Name", L"Size", L"Type", L"Modified"};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(ui::GetGadgetColumnTitle(kList, c), titles[c]);
    EXPECT_EQ(ui::GetGadgetColumnWidth(kList, c), 100);
  }
  HWND l = ui::GadgetID(kList);
  const auto style = GetWindowLongPtrW(l, GWL_STYLE);
  EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_FALSE(style & LVS_SINGLESEL);
  EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
  const auto ex = SendMessageW(l, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_TRUE(ex & LVS_EX_FULLROWSELECT);
  EXPECT_TRUE(ex & LVS_EX_GRIDLINES);
  const RECT r = ui::GadgetRect(kList);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right - r.left, 420);
  EXPECT_EQ(r.bottom - r.top, 235);
  EXPECT_EQ(ChangeEvents(), 0);  // setting the text is not a move by the user
}

TEST_F(ExplorerList, ReportsTheSelectionPerItem) {
  TempTree t;
  t.File(L"a", 1);
  t.File(L"b", 1);
  t.Dir(L"d");
  ui::SetGadgetText(kList, t.Root());
  Select(1);
  Select(3);
  EXPECT_EQ(ui::ExplorerItemState(kList, 1), ui::ExplorerDirectory | ui::ExplorerSelected);
  EXPECT_EQ(ui::ExplorerItemState(kList, 2), ui::ExplorerFile);
  EXPECT_EQ(ui::ExplorerItemState(kList, 3), ui::ExplorerFile | ui::ExplorerSelected);
  EXPECT_EQ(ui::GetGadgetItemState(kList, 3), 1);
  EXPECT_EQ(ChangeEvents(), 0);  // a selection is not a move
}

TEST_F(ExplorerList, DoubleClickMovesIntoDirectoriesAndUp) {
  TempTree t;
  t.File(L"Alpha\\inner.txt", 1);
  t.Dir(L"mid\\deeper");
  t.File(L"file.txt", 1);
  ui::SetGadgetText(kList, t.Root());
  ChangeEvents();

  SendDoubleClick(IndexOf(L"Alpha"));
  EXPECT_EQ(ui::GetGadgetText(kList), t.Path(L"Alpha\\"));
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"..", L"inner.txt"}));
  EXPECT_EQ(ChangeEvents(), 1);

  SendDoubleClick(0);
  EXPECT_EQ(ui::GetGadgetText(kList), t.Root());
  EXPECT_EQ(ChangeEvents(), 1);

  // A file is not a place to go.
  SendDoubleClick(IndexOf(L"file.txt"));
  EXPECT_EQ(ui::GetGadgetText(kList), t.Root());
  EXPECT_EQ(ChangeEvents(), 0);

  // A real double click of the mouse on the row of "mid".
  HWND l = ui::GadgetID(kList);
  const int mid = IndexOf(L"mid");
  RECT r{};
  r.left = LVIR_LABEL;
  ASSERT_TRUE(SendMessageW(l, LVM_GETITEMRECT, static_cast<WPARAM>(mid), reinterpret_cast<LPARAM>(&r)));
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(l, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(l, WM_LBUTTONUP, 0, at);
  SendMessageW(l, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageW(l, WM_LBUTTONUP, 0, at);
  test::PumpMessages(50);
  EXPECT_EQ(ui::GetGadgetText(kList), t.Path(L"mid\\"));
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"..", L"deeper"}));
  EXPECT_GE(ChangeEvents(), 1);
}

TEST_F(ExplorerList, ParentOfADriveRootIsTheListOfDrives) {
  ui::SetGadgetText(kList, L"Z:\\");
  ASSERT_EQ(ui::GetGadgetItemText(kList, 0, 0), L"..");
  ChangeEvents();
  SendDoubleClick(0);
  EXPECT_TRUE(ui::ExplorerShowsDrives(kList));
  EXPECT_EQ(ui::GetGadgetText(kList), L"");
  EXPECT_FALSE(ui::ExplorerWatching(kList));
  EXPECT_EQ(ChangeEvents(), 1);
  const int z = IndexOf(L"Z:\\");
  ASSERT_GE(z, 0);
  EXPECT_EQ(IndexOf(L".."), -1);
  EXPECT_EQ(ui::ExplorerItemState(kList, z), ui::ExplorerDirectory);
  EXPECT_FALSE(ui::GetGadgetItemText(kList, z, 2).empty());
  SendDoubleClick(z);
  EXPECT_FALSE(ui::ExplorerShowsDrives(kList));
  EXPECT_EQ(ui::GetGadgetText(kList), L"Z:\\");
  EXPECT_EQ(ui::GetGadgetItemText(kList, 0, 0), L"..");
  EXPECT_EQ(ChangeEvents(), 1);
}

TEST_F(ExplorerList, RefreshesItselfWhenTheShownDirectoryChanges) {
  TempTree t;
  t.File(L"a.txt", 1);
  t.File(L"b.txt", 1);
  ui::SetGadgetText(kList, t.Root());
  EXPECT_TRUE(ui::ExplorerWatching(kList));
  Select(1);
  t.File(L"new.txt", 1);
  // The refresh comes through the event loop, not by itself.
  for (int i = 0; i < 100 && ui::CountGadgetItems(kList) == 3; ++i) ui::WaitWindowEventTimeout(50);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"..", L"a.txt", L"b.txt", L"new.txt"}));
  EXPECT_EQ(ui::ExplorerItemState(kList, 1), ui::ExplorerFile);  // the selection is dropped
  EXPECT_EQ(ChangeEvents(), 0);

  DeleteFileW(t.Path(L"a.txt").c_str());
  for (int i = 0; i < 100 && ui::CountGadgetItems(kList) == 4; ++i) ui::WaitWindowEventTimeout(50);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"..", L"b.txt", L"new.txt"}));
}

TEST_F(ExplorerList, EmptyTextEmptiesTheListAndStopsWatching) {
  TempTree t;
  t.File(L"a.txt", 1);
  ui::SetGadgetText(kList, t.Root());
  ASSERT_EQ(ui::CountGadgetItems(kList), 2);
  ui::SetGadgetText(kList, L"");
  EXPECT_EQ(ui::CountGadgetItems(kList), 0);
  EXPECT_EQ(ui::GetGadgetText(kList), L"");
  EXPECT_FALSE(ui::ExplorerWatching(kList));
  EXPECT_FALSE(ui::ExplorerShowsDrives(kList));
  t.File(L"later.txt", 1);
  ui::WaitWindowEventTimeout(300);
  EXPECT_EQ(ui::CountGadgetItems(kList), 0);
}

TEST_F(ExplorerList, ListsDirectoriesPastMaxPathAndMissingOnes) {
  TempTree t;
  std::wstring deep = t.Root();
  for (int i = 0; i < 4; ++i) deep += std::wstring(70, static_cast<wchar_t>(L'p' + i)) + L"\\";
  test::UnixMkdir(deep);
  test::UnixFile(deep + L"far.txt", 1);
  ui::SetGadgetText(kList, deep);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"..", L"far.txt"}));
  EXPECT_TRUE(ui::ExplorerWatching(kList));
  SendDoubleClick(0);
  EXPECT_EQ(ui::GetGadgetText(kList), deep.substr(0, deep.size() - 71));

  ui::SetGadgetText(kList, t.Path(L"gibt-es-nicht\\"));
  EXPECT_EQ(Names(), std::vector<std::wstring>{L".."});
  EXPECT_EQ(ui::GetGadgetText(kList), t.Path(L"gibt-es-nicht\\"));
}

TEST_F(ExplorerList, ClosingTheWindowEndsTheWatch) {
  TempTree t;
  ui::SetGadgetText(kList, t.Root());
  ASSERT_TRUE(ui::ExplorerWatching(kList));
  ui::CloseWindow(kWin);
  EXPECT_FALSE(ui::ExplorerWatching(kList));
  // Changes after the close reach nothing.
  t.File(L"x", 1);
  ui::WaitWindowEventTimeout(200);
  EXPECT_EQ(ui::CountGadgetItems(kList), 0);
}

}  // namespace
}  // namespace vardune
