// Helpers of the tests of the views beside the result list: files with given times, the
// cells of a report list as the control gives them, a popup menu answered with the keyboard,
// keys and double clicks on a list, and a tree of a few thousand files of mixed types.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/keys.h"
#include "tests/support/support.h"
#include "tests/support/trash.h"

namespace vardune::test {

// Sets a file's last-write time (seconds since 1970) through Linux.
void SetFileTime(const TempTree& t, std::wstring_view rel, int64_t seconds);

// Every cell of a report list, row by row, in the order of the columns (not of the titles
// on the screen).
std::vector<std::vector<std::wstring>> ListCells(HWND list);
// One column of it.
std::vector<std::wstring> ListColumn(HWND list, int column);

// A real double click on a row; a key pressed while the control has the focus, left in the
// queue for the program's loop to take (which turns the keys of shortcuts into menu items).
void DoubleClickListRow(HWND list, int row);
void PressKey(HWND control, WPARAM key);

// Arms a timer that answers the next popup menu the program opens by choosing its item number
// `index` (from 0) with the keyboard. Menus() tells how many were answered since.
void AnswerNextMenu(int index);
int MenusAnswered();
// The texts of the items of the popup menu that was last answered, and which was checked.
std::vector<std::wstring> LastMenuItems();
int LastMenuChecked();
// The items of it that were greyed (not to be chosen), by number.
std::vector<int> LastMenuGreyed();

// A timer procedure that answers the shell's own question before it destroys what the bin
// could not take (Wine asks it for a file held open) with No, as a careful user does.
void CALLBACK AnswerShellQuestionNo(HWND, UINT, UINT_PTR id, DWORD);

// A tree of about `files` files in a few hundred directories of mixed types (pictures,
// videos, music, documents, program files, archives), sizes spread from bytes to megabytes,
// made as sparse files by one shell command.
void MixedTree(const TempTree& t, int files, uint32_t seed);

// The pixel of a window's device context at a point of its client area (0x00RRGGBB), as the
// screen shows it now.
uint32_t PixelAt(HWND window, POINT p);
// Whether `shaded` is colour `base` lit or shaded by one factor (the cushions): every channel
// of it the base channel times one number, within rounding.
bool ShadeOf(uint32_t shaded, uint32_t base);

}  // namespace vardune::test
