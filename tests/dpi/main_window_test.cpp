// The main window at the display scaling of the run, as a user meets it: the program started
// on a folder and a real scan through the scan button; its controls, texts, columns and
// pictures; resized by the layout manager; moved to a monitor of another scaling and back;
// the message window of the reconciliation after the scan; and a screenshot.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "scan/model.h"
#include "scan/scanui.h"
#include "sets/ops.h"
#include "tests/app/app_fixture.h"
#include "tests/dpi/scaling.h"
#include "tests/support/support.h"
#include "ui/images.h"
#include "ui/mainwindow.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

using test::Design;
using test::S;

// Controls 2 to 10 in a window whose inner size is w x h (design units): the path field and
// the two text fields stretch with the width, the list with both.
std::vector<Design> MainControls(int w = 500, int h = 334) {
  const int dw = w - 500, dh = h - 334;
  return {{2, 5, 5, 20, 20},   {3, 30, 5, 465 + dw, 20},  {4, 140, 30, 355 + dw, 35},
          {5, 140, 65, 355 + dw, 20}, {6, 5, 30, 40, 40},  {7, 50, 30, 40, 40},
          {8, 95, 30, 40, 20}, {9, 95, 52, 40, 20},        {10, 5, 90, 490 + dw, 220 + dh}};
}

const std::vector<int> kColumnWidths = {25, 80, 240, 60, 60};

// Every caption, title and cell of the window in full; "Bup" is wider than its 25-pixel
// column with the header's padding already at 96 dpi.
::testing::AssertionResult TextsFit() {
  for (int n : {kGadPick, kGadStop, kGadErrs}) {
    if (auto r = test::CaptionFits(ui::GadgetID(n), test::DesignOf(MainControls(), n)); !r) {
      return r;
    }
  }
  for (int n : {kGadPath, kGadSummary, kGadStatus}) {
    if (auto r = test::EditLinesFit(ui::GadgetID(n)); !r) return r;
  }
  return test::ListTextFits(ui::GadgetID(kGadResults), kColumnWidths, true, {0});
}

::testing::AssertionResult ColumnsAt(int dpi) {
  for (int c = 0; c < 5; ++c) {
    const int want = ui::ScaleToDpi(kColumnWidths[static_cast<size_t>(c)], dpi);
    const int got = ui::GetGadgetColumnWidth(kGadResults, c);
    if (std::abs(got - want) > 1) {
      return ::testing::AssertionFailure() << "column " << c << " is " << got << " wide, not "
                                           << want << " at " << dpi << " dpi";
    }
  }
  return ::testing::AssertionSuccess();
}

// The pictures of the two image buttons are those drawn for `dpi`.
::testing::AssertionResult PicturesAt(int dpi) {
  const int side = ui::ScaleToDpi(32, dpi);
  for (int n : {kGadUp, kGadScan}) {
    const SIZE s = test::BitmapSize(ui::GetGadgetImage(n));
    if (s.cx != side || s.cy != side) {
      return ::testing::AssertionFailure() << "control " << n << " shows a " << s.cx << "x"
                                           << s.cy << " picture at " << dpi << " dpi";
    }
  }
  return ::testing::AssertionSuccess();
}

int IconSide(HWND w, WPARAM which) {
  auto* icon = reinterpret_cast<HICON>(SendMessageW(w, WM_GETICON, which, 0));
  ICONINFO ii{};
  if (!icon || !GetIconInfo(icon, &ii)) return 0;
  const SIZE s = test::BitmapSize(ii.hbmColor ? ii.hbmColor : ii.hbmMask);
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  if (ii.hbmMask) DeleteObject(ii.hbmMask);
  return static_cast<int>(s.cx);
}

// The message window of the reconciliation, looked at just before it closes.
struct BusySeen {
  int count = 0;
  RECT client{};
  test::Box text{};
  ::testing::AssertionResult fits = ::testing::AssertionFailure() << "never seen";
};
BusySeen gBusy;

