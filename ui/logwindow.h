// The log window (window 59): collects the messages written while the program runs, in
// practice the directories a scan could not read. Created hidden at start-up; closing it only
// hides it, so its text survives until the program ends.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace vardune {

inline constexpr int kLogWindow = 59;
inline constexpr int kLogText = 60;

// Builds window 59 hidden, centred over the main window; 0 when it cannot be opened.
HWND Window_FormLog();
// Appends the text as a new last line (without a line break before the first line).
void _Log(std::wstring_view text);
void ShowLogWindow();
void HideLogWindow();
// The whole log text as the control holds it.
std::wstring LogText();

}  // namespace vardune
