// Text on the system clipboard.
#pragma once
#include <windows.h>

#include <string_view>

namespace vardune::os {

// Replaces the clipboard's content with the text (CF_UNICODETEXT); false when the clipboard
// could not be opened (another program holds it) or the memory not had.
bool SetClipboardText(HWND owner, std::wstring_view text);

}  // namespace vardune::os
