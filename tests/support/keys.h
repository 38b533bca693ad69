// Keys as the keyboard gives them to a control: the key's messages posted to it while the
// thread's key state holds the modifiers, and the clipboard the keys fill.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace vardune::test {

// Modifiers of PressKey (the same bits as ui::KeyModifier).
enum : unsigned { kShift = 1u << 0, kCtrl = 1u << 1, kAlt = 1u << 2 };

// Posts the key's down and up messages to `target` (WM_SYSKEYDOWN with Alt and for F10, as
// the system sends them), holds the modifiers in the thread's key state (SetKeyboardState)
// while `pump` processes them, and lets every key go again afterwards.
void PressKey(HWND target, UINT vk, unsigned modifiers, const std::function<void()>& pump);

// The text on the clipboard ("" when there is none), and setting it.
std::wstring ClipboardText();
void SetClipboard(const std::wstring& text);

}  // namespace vardune::test
