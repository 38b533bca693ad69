// The real name-input dialog, driven from a timer while it runs its modal loop: its texts,
// the caret after the default text, the disabled owner, and what OK, Enter, Escape and the
// close box return; and the Backup Sets window reaching it through the dialog seam.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "sets/ops.h"
#include "sets/store.h"
#include "tests/sets/sets_window_helpers.h"
#include "tests/support/support.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/inputdialog.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

// What the dialog showed when the timer found it.
struct Seen {
  bool found = false;
  std::wstring title, prompt, field, button;
  DWORD selStart = 99, selEnd = 99;
  bool ownerDisabled = false;
  HWND owner = nullptr;
};
Seen gSeen;
std::function<void(HWND dlg)> gAct;
int gTicks = 0;

std::wstring Text(HWND h) {
  wchar_t buf[256] = {0};
  GetWindowTextW(h, buf, 256);
  return buf;
}

void CALLBACK OnTick(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dlg = test::VisibleDialog();
  if (!dlg) {
    if (++gTicks > 200) KillTimer(nullptr, id);  // the dialog never came: give up
    return;
  }
  KillTimer(nullptr, id);
  gSeen.found = true;
  gSeen.title = Text(dlg);
  gSeen.prompt = Text(GetDlgItem(dlg, ui::kInputPromptId));
  HWND edit = GetDlgItem(dlg, ui::kInputEditId);
  gSeen.field = Text(edit);
  gSeen.button = Text(GetDlgItem(dlg, IDOK));
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&gSeen.selStart),
               reinterpret_cast<LPARAM>(&gSeen.selEnd));
  gSeen.owner = GetWindow(dlg, GW_OWNER);
  gSeen.ownerDisabled = gSeen.owner && !IsWindowEnabled(gSeen.owner);
  if (gAct) gAct(dlg);
}

// Opens the dialog and lets `act` answer it once it is up.
std::wstring Ask(std::wstring_view initial, std::function<void(HWND)> act) {
  gSeen = Seen{};
  gAct = std::move(act);
  gTicks = 0;
  SetTimer(nullptr, 0, 30, OnTick);
  return ui::InputDialog(L"Vardune", L"Name für Backupset:", initial);
}

void TypeChars(HWND edit, std::wstring_view s) {
  for (wchar_t c : s) SendMessageW(edit, WM_CHAR, c, 1);
}

class InputDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ui::OpenWindow(1, 100, 100, 500, 334, L"Vardune", ui::WinNormal));
    ui::ActivateWindow(1);
    test::DrainEvents();
  }
  void TearDown() override {
    ui::CloseWindow(kSetsWin);
    ui::CloseWindow(1);
    test::DrainEvents();
    BupSets.clear();
    BupPfade.clear();
  }
};

TEST_F(InputDialogTest, OkReturnsTheFieldWithTheOwnerDisabledMeanwhile) {
  const std::wstring r = Ask(L"Urlaub", [](HWND dlg) {
    // The caret stands after the default text: typing appends.
    TypeChars(GetDlgItem(dlg, ui::kInputEditId), L" 2024");
    test::Screenshot(dlg, L"sets_name_input");
    SendMessageW(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
  });
  ASSERT_TRUE(gSeen.found);
  EXPECT_EQ(gSeen.title, L"Vardune");
  EXPECT_EQ(gSeen.prompt, L"Name für Backupset:");
  EXPECT_EQ(gSeen.field, L"Urlaub");
  EXPECT_EQ(gSeen.button, L"OK");
  EXPECT_EQ(gSeen.selStart, 6u);
  EXPECT_EQ(gSeen.selEnd, 6u);
  EXPECT_EQ(gSeen.owner, ui::WindowID(1));
  EXPECT_TRUE(gSeen.ownerDisabled);
  EXPECT_EQ(r, L"Urlaub 2024");
  EXPECT_TRUE(IsWindowEnabled(ui::WindowID(1)));
  EXPECT_EQ(test::VisibleDialog(), nullptr);
}

TEST_F(InputDialogTest, EnterReturnsTheTextEscapeAndCloseReturnNothing) {
  std::wstring r = Ask(L"", [](HWND dlg) {
    HWND edit = GetDlgItem(dlg, ui::kInputEditId);
    TypeChars(edit, L"Neu");
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
  });
  ASSERT_TRUE(gSeen.found);
  EXPECT_EQ(gSeen.field, L"");
  EXPECT_EQ(r, L"Neu");

  r = Ask(L"Alt", [](HWND dlg) {
    HWND edit = GetDlgItem(dlg, ui::kInputEditId);
    TypeChars(edit, L"er");
    PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
  });
  ASSERT_TRUE(gSeen.found);
  EXPECT_EQ(r, L"");

  r = Ask(L"Alt", [](HWND dlg) { PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); });
  ASSERT_TRUE(gSeen.found);
  EXPECT_EQ(r, L"");
  EXPECT_TRUE(IsWindowEnabled(ui::WindowID(1)));
}

TEST_F(InputDialogTest, TheSetsWindowAsksThroughTheSeam) {
  // The real dialog answers instead of the test recorder.
  const auto recorder = ui::GDialogSeam.input;
  ui::GDialogSeam.input = nullptr;
  ui::GInputDialog = nullptr;
  _SetsOpen();
  test::DispatchSetsEvents();
  gSeen = Seen{};
  gTicks = 0;
  gAct = [](HWND dlg) {
    TypeChars(GetDlgItem(dlg, ui::kInputEditId), L"Fotos");
    SendMessageW(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
  };
  SetTimer(nullptr, 0, 30, OnTick);
  test::Press(kSetsNew);
  ui::GDialogSeam.input = recorder;
  ASSERT_TRUE(gSeen.found);
  // Owned by the window that was active: the Backup Sets window.
  EXPECT_EQ(gSeen.owner, ui::WindowID(kSetsWin));
  EXPECT_TRUE(gSeen.ownerDisabled);
  EXPECT_EQ(test::SelectorItems(), (std::vector<std::wstring>{L"Fotos"}));
  EXPECT_EQ(ui::GetGadgetText(kSetsSelector), L"Fotos");
}

}  // namespace
}  // namespace vardune
