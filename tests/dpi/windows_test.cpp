// The program's other windows at the display scaling of the run, opened the way the program
// opens them: the Backup Sets window with its placement and drag distance, the delete dialog
// and the progress window, the info window, the log window resized by the layout manager, and
// the name input. Each is also moved to a monitor of another scaling and back.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "delete/dialog.h"
#include "sets/ops.h"
#include "sets/store.h"
#include "tests/app/app_fixture.h"
#include "tests/dpi/scaling.h"
#include "tests/support/support.h"
#include "ui/infowindow.h"
#include "ui/logwindow.h"
#include "ui/menus.h"
#include "ui/platform/inputdialog.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

using test::Design;
using test::S;

const std::vector<Design> kSetsControls = {
    {12, 10, 15, 25, 15},  {13, 35, 10, 195, 20},   {14, 240, 10, 55, 20},
    {15, 300, 10, 45, 20}, {16, 350, 10, 45, 20},   {17, 10, 35, 385, 20},
    {18, 10, 60, 310, 250}, {19, 325, 65, 70, 70},  {20, 330, 70, 60, 60},
    {21, 325, 180, 60, 15}, {22, 325, 200, 70, 20}, {23, 325, 225, 70, 20}};
const std::vector<Design> kDeleteControls = {{34, 10, 5, 420, 20},    {35, 10, 30, 420, 235},
                                             {36, 10, 270, 105, 20},  {37, 160, 270, 120, 20},
                                             {38, 325, 270, 105, 20}};
const std::vector<Design> kProgressControls = {{40, 10, 10, 40, 15}, {41, 50, 10, 340, 15},
                                               {42, 10, 25, 40, 15}, {43, 190, 25, 200, 15},
                                               {44, 10, 40, 380, 35}};
const std::vector<Design> kInfoControls = {{57, 185, 265, 80, 20}, {58, 5, 5, 445, 255}};

std::vector<Design> LogControls(int w = 457, int h = 288) {
  return {{kLogText, 5, 5, 445 + w - 457, 275 + h - 288}};
}

// The captions of the controls named, with their design rectangles from the table; those in
// `tight` may be too long for them already at 96 dpi.
::testing::AssertionResult CaptionsFit(const std::vector<Design>& table,
                                       std::initializer_list<int> controls,
                                       std::initializer_list<int> tight = {}) {
  for (int n : controls) {
    const bool mayBeTight = std::find(tight.begin(), tight.end(), n) != tight.end();
    if (auto r = test::CaptionFits(ui::GadgetID(n), test::DesignOf(table, n), mayBeTight); !r) {
      return r;
    }
  }
  return ::testing::AssertionSuccess();
}

class ScaledWindows : public test::AppTest {
 protected:
  void TearDown() override {
    // Nothing of these sets may reach the store file that the next start reads.
    BupPfade.clear();
    BupSets.clear();
    test::AppTest::TearDown();
  }
};

TEST_F(ScaledWindows, BackupSetsWindowBesideTheMainWindow) {
  test::TempTree tree;
  tree.Dir(L"Fotos");
  BupSets = {L"Urlaub"};
  BupPfade = {Pfad{tree.Path(L"Fotos"), L"Urlaub", 123456789, 0, 0, 0}};
  Start();
  Menu(kItemSets);
  ASSERT_TRUE(ui::IsWindowShown(kSetsWin));
  const int dpi = test::RunDpi();
  EXPECT_EQ(ui::WindowDpi(kSetsWin), dpi);
  EXPECT_TRUE(test::InnerSizeAt(kSetsWin, 400, 320, dpi));
  EXPECT_TRUE(test::ControlsAt(kSetsControls, dpi));
  EXPECT_TRUE(test::FontsAt(kSetsWin, dpi));
  EXPECT_TRUE(CaptionsFit(kSetsControls, {kSetsLabel, kSetsDelete, kSetsNew, kSetsRename,
                                          kSetsDragBox, kSetsPathsLabel, kSetsAdd, kSetsRemove}));
  EXPECT_TRUE(test::EditLinesFit(ui::GadgetID(kSetsStatus)));
  EXPECT_TRUE(test::ListTextFits(ui::GadgetID(kSetsPaths), {220, 60}, false));
  // Its gap to the main window is the design gap at the scale, on whichever side it went.
  const int mainX = ui::WindowX(kMainWindow);
  const int x = ui::WindowX(kSetsWin);
  if (x < mainX) {
    EXPECT_EQ(x, mainX - ui::WindowInnerWidth(kSetsWin) - S(15));
  } else {
    EXPECT_EQ(x, mainX + ui::WindowInnerWidth(kMainWindow) + S(15));
  }
  EXPECT_TRUE(test::MovesAndRelaysOut(kSetsWin, kSetsControls));
}

