// Windows by number, the window procedure that turns Win32 messages into queued events, and
// the event calls (see platform.h).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <deque>
#include <map>
#include <vector>

#include "os/text.h"
#include "ui/platform/platform.h"
#include "ui/platform/platform_internal.h"

namespace vardune::ui {

namespace {

constexpr wchar_t kClassName[] = L"VarduneWindow";

struct WinInfo {
  HWND hwnd = nullptr;
  int minW = 0;  // design units
  int minH = 0;
  int dpi = kDesignDpi;
};

std::map<int, WinInfo> gWindows;
std::deque<Event> gQueue;
Event gLast;
WinCallback gCallback = nullptr;
IdleHandler gIdle = nullptr;
bool gInitialised = false;

struct Shortcut {
  int win, key, item;
};
std::vector<Shortcut> gShortcuts;

struct GadgetKey {
  int win, gadget, key;
  unsigned modifiers;
};
std::vector<GadgetKey> gGadgetKeys;
// Keys taken on their way down whose release is still to come.
std::vector<int> gKeysDown;

struct WaitEntry {
  HANDLE h;
  std::function<void()> fn;
};
std::vector<WaitEntry> gWaits;

// The outer-frame size that a window with this style has around an inner area, menu excluded:
// at the DPI Windows draws the window's frame with.
SIZE FrameExtra(HWND h) {
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE));
  const DWORD ex = static_cast<DWORD>(GetWindowLongPtrW(h, GWL_EXSTYLE));
  return FrameAt(style, ex, DpiOfHandle(h));
}

