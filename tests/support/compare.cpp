// The window of the changes as the tests see it (see compare.h).
#include "tests/support/compare.h"

#include <commctrl.h>

#include "tests/support/support.h"
#include "ui/platform/platform.h"
#include "view/changeswindow.h"

namespace vardune::test {

std::vector<ChangeCells> ChangeListRows() {
  std::vector<ChangeCells> rows;
  for (int r = 0; r < ui::CountGadgetItems(kChangesList); ++r) {
    ChangeCells c;
    for (int k = 0; k < 5; ++k) c[static_cast<size_t>(k)] = ui::GetGadgetItemText(kChangesList, r, kChangeColumnOf[k]);
    rows.push_back(c);
  }
  return rows;
}

std::vector<std::wstring> ChangeListPaths(const std::wstring& root) {
  std::vector<std::wstring> out;
  for (const ChangeCells& c : ChangeListRows()) {
    const std::wstring p = c[4] + c[3];
    out.push_back(p.starts_with(root) ? p.substr(root.size()) : p);
  }
  return out;
}

int ChangeListRowOf(const std::wstring& path) {
  const std::vector<ChangeCells> rows = ChangeListRows();
  for (size_t r = 0; r < rows.size(); ++r) {
    if (rows[r][4] + rows[r][3] == path) return static_cast<int>(r);
  }
  return -1;
}

void DoubleClickChangeRow(int row) {
  HWND list = ui::GadgetID(kChangesList);
  RECT r{};
  r.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  const LPARAM at = MAKELPARAM(r.left + 20, (r.top + r.bottom) / 2);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(list, WM_LBUTTONUP, 0, at);
  SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageW(list, WM_LBUTTONUP, 0, at);
}

void ClickChangeHeader(int column) { ClickHeader(ui::GadgetID(kChangesList), kChangeColumnOf[column]); }

}  // namespace vardune::test
