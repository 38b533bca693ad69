// The modal text-input dialog: an empty in-memory dialog template whose controls the program
// places itself when it opens (design sizes at the owner's DPI), so that it looks like the
// program's other windows. The dialog manager
// gives it the modal behaviour: the owner disabled, Enter for "OK", Escape for cancel.
#include "ui/platform/inputdialog.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "ui/platform/dialogs.h"
#include "ui/platform/platform.h"
#include "ui/platform/platform_internal.h"

namespace vardune::ui {

namespace {

// Design sizes (pixels at 96 dpi), shown at the DPI of the dialog's window.
constexpr int kInnerW = 300;
constexpr int kInnerH = 92;

struct InputState {
  std::wstring title;
  std::wstring prompt;
  std::wstring initial;
  std::wstring result;
  int dpi = kDesignDpi;
};

struct ChildPlace {
  int id, x, y, w, h;
};
constexpr ChildPlace kChildren[] = {
    {kInputPromptId, 10, 10, kInnerW - 20, 18},
    {kInputEditId, 10, 32, kInnerW - 20, 22},
    {IDOK, kInnerW - 90, 62, 80, 24},
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

HWND Child(HWND dlg, const wchar_t* cls, DWORD style, DWORD ex, int id,
           const std::wstring& text) {
  return CreateWindowExW(ex, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, dlg,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

// The controls at their design places and in the font for `dpi`.
void PlaceChildren(HWND dlg, int dpi) {
  for (const ChildPlace& c : kChildren) {
    HWND h = GetDlgItem(dlg, c.id);
    if (!h) continue;
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont(dpi)), FALSE);
    SetWindowPos(h, nullptr, ScaleToDpi(c.x, dpi), ScaleToDpi(c.y, dpi), ScaleToDpi(c.w, dpi),
                 ScaleToDpi(c.h, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Layout(HWND dlg, InputState& st) {
  SetWindowTextW(dlg, st.title.c_str());
  HWND owner = GetWindow(dlg, GW_OWNER);
  // It opens over its owner, on the owner's monitor.
  const int ownerNumber = WindowNumber(owner);
  st.dpi = ownerNumber ? WindowDpi(ownerNumber) : DpiOfHandle(owner ? owner : dlg);
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE));
  const DWORD ex = static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE));
  const SIZE frame = FrameAt(style, ex, DpiOfHandle(dlg));
  const int w = ScaleToDpi(kInnerW, st.dpi) + frame.cx;
  const int h = ScaleToDpi(kInnerH, st.dpi) + frame.cy;
  // Centred over the owner, or the screen's work area without one.
  RECT area;
  if (owner && IsWindowVisible(owner)) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  SetWindowPos(dlg, nullptr, area.left + ((area.right - area.left) - w) / 2,
               area.top + ((area.bottom - area.top) - h) / 2, w, h, SWP_NOZORDER);
  Child(dlg, L"STATIC", SS_LEFT | SS_NOPREFIX, 0, kInputPromptId, st.prompt);
  HWND edit = Child(dlg, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kInputEditId,
                    st.initial);
  Child(dlg, L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, L"OK");
  PlaceChildren(dlg, st.dpi);
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
      // Its controls are placed here, not by the dialog manager, on a DPI change as well.
      constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
      if (Dpi().setDialogDpiChangeBehavior) {
        Dpi().setDialogDpiChangeBehavior(dlg, kDisableAll, kDisableAll);
      }
      Layout(dlg, *reinterpret_cast<InputState*>(lp));
      return FALSE;  // the focus is set
    }
    case WM_DPICHANGED: {
      auto* st = reinterpret_cast<InputState*>(GetWindowLongPtrW(dlg, DWLP_USER));
      const auto* r = reinterpret_cast<const RECT*>(lp);
      if (st) st->dpi = HIWORD(wp);
      SetWindowPos(dlg, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      PlaceChildren(dlg, HIWORD(wp));
      return TRUE;
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
