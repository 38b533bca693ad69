// The standard dialogs that block (message box, text input, folder picker, file dialogs)
// behind one seam: the program calls these; a test replaces the answers through GDialogSeam.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vardune::ui {

// A file type of the file dialogs: its description and its pattern ("*.csv").
struct FileType {
  std::wstring Description;
  std::wstring Pattern;
};
// What a file dialog gives back: the chosen file (empty when cancelled) and the number of the
// file type chosen, counted from 1.
struct FileChoice {
  std::wstring Path;
  int Type = 1;
};

struct DialogSeam {
  // Message box: returns 1 for Yes, 0 for No or OK.
  std::function<int(std::wstring_view title, std::wstring_view text, bool yesNo)> message;
  // Text input: the entered text, or empty when cancelled.
  std::function<std::wstring(std::wstring_view title, std::wstring_view prompt,
                             std::wstring_view initial)>
      input;
  // Folder picker: the chosen folder with a trailing backslash, or empty when cancelled.
  std::function<std::wstring(std::wstring_view title, std::wstring_view initial)> folder;
  // File dialog, to save a file (`save`) or to open one; `initial` is the proposed file name.
  std::function<FileChoice(std::wstring_view title, const std::vector<FileType>& types,
                           std::wstring_view initial, bool save)>
      file;
};

// When a member is set, it answers instead of the real dialog.
extern DialogSeam GDialogSeam;

int MessageRequester(std::wstring_view title, std::wstring_view text, bool yesNo);
std::wstring InputRequester(std::wstring_view title, std::wstring_view prompt,
                            std::wstring_view initial);
std::wstring PathRequester(std::wstring_view title, std::wstring_view initial);
// The system's dialog to save a file (asking before it names an existing one) or to open an
// existing one, with the file types to choose from; the extension of the chosen type is
// added to a name typed without one.
FileChoice FileRequester(std::wstring_view title, const std::vector<FileType>& types,
                         std::wstring_view initial, bool save);

// The program's message box, titled "Vardune Meldung": OK (returns 0) or Yes/No (1 for Yes).
int _Msg(std::wstring_view text, bool yesNo = false);

// The real text-input dialog (a small modal window owned by the active window); set by the
// component that builds it.
extern std::function<std::wstring(std::wstring_view, std::wstring_view, std::wstring_view)>
    GInputDialog;

}  // namespace vardune::ui
