// The modal text-input dialog that ui::InputRequester shows when no test answers instead:
// a prompt, a one-line field pre-filled with the default text, and "OK".
#pragma once
#include <string>
#include <string_view>

namespace vardune::ui {

// Shows the dialog owned by the active window of the program (else the main window), which
// is disabled while it is open. "OK" or Enter give the field's text; Escape or closing the
// dialog give an empty text.
std::wstring InputDialog(std::wstring_view title, std::wstring_view prompt,
                         std::wstring_view initial);
// Makes InputDialog the dialog behind InputRequester (GInputDialog).
void InstallInputDialog();

// Control ids inside the dialog (for the program's tests).
inline constexpr int kInputPromptId = 100;
inline constexpr int kInputEditId = 101;

}  // namespace vardune::ui