// Windows moved the window to a monitor of another DPI, or the scaling changed: the suggested
// rectangle keeps its place and design size, the controls follow.
void OnDpiChanged(HWND hwnd, int win, int dpi, const RECT* suggested) {
  auto it = gWindows.find(win);
  if (it == gWindows.end() || dpi <= 0) return;
  const int old = it->second.dpi;
  it->second.dpi = dpi;
  RescaleGadgets(win, old, dpi);
  if (suggested) {
    SetWindowPos(hwnd, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowIcons(hwnd, dpi);
  if (LayoutHook hook = InstalledLayoutHook()) hook(win);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// A picture posted from another thread (PostGadgetImage).
void OnPostedPicture(HWND control, HBITMAP picture) {
  for (const auto& [n, g] : Gadgets()) {
    if (g.hwnd == control) {
      SetGadgetImage(n, picture);
      return;
    }
  }
}

// The DPI a new window will most likely get: its owner's, or that of the monitor it opens on.
int OpeningDpi(int x, int y, unsigned flags, HWND owner) {
  if (owner) {
    const int n = WindowNumber(owner);
    return n ? WindowDpi(n) : DpiOfHandle(owner);
  }
  if (flags & WinScreenCentered) {
    return MonitorDpi(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
  }
  return MonitorDpi(MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTONEAREST));
}

void Queue(const Event& e) {
  // Repeated notifications of one kind (selection changes of a long list, a window being
  // dragged to a new size) are one event for the program.
  if ((e.Kind == EventSizeWindow || (e.Kind == EventGadget && e.Type == TypeChange)) &&
      !gQueue.empty()) {
    const Event& b = gQueue.back();
    if (b.Kind == e.Kind && b.Window == e.Window && b.Gadget == e.Gadget && b.Type == e.Type) {
      return;
    }
  }
  gQueue.push_back(e);
}

void QueueGadget(int win, int gadget, int type, int x = 0, int y = 0) {
  Event e;
  e.Kind = EventGadget;
  e.Window = win;
  e.Gadget = gadget;
  e.Type = type;
  e.X = x;
  e.Y = y;
  Queue(e);
}

LRESULT OnNotify(HWND hwnd, int win, NMHDR* hdr) {
  const int id = static_cast<int>(hdr->idFrom);
  GadgetEntry* g = FindGadget(id);
  if (!g || g->hwnd != hdr->hwndFrom) return 0;
  if (g->notify) {
    LRESULT result = 0;
    if (g->notify(hdr, result)) return result;
  }
  switch (hdr->code) {
    case LVN_GETDISPINFOW: {
      auto* di = reinterpret_cast<NMLVDISPINFOW*>(hdr);
      if ((di->item.mask & LVIF_TEXT) && di->item.pszText && di->item.cchTextMax > 0) {
        std::wstring_view t;
        if (g->cells) t = g->cells(di->item.iItem, di->item.iSubItem);
        const size_t n = std::min<size_t>(t.size(), static_cast<size_t>(di->item.cchTextMax - 1));
        std::copy_n(t.data(), n, di->item.pszText);
        di->item.pszText[n] = 0;
      }
      return 0;
    }
    case LVN_ODFINDITEMW:
      return -1;
    case NM_CLICK:
      QueueGadget(win, id, TypeLeftClick);
      return 0;
    case NM_RCLICK:
      QueueGadget(win, id, TypeRightClick);
      return 0;
    case NM_DBLCLK:
      QueueGadget(win, id, TypeLeftDoubleClick);
      return 0;
    case NM_RDBLCLK:
      QueueGadget(win, id, TypeRightDoubleClick);
      return 0;
    case LVN_ITEMCHANGED: {
      auto* lv = reinterpret_cast<NMLISTVIEW*>(hdr);
      if (!g->quiet && (lv->uChanged & LVIF_STATE) &&
          ((lv->uNewState ^ lv->uOldState) & LVIS_SELECTED)) {
        QueueGadget(win, id, TypeChange);
      }
      return 0;
    }
    case LVN_ODSTATECHANGED:
      if (!g->quiet) QueueGadget(win, id, TypeChange);
      return 0;
    case LVN_BEGINDRAG:
      QueueGadget(win, id, TypeDragStart);
      return 0;
    default:
      return 0;
  }
  (void)hwnd;
}

void OnCommand(int win, WPARAM wp, LPARAM lp) {
  const int id = LOWORD(wp);
  const int code = HIWORD(wp);
  if (lp == 0) {
    if (code == 0) {  // a menu item (accelerators are not used)
      Event e;
      e.Kind = EventMenu;
      e.Window = win;
      e.Menu = id;
      Queue(e);
    }
    return;
  }
  GadgetEntry* g = FindGadget(id);
  if (!g || g->hwnd != reinterpret_cast<HWND>(lp)) return;
  switch (g->kind) {
    case KindButton:
    case KindToggle:
    case KindImageButton:
      if (code == BN_CLICKED) QueueGadget(win, id, TypeLeftClick);
      break;
    case KindString:
      if (code == EN_KILLFOCUS) QueueGadget(win, id, TypeLostFocus);
      else if (code == EN_SETFOCUS) QueueGadget(win, id, TypeFocus);
      else if (code == EN_CHANGE) QueueGadget(win, id, TypeChange);
      break;
    case KindCombo:
      if (code == CBN_SELCHANGE) QueueGadget(win, id, TypeChange);
      break;
    case KindImage:
    case KindText:
      if (code == STN_CLICKED) QueueGadget(win, id, TypeLeftClick);
      break;
    default:
      if (code == BN_CLICKED) QueueGadget(win, id, TypeLeftClick);
      break;
  }
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (gCallback) gCallback(hwnd, msg, wp, lp);
  const int win = static_cast<int>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_COMMAND:
      OnCommand(win, wp, lp);
      break;
    case WM_NOTIFY:
      return OnNotify(hwnd, win, reinterpret_cast<NMHDR*>(lp));
    case WM_CLOSE: {
      Event e;
      e.Kind = EventCloseWindow;
      e.Window = win;
      Queue(e);
      return 0;
    }
    case WM_SIZE:
      if (wp != SIZE_MINIMIZED && win != 0) {
        Event e;
        e.Kind = EventSizeWindow;
        e.Window = win;
        Queue(e);
      }
      break;
    case WM_GETMINMAXINFO: {
      auto it = gWindows.find(win);
      if (it != gWindows.end() && (it->second.minW > 0 || it->second.minH > 0)) {
        const SIZE extra = FrameExtra(hwnd);
        auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
        mmi->ptMinTrackSize.x = ScaleToDpi(it->second.minW, it->second.dpi) + extra.cx;
        mmi->ptMinTrackSize.y = ScaleToDpi(it->second.minH, it->second.dpi) + extra.cy;
        return 0;
      }
      break;
    }
    case WM_DPICHANGED:
      if (win != 0) {
        OnDpiChanged(hwnd, win, HIWORD(wp), reinterpret_cast<const RECT*>(lp));
        return 0;
      }
      break;
    case kMsgSetPicture:
      OnPostedPicture(reinterpret_cast<HWND>(wp), reinterpret_cast<HBITMAP>(lp));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// A raw side-button release goes to the window under the mouse, usually a control; the
// program hears of it for the top-level window that holds it.
void NoteRawMessage(const MSG& m) {
  if (m.message != WM_XBUTTONUP) return;
  HWND top = GetAncestor(m.hwnd, GA_ROOT);
  const int win = WindowNumber(top);
  if (win == 0) return;
  Event e;
  e.Kind = EventXButtonUp;
  e.Window = win;
  Queue(e);
}

// A key of a shortcut becomes a menu event and goes no further.
bool TakeShortcut(const MSG& m) {
  if (m.message != WM_KEYDOWN || gShortcuts.empty()) return false;
  const int win = WindowNumber(GetAncestor(m.hwnd, GA_ROOT));
  for (const Shortcut& s : gShortcuts) {
    if (s.win == win && s.key == static_cast<int>(m.wParam)) {
      Event e;
      e.Kind = EventMenu;
      e.Window = win;
      e.Menu = s.item;
      Queue(e);
      return true;
    }
  }
  return false;
}

// The control of the program that holds a window handle: the handle itself or one of its
// parents below the top-level window (the header of a list, say); 0 for none.
int GadgetHolding(HWND h, HWND top) {
  for (; h && h != top; h = GetParent(h)) {
    for (const auto& [n, g] : Gadgets()) {
      if (g.hwnd == h) return n;
    }
  }
  return 0;
}

// A key that the program named for the control with the focus becomes an event and goes no
// further: the control never sees it, no WM_CHAR is made of it, and its release is taken too
// (released F10 would open the menu bar, the released context-menu key a WM_CONTEXTMENU).
bool TakeGadgetKey(const MSG& m) {
  if (m.message == WM_KEYUP || m.message == WM_SYSKEYUP) {
    const auto it = std::find(gKeysDown.begin(), gKeysDown.end(), static_cast<int>(m.wParam));
    if (it == gKeysDown.end()) return false;
    gKeysDown.erase(it);
    return true;
  }
  if ((m.message != WM_KEYDOWN && m.message != WM_SYSKEYDOWN) || gGadgetKeys.empty()) {
    return false;
  }
  HWND top = GetAncestor(m.hwnd, GA_ROOT);
  const int win = WindowNumber(top);
  if (win == 0) return false;
  unsigned mods = HeldModifiers();
  // Alt as the message has it: the key state of a posted key may not show it.
  if (m.message == WM_SYSKEYDOWN && (m.lParam & (1 << 29))) mods |= ModAlt;
  const int key = static_cast<int>(m.wParam);
  const int gadget = GadgetHolding(m.hwnd, top);
  for (const GadgetKey& k : gGadgetKeys) {
    if (k.win != win || k.key != key || k.modifiers != mods) continue;
    if (k.gadget != 0 && k.gadget != gadget) continue;
    Event e;
    e.Kind = EventKey;
    e.Window = win;
    e.Gadget = gadget;
    e.Key = key;
    e.Modifiers = mods;
    Queue(e);
    if (std::find(gKeysDown.begin(), gKeysDown.end(), key) == gKeysDown.end()) {
      gKeysDown.push_back(key);
    }
    return true;
  }
  return false;
}

void DispatchOne(MSG& m) {
  if (TakeShortcut(m)) return;
  if (TakeGadgetKey(m)) return;
  NoteRawMessage(m);
  TranslateMessage(&m);
  DispatchMessageW(&m);
}

// Runs the function of every signalled wait handle.
void CheckWaitHandles() {
  for (size_t i = 0; i < gWaits.size(); ++i) {
    if (WaitForSingleObject(gWaits[i].h, 0) == WAIT_OBJECT_0) {
      auto fn = gWaits[i].fn;  // the function may remove or re-add handles
      if (fn) fn();
    }
  }
}

// Pumps pending messages until one of them queued an event, or none is left.
void PumpPending() {
  if (!gWaits.empty()) CheckWaitHandles();
  MSG m;
  while (gQueue.empty() && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    DispatchOne(m);
  }
}

Event Take() {
  gLast = gQueue.front();
  gQueue.pop_front();
  return gLast;
}

Event WaitImpl(DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    PumpPending();
    if (!gQueue.empty()) return Take();
    if (gIdle && gIdle()) {
      if (ms == INFINITE || GetTickCount() - start < ms) continue;
      gLast = Event{};
      return gLast;
    }
    DWORD wait = INFINITE;
    if (ms != INFINITE) {
      const DWORD spent = GetTickCount() - start;
      if (spent >= ms) {
        gLast = Event{};
        return gLast;
      }
      wait = ms - spent;
    }
    std::vector<HANDLE> hs;
    for (auto& w : gWaits) hs.push_back(w.h);
    MsgWaitForMultipleObjectsEx(static_cast<DWORD>(hs.size()), hs.empty() ? nullptr : hs.data(),
                                wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

}  // namespace

// ---- internal table of controls ----------------------------------------------------------

std::map<int, GadgetEntry>& Gadgets() {
  static std::map<int, GadgetEntry> g;
  return g;
}

GadgetEntry* FindGadget(int n) {
  auto& g = Gadgets();
  auto it = g.find(n);
  if (it == g.end()) return nullptr;
  if (!IsWindow(it->second.hwnd)) {
    g.erase(it);
    return nullptr;
  }
  return &it->second;
}

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

void QueueGadgetEvent(int win, int gadget, int type) { QueueGadget(win, gadget, type); }

void QueueGadgetPoint(int win, int gadget, int type, int x, int y) {
  QueueGadget(win, gadget, type, x, y);
}

bool RegisterProgramClass(const wchar_t* name, WNDPROC proc, HBRUSH background, HICON icon) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = Instance();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  wc.hIcon = icon;
  return RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// ---- start-up ----------------------------------------------------------------------------

bool InitPlatform() {
  if (gInitialised) return true;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                           ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  LoadLibraryW(L"msftedit.dll");
  InitCaseTables();
  HICON icon = LoadIconW(Instance(), MAKEINTRESOURCEW(1));
  if (!icon) icon = LoadIconW(nullptr, IDI_APPLICATION);
  if (!RegisterProgramClass(kClassName, WndProc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                            icon)) {
    return false;
  }
  gInitialised = true;
  return true;
}

// ---- events ------------------------------------------------------------------------------

Event WaitWindowEvent() { return WaitImpl(INFINITE); }

Event WaitWindowEventTimeout(DWORD ms) { return WaitImpl(ms); }

Event WindowEvent() {
  PumpPending();
  if (!gQueue.empty()) return Take();
  gLast = Event{};
  return gLast;
}

const Event& LastEvent() { return gLast; }

void PostEvent(const Event& e) { gQueue.push_back(e); }

void PostDoubleClick(int window, int gadget) {
  Event e;
  e.Kind = EventGadget;
  e.Window = window;
  e.Gadget = gadget;
  e.Type = TypeLeftDoubleClick;
  PostEvent(e);
}

void FlushEvents() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    DispatchOne(m);
  }
  gQueue.clear();
}

size_t QueuedEventCount() { return gQueue.size(); }

void SetWindowCallback(WinCallback cb) { gCallback = cb; }

void SetIdleHandler(IdleHandler handler) { gIdle = handler; }

void AddKeyboardShortcut(int win, int virtualKey, int item) {
  for (Shortcut& s : gShortcuts) {
    if (s.win == win && s.key == virtualKey) {
      s.item = item;
      return;
    }
  }
  gShortcuts.push_back(Shortcut{win, virtualKey, item});
}

void AddGadgetKey(int win, int gadget, int virtualKey, unsigned modifiers) {
  for (const GadgetKey& k : gGadgetKeys) {
    if (k.win == win && k.gadget == gadget && k.key == virtualKey && k.modifiers == modifiers) {
      return;
    }
  }
  gGadgetKeys.push_back(GadgetKey{win, gadget, virtualKey, modifiers});
}

unsigned HeldModifiers() {
  unsigned mods = ModNone;
  if (GetKeyState(VK_SHIFT) < 0) mods |= ModShift;
  if (GetKeyState(VK_CONTROL) < 0) mods |= ModCtrl;
  if (GetKeyState(VK_MENU) < 0) mods |= ModAlt;
  return mods;
}

void AddWaitHandle(HANDLE h, std::function<void()> onSignal) {
  RemoveWaitHandle(h);
  if (gWaits.size() >= MAXIMUM_WAIT_OBJECTS - 1) return;
  gWaits.push_back(WaitEntry{h, std::move(onSignal)});
}

void RemoveWaitHandle(HANDLE h) {
  for (size_t i = 0; i < gWaits.size(); ++i) {
    if (gWaits[i].h == h) {
      gWaits.erase(gWaits.begin() + static_cast<long>(i));
      return;
    }
  }
}

// ---- windows -----------------------------------------------------------------------------

HWND OpenWindow(int n, int x, int y, int w, int h, std::wstring_view title, unsigned flags,
                int parent) {
  if (!InitPlatform()) return nullptr;
  if (IsWindowOpen(n)) CloseWindow(n);
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPSIBLINGS;
  if (flags & WinSystemMenu) style |= WS_SYSMENU;
  if (flags & WinMinimize) style |= WS_MINIMIZEBOX;
  if (flags & WinMaximize) style |= WS_MAXIMIZEBOX;
  if (flags & WinSizable) style |= WS_THICKFRAME;
  DWORD ex = 0;
  if (flags & WinTool) ex |= WS_EX_TOOLWINDOW;
  HWND owner = parent ? WindowID(parent) : nullptr;
  // Sized for the DPI it will most likely have; Windows decides by where it lands, and a
  // window that lands elsewhere is sized again.
  const int expected = OpeningDpi(x, y, flags, owner);
  SIZE frame = FrameAt(style, ex, expected);
  const std::wstring t(title);
  HWND hwnd = CreateWindowExW(ex, kClassName, t.c_str(), style, x, y,
                              ScaleToDpi(w, expected) + frame.cx,
                              ScaleToDpi(h, expected) + frame.cy, owner, nullptr, Instance(),
                              nullptr);
  if (!hwnd) return nullptr;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, n);
  const int dpi = DpiOfHandle(hwnd);
  gWindows[n] = WinInfo{hwnd, 0, 0, dpi};
  if (dpi != expected) {
    frame = FrameAt(style, ex, dpi);
    SetWindowPos(hwnd, nullptr, 0, 0, ScaleToDpi(w, dpi) + frame.cx, ScaleToDpi(h, dpi) + frame.cy,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  }
  SetWindowIcons(hwnd, dpi);
  if (flags & WinScreenCentered) CenterWindow(n, 0);
  if ((flags & WinWindowCentered) && parent) CenterWindow(n, parent);
  if (!(flags & WinInvisible)) {
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
  }
  // Creating and showing queue size events; the window's first size is not a change.
  for (auto it = gQueue.begin(); it != gQueue.end();) {
    if (it->Kind == EventSizeWindow && it->Window == n) it = gQueue.erase(it);
    else ++it;
  }
  return hwnd;
}

void CloseWindow(int n) {
  auto it = gWindows.find(n);
  if (it == gWindows.end()) return;
  HWND h = it->second.hwnd;
  gWindows.erase(it);
  // Forget the controls of that window.
  auto& g = Gadgets();
  for (auto gi = g.begin(); gi != g.end();) {
    if (gi->second.window == n) gi = g.erase(gi);
    else ++gi;
  }
  if (IsWindow(h)) {
    // Destroying an owner-less active window would activate some other program; give the
    // activation back to the owner first, as closing a dialog does.
    HWND owner = GetWindow(h, GW_OWNER);
    if (owner && GetActiveWindow() == h) SetActiveWindow(owner);
    DestroyWindow(h);
  }
  for (auto qi = gQueue.begin(); qi != gQueue.end();) {
    if (qi->Window == n) qi = gQueue.erase(qi);
    else ++qi;
  }
}

bool IsWindowOpen(int n) {
  auto it = gWindows.find(n);
  if (it == gWindows.end()) return false;
  if (!IsWindow(it->second.hwnd)) {
    gWindows.erase(it);
    return false;
  }
  return true;
}

HWND WindowID(int n) { return IsWindowOpen(n) ? gWindows[n].hwnd : nullptr; }

int WindowDpi(int n) { return IsWindowOpen(n) ? gWindows[n].dpi : SystemDpi(); }

int WindowNumber(HWND h) {
  if (!h) return 0;
  for (auto& [n, w] : gWindows) {
    if (w.hwnd == h) return n;
  }
  return 0;
}

int WindowInnerWidth(int n) {
  HWND h = WindowID(n);
  if (!h) return 0;
  RECT wr;
  GetWindowRect(h, &wr);
  return (wr.right - wr.left) - FrameExtra(h).cx;
}

int WindowInnerHeight(int n) {
  HWND h = WindowID(n);
  if (!h) return 0;
  RECT wr;
  GetWindowRect(h, &wr);
  return (wr.bottom - wr.top) - FrameExtra(h).cy;
}

int WindowX(int n) {
  HWND h = WindowID(n);
  if (!h) return 0;
  RECT wr;
  GetWindowRect(h, &wr);
  return wr.left;
}

int WindowY(int n) {
  HWND h = WindowID(n);
  if (!h) return 0;
  RECT wr;
  GetWindowRect(h, &wr);
  return wr.top;
}

void ResizeWindow(int n, int x, int y, int w, int h) {
  HWND hw = WindowID(n);
  if (!hw) return;
  RECT wr;
  GetWindowRect(hw, &wr);
  const SIZE extra = FrameExtra(hw);
  const int nx = x == kKeep ? wr.left : x;
  const int ny = y == kKeep ? wr.top : y;
  const int nw = w == kKeep ? wr.right - wr.left : w + extra.cx;
  const int nh = h == kKeep ? wr.bottom - wr.top : h + extra.cy;
  SetWindowPos(hw, nullptr, nx, ny, nw, nh, SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetWindowMinSize(int n, int innerW, int innerH) {
  if (!IsWindowOpen(n)) return;
  gWindows[n].minW = innerW;
  gWindows[n].minH = innerH;
}

void SetWindowTitle(int n, std::wstring_view title) {
  HWND h = WindowID(n);
  if (h) SetWindowTextW(h, std::wstring(title).c_str());
}

std::wstring GetWindowTitle(int n) {
  HWND h = WindowID(n);
  if (!h) return {};
  const int len = GetWindowTextLengthW(h);
  std::wstring s(static_cast<size_t>(len) + 1, L'\0');
  s.resize(static_cast<size_t>(GetWindowTextW(h, s.data(), len + 1)));
  return s;
}

void HideWindow(int n, bool hide) {
  HWND h = WindowID(n);
  if (!h) return;
  if (hide) {
    ShowWindow(h, SW_HIDE);
    HWND owner = GetWindow(h, GW_OWNER);
    if (owner) SetActiveWindow(owner);
  } else {
    ShowWindow(h, SW_SHOWNA);
  }
}

bool IsWindowShown(int n) {
  HWND h = WindowID(n);
  return h && IsWindowVisible(h);
}

void DisableWindow(int n, bool disable) {
  HWND h = WindowID(n);
  if (h) EnableWindow(h, disable ? FALSE : TRUE);
}

bool IsWindowDisabled(int n) {
  HWND h = WindowID(n);
  return h && !IsWindowEnabled(h);
}

void SetFlickerFree(int n) {
  HWND h = WindowID(n);
  if (!h) return;
  SetWindowLongPtrW(h, GWL_STYLE, GetWindowLongPtrW(h, GWL_STYLE) | WS_CLIPCHILDREN);
}

void ActivateWindow(int n) {
  HWND h = WindowID(n);
  if (!h) return;
  SetForegroundWindow(h);
  SetActiveWindow(h);
}

void CenterWindow(int n, int over) {
  HWND h = WindowID(n);
  if (!h) return;
  RECT wr;
  GetWindowRect(h, &wr);
  RECT area;
  HWND o = over ? WindowID(over) : nullptr;
  if (o) {
    GetWindowRect(o, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  const int w = wr.right - wr.left;
  const int hh = wr.bottom - wr.top;
  const int x = area.left + ((area.right - area.left) - w) / 2;
  const int y = area.top + ((area.bottom - area.top) - hh) / 2;
  SetWindowPos(h, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
}

RECT WindowFrame(int n) {
  RECT r{0, 0, 0, 0};
  if (HWND h = WindowID(n)) GetWindowRect(h, &r);
  return r;
}

RECT WorkAreaOf(int n) {
  RECT area{0, 0, 0, 0};
  HWND h = WindowID(n);
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (h && GetMonitorInfoW(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &mi)) {
    area = mi.rcWork;
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  return area;
}

POINT WindowMouse(int n) {
  POINT p{0, 0};
  GetCursorPos(&p);
  HWND h = WindowID(n);
  if (h) ScreenToClient(h, &p);
  return p;
}

}  // namespace vardune::ui
