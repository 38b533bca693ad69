// The modal text-input dialog: an empty in-memory dialog template whose controls are made in
// pixels when it opens, so that it looks like the program's other windows. The dialog manager
// gives it the modal behaviour: the owner disabled, Enter for "OK", Escape for cancel.
#include "ui/platform/inputdialog.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "ui/platform/dialogs.h"
#include "ui/platform/platform.h"

namespace vardune::ui {

namespace {

constexpr int kInnerW = 300;
constexpr int kInnerH = 92;

struct InputState {
  std::wstring title;
  std::wstring prompt;
  std::wstring initial;
  std::wstring result;
};

HWND OwnerWindow() {
  HWND a = GetActiveWindow();
  if (a && WindowNumber(a) != 0) return a;
  return WindowID(1);
}

std::wstring TextOf(HWND h) {
  const int len = GetWindowTextLengthW(h);
  std::wstring s(static_cast<size_t>(len) + 1, L'\0');
  s.resize(static_cast<size_t>(GetWindowTextW(h, s.data(), len + 1)));
  return s;
}

HWND Child(HWND dlg, const wchar_t* cls, DWORD style, DWORD ex, int id, int x, int y, int w,
           int h, const std::wstring& text) {
  HWND c = CreateWindowExW(ex, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, dlg,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
  if (c) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
  return c;
}

void Layout(HWND dlg, const InputState& st) {
  SetWindowTextW(dlg, st.title.c_str());
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE));
  const DWORD ex = static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE));
  RECT r{0, 0, kInnerW, kInnerH};
  AdjustWindowRectEx(&r, style, FALSE, ex);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  // Centred over the owner, or the screen's work area without one.
  RECT area;
  HWND owner = GetWindow(dlg, GW_OWNER);
  if (owner && IsWindowVisible(owner)) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  SetWindowPos(dlg, nullptr, area.left + ((area.right - area.left) - w) / 2,
               area.top + ((area.bottom - area.top) - h) / 2, w, h, SWP_NOZORDER);
  Child(dlg, L"STATIC", SS_LEFT | SS_NOPREFIX, 0, kInputPromptId, 10, 10, kInnerW - 20, 18,
        st.prompt);
  HWND edit = Child(dlg, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kInputEditId,
                    10, 32, kInnerW - 20, 22, st.initial);
  Child(dlg, L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, kInnerW - 90, 62, 80, 24,
        L"OK");
  if (edit) {
    SetFocus(edit);
    // The caret after the default text, nothing selected: typing appends.
    const auto len = static_cast<WPARAM>(GetWindowTextLengthW(edit));
    SendMessageW(edit, EM_SETSEL, len, static_cast<LPARAM>(len));
  }
}

INT_PTR CALLBACK InputProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dlg, DWLP_USER, lp);
      Layout(dlg, *reinterpret_cast<InputState*>(lp));
      return FALSE;  // the focus is set
    }
    case WM_COMMAND: {
      auto* st = reinterpret_cast<InputState*>(GetWindowLongPtrW(dlg, DWLP_USER));
      if (LOWORD(wp) == IDOK) {
        if (st) st->result = TextOf(GetDlgItem(dlg, kInputEditId));
        EndDialog(dlg, IDOK);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        if (st) st->result.clear();
        EndDialog(dlg, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
    case WM_CLOSE: {
      auto* st = reinterpret_cast<InputState*>(GetWindowLongPtrW(dlg, DWLP_USER));
      if (st) st->result.clear();
      EndDialog(dlg, IDCANCEL);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

// An empty template: a popup with caption and close box; its size and controls come later.
std::vector<WORD> EmptyTemplate() {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
  auto* d = reinterpret_cast<DLGTEMPLATE*>(t.data());
  d->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  d->dwExtendedStyle = 0;
  d->cdit = 0;
  d->x = d->y = 0;
  d->cx = 100;
  d->cy = 40;
  // Then: no menu, the standard dialog class, an empty title (three zero words).
  return t;
}

}  // namespace

std::wstring InputDialog(std::wstring_view title, std::wstring_view prompt,
                         std::wstring_view initial) {
  InputState st{std::wstring(title), std::wstring(prompt), std::wstring(initial), {}};
  const std::vector<WORD> tmpl = EmptyTemplate();
  const INT_PTR r = DialogBoxIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()),
      OwnerWindow(), InputProc, reinterpret_cast<LPARAM>(&st));
  if (r != IDOK) return {};
  return st.result;
}

void InstallInputDialog() { GInputDialog = InputDialog; }

}  // namespace vardune::ui