// The platform has forgotten the window by then; it is found by its title.
LRESULT CALLBACK OnCbt(int code, WPARAM wp, LPARAM lp) {
  HWND h = reinterpret_cast<HWND>(wp);
  wchar_t title[32] = {0};
  if (code == HCBT_DESTROYWND && !(GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD) &&
      GetWindowTextW(h, title, 32) && std::wstring(title) == L"VarduneMsg") {
    ++gBusy.count;
    GetClientRect(h, &gBusy.client);
    if (HWND text = GetDlgItem(h, kBusyText)) {
      RECT r;
      GetWindowRect(text, &r);
      MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&r), 2);
      gBusy.text = test::Box{r.left, r.top, r.right - r.left, r.bottom - r.top};
      // Its text box keeps the coordinates of the 96-dpi layout, which are narrower than the
      // text in the message font.
      gBusy.fits = test::CaptionFits(text, test::Design{kBusyText, 5, 5, 90, 20}, true);
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

// The window at its design size shown at `dpi`: every rectangle, column, font and picture.
void ExpectDesignAt(int dpi) {
  SCOPED_TRACE(std::to_string(dpi) + " dpi");
  EXPECT_EQ(ui::WindowDpi(kMainWindow), dpi);
  EXPECT_TRUE(test::InnerSizeAt(kMainWindow, 500, 334, dpi));
  EXPECT_TRUE(test::ControlsAt(MainControls(), dpi));
  EXPECT_TRUE(ColumnsAt(dpi));
  EXPECT_TRUE(test::FontsAt(kMainWindow, dpi));
  EXPECT_TRUE(PicturesAt(dpi));
}

class ScaledMainWindow : public test::AppTest {
 protected:
  // The program started on a small tree with a big file in it, scanned with the scan button.
  void StartAndScan() {
    tree_.File(L"Dokumente\\Brief.txt", 3000);
    tree_.File(L"Dokumente\\Rechnung.pdf", 70000);
    tree_.File(L"Bilder\\Urlaub 2019\\Strand.jpg", 250000);
    tree_.Sparse(L"Filme\\Film.mkv", int64_t{3} << 30);
    tree_.File(L"liesmich.txt", 100);
    Start({tree_.Root()});
    gBusy = BusySeen{};
    HHOOK hook = SetWindowsHookExW(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
    Click(kGadScan);
    UnhookWindowsHookEx(hook);
    ASSERT_EQ(CountRows(), 4) << "Bilder, Dokumente, Filme and the files row";
  }
  static int CountRows() { return ui::CountGadgetItems(kGadResults); }
  // Resizes the window's inner area (pixels) and lets the main loop lay it out.
  static void ResizeInner(int w, int h) {
    ui::ResizeWindow(kMainWindow, ui::kKeep, ui::kKeep, w, h);
    RunPending();
  }
  test::TempTree tree_;
};

TEST(ScaledRun, RunsAtTheDpiItWasStartedFor) {
  // The test command names the DPI it gave the prefix: a run that did not get it proves
  // nothing about that scaling.
  if (const char* want = std::getenv("VARDUNE_TEST_DPI")) {
    EXPECT_EQ(test::RunDpi(), std::atoi(want));
  }
  LOGFONTW design{}, run{};
  ASSERT_TRUE(GetObjectW(ui::GuiFont(96), sizeof design, &design));
  ASSERT_TRUE(GetObjectW(ui::GuiFont(test::RunDpi()), sizeof run, &run));
  EXPECT_NEAR(std::abs(run.lfHeight), std::abs(design.lfHeight) * test::RunDpi() / 96.0, 1.0);
}

TEST_F(ScaledMainWindow, ControlsTextsAndPicturesAfterARealScan) {
  StartAndScan();
  const int dpi = test::RunDpi();
  ExpectDesignAt(dpi);
  EXPECT_EQ(ui::GetGadgetImage(kGadUp), ui::PictureForDpi(GImage(1), dpi));
  EXPECT_EQ(IconSide(ui::WindowID(kMainWindow), ICON_SMALL), S(16));
  EXPECT_EQ(IconSide(ui::WindowID(kMainWindow), ICON_BIG), S(32));

  // What the scan wrote, and every caption, title and cell, in full.
  EXPECT_NE(ui::GetGadgetText(kGadSummary).find(L"\r\n"), std::wstring::npos);
  EXPECT_TRUE(TextsFit());
  EXPECT_EQ(Column(1)[0], L"3'145'728") << "the film's folder first, its size in full";

  // The reconciliation after the scan showed its message window at the scale too.
  EXPECT_EQ(gBusy.count, 1);
  EXPECT_NEAR(gBusy.client.right, S(150), 1);
  EXPECT_NEAR(gBusy.client.bottom, S(50), 1);
  EXPECT_NEAR(gBusy.text.x, S(5), 1);
  EXPECT_NEAR(gBusy.text.y, S(5), 1);
  EXPECT_NEAR(gBusy.text.w, S(90), 1);
  EXPECT_NEAR(gBusy.text.h, S(20), 1);
  EXPECT_TRUE(gBusy.fits);

  EXPECT_FALSE(test::Screenshot(ui::WindowID(kMainWindow),
                                L"main_window_" + std::to_wstring(dpi) + L"dpi")
                   .empty());
}

TEST_F(ScaledMainWindow, LayoutManagerStretchesAtTheScale) {
  Start();
  const int dpi = test::RunDpi();
  // The smallest size the user can drag it to is the design minimum at the scale.
  MINMAXINFO mmi{};
  SendMessageW(ui::WindowID(kMainWindow), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  RECT wr;
  GetWindowRect(ui::WindowID(kMainWindow), &wr);
  const int frameW = (wr.right - wr.left) - ui::WindowInnerWidth(kMainWindow);
  const int frameH = (wr.bottom - wr.top) - ui::WindowInnerHeight(kMainWindow);
  EXPECT_EQ(mmi.ptMinTrackSize.x - frameW, S(400));
  EXPECT_EQ(mmi.ptMinTrackSize.y - frameH, S(300));

  ResizeInner(S(400), S(300));
  EXPECT_TRUE(test::ControlsAt(MainControls(400, 300), dpi));
  // Larger (within the test display's 1280 x 1024 at 200 %).
  ResizeInner(S(600), S(420));
  EXPECT_TRUE(test::ControlsAt(MainControls(600, 420), dpi));
  ResizeInner(S(500), S(334));
  EXPECT_TRUE(test::ControlsAt(MainControls(), dpi));
}

TEST_F(ScaledMainWindow, MovedToAnotherScalingAndBack) {
  StartAndScan();
  const int dpi = test::RunDpi();
  const int other = test::OtherDpi();
  // In the top left corner, so that it stays on the test display when it grows.
  ui::ResizeWindow(kMainWindow, 0, 0, ui::kKeep, ui::kKeep);
  ResizeInner(S(600), S(400));

  const RECT suggested = test::ChangeDpi(kMainWindow, other);
  RECT now;
  GetWindowRect(ui::WindowID(kMainWindow), &now);
  EXPECT_TRUE(EqualRect(&now, &suggested));
  EXPECT_EQ(ui::WindowDpi(kMainWindow), other);
  EXPECT_TRUE(test::ControlsAt(MainControls(600, 400), other));
  EXPECT_TRUE(ColumnsAt(other));
  EXPECT_TRUE(test::FontsAt(kMainWindow, other));
  EXPECT_TRUE(PicturesAt(other));
  EXPECT_EQ(IconSide(ui::WindowID(kMainWindow), ICON_SMALL), ui::ScaleToDpi(16, other));
  EXPECT_TRUE(TextsFit());
  test::Screenshot(ui::WindowID(kMainWindow), L"main_window_" + std::to_wstring(dpi) +
                                                  L"dpi_moved_to_" + std::to_wstring(other));

  // Resizing there works at that scale, and the scan button still blinks in its size.
  ResizeInner(ui::ScaleToDpi(500, other), ui::ScaleToDpi(334, other));
  EXPECT_TRUE(test::ControlsAt(MainControls(), other));
  GScanUi.SetScanImage(3);
  test::PumpMessages();
  EXPECT_EQ(ui::GetGadgetImage(kGadScan), ui::PictureForDpi(GImage(3), other));
  GScanUi.SetScanImage(2);
  test::PumpMessages();

  // Back where it came from, everything is as it was.
  test::ChangeDpi(kMainWindow, dpi);
  ExpectDesignAt(dpi);
}

}  // namespace
}  // namespace vardune
