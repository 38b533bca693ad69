// The blocking standard dialogs and their seam (see dialogs.h).
#include "ui/platform/dialogs.h"

#include <windows.h>
#include <shlobj.h>

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

}  // namespace vardune::ui
