// What the tests of the Backup Sets window share: driving its controls as a user does and
// handing the events to the window's dispatch as the main loop does.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "sets/ops.h"
#include "sets/window.h"
#include "ui/platform/platform.h"

namespace vardune::test {

// Hands every queued event to the window's dispatch; returns the events it did not take.
inline std::vector<ui::Event> DispatchSetsEvents() {
  std::vector<ui::Event> rest;
  for (;;) {
    const ui::Event e = ui::WindowEvent();
    if (e.Kind == ui::EventNone) break;
    if (!SetsWindowEvent(e)) rest.push_back(e);
  }
  return rest;
}

// A button press as the mouse gives it, then the main loop's turn.
inline void Press(int gadget) {
  SendMessageW(ui::GadgetID(gadget), BM_CLICK, 0, 0);
  DispatchSetsEvents();
}

// Picks an item of the set selector the way the drop-down list reports it.
inline void PickSet(int index) {
  HWND combo = ui::GadgetID(kSetsSelector);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(kSetsSelector, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  DispatchSetsEvents();
}

inline std::vector<std::wstring> SelectorItems() {
  std::vector<std::wstring> v;
  for (int i = 0; i < ui::CountGadgetItems(kSetsSelector); ++i) {
    v.push_back(ui::GetGadgetItemText(kSetsSelector, i));
  }
  return v;
}

using Row = std::pair<std::wstring, std::wstring>;
inline std::vector<Row> PathRows() {
  std::vector<Row> v;
  for (int i = 0; i < ui::CountGadgetItems(kSetsPaths); ++i) {
    v.emplace_back(ui::GetGadgetItemText(kSetsPaths, i, 0), ui::GetGadgetItemText(kSetsPaths, i, 1));
  }
  return v;
}

}  // namespace vardune::test