TEST_F(ScaledWindows, DragStartsPastTheScaledDistance) {
  BupSets = {L"Leer"};
  Start();
  Menu(kItemSets);
  HWND area = ui::GadgetID(kSetsDragArea);
  ASSERT_NE(area, nullptr);
  // The system's drag rectangle is 4 pixels wide and high at 96 dpi (Windows' and Wine's
  // default); the mouse has to leave half of it, scaled, on one side.
  const SIZE d = ui::DragDistance(kSetsWin);
  EXPECT_EQ(d.cx, S(4));
  EXPECT_EQ(d.cy, S(4));
  RECT r;
  GetClientRect(area, &r);
  const POINT at{r.right / 2, r.bottom / 2};
  POINT screen = at;
  ClientToScreen(area, &screen);
  SetCursorPos(screen.x, screen.y);
  test::PumpMessages();
  test::DrainEvents();
  // A press, a move by `by` to the right and a release, as the mouse gives them.
  auto dragged = [&](int by) {
    PostMessageW(area, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(at.x + by, at.y));
    PostMessageW(area, WM_LBUTTONUP, 0, MAKELPARAM(at.x + by, at.y));
    SendMessageW(area, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    bool started = false;
    for (const auto& e : test::DrainEvents()) {
      if (e.kind == ui::EventGadget && e.gadget == kSetsDragArea && e.type == ui::TypeDragStart) {
        started = true;
      }
    }
    return started;
  };
  EXPECT_FALSE(dragged(d.cx / 2)) << "still inside the drag rectangle";
  EXPECT_TRUE(dragged(d.cx / 2 + 1));
  // Moved to a monitor of twice the scaling, the distance doubles.
  test::ChangeDpi(kSetsWin, 2 * test::RunDpi());
  EXPECT_EQ(ui::DragDistance(kSetsWin).cx, ui::ScaleToDpi(4, 2 * test::RunDpi()));
  EXPECT_FALSE(dragged(d.cx / 2 + 1));
}

TEST_F(ScaledWindows, DeleteDialogAndProgressWindow) {
  Start();
  const int dpi = test::RunDpi();
  ASSERT_NE(Window_FormDelFiles(), nullptr);
  ui::SetGadgetText(34, L"C:\\Daten\\Fotos\\Urlaub 2019\\");
  EXPECT_TRUE(test::InnerSizeAt(33, 440, 295, dpi));
  EXPECT_TRUE(test::ControlsAt(kDeleteControls, dpi));
  EXPECT_TRUE(test::FontsAt(33, dpi));
  // "Ausgewählte Löschen" is a little wider than its 120 pixels already at 96 dpi.
  EXPECT_TRUE(CaptionsFit(kDeleteControls, {36, 37, 38}, {37}));
  EXPECT_TRUE(test::EditLinesFit(ui::GadgetID(34)));
  EXPECT_TRUE(test::ListTextFits(ui::GadgetID(35), {100, 100, 100, 100}, false));
  for (int c = 0; c < 4; ++c) EXPECT_NEAR(ui::GetGadgetColumnWidth(35, c), S(100), 1) << c;
  EXPECT_TRUE(test::MovesAndRelaysOut(33, kDeleteControls));

  // The progress window with what a deletion writes into it.
  ASSERT_NE(Window_FormDelProgress(), nullptr);
  ui::SetGadgetText(41, L"Bericht 2024.docx");
  ui::SetGadgetText(43, L"12'345");
  ui::SetGadgetText(44, L"C:\\Daten\\Fotos\\Urlaub 2019\\Strand und Meer\\");
  EXPECT_TRUE(test::InnerSizeAt(39, 400, 85, dpi));
  EXPECT_TRUE(test::ControlsAt(kProgressControls, dpi));
  EXPECT_TRUE(test::FontsAt(39, dpi));
  EXPECT_TRUE(CaptionsFit(kProgressControls, {40, 41, 42, 43, 44}));
  EXPECT_TRUE(test::MovesAndRelaysOut(39, kProgressControls));
  ui::CloseWindow(39);
  ui::CloseWindow(33);
}

TEST_F(ScaledWindows, InfoWindow) {
  Start();
  const int dpi = test::RunDpi();
  ASSERT_NE(Window_FormInfo(), nullptr);
  EXPECT_TRUE(test::InnerSizeAt(56, 457, 288, dpi));
  EXPECT_TRUE(test::ControlsAt(kInfoControls, dpi));
  EXPECT_TRUE(test::FontsAt(56, dpi));
  EXPECT_TRUE(CaptionsFit(kInfoControls, {57}));
  EXPECT_TRUE(test::MovesAndRelaysOut(56, kInfoControls));
  ui::CloseWindow(56);
}

TEST_F(ScaledWindows, LogWindowResizedByTheLayoutManager) {
  Start();
  Menu(kItemLog);
  ASSERT_TRUE(ui::IsWindowShown(kLogWindow));
  const int dpi = test::RunDpi();
  EXPECT_TRUE(test::InnerSizeAt(kLogWindow, 457, 288, dpi));
  EXPECT_TRUE(test::ControlsAt(LogControls(), dpi));
  ui::ResizeWindow(kLogWindow, ui::kKeep, ui::kKeep, S(557), S(388));
  RunPending();
  EXPECT_TRUE(test::ControlsAt(LogControls(557, 388), dpi));
  EXPECT_TRUE(test::MovesAndRelaysOut(kLogWindow, LogControls(557, 388)));
}

// The name input runs its own loop: a timer looks at it, moves it to another scaling and
// cancels it.
const std::vector<Design> kInputControls = {{ui::kInputPromptId, 10, 10, 280, 18},
                                            {ui::kInputEditId, 10, 32, 280, 22},
                                            {IDOK, 210, 62, 80, 24}};

struct InputSeen {
  bool found = false;
  RECT client{};
  std::vector<test::Box> controls;
  std::vector<test::Box> moved;
  ::testing::AssertionResult fits = ::testing::AssertionSuccess();
};
InputSeen gInput;

std::vector<test::Box> InputControls(HWND dlg) {
  std::vector<test::Box> boxes;
  for (int id : {ui::kInputPromptId, ui::kInputEditId, IDOK}) {
    HWND c = GetDlgItem(dlg, id);
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    boxes.push_back(test::Box{r.left, r.top, r.right - r.left, r.bottom - r.top});
  }
  return boxes;
}

void CALLBACK LookAtInput(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dlg = test::VisibleDialog();
  if (!dlg) return;
  KillTimer(nullptr, id);
  gInput.found = true;
  GetClientRect(dlg, &gInput.client);
  gInput.controls = InputControls(dlg);
  for (const Design& d : kInputControls) {
    if (d.n == ui::kInputEditId) continue;
    if (auto r = test::CaptionFits(GetDlgItem(dlg, d.n), d); !r) gInput.fits = r;
  }
  if (auto r = test::EditLinesFit(GetDlgItem(dlg, ui::kInputEditId)); !r) gInput.fits = r;
  RECT wr;
  GetWindowRect(dlg, &wr);
  const int other = test::OtherDpi();
  RECT suggested{wr.left, wr.top, wr.left + MulDiv(wr.right - wr.left, other, test::RunDpi()),
                 wr.top + MulDiv(wr.bottom - wr.top, other, test::RunDpi())};
  SendMessageW(dlg, WM_DPICHANGED, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&suggested));
  gInput.moved = InputControls(dlg);
  PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(ScaledWindows, NameInput) {
  Start();
  gInput = InputSeen{};
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, LookAtInput);
  EXPECT_EQ(ui::InputDialog(L"Vardune", L"Name für Backupset:", L"Urlaub"), L"");
  KillTimer(nullptr, timer);
  ASSERT_TRUE(gInput.found);
  EXPECT_NEAR(gInput.client.right, S(300), 1);
  EXPECT_NEAR(gInput.client.bottom, S(92), 1);
  ASSERT_EQ(gInput.controls.size(), 3u);
  for (size_t i = 0; i < kInputControls.size(); ++i) {
    EXPECT_EQ(gInput.controls[i], test::ScaledBox(kInputControls[i], test::RunDpi())) << i;
    EXPECT_EQ(gInput.moved[i], test::ScaledBox(kInputControls[i], test::OtherDpi())) << i;
  }
  EXPECT_TRUE(gInput.fits);
}

}  // namespace
}  // namespace vardune
