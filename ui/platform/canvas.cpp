// The drawing area (CanvasGadget, see platform.h): a child window of its own class that the
// program paints through a callback, whose clicks become events with their point, and whose
// tooltip shows, once the mouse rests, the text the program gives for the point under it.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <map>
#include <string>

#include "ui/platform/platform.h"
#include "ui/platform/platform_internal.h"

namespace vardune::ui {

namespace {

constexpr wchar_t kCanvasClass[] = L"VarduneCanvas";

struct CanvasState {
  CanvasPaint paint;
  CanvasTip tip;
  bool leftDown = false;     // the left button went down over the control
  bool endsDouble = false;   // the next release ends a double click: no click of its own
  bool leaving = false;      // WM_MOUSELEAVE is asked for
  bool hovering = false;     // WM_MOUSEHOVER is asked for
  std::wstring pending;      // the text for the point the mouse is at
  bool shown = false;
  HFONT font = nullptr;      // WM_SETFONT: the font of the window's DPI, for the tooltip
};

std::map<int, CanvasState> gCanvases;

CanvasState* StateOf(HWND h) {
  auto it = gCanvases.find(GetDlgCtrlID(h));
  return it == gCanvases.end() ? nullptr : &it->second;
}

TTTOOLINFOW ToolOf(HWND canvas) {
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
  ti.hwnd = GetParent(canvas);
  ti.uId = reinterpret_cast<UINT_PTR>(canvas);
  return ti;
}

HWND TooltipOf(HWND canvas) {
  GadgetEntry* g = FindGadget(GetDlgCtrlID(canvas));
  return g && g->hwnd == canvas ? g->tooltip : nullptr;
}

// The DPI the control is shown at: its window's.
int DpiOf(HWND canvas) { return WindowDpi(WindowNumber(GetParent(canvas))); }

// The tooltip in the control's font, as wide as a long path needs at the control's DPI. The
// platform gives the control the font of its window's DPI when it is made and on every DPI
// change.
void FitTooltip(HWND canvas, const CanvasState& s) {
  HWND tip = TooltipOf(canvas);
  if (!tip) return;
  if (s.font) SendMessageW(tip, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), FALSE);
  // A width limit also makes the tooltip break its text at the line breaks.
  SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, ScaleToDpi(1000, DpiOf(canvas)));
}

void Hide(HWND canvas, CanvasState& s) {
  if (!s.shown) return;
  s.shown = false;
  if (HWND tip = TooltipOf(canvas)) {
    TTTOOLINFOW ti = ToolOf(canvas);
    SendMessageW(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
  }
}

void Show(HWND canvas, CanvasState& s, POINT at) {
  HWND tip = TooltipOf(canvas);
  if (!tip || s.pending.empty()) return;
  TTTOOLINFOW ti = ToolOf(canvas);
  ti.lpszText = s.pending.data();
  SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  // Below and right of the pointer, where the pointer does not cover it; at the edge of the
  // screen left of it or above it instead, so that it is read whole.
  ClientToScreen(canvas, &at);
  const LRESULT size = SendMessageW(tip, TTM_GETBUBBLESIZE, 0, reinterpret_cast<LPARAM>(&ti));
  const int w = LOWORD(size), h = HIWORD(size);
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  // The pointer grows with the DPI, and the distances with it.
  const int dpi = DpiOf(canvas);
  int x = at.x + ScaleToDpi(12, dpi), y = at.y + ScaleToDpi(20, dpi);
  if (GetMonitorInfoW(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &mi)) {
    if (x + w > mi.rcWork.right) x = std::max<int>(mi.rcWork.left, mi.rcWork.right - w);
    if (y + h > mi.rcWork.bottom) {
      y = std::max<int>(mi.rcWork.top, at.y - ScaleToDpi(4, dpi) - h);
    }
  }
  SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(x, y));
  SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
  s.shown = true;
}

void Track(HWND canvas, CanvasState& s, bool hover) {
  TRACKMOUSEEVENT t{};
  t.cbSize = sizeof t;
  t.dwFlags = TME_LEAVE | (hover ? TME_HOVER : 0);
  t.hwndTrack = canvas;
  t.dwHoverTime = HOVER_DEFAULT;
  if (TrackMouseEvent(&t)) {
    s.leaving = true;
    s.hovering = s.hovering || hover;
  }
}

