// The window of the changes at the display scaling of the run, after a real scan compared with
// its export: its size, its list filling it with columns at the scale, its place beside the
// main window, its fonts.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/app/app_fixture.h"
#include "tests/dpi/scaling.h"
#include "tests/support/support.h"
#include "ui/menus.h"
#include "ui/platform/platform.h"
#include "view/changeswindow.h"

namespace vardune {
namespace {

using test::S;

constexpr int kDesignW = 600, kDesignH = 334;
constexpr int kNarrowest = 300;

class ScaledChanges : public test::AppTest {};

TEST_F(ScaledChanges, BesideTheMainWindowAtTheScale) {
  test::TempTree tree, out;
  tree.File(L"Bilder\\a.jpg", 200 * 1024);
  tree.File(L"Briefe\\b.txt", 10 * 1024);
  Start({tree.Root()});
  Click(kGadScan);
  test::gFileAnswer = ui::FileChoice{out.Path(L"vorher.json"), 2};
  Menu(kItemExport);
  tree.File(L"Bilder\\c.jpg", 300 * 1024);
  Click(kGadScan);
  test::gFileAnswer = ui::FileChoice{out.Path(L"vorher.json"), 1};
  Menu(kItemCompare);
  ASSERT_TRUE(ui::IsWindowShown(kChangesWindow));
  test::PumpMessages();
  const int dpi = test::RunDpi();
  EXPECT_EQ(ui::WindowDpi(kChangesWindow), dpi);
  EXPECT_TRUE(test::FontsAt(kChangesWindow, dpi));

  const RECT main = ui::WindowFrame(kMainWindow);
  const RECT own = ui::WindowFrame(kChangesWindow);
  const RECT work = ui::WorkAreaOf(kMainWindow);
  const int frameW = (own.right - own.left) - ui::WindowInnerWidth(kChangesWindow);
  const int room = std::max(work.right - main.right, main.left - work.left) - frameW;
  EXPECT_NEAR(ui::WindowInnerHeight(kChangesWindow), S(kDesignH), 1);
  EXPECT_EQ(own.top, main.top);
  EXPECT_GE(own.left, work.left);
  EXPECT_LE(own.right, work.right);
  if (room >= S(kNarrowest)) {
    EXPECT_TRUE(own.left == main.right || own.right == main.left);
    EXPECT_NEAR(ui::WindowInnerWidth(kChangesWindow), std::min(S(kDesignW), room), 1);
  } else {
    EXPECT_EQ(own.right, work.right);
  }
  // The list fills the client area, also after a resize by the layout manager; its columns
  // are as wide as designed, at the scale.
  RECT client;
  GetClientRect(ui::WindowID(kChangesWindow), &client);
  EXPECT_EQ(test::BoxOf(kChangesList), (test::Box{0, 0, client.right, client.bottom}));
  ui::ResizeWindow(kChangesWindow, work.left, work.top, S(kDesignW + 100), S(kDesignH + 50));
  RunPending();
  GetClientRect(ui::WindowID(kChangesWindow), &client);
  EXPECT_EQ(test::BoxOf(kChangesList), (test::Box{0, 0, client.right, client.bottom}));
  const int widths[kChangeColumns] = {90, 80, 80, 150, 180};
  for (int c = 0; c < kChangeColumns; ++c) {
    EXPECT_NEAR(ui::GetGadgetColumnWidth(kChangesList, kChangeColumnOf[c]), S(widths[c]), 1) << c;
  }
  ASSERT_GE(ui::CountGadgetItems(kChangesList), 1);
  EXPECT_EQ(ui::GetGadgetItemText(kChangesList, 0, kChangeColumnOf[3]), L"Bilder\\");
  EXPECT_FALSE(test::Screenshot(GetDesktopWindow(), L"changes_beside_main_window_" +
                                                        std::to_wstring(dpi) + L"dpi")
                   .empty());
}

}  // namespace
}  // namespace vardune
