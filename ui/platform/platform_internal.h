// What the parts of the platform layer share among themselves: the table of controls.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "ui/platform/platform.h"

namespace vardune::ui {

struct GadgetEntry {
  HWND hwnd = nullptr;
  int window = 0;
  int kind = KindNone;
  HWND tooltip = nullptr;
  std::wstring tipText;
  CellText cells;  // owner-data lists
  NotifyHandler notify;
  std::function<std::wstring()> getText;
  std::function<void(std::wstring_view)> setText;
  // Set while the program itself changes the control's selection: no event is queued for it.
  bool quiet = false;
};

std::map<int, GadgetEntry>& Gadgets();
GadgetEntry* FindGadget(int n);
HINSTANCE Instance();
// Queues a control event (coalescing repeated changes).
void QueueGadgetEvent(int win, int gadget, int type);

}  // namespace vardune::ui
