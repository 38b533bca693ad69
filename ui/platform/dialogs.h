// The standard dialogs that block (message box, text input, folder picker) behind one seam:
// the program calls these; a test replaces the answers through GDialogSeam.
#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace vardune::ui {

struct DialogSeam {
  // Message box: returns 1 for Yes, 0 for No or OK.
  std::function<int(std::wstring_view title, std::wstring_view text, bool yesNo)> message;
  // Text input: the entered text, or empty when cancelled.
  std::function<std::wstring(std::wstring_view title, std::wstring_view prompt,
                             std::wstring_view initial)>
      input;
  // Folder picker: the chosen folder with a trailing backslash, or empty when cancelled.
  std::function<std::wstring(std::wstring_view title, std::wstring_view initial)> folder;
};

// When a member is set, it answers instead of the real dialog.
extern DialogSeam GDialogSeam;

int MessageRequester(std::wstring_view title, std::wstring_view text, bool yesNo);
std::wstring InputRequester(std::wstring_view title, std::wstring_view prompt,
                            std::wstring_view initial);
std::wstring PathRequester(std::wstring_view title, std::wstring_view initial);

// The program's message box, titled "Vardune Meldung": OK (returns 0) or Yes/No (1 for Yes).
int _Msg(std::wstring_view text, bool yesNo = false);

// The real text-input dialog (a small modal window owned by the active window); set by the
// component that builds it.
extern std::function<std::wstring(std::wstring_view, std::wstring_view, std::wstring_view)>
    GInputDialog;

}  // namespace vardune::ui
