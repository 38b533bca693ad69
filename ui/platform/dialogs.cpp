// The blocking standard dialogs and their seam (see dialogs.h).
#include "ui/platform/dialogs.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "ui/platform/platform.h"

namespace vardune::ui {

DialogSeam GDialogSeam;
std::function<std::wstring(std::wstring_view, std::wstring_view, std::wstring_view)> GInputDialog;

namespace {

HWND ActiveOwner() {
  HWND a = GetActiveWindow();
  if (WindowNumber(a) != 0) return a;
  return WindowID(1);
}

int CALLBACK BrowseProc(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) {
    SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
  }
  return 0;
}

}  // namespace

int MessageRequester(std::wstring_view title, std::wstring_view text, bool yesNo) {
  if (GDialogSeam.message) return GDialogSeam.message(title, text, yesNo);
  const std::wstring t(title);
  const std::wstring m(text);
  const int r = MessageBoxW(ActiveOwner(), m.c_str(), t.c_str(),
                            (yesNo ? MB_YESNO | MB_ICONQUESTION : MB_OK) | MB_TASKMODAL);
  return yesNo && r == IDYES ? 1 : 0;
}

int _Msg(std::wstring_view text, bool yesNo) {
  return MessageRequester(L"Vardune Meldung", text, yesNo);
}

std::wstring InputRequester(std::wstring_view title, std::wstring_view prompt,
                            std::wstring_view initial) {
  if (GDialogSeam.input) return GDialogSeam.input(title, prompt, initial);
  if (GInputDialog) return GInputDialog(title, prompt, initial);
  return {};
}

std::wstring PathRequester(std::wstring_view title, std::wstring_view initial) {
  if (GDialogSeam.folder) return GDialogSeam.folder(title, initial);
  const std::wstring t(title);
  const std::wstring start(initial);
  BROWSEINFOW bi{};
  bi.hwndOwner = ActiveOwner();
  bi.lpszTitle = t.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bi.lpfn = BrowseProc;
  bi.lParam = reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
  if (!pidl) return {};
  wchar_t buf[MAX_PATH] = {0};
  const BOOL ok = SHGetPathFromIDListW(pidl, buf);
  CoTaskMemFree(pidl);
  if (!ok || !buf[0]) return {};
  std::wstring r(buf);
  if (r.back() != L'\\') r += L'\\';
  return r;
}

FileChoice FileRequester(std::wstring_view title, const std::vector<FileType>& types,
                         std::wstring_view initial, bool save) {
  if (GDialogSeam.file) return GDialogSeam.file(title, types, initial, save);
  // "Description\0Pattern\0" for each type, and one more "\0" at the end.
  std::wstring filter;
  for (const FileType& t : types) {
    filter += t.Description;
    filter += L'\0';
    filter += t.Pattern;
    filter += L'\0';
  }
  filter += L'\0';
  // Saving: the first type's extension, added to a name typed without one (the dialog takes
  // that of the type chosen where it can). Opening takes the file as it is named.
  std::wstring defExt;
  if (save && !types.empty() && types[0].Pattern.starts_with(L"*.") &&
      types[0].Pattern.find_first_of(L"*?;", 2) == std::wstring::npos) {
    defExt = types[0].Pattern.substr(2);
  }
  // Room for a long path: the dialog fails rather than cut a name that does not fit.
  std::vector<wchar_t> file(32768, L'\0');
  std::copy_n(initial.data(), std::min(initial.size(), file.size() - 1), file.data());
  const std::wstring t(title);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = ActiveOwner();
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrTitle = t.c_str();
  ofn.lpstrDefExt = defExt.empty() ? nullptr : defExt.c_str();
  // The program's current directory stays where it is.
  ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
              OFN_ENABLESIZING |
              (save ? OFN_OVERWRITEPROMPT | OFN_NOREADONLYRETURN : OFN_FILEMUSTEXIST);
  const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!ok) return {};
  return FileChoice{std::wstring(file.data()), static_cast<int>(ofn.nFilterIndex)};
}

}  // namespace vardune::ui
