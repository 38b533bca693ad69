// The thin layer over Win32 windows: windows and controls by number, and an event queue that
// the program asks for one event at a time (WaitWindowEvent / WindowEvent).
//
// Window numbers (1, 11, 33, 39, 56, 59, 61) and control numbers (2-10, 12-23, 34-38, 40-44,
// 57, 58, 60, 62) are the program's own; control numbers double as Win32 control ids. The
// window procedure turns Win32 messages into queued events; nothing is destroyed on a close
// request until the program says so.
//
// Sizes the program gives are design sizes (pixels at 96 dpi); the platform shows them at each
// window's DPI (see "display scaling" below).
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "ui/platform/scale.h"

namespace vardune::ui {

// Handed to ResizeGadget, leaves that coordinate as it is.
inline constexpr int kKeep = -65535;

enum EventKind : int {
  EventNone = 0,
  EventGadget,       // a control reported something; Event::Type says what
  EventMenu,         // a menu item was chosen; Event::Menu is its number
  EventCloseWindow,  // the close box / Alt+F4 / WM_CLOSE
  EventSizeWindow,   // the window's size changed
  EventXButtonUp,    // a mouse side button was released over the window (raw WM_XBUTTONUP)
  EventTimer,        // reserved for components that need a tick
  EventKey,          // a key taken for the program (AddGadgetKey): Event::Key, Event::Modifiers
};

enum EventType : int {
  TypeNone = 0,
  TypeLeftClick,
  TypeRightClick,
  TypeLeftDoubleClick,
  TypeRightDoubleClick,
  TypeChange,
  TypeFocus,
  TypeLostFocus,
  TypeDragStart,
};

struct Event {
  int Kind = EventNone;
  int Window = 0;
  int Gadget = 0;
  int Menu = 0;
  int Type = TypeNone;
  // Clicks of a drawing area (CanvasGadget): the point inside the control.
  int X = 0;
  int Y = 0;
  // EventKey: the virtual key and the modifiers held with it (KeyModifier); Gadget is the
  // control that had the keyboard focus, 0 when the window itself had it.
  int Key = 0;
  unsigned Modifiers = 0;
};

enum KeyModifier : unsigned {
  ModNone = 0,
  ModShift = 1u << 0,
  ModCtrl = 1u << 1,
  ModAlt = 1u << 2,
};

// ---- start-up ----------------------------------------------------------------------------

// Common controls, the window class, the rich-edit library and the case tables. Idempotent.
bool InitPlatform();

// ---- events ------------------------------------------------------------------------------

// Blocks until an event is queued, pumping messages meanwhile.
Event WaitWindowEvent();
// Pumps what is pending and returns the next event, or one of kind EventNone.
Event WindowEvent();
// WaitWindowEvent with a limit in milliseconds; kind EventNone when nothing came.
Event WaitWindowEventTimeout(DWORD ms);
// Work for when the program has nothing else to do: the two waiting calls above run it each
// time no event is queued and every message has been handled (paints included), and go on
// with it, looking at the messages between its pieces, while it returns true. WindowEvent
// never runs it.
using IdleHandler = bool (*)();
void SetIdleHandler(IdleHandler handler);
// The event most recently returned by one of the three calls above.
const Event& LastEvent();
// Queues an event as if the window procedure had (components and tests).
void PostEvent(const Event& e);
// Queues a double click on a gadget, as Enter on a list does what a double click on its row
// does.
void PostDoubleClick(int window, int gadget);
// Drops every queued event (and pumps pending messages first).
void FlushEvents();
size_t QueuedEventCount();

// A hook that sees every message of every window of the program before the platform does.
// Its return value is ignored: the message always goes on to normal processing.
using WinCallback = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
void SetWindowCallback(WinCallback cb);

// A key pressed anywhere in window `win` (its controls included) becomes a menu event of
// `item` for that window instead of reaching the control, as an accelerator would.
void AddKeyboardShortcut(int win, int virtualKey, int item);

// A key pressed (WM_KEYDOWN or WM_SYSKEYDOWN) with exactly these modifiers, as the thread's
// key state has them, while control `gadget` of window `win` has the keyboard focus (gadget 0:
// any control of the window, or the window itself) is taken before the control sees it and
// queued as an event of kind EventKey. The same key elsewhere, with other modifiers, and every
// key not named keeps its meaning for the control (Backspace in an edit field deletes a
// character there).
void AddGadgetKey(int win, int gadget, int virtualKey, unsigned modifiers);
// The modifiers held now, as AddGadgetKey compares them.
unsigned HeldModifiers();

// Wait handles that WaitWindowEvent watches beside the message queue (a directory watch,
// for example). When one is signalled, its function runs on the user-interface thread.
void AddWaitHandle(HANDLE h, std::function<void()> onSignal);
void RemoveWaitHandle(HANDLE h);

// ---- windows -----------------------------------------------------------------------------

enum WindowFlags : unsigned {
  WinSystemMenu = 1u << 0,
  WinMinimize = 1u << 1,
  WinMaximize = 1u << 2,
  WinSizable = 1u << 3,
  WinInvisible = 1u << 4,
  WinScreenCentered = 1u << 5,
  WinWindowCentered = 1u << 6,  // centred over the parent window
  WinTool = 1u << 7,            // tool-window frame
  WinNormal = WinSystemMenu | WinMinimize | WinMaximize | WinSizable,
};

// Opens window n with the given inner size (design units) at x, y (screen pixels of the outer
// frame), owned by window `parent` when non-zero. Returns 0 when it cannot be opened. A window
// n that is already open is closed first.
HWND OpenWindow(int n, int x, int y, int w, int h, std::wstring_view title, unsigned flags,
                int parent = 0);
void CloseWindow(int n);
bool IsWindowOpen(int n);
HWND WindowID(int n);
int WindowNumber(HWND h);  // 0 when it is not one of the program's windows
// Inner size in pixels: the client width; the client height plus the menu bar (so that a menu
// added later does not change it).
int WindowInnerWidth(int n);
int WindowInnerHeight(int n);
// Outer frame position in screen coordinates.
int WindowX(int n);
int WindowY(int n);
// Moves the outer frame (kKeep leaves a coordinate) and sets the inner size (kKeep leaves it),
// all in pixels.
void ResizeWindow(int n, int x, int y, int w, int h);
// The smallest inner size the user can drag the window to, in design units.
void SetWindowMinSize(int n, int innerW, int innerH);
void SetWindowTitle(int n, std::wstring_view title);
std::wstring GetWindowTitle(int n);
// Hide (true) or show (false) without activating; hiding activates the owner.
void HideWindow(int n, bool hide);
bool IsWindowShown(int n);
void DisableWindow(int n, bool disable);
// Child controls are left out when the background is erased (no flicker on resizing).
void SetFlickerFree(int n);
bool IsWindowDisabled(int n);
void ActivateWindow(int n);  // brings it to the foreground
// Centres window n over window `over` (or the screen when `over` is 0).
void CenterWindow(int n, int over);
// Mouse position inside the client area of window n.
POINT WindowMouse(int n);
// Outer frame of window n in screen coordinates, and the work area (the screen without the
// task bar) of the monitor that shows most of it.
RECT WindowFrame(int n);
RECT WorkAreaOf(int n);

// The layout scale of every design coordinate (1.0) and its rounding.
inline constexpr double kLayoutScale = 1.0;
inline int Scale(int v) { return static_cast<int>(v * kLayoutScale + (v >= 0 ? 0.5 : -0.5)); }

// ---- display scaling ---------------------------------------------------------------------
//
// Every window has a DPI: that of its monitor when it opens, and the new one after Windows
// reports a change (WM_DPICHANGED: the window was moved to a monitor of another scaling, or
// the user changed the scaling). The program and its windows' constructors work in design
// units only; the platform scales them (ScaleToDpi, halves rounded away from zero) where a
// design rectangle becomes a window rectangle:
//   - design units in: OpenWindow (inner size), SetWindowMinSize, every ...Gadget constructor
//     (its rectangle), ListIconGadget and AddGadgetColumn (column widths);
//   - pixels, as the window is now: WindowInnerWidth/Height, WindowX/Y, ResizeWindow,
//     CenterWindow, WindowMouse, GadgetRect, ResizeGadget, GetGadgetColumnWidth.
// The anchor layout manager keeps design rectangles and scales them in _AnchorApply.
// Controls get the system's message font at their window's DPI, image controls the picture
// variant drawn nearest to it (AddPictureVariants), windows the program icon in the size for
// it, and the drag distance of image areas grows with it.
// On a DPI change the platform takes the suggested rectangle, gives every control of the
// window its font, picture and design rectangle at the new DPI, scales the list columns by
// new / old, and then calls the layout hook for the window, so that anchored controls follow
// the window's new inner size. A new window gets all of this by using the calls above; a
// control that paints itself takes its lengths and font from WindowDpi and GuiFont of its
// window when it paints (it is resized, and so repainted, on a DPI change).

// The DPI of window n (the system's when it is not open).
int WindowDpi(int n);
// A design length in pixels of window n.
inline int DesignToWindow(int n, int v) { return ScaleToDpi(v, WindowDpi(n)); }
// The DPI of any window handle, the system's for one that Windows does not tell; callable
// from any thread.
int DpiOfHandle(HWND h);
// The system DPI (that of the primary monitor when the program started).
int SystemDpi();
// Called after a window's DPI changed, once its controls have their design rectangles at the
// new DPI (the program installs _AnchorApply).
using LayoutHook = void (*)(int window);
void SetLayoutHook(LayoutHook hook);
// The distance the mouse has to move with the left button held before an image area reports
// a drag start: the system's drag width and height at 96 dpi, scaled to window n.
SIZE DragDistance(int n);
// Makes the given bitmaps one picture drawn for several DPIs ({dpi, bitmap} pairs). Image
// controls show, of the variants of a picture they are given, the one nearest to their
// window's DPI (and switch on a DPI change). The bitmaps stay the caller's.
void AddPictureVariants(std::initializer_list<std::pair<int, HBITMAP>> variants);
// Forgets the picture that `picture` is a variant of (before its bitmaps are freed).
void RemovePictureVariants(HBITMAP picture);
// The variant of `picture` nearest to `dpi`; `picture` itself when it has no variants.
HBITMAP PictureForDpi(HBITMAP picture, int dpi);
// Sets the picture of an image button or image area from any thread (SetGadgetImage is for
// the window's own thread): it is posted, and set, in the variant for the window's DPI, when
// that thread next handles its messages. Nothing waits for it.
void PostGadgetImage(HWND gadget, HBITMAP picture);

// ---- controls ----------------------------------------------------------------------------

enum GadgetFlags : unsigned {
  GadReadOnly = 1u << 0,
  GadMultiLine = 1u << 1,  // edit: several lines with vertical auto-scroll
  GadRight = 1u << 2,      // text: right-aligned
  GadDefault = 1u << 3,    // button: the default button
  GadToggle = 1u << 4,     // button: push-like check box
  GadGridLines = 1u << 5,
  GadFullRow = 1u << 6,
  GadMultiSelect = 1u << 7,
  GadAlwaysShowSel = 1u << 8,
  GadVirtual = 1u << 9,  // list: rows supplied by a callback (owner data)
  GadDoubleBuffer = 1u << 10,
  GadWordWrap = 1u << 11,
  GadBorder = 1u << 12,  // sunken client edge
  GadNoHeaderSort = 1u << 13,
};

// Each returns the control's handle, or 0. Coordinates are design units inside the window's
// client area.
HWND ButtonGadget(int win, int n, int x, int y, int w, int h, std::wstring_view text,
                  unsigned flags = 0);
HWND ButtonImageGadget(int win, int n, int x, int y, int w, int h, HBITMAP image);
HWND StringGadget(int win, int n, int x, int y, int w, int h, std::wstring_view text,
                  unsigned flags = 0);
HWND TextGadget(int win, int n, int x, int y, int w, int h, std::wstring_view text,
                unsigned flags = 0);
HWND FrameGadget(int win, int n, int x, int y, int w, int h, std::wstring_view text);
// An image area; it reports TypeDragStart when the left button is pressed on it and the mouse
// then moves past the system's drag distance.
HWND ImageGadget(int win, int n, int x, int y, int w, int h, HBITMAP image);
HWND ComboBoxGadget(int win, int n, int x, int y, int w, int h);
HWND ListIconGadget(int win, int n, int x, int y, int w, int h, std::wstring_view firstTitle,
                    int firstWidth, unsigned flags);
// Read-only rich-edit control (msftedit), text limit raised.
HWND EditorGadget(int win, int n, int x, int y, int w, int h, unsigned flags = 0);
// A drawing area that the program paints itself (SetCanvasPaint). It reports TypeLeftClick
// when the left button is released over it after being pressed there, TypeLeftDoubleClick,
// and TypeRightClick when the right button is released, each with the point in Event::X/Y.
// With SetCanvasTip it shows a tooltip whose text depends on the point the mouse rests on.
// Like every control it is placed at its design rectangle at its window's DPI and has the font
// for that DPI (WM_GETFONT), in which its tooltip shows; the program's paint takes its lengths
// from WindowDpi and draws its texts in GuiFont(WindowDpi(win)).
HWND CanvasGadget(int win, int n, int x, int y, int w, int h);
// Paints the whole client area (w x h) into the device context.
using CanvasPaint = std::function<void(HDC dc, int w, int h)>;
void SetCanvasPaint(int n, CanvasPaint paint);
// The tooltip's text at a point of the control; "" shows none.
using CanvasTip = std::function<std::wstring(int x, int y)>;
void SetCanvasTip(int n, CanvasTip tip);
// Hides a shown tooltip (after the picture changed under it).
void HideCanvasTip(int n);
// Whether control n's tooltip is on the screen now.
bool IsGadgetToolTipShown(int n);

void FreeGadget(int n);
bool IsGadget(int n);
HWND GadgetID(int n);
int GadgetWindow(int n);  // window number that holds control n
// Control rectangle inside its window's client area, in pixels.
RECT GadgetRect(int n);
// Resizes control n (pixels); kKeep leaves a coordinate. Unknown control numbers are ignored.
void ResizeGadget(int n, int x, int y, int w, int h);
void SetGadgetText(int n, std::wstring_view text);
std::wstring GetGadgetText(int n);
// Buttons: toggle state 0/1. Lists: the current row (-1 none), set selects only that row.
// Combo boxes: the selected index.
void SetGadgetState(int n, int state);
int GetGadgetState(int n);
void DisableGadget(int n, bool disable);
bool IsGadgetDisabled(int n);
void GadgetToolTip(int n, std::wstring_view text);
std::wstring GadgetToolTipText(int n);
// Image buttons and image areas; the variant of the picture for the window's DPI is shown
// (AddPictureVariants), and GetGadgetImage returns that variant.
void SetGadgetImage(int n, HBITMAP image);
HBITMAP GetGadgetImage(int n);
void SetActiveGadget(int n);
void RedrawGadget(int n, bool redraw);  // off while filling, on to repaint once

// Components built on a standard control (the explorer-style file list, for example) take
// part through these. A notify handler sees the control's WM_NOTIFY messages first and returns
// true when it handled one (then no event is queued and `result` is returned).
enum GadgetKind : int {
  KindNone = 0, KindButton, KindToggle, KindImageButton, KindString, KindText, KindFrame,
  KindImage, KindCombo, KindList, KindEditor, KindCustom, KindCanvas,
};
HWND RegisterGadget(int win, int n, HWND h, int kind);
int GadgetKindOf(int n);
using NotifyHandler = std::function<bool(NMHDR* hdr, LRESULT& result)>;
void SetGadgetNotifyHandler(int n, NotifyHandler handler);
// Replace the meaning of GetGadgetText / SetGadgetText for a component.
void SetGadgetTextHandlers(int n, std::function<std::wstring()> get,
                           std::function<void(std::wstring_view)> set);
// The font every control of the program uses: the system's message font at `dpi` (one font
// per DPI, kept until the program ends).
HFONT GuiFont(int dpi);

// ---- list and combo items ----------------------------------------------------------------

// Appends (pos -1) or inserts an item; columns of a list row are separated by "\n".
void AddGadgetItem(int n, int pos, std::wstring_view text);
void RemoveGadgetItem(int n, int pos);
void ClearGadgetItems(int n);
int CountGadgetItems(int n);
std::wstring GetGadgetItemText(int n, int item, int column = 0);
void SetGadgetItemText(int n, int item, std::wstring_view text, int column = 0);
// Selected state of a list row (1 selected, 0 not).
int GetGadgetItemState(int n, int item);
void SetGadgetItemState(int n, int item, int selected);
// Selects every row of a list in one call (the selection change is reported as any other).
void SelectAllGadgetItems(int n);
// The rectangle of a row's label in the list's client area, scrolled into view first; empty
// when there is no such row.
RECT GadgetItemRect(int n, int item);
// The width is in design units; GetGadgetColumnWidth tells pixels.
void AddGadgetColumn(int n, int pos, std::wstring_view title, int width);
std::wstring GetGadgetColumnTitle(int n, int column);
int GetGadgetColumnWidth(int n, int column);
int CountGadgetColumns(int n);

// Owner-data lists: the callback gives the text of a cell; the list asks only for the rows
// it shows. Setting the count repaints.
using CellText = std::function<std::wstring_view(int row, int column)>;
void SetVirtualSource(int n, CellText source);
void SetVirtualCount(int n, int count);
// A list rebuilt from scratch: the new row count, and no row selected or focused. The
// selection change is the program's own and raises no event.
void ResetVirtualList(int n, int count);
void RedrawItems(int n, int first, int last);

// ---- menus -------------------------------------------------------------------------------

// The menu bar of a window: titles and items are added in order.
HMENU CreateMenuBar(int menu, int win);
void MenuTitle(std::wstring_view title);
void MenuItem(int item, std::wstring_view text);
void MenuBar();  // a separator
// A popup menu, shown with DisplayPopupMenu; its items arrive as menu events.
HMENU CreatePopupMenuNumbered(int menu);
void DisplayPopupMenu(int menu, int win, int screenX, int screenY);
HMENU MenuID(int menu);
std::wstring GetMenuItemTextOf(int menu, int item);
// Scripted menu creation can fail (tests): when set, the next CreateMenuBar/CreatePopupMenu
// returns 0.
void FailNextMenuCreation(bool fail);

}  // namespace vardune::ui
