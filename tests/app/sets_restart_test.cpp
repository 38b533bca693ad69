// The backup sets across a restart of the program, end to end: a set made and filled through
// the real Backup Sets window, "Beenden" chosen from the menu bar while another program holds
// the store open, and after a new start the set and its path read back from the window.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "os/fs.h"
#include "sets/ops.h"
#include "sets/store.h"
#include "tests/app/app_fixture.h"
#include "tests/sets/sets_window_helpers.h"
#include "tests/support/support.h"
#include "ui/mainwindow.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

using test::AppTest;
using test::TempTree;

// The command of the item with that text in the main window's menu bar, as choosing it sends
// it; 0 when the menu has no such item.
UINT MenuCommand(const std::wstring& text) {
  HMENU bar = GetMenu(ui::WindowID(kMainWindow));
  for (int i = 0; bar && i < GetMenuItemCount(bar); ++i) {
    HMENU sub = GetSubMenu(bar, i);
    for (int k = 0; sub && k < GetMenuItemCount(sub); ++k) {
      wchar_t buf[128] = {0};
      GetMenuStringW(sub, static_cast<UINT>(k), buf, 128, MF_BYPOSITION);
      if (text == buf) return GetMenuItemID(sub, k);
    }
  }
  return 0;
}

void ChooseMenu(const std::wstring& text) {
  const UINT id = MenuCommand(text);
  ASSERT_NE(id, 0u) << test::Narrow(text);
  PostMessageW(ui::WindowID(kMainWindow), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

class SetsRestart : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    wchar_t appdata[MAX_PATH] = {0};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, appdata, CSIDL_APPDATA, TRUE));
    store_ = std::wstring(appdata) + L"\\Vardune\\BackupSets.txt";
    DeleteFileW(store_.c_str());
  }
  void TearDown() override {
    AppTest::TearDown();
    DeleteFileW(store_.c_str());  // the next test starts without sets
  }
  std::wstring store_;
};

TEST_F(SetsRestart, BeendenSavesTheSetsAndANewStartShowsThem) {
  TempTree t;
  t.File(L"fotos\\a.bin", 5 * 1024);
  t.File(L"fotos\\b.bin", 2 * 1024);
  t.File(L"musik\\c.bin", 1024);
  Start({t.Root()});
  Click(kGadScan);
  ASSERT_EQ(Column(2), (std::vector<std::wstring>{L"fotos", L"musik"}));

  ChooseMenu(L"Backup Sets");
  RunPending();
  ASSERT_TRUE(ui::IsWindowShown(kSetsWin));
  test::gInputAnswers = {L"Urlaub"};
  Click(kSetsNew);
  ClickRow(0);
  Click(kSetsAdd);
  ASSERT_EQ(test::PathRows(), (std::vector<test::Row>{{t.Path(L"fotos"), L"7"}}));

  // "Beenden": the main loop ends, and the shut-down saves as the program does after it,
  // while a sync tool holds the file open without sharing its deletion.
  {
    test::HeldFile held(store_);
    ASSERT_TRUE(held.Held());
    ChooseMenu(L"Beenden");
    MainLoop();
    EXPECT_EQ(GQuit, 1);
    ShutDown();
    started_ = false;
  }
  EXPECT_EQ(os::ReadWholeFile(store_).value_or("<missing>"),
            test::Narrow(t.Path(L"fotos")) + "|Urlaub|7168\r\n");

  // A new program starts with empty lists and reads them from the file; no scan is needed to
  // see the set and its path with its stored size.
  BupPfade.clear();
  BupSets.clear();
  Pfade.Clear();
  Start();
  ChooseMenu(L"Backup Sets");
  RunPending();
  ASSERT_TRUE(ui::IsWindowShown(kSetsWin));
  EXPECT_EQ(ui::GetGadgetText(kSetsSelector), L"Urlaub");
  EXPECT_EQ(test::SelectorItems(), std::vector<std::wstring>{L"Urlaub"});
  EXPECT_EQ(test::PathRows(), (std::vector<test::Row>{{t.Path(L"fotos"), L"7"}}));
  // Nothing to report on the way: the name of the set was the only question.
  ASSERT_EQ(test::Dialogs().size(), 1u);
  EXPECT_EQ(test::Dialogs()[0].kind, L"input");
}

}  // namespace
}  // namespace vardune