void OnMouseMove(HWND h, CanvasState& s, int x, int y) {
  const std::wstring text = s.tip ? s.tip(x, y) : std::wstring();
  if (text != s.pending) {
    // Another tile: the old text goes at once, the new one after the mouse rests again.
    Hide(h, s);
    s.pending = text;
    s.hovering = false;
  }
  if (!s.leaving || (!s.pending.empty() && !s.shown && !s.hovering)) {
    Track(h, s, !s.pending.empty() && !s.shown);
  }
}

void QueuePoint(HWND h, int type, LPARAM lp) {
  const int n = GetDlgCtrlID(h);
  QueueGadgetPoint(GadgetWindow(n), n, type, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
}

bool InClient(HWND h, LPARAM lp) {
  RECT rc;
  GetClientRect(h, &rc);
  const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  return PtInRect(&rc, p) != FALSE;
}

LRESULT CALLBACK CanvasProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  CanvasState* s = StateOf(h);
  if (!s) return DefWindowProcW(h, msg, wp, lp);
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT rc;
      GetClientRect(h, &rc);
      if (s->paint) s->paint(dc, rc.right, rc.bottom);
      else FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
      EndPaint(h, &ps);
      return 0;
    }
    case WM_SIZE:
      InvalidateRect(h, nullptr, FALSE);
      break;
    case WM_SETFONT:
      Hide(h, *s);
      s->font = reinterpret_cast<HFONT>(wp);
      FitTooltip(h, *s);
      if (LOWORD(lp)) InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_MOUSEMOVE:
      OnMouseMove(h, *s, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    case WM_MOUSEHOVER:
      s->hovering = false;
      Show(h, *s, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    case WM_MOUSELEAVE:
      s->leaving = false;
      s->hovering = false;
      s->pending.clear();
      Hide(h, *s);
      return 0;
    case WM_LBUTTONDOWN:
      Hide(h, *s);
      s->leftDown = true;
      s->endsDouble = false;
      SetCapture(h);
      return 0;
    case WM_LBUTTONDBLCLK:
      Hide(h, *s);
      s->leftDown = true;
      s->endsDouble = true;
      SetCapture(h);
      QueuePoint(h, TypeLeftDoubleClick, lp);
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == h) ReleaseCapture();
      if (s->leftDown && !s->endsDouble && InClient(h, lp)) QueuePoint(h, TypeLeftClick, lp);
      s->leftDown = false;
      s->endsDouble = false;
      return 0;
    case WM_RBUTTONDOWN:
      Hide(h, *s);
      return 0;
    case WM_RBUTTONUP:
      QueuePoint(h, TypeRightClick, lp);
      return 0;
    case WM_NCDESTROY:
      gCanvases.erase(GetDlgCtrlID(h));
      break;
    default:
      break;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace

HWND CanvasGadget(int win, int n, int x, int y, int w, int h) {
  HWND parent = WindowID(win);
  if (!parent || !RegisterProgramClass(kCanvasClass, CanvasProc, nullptr, nullptr)) return nullptr;
  if (IsGadget(n)) FreeGadget(n);
  // Before the control: it keeps the font it is made with here.
  gCanvases[n] = CanvasState{};
  HWND c = CreateGadget(win, n, KindCanvas, kCanvasClass, 0, 0, x, y, w, h, L"");
  if (!c) {
    gCanvases.erase(n);
    return nullptr;
  }
  HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, Instance(), nullptr);
  if (tip) {
    TTTOOLINFOW ti = ToolOf(c);
    ti.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    FindGadget(n)->tooltip = tip;
    FitTooltip(c, gCanvases[n]);
  }
  return c;
}

void SetCanvasPaint(int n, CanvasPaint paint) {
  GadgetEntry* g = FindGadget(n);
  if (!g || g->kind != KindCanvas) return;
  gCanvases[n].paint = std::move(paint);
  InvalidateRect(g->hwnd, nullptr, FALSE);
}

void SetCanvasTip(int n, CanvasTip tip) {
  GadgetEntry* g = FindGadget(n);
  if (!g || g->kind != KindCanvas) return;
  gCanvases[n].tip = std::move(tip);
}

void HideCanvasTip(int n) {
  GadgetEntry* g = FindGadget(n);
  if (!g || g->kind != KindCanvas) return;
  CanvasState& s = gCanvases[n];
  Hide(g->hwnd, s);
  s.pending.clear();
  s.hovering = false;
}

bool IsGadgetToolTipShown(int n) {
  GadgetEntry* g = FindGadget(n);
  return g && g->tooltip && IsWindowVisible(g->tooltip);
}

}  // namespace vardune::ui
