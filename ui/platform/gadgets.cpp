// Controls by number: creating the standard controls, their texts, states, items and
// columns (see platform.h).
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "ui/platform/platform.h"
#include "ui/platform/platform_internal.h"

namespace vardune::ui {

namespace {

// Follows the mouse after the left button went down on an image area at `start` (screen):
// true when it leaves the drag rectangle (the drag distance, centred on `start`) before the
// button is released or Escape pressed. DragDetect does the same with the system's distance
// at the system DPI; this one grows with the window's DPI.
bool DraggedAway(HWND h, POINT start, SIZE distance) {
  const int halfW = distance.cx / 2;
  const int halfH = distance.cy / 2;
  SetCapture(h);
  for (;;) {
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
      if (m.message == WM_LBUTTONUP) {
        ReleaseCapture();
        return false;
      }
      if (m.message == WM_MOUSEMOVE) {
        POINT p{static_cast<short>(LOWORD(m.lParam)), static_cast<short>(HIWORD(m.lParam))};
        ClientToScreen(m.hwnd, &p);
        if (std::abs(p.x - start.x) > halfW || std::abs(p.y - start.y) > halfH) {
          ReleaseCapture();
          return true;
        }
      }
    }
    if (PeekMessageW(&m, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE) && m.wParam == VK_ESCAPE) {
      PeekMessageW(&m, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE);
      ReleaseCapture();
      return false;
    }
    // Another window took the mouse (a switch to another program): no drag.
    if (GetCapture() != h) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_MOUSE | QS_KEY, MWMO_INPUTAVAILABLE);
  }
}

HWND ListHandle(int n) {
  GadgetEntry* g = FindGadget(n);
  return g && (g->kind == KindList || g->kind == KindCustom) ? g->hwnd : nullptr;
}

std::wstring WindowText(HWND h) {
  const int len = GetWindowTextLengthW(h);
  std::wstring s(static_cast<size_t>(len) + 1, L'\0');
  s.resize(static_cast<size_t>(GetWindowTextW(h, s.data(), len + 1)));
  return s;
}

LRESULT CALLBACK ImageProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
  if (msg == WM_LBUTTONDOWN) {
    POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    ClientToScreen(h, &pt);
    const int n = static_cast<int>(ref);
    if (DraggedAway(h, pt, DragDistance(GadgetWindow(n)))) {
      QueueGadgetEvent(GadgetWindow(n), n, TypeDragStart);
    }
    return 0;
  }
  return DefSubclassProc(h, msg, wp, lp);
}

std::vector<std::wstring_view> SplitColumns(std::wstring_view text) {
  std::vector<std::wstring_view> cols;
  size_t start = 0;
  for (;;) {
    const size_t k = text.find(L'\n', start);
    if (k == std::wstring_view::npos) {
      cols.push_back(text.substr(start));
      break;
    }
    cols.push_back(text.substr(start, k - start));
    start = k + 1;
  }
  return cols;
}

}  // namespace

HWND CreateGadget(int win, int n, int kind, const wchar_t* cls, DWORD style, DWORD ex, int x,
                  int y, int w, int h, std::wstring_view text) {
  HWND parent = WindowID(win);
  if (!parent) return nullptr;
  if (IsGadget(n)) FreeGadget(n);
  GadgetEntry placed;
  placed.kind = kind;
  placed.designed = true;
  placed.design = {x, y, w, h};
  const int dpi = WindowDpi(win);
  const RECT r = PlacedAt(placed, dpi);
  const std::wstring t(text);
  HWND hwnd = CreateWindowExW(ex, cls, t.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                              r.right - r.left, r.bottom - r.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(n)), Instance(),
                              nullptr);
  if (!hwnd) return nullptr;
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont(dpi)), FALSE);
  RegisterGadget(win, n, hwnd, kind);
  Gadgets()[n].designed = true;
  Gadgets()[n].design = placed.design;
  return hwnd;
}

HWND RegisterGadget(int win, int n, HWND h, int kind) {
  GadgetEntry e;
  // A component that takes over a control made here keeps its design rectangle.
  if (GadgetEntry* old = FindGadget(n); old && old->hwnd == h) {
    e.designed = old->designed;
    e.design = old->design;
  }
  e.hwnd = h;
  e.window = win;
  e.kind = kind;
  Gadgets()[n] = std::move(e);
  return h;
}

int GadgetKindOf(int n) {
  GadgetEntry* g = FindGadget(n);
  return g ? g->kind : KindNone;
}

void SetGadgetNotifyHandler(int n, NotifyHandler handler) {
  if (GadgetEntry* g = FindGadget(n)) g->notify = std::move(handler);
}

