// The log window (see logwindow.h).
#include "ui/logwindow.h"

#include <richedit.h>

#include "ui/anchor.h"
#include "ui/platform/platform.h"

namespace vardune {

HWND Window_FormLog() {
  const int w = ui::Scale(457), h = ui::Scale(288);
  HWND win = ui::OpenWindow(kLogWindow, 0, 0, w, h, L"Vardune Log",
                            ui::WinSystemMenu | ui::WinSizable | ui::WinInvisible |
                                ui::WinWindowCentered,
                            1);
  if (!win) return nullptr;
  // The design size, as the control's rectangle below: the layout manager scales both.
  _AnchorAdd(kLogWindow, kAnchorKeep, ui::WindowX(kLogWindow), ui::WindowY(kLogWindow), w, h);
  const int x = ui::Scale(5), y = ui::Scale(5), cw = ui::Scale(445), ch = ui::Scale(275);
  if (!ui::EditorGadget(kLogWindow, kLogText, x, y, cw, ch, ui::GadReadOnly)) {
    ui::CloseWindow(kLogWindow);
    return nullptr;
  }
  _Anchor(L"RU", kLogWindow, kLogText, x, y, cw, ch);
  return win;
}

void _Log(std::wstring_view text) {
  HWND edit = ui::GadgetID(kLogText);
  if (!edit) return;
  // The caret to the end, a line break unless the control is empty, then the text.
  const LRESULT len = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
  CHARRANGE end{-1, -1};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
  std::wstring insert;
  if (len > 0) insert = L"\r\n";
  insert.append(text);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(insert.c_str()));
}

void ShowLogWindow() { ui::HideWindow(kLogWindow, false); }

void HideLogWindow() { ui::HideWindow(kLogWindow, true); }

std::wstring LogText() {
  HWND edit = ui::GadgetID(kLogText);
  if (!edit) return {};
  // The length as the text comes out below, with CR LF line ends.
  GETTEXTLENGTHEX gl{GTL_USECRLF | GTL_PRECISE | GTL_NUMCHARS, 1200};
  const auto n = SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gl), 0);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  GETTEXTEX gt{static_cast<DWORD>((n + 1) * sizeof(wchar_t)), GT_USECRLF, 1200, nullptr, nullptr};
  const auto got = SendMessageW(edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&gt),
                                reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(got));
  return s;
}

}  // namespace vardune
