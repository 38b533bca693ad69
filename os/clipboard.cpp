// Text on the system clipboard (see clipboard.h).
#include "os/clipboard.h"

#include <cstring>

namespace vardune::os {

bool SetClipboardText(HWND owner, std::wstring_view text) {
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!g) return false;
  auto* dst = static_cast<wchar_t*>(GlobalLock(g));
  if (!dst) {
    GlobalFree(g);
    return false;
  }
  std::memcpy(dst, text.data(), text.size() * sizeof(wchar_t));
  dst[text.size()] = 0;
  GlobalUnlock(g);
  if (!OpenClipboard(owner)) {
    GlobalFree(g);
    return false;
  }
  EmptyClipboard();
  // The clipboard owns the memory once it has taken it.
  const bool ok = SetClipboardData(CF_UNICODETEXT, g) != nullptr;
  CloseClipboard();
  if (!ok) GlobalFree(g);
  return ok;
}

}  // namespace vardune::os
