// Keys and the clipboard for the tests (see keys.h).
#include "tests/support/keys.h"

#include <cstring>

namespace vardune::test {

namespace {

void SetModifiers(unsigned modifiers) {
  BYTE state[256] = {0};
  const auto hold = [&](int vk, int side) {
    state[vk] = 0x80;
    state[side] = 0x80;
  };
  if (modifiers & kShift) hold(VK_SHIFT, VK_LSHIFT);
  if (modifiers & kCtrl) hold(VK_CONTROL, VK_LCONTROL);
  if (modifiers & kAlt) hold(VK_MENU, VK_LMENU);
  SetKeyboardState(state);
}

}  // namespace

void PressKey(HWND target, UINT vk, unsigned modifiers, const std::function<void()>& pump) {
  SetModifiers(modifiers);
  const bool sys = (modifiers & kAlt) || vk == VK_F10;
  LPARAM lp = 1 | (static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16);
  if (modifiers & kAlt) lp |= LPARAM{1} << 29;
  const LPARAM up = lp | (LPARAM{1} << 30) | (LPARAM{1} << 31);
  PostMessageW(target, sys ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, lp);
  PostMessageW(target, sys ? WM_SYSKEYUP : WM_KEYUP, vk, up);
  pump();
  SetModifiers(0);
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
      text = p;
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return text;
}

void SetClipboard(const std::wstring& text) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    std::memcpy(GlobalLock(g), text.c_str(), bytes);
    GlobalUnlock(g);
    if (!SetClipboardData(CF_UNICODETEXT, g)) GlobalFree(g);
  }
  CloseClipboard();
}

}  // namespace vardune::test
