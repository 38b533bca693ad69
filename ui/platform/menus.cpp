// Menus by number: the menu bar of a window and popup menus whose items arrive as menu events
// (see platform.h).
#include <windows.h>

#include <map>

#include "ui/platform/platform.h"

namespace vardune::ui {

namespace {
std::map<int, HMENU> gMenus;
HMENU gBuilding = nullptr;   // the bar or popup being built
HMENU gSubmenu = nullptr;    // the current title's submenu of a bar
bool gFailNext = false;
}  // namespace

void FailNextMenuCreation(bool fail) { gFailNext = fail; }

HMENU CreateMenuBar(int menu, int win) {
  HWND w = WindowID(win);
  if (!w || gFailNext) {
    gFailNext = false;
    return nullptr;
  }
  HMENU bar = CreateMenu();
  if (!bar) return nullptr;
  if (HMENU old = GetMenu(w)) {
    SetMenu(w, nullptr);
    DestroyMenu(old);
  }
  SetMenu(w, bar);
  gMenus[menu] = bar;
  gBuilding = bar;
  gSubmenu = nullptr;
  return bar;
}

void MenuTitle(std::wstring_view title) {
  if (!gBuilding) return;
  gSubmenu = CreatePopupMenu();
  AppendMenuW(gBuilding, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(gSubmenu),
              std::wstring(title).c_str());
}

void MenuItem(int item, std::wstring_view text) {
  HMENU target = gSubmenu ? gSubmenu : gBuilding;
  if (!target) return;
  AppendMenuW(target, MF_STRING, static_cast<UINT_PTR>(item), std::wstring(text).c_str());
}

void MenuBar() {
  HMENU target = gSubmenu ? gSubmenu : gBuilding;
  if (target) AppendMenuW(target, MF_SEPARATOR, 0, nullptr);
}

HMENU CreatePopupMenuNumbered(int menu) {
  if (gFailNext) {
    gFailNext = false;
    return nullptr;
  }
  HMENU p = CreatePopupMenu();
  if (!p) return nullptr;
  if (auto it = gMenus.find(menu); it != gMenus.end()) DestroyMenu(it->second);
  gMenus[menu] = p;
  gBuilding = p;
  gSubmenu = nullptr;
  return p;
}

void DisplayPopupMenu(int menu, int win, int screenX, int screenY) {
  auto it = gMenus.find(menu);
  HWND w = WindowID(win);
  if (it == gMenus.end() || !w) return;
  // The chosen item is posted to the window as WM_COMMAND and becomes a menu event.
  TrackPopupMenu(it->second, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screenX, screenY,
                 0, w, nullptr);
}

HMENU MenuID(int menu) {
  auto it = gMenus.find(menu);
  return it == gMenus.end() ? nullptr : it->second;
}

std::wstring GetMenuItemTextOf(int menu, int item) {
  HMENU m = MenuID(menu);
  if (!m) return {};
  wchar_t buf[256] = {0};
  // Searches the bar's submenus too.
  if (GetMenuStringW(m, static_cast<UINT>(item), buf, 256, MF_BYCOMMAND) > 0) return buf;
  const int n = GetMenuItemCount(m);
  for (int i = 0; i < n; ++i) {
    if (HMENU sub = GetSubMenu(m, i)) {
      if (GetMenuStringW(sub, static_cast<UINT>(item), buf, 256, MF_BYCOMMAND) > 0) return buf;
    }
  }
  return {};
}

}  // namespace vardune::ui
