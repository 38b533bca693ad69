// The fixture of the tests that drive the whole program: start-up with parameters, the main
// loop's dispatch of queued events, clicks, menu items, header clicks and double clicks sent
// as real window messages, and the cells of the result list read back.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "app/app.h"
#include "os/process.h"
#include "scan/model.h"
#include "sets/store.h"
#include "tests/support/keys.h"
#include "tests/support/support.h"
#include "ui/mainwindow.h"
#include "ui/platform/platform.h"
#include "view/follow.h"

namespace vardune {
namespace test {

struct Started {
  std::wstring program, parameters, workDir, opened;
  int count = 0;
};
inline Started gStarted;

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetDialogs();
    Pfade.Clear();
    // Every start-up loads the store file into these; each test starts from none.
    BupPfade.clear();
    BupSets.clear();
    gStarted = Started{};
    os::GStartSeam.start = [](const std::wstring& p, const std::wstring& a, const std::wstring& d) {
      gStarted.program = p;
      gStarted.parameters = a;
      gStarted.workDir = d;
      ++gStarted.count;
    };
    os::GStartSeam.open = [](const std::wstring& p) {
      gStarted.opened = p;
      ++gStarted.count;
    };
  }
  void TearDown() override {
    if (started_) ShutDown();
    os::GStartSeam = os::StartSeam{};
    Pfade.Clear();
  }
  void Start(std::vector<std::wstring> args = {}) {
    ASSERT_TRUE(StartUp(args));
    started_ = true;
    ui::ActivateWindow(kMainWindow);
    RunPending();
  }
  // Dispatches every queued event as the main loop would, and does what the loop does when
  // no event is left: the pending work of the views beside the result list, piece by piece.
  static void RunPending() {
    for (;;) {
      const ui::Event e = ui::WindowEvent();
      if (e.Kind == ui::EventNone) {
        if (ViewsIdle()) continue;
        break;
      }
      DispatchMainEvent(e);
    }
  }
  static void Click(int gadget) {
    SendMessageW(ui::GadgetID(gadget), BM_CLICK, 0, 0);
    RunPending();
  }
  static void Menu(int item) {
    PostMessageW(ui::WindowID(kMainWindow), WM_COMMAND, MAKEWPARAM(item, 0), 0);
    RunPending();
  }
  // A click on the header of a column of the result list, as the mouse gives it.
  static void HeaderClick(int column) {
    test::ClickHeader(ui::GadgetID(kGadResults), column);
    RunPending();
  }
  // A click on a row of the result list (row -1: the empty area below the rows), with
  // MK_CONTROL or MK_SHIFT held when asked.
  static void ClickRow(int row, WPARAM keys = 0) {
    test::ClickListRow(ui::GadgetID(kGadResults), row, keys);
    RunPending();
  }
  static void RightClickRow(int row) {
    test::RightClickListRow(ui::GadgetID(kGadResults), row);
    RunPending();
  }
  // A real double click on a row: the list reports it to the window itself.
  static void DoubleClickRow(int row) {
    HWND list = ui::GadgetID(kGadResults);
    RECT r{};
    r.left = LVIR_LABEL;
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM(r.left + 60, (r.top + r.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
    RunPending();
  }
  // A key pressed while control `gadget` of the main window has the focus, with modifiers
  // (test::kShift, kCtrl, kAlt) held; the events it queues are dispatched.
  static void Key(int gadget, UINT vk, unsigned modifiers = 0) {
    test::PressKey(ui::GadgetID(gadget), vk, modifiers, RunPending);
  }
  // The row of the result list that names `name`, -1 when none does.
  static int RowOf(const std::wstring& name) {
    for (int i = 0; i < ui::CountGadgetItems(kGadResults); ++i) {
      if (ui::GetGadgetItemText(kGadResults, i, 2) == name) return i;
    }
    return -1;
  }
  static std::vector<std::wstring> Column(int col) {
    std::vector<std::wstring> v;
    for (int i = 0; i < ui::CountGadgetItems(kGadResults); ++i) {
      v.push_back(ui::GetGadgetItemText(kGadResults, i, col));
    }
    return v;
  }
  // Selects exactly these rows the way a user does: a click on the first, Ctrl+clicks on the
  // others; no rows: a click on the empty area below them.
  static void Select(std::initializer_list<int> rows) {
    if (rows.size() == 0) {
      ClickRow(-1);
      return;
    }
    bool first = true;
    for (int r : rows) {
      ClickRow(r, first ? 0 : MK_CONTROL);
      first = false;
    }
  }
  bool started_ = false;
};

}  // namespace test
}  // namespace vardune