void SetGadgetTextHandlers(int n, std::function<std::wstring()> get,
                           std::function<void(std::wstring_view)> set) {
  if (GadgetEntry* g = FindGadget(n)) {
    g->getText = std::move(get);
    g->setText = std::move(set);
  }
}

HWND ButtonGadget(int win, int n, int x, int y, int w, int h, std::wstring_view text,
                  unsigned flags) {
  DWORD style = WS_TABSTOP;
  int kind = KindButton;
  if (flags & GadToggle) {
    style |= BS_AUTOCHECKBOX | BS_PUSHLIKE;
    kind = KindToggle;
  } else {
    style |= (flags & GadDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  }
  return CreateGadget(win, n, kind, WC_BUTTONW, style, 0, x, y, w, h, text);
}

HWND ButtonImageGadget(int win, int n, int x, int y, int w, int h, HBITMAP image) {
  HWND b = CreateGadget(win, n, KindImageButton, WC_BUTTONW,
                        WS_TABSTOP | BS_PUSHBUTTON | BS_BITMAP, 0, x, y, w, h, L"");
  if (b && image) SetGadgetImage(n, image);
  return b;
}

HWND StringGadget(int win, int n, int x, int y, int w, int h, std::wstring_view text,
                  unsigned flags) {
  DWORD style = WS_TABSTOP;
  if (flags & GadMultiLine) {
    style |= ES_MULTILINE | ES_AUTOVSCROLL;
  } else {
    style |= ES_AUTOHSCROLL;
  }
  if (flags & GadReadOnly) style |= ES_READONLY;
  if (flags & GadRight) style |= ES_RIGHT;
  return CreateGadget(win, n, KindString, WC_EDITW, style, WS_EX_CLIENTEDGE, x, y, w, h, text);
}

HWND TextGadget(int win, int n, int x, int y, int w, int h, std::wstring_view text,
                unsigned flags) {
  DWORD style = SS_NOPREFIX | ((flags & GadRight) ? SS_RIGHT : SS_LEFT);
  if (flags & GadBorder) style |= SS_SUNKEN;
  return CreateGadget(win, n, KindText, WC_STATICW, style, 0, x, y, w, h, text);
}

HWND FrameGadget(int win, int n, int x, int y, int w, int h, std::wstring_view text) {
  return CreateGadget(win, n, KindFrame, WC_BUTTONW, BS_GROUPBOX, 0, x, y, w, h, text);
}

HWND ImageGadget(int win, int n, int x, int y, int w, int h, HBITMAP image) {
  HWND s = CreateGadget(win, n, KindImage, WC_STATICW, SS_NOTIFY | (image ? SS_BITMAP : 0), 0,
                        x, y, w, h, L"");
  if (!s) return nullptr;
  if (image) SetGadgetImage(n, image);
  SetWindowSubclass(s, ImageProc, 1, static_cast<DWORD_PTR>(n));
  return s;
}

HWND ComboBoxGadget(int win, int n, int x, int y, int w, int h) {
  // The height of a combo box's window is that of its open list (see PlacedAt).
  return CreateGadget(win, n, KindCombo, WC_COMBOBOXW,
                      WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, x, y, w, h, L"");
}

HWND ListIconGadget(int win, int n, int x, int y, int w, int h, std::wstring_view firstTitle,
                    int firstWidth, unsigned flags) {
  DWORD style = WS_TABSTOP | LVS_REPORT;
  if (!(flags & GadMultiSelect)) style |= LVS_SINGLESEL;
  if (flags & GadAlwaysShowSel) style |= LVS_SHOWSELALWAYS;
  if (flags & GadVirtual) style |= LVS_OWNERDATA;
  HWND l = CreateGadget(win, n, KindList, WC_LISTVIEWW, style, WS_EX_CLIENTEDGE, x, y, w, h, L"");
  if (!l) return nullptr;
  DWORD lvex = LVS_EX_LABELTIP;
  if (flags & GadGridLines) lvex |= LVS_EX_GRIDLINES;
  if (flags & GadFullRow) lvex |= LVS_EX_FULLROWSELECT;
  if (flags & GadDoubleBuffer) lvex |= LVS_EX_DOUBLEBUFFER;
  SendMessageW(l, LVM_SETEXTENDEDLISTVIEWSTYLE, lvex, lvex);
  AddGadgetColumn(n, 0, firstTitle, firstWidth);
  return l;
}

HWND EditorGadget(int win, int n, int x, int y, int w, int h, unsigned flags) {
  DWORD style = WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
  if (flags & GadReadOnly) style |= ES_READONLY;
  HWND e =
      CreateGadget(win, n, KindEditor, MSFTEDIT_CLASS, style, WS_EX_CLIENTEDGE, x, y, w, h, L"");
  if (!e) {
    e = CreateGadget(win, n, KindEditor, RICHEDIT_CLASSW, style, WS_EX_CLIENTEDGE, x, y, w, h,
                     L"");
  }
  if (!e) return nullptr;
  SendMessageW(e, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  if (flags & GadWordWrap) SendMessageW(e, EM_SETTARGETDEVICE, 0, 0);
  return e;
}

void FreeGadget(int n) {
  auto& g = Gadgets();
  auto it = g.find(n);
  if (it == g.end()) return;
  HWND h = it->second.hwnd;
  g.erase(it);
  if (IsWindow(h)) DestroyWindow(h);
}

bool IsGadget(int n) { return FindGadget(n) != nullptr; }

HWND GadgetID(int n) {
  GadgetEntry* g = FindGadget(n);
  return g ? g->hwnd : nullptr;
}

int GadgetWindow(int n) {
  GadgetEntry* g = FindGadget(n);
  return g ? g->window : 0;
}

RECT GadgetRect(int n) {
  RECT r{0, 0, 0, 0};
  GadgetEntry* g = FindGadget(n);
  if (!g) return r;
  GetWindowRect(g->hwnd, &r);
  MapWindowPoints(nullptr, GetParent(g->hwnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ResizeGadget(int n, int x, int y, int w, int h) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return;
  RECT r = GadgetRect(n);
  const int dpi = WindowDpi(g->window);
  int nx = x == kKeep ? r.left : x;
  int ny = y == kKeep ? r.top : y;
  int nw = w == kKeep ? r.right - r.left : w;
  int nh = h == kKeep ? r.bottom - r.top : h;
  if (g->kind == KindCombo && h != kKeep) {
    nh = std::max(h, ScaleToDpi(20, dpi)) + ScaleToDpi(200, dpi);
  }
  SetWindowPos(g->hwnd, nullptr, nx, ny, nw, nh, SWP_NOZORDER | SWP_NOACTIVATE);
  // What a later DPI change places the control at.
  if (g->designed) {
    if (x != kKeep) g->design.x = DesignFromDpi(x, dpi);
    if (y != kKeep) g->design.y = DesignFromDpi(y, dpi);
    if (w != kKeep) g->design.w = DesignFromDpi(w, dpi);
    if (h != kKeep) g->design.h = DesignFromDpi(h, dpi);
  }
}

void SetGadgetText(int n, std::wstring_view text) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return;
  if (g->setText) {
    g->setText(text);
    return;
  }
  SetWindowTextW(g->hwnd, std::wstring(text).c_str());
}

std::wstring GetGadgetText(int n) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return {};
  if (g->getText) return g->getText();
  return WindowText(g->hwnd);
}

void SetGadgetState(int n, int state) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return;
  switch (g->kind) {
    case KindToggle:
    case KindButton:
      SendMessageW(g->hwnd, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case KindCombo:
      SendMessageW(g->hwnd, CB_SETCURSEL, static_cast<WPARAM>(state), 0);
      break;
    case KindList:
    case KindCustom: {
      LVITEMW it{};
      it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      it.state = 0;
      SendMessageW(g->hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(&it));
      if (state >= 0) {
        it.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(g->hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(state),
                     reinterpret_cast<LPARAM>(&it));
        SendMessageW(g->hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(state), FALSE);
      }
      break;
    }
    default:
      break;
  }
}

int GetGadgetState(int n) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return -1;
  switch (g->kind) {
    case KindToggle:
    case KindButton:
      return SendMessageW(g->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    case KindCombo:
      return static_cast<int>(SendMessageW(g->hwnd, CB_GETCURSEL, 0, 0));
    case KindList:
    case KindCustom: {
      // The current row: the focused row when it is selected, else the first selected one.
      const auto focused = static_cast<int>(
          SendMessageW(g->hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
      if (focused >= 0 &&
          (SendMessageW(g->hwnd, LVM_GETITEMSTATE, static_cast<WPARAM>(focused), LVIS_SELECTED) &
           LVIS_SELECTED)) {
        return focused;
      }
      return static_cast<int>(
          SendMessageW(g->hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    default:
      return 0;
  }
}

void DisableGadget(int n, bool disable) {
  if (GadgetEntry* g = FindGadget(n)) EnableWindow(g->hwnd, disable ? FALSE : TRUE);
}

bool IsGadgetDisabled(int n) {
  GadgetEntry* g = FindGadget(n);
  return g && !IsWindowEnabled(g->hwnd);
}

void GadgetToolTip(int n, std::wstring_view text) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return;
  if (!g->tooltip) {
    g->tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 GetParent(g->hwnd), nullptr, Instance(), nullptr);
    if (!g->tooltip) return;
  }
  g->tipText = std::wstring(text);
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = GetParent(g->hwnd);
  ti.uId = reinterpret_cast<UINT_PTR>(g->hwnd);
  ti.lpszText = g->tipText.data();
  SendMessageW(g->tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  SendMessageW(g->tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

std::wstring GadgetToolTipText(int n) {
  GadgetEntry* g = FindGadget(n);
  if (!g || !g->tooltip) return {};
  wchar_t buf[512] = {0};
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = GetParent(g->hwnd);
  ti.uId = reinterpret_cast<UINT_PTR>(g->hwnd);
  ti.lpszText = buf;
  SendMessageW(g->tooltip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&ti));
  return buf;
}

void SetGadgetImage(int n, HBITMAP image) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return;
  const UINT msg = g->kind == KindImage ? STM_SETIMAGE : BM_SETIMAGE;
  SendMessageW(g->hwnd, msg, IMAGE_BITMAP,
               reinterpret_cast<LPARAM>(PictureForDpi(image, WindowDpi(g->window))));
}

HBITMAP GetGadgetImage(int n) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return nullptr;
  const UINT msg = g->kind == KindImage ? STM_GETIMAGE : BM_GETIMAGE;
  return reinterpret_cast<HBITMAP>(SendMessageW(g->hwnd, msg, IMAGE_BITMAP, 0));
}

void SetActiveGadget(int n) {
  if (GadgetEntry* g = FindGadget(n)) SetFocus(g->hwnd);
}

void RedrawGadget(int n, bool redraw) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return;
  SendMessageW(g->hwnd, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
  if (redraw) InvalidateRect(g->hwnd, nullptr, TRUE);
}

// ---- items -------------------------------------------------------------------------------

void AddGadgetItem(int n, int pos, std::wstring_view text) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return;
  if (g->kind == KindCombo) {
    const std::wstring t(text);
    if (pos < 0) {
      SendMessageW(g->hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
    } else {
      SendMessageW(g->hwnd, CB_INSERTSTRING, static_cast<WPARAM>(pos),
                   reinterpret_cast<LPARAM>(t.c_str()));
    }
    return;
  }
  if (g->kind != KindList && g->kind != KindCustom) return;
  const auto cols = SplitColumns(text);
  std::wstring first(cols[0]);
  LVITEMW it{};
  it.mask = LVIF_TEXT;
  it.iItem = pos < 0 ? INT_MAX : pos;
  it.pszText = first.data();
  const auto row = static_cast<int>(
      SendMessageW(g->hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it)));
  if (row < 0) return;
  for (size_t c = 1; c < cols.size(); ++c) {
    std::wstring t(cols[c]);
    LVITEMW sub{};
    sub.iSubItem = static_cast<int>(c);
    sub.pszText = t.data();
    SendMessageW(g->hwnd, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&sub));
  }
}

void RemoveGadgetItem(int n, int pos) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return;
  if (g->kind == KindCombo) SendMessageW(g->hwnd, CB_DELETESTRING, static_cast<WPARAM>(pos), 0);
  else SendMessageW(g->hwnd, LVM_DELETEITEM, static_cast<WPARAM>(pos), 0);
}

void ClearGadgetItems(int n) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return;
  if (g->kind == KindCombo) {
    SendMessageW(g->hwnd, CB_RESETCONTENT, 0, 0);
  } else if (g->kind == KindList || g->kind == KindCustom) {
    if (GetWindowLongPtrW(g->hwnd, GWL_STYLE) & LVS_OWNERDATA) {
      SendMessageW(g->hwnd, LVM_SETITEMCOUNT, 0, 0);
    } else {
      SendMessageW(g->hwnd, LVM_DELETEALLITEMS, 0, 0);
    }
  }
}

int CountGadgetItems(int n) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return 0;
  if (g->kind == KindCombo) return static_cast<int>(SendMessageW(g->hwnd, CB_GETCOUNT, 0, 0));
  return static_cast<int>(SendMessageW(g->hwnd, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring GetGadgetItemText(int n, int item, int column) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return {};
  if (g->kind == KindCombo) {
    const auto len = SendMessageW(g->hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0);
    if (len < 0) return {};
    std::wstring s(static_cast<size_t>(len) + 1, L'\0');
    SendMessageW(g->hwnd, CB_GETLBTEXT, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(len));
    return s;
  }
  std::wstring buf(1024, L'\0');
  for (;;) {
    LVITEMW it{};
    it.iSubItem = column;
    it.pszText = buf.data();
    it.cchTextMax = static_cast<int>(buf.size());
    const auto got = static_cast<size_t>(SendMessageW(g->hwnd, LVM_GETITEMTEXTW,
                                                      static_cast<WPARAM>(item),
                                                      reinterpret_cast<LPARAM>(&it)));
    if (got + 1 < buf.size() || buf.size() >= (1u << 20)) {
      buf.resize(got);
      return buf;
    }
    buf.assign(buf.size() * 4, L'\0');
  }
}

void SetGadgetItemText(int n, int item, std::wstring_view text, int column) {
  GadgetEntry* g = FindGadget(n);
  if (!g) return;
  std::wstring t(text);
  LVITEMW it{};
  it.iSubItem = column;
  it.pszText = t.data();
  SendMessageW(g->hwnd, LVM_SETITEMTEXTW, static_cast<WPARAM>(item),
               reinterpret_cast<LPARAM>(&it));
}

int GetGadgetItemState(int n, int item) {
  HWND l = ListHandle(n);
  if (!l) return 0;
  return (SendMessageW(l, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED) &
          LVIS_SELECTED)
             ? 1
             : 0;
}

void SetGadgetItemState(int n, int item, int selected) {
  HWND l = ListHandle(n);
  if (!l) return;
  LVITEMW it{};
  it.stateMask = LVIS_SELECTED;
  it.state = selected ? LVIS_SELECTED : 0;
  SendMessageW(l, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
}

void SelectAllGadgetItems(int n) {
  HWND l = ListHandle(n);
  if (!l) return;
  LVITEMW it{};
  it.stateMask = LVIS_SELECTED;
  it.state = LVIS_SELECTED;
  SendMessageW(l, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
}

RECT GadgetItemRect(int n, int item) {
  RECT r{0, 0, 0, 0};
  HWND l = ListHandle(n);
  if (!l || item < 0 || item >= static_cast<int>(SendMessageW(l, LVM_GETITEMCOUNT, 0, 0))) {
    return r;
  }
  SendMessageW(l, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
  r.left = LVIR_LABEL;
  if (!SendMessageW(l, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r))) {
    return RECT{0, 0, 0, 0};
  }
  return r;
}

void AddGadgetColumn(int n, int pos, std::wstring_view title, int width) {
  HWND l = ListHandle(n);
  if (!l) return;
  std::wstring t(title);
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  c.pszText = t.data();
  c.cx = DesignToWindow(GadgetWindow(n), width);
  c.iSubItem = pos;
  SendMessageW(l, LVM_INSERTCOLUMNW, static_cast<WPARAM>(pos), reinterpret_cast<LPARAM>(&c));
}

std::wstring GetGadgetColumnTitle(int n, int column) {
  HWND l = ListHandle(n);
  if (!l) return {};
  wchar_t buf[256] = {0};
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT;
  c.pszText = buf;
  c.cchTextMax = 256;
  if (!SendMessageW(l, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                    reinterpret_cast<LPARAM>(&c))) {
    return {};
  }
  return buf;
}

int GetGadgetColumnWidth(int n, int column) {
  HWND l = ListHandle(n);
  if (!l) return 0;
  return static_cast<int>(SendMessageW(l, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

int CountGadgetColumns(int n) {
  HWND l = ListHandle(n);
  if (!l) return 0;
  HWND header = reinterpret_cast<HWND>(SendMessageW(l, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

void SetVirtualSource(int n, CellText source) {
  if (GadgetEntry* g = FindGadget(n)) g->cells = std::move(source);
}

void SetVirtualCount(int n, int count) {
  HWND l = ListHandle(n);
  if (!l) return;
  SendMessageW(l, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
  InvalidateRect(l, nullptr, TRUE);
}

void ResetVirtualList(int n, int count) {
  GadgetEntry* g = FindGadget(n);
  HWND l = ListHandle(n);
  if (!g || !l) return;
  // An owner-data list keeps its selection by row number; rows that now stand for other
  // records must not stay selected, focused or marked as the anchor of a shift-click.
  g->quiet = true;
  LVITEMW it{};
  it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  it.state = 0;
  SendMessageW(l, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
  SendMessageW(l, LVM_SETSELECTIONMARK, 0, -1);
  SendMessageW(l, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
  g->quiet = false;
  InvalidateRect(l, nullptr, TRUE);
}

void RedrawItems(int n, int first, int last) {
  HWND l = ListHandle(n);
  if (l) SendMessageW(l, LVM_REDRAWITEMS, static_cast<WPARAM>(first), last);
}

}  // namespace vardune::ui
