// What the display-scaling tests share: the DPI of the run, design rectangles scaled and
// compared within a pixel, the texts of controls measured with the controls' own fonts, and a
// WM_DPICHANGED as Windows sends it when a window moves to a monitor of another scaling.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tests/support/support.h"

namespace vardune::test {

// The DPI this run was started at (the system's).
int RunDpi();
// A design length at the run's DPI.
int S(int v);

struct Design {
  int n;  // control number
  int x, y, w, h;
};
Box ScaledBox(const Design& d, int dpi);
// The entry of control n.
Design DesignOf(const std::vector<Design>& controls, int n);
// Every control of the list at its design rectangle times dpi / 96, within a pixel (a combo
// box only in x, y and width: its height is its font's).
::testing::AssertionResult ControlsAt(const std::vector<Design>& controls, int dpi);
// The window's inner size is the design size times dpi / 96, within a pixel.
::testing::AssertionResult InnerSizeAt(int win, int w, int h, int dpi);

// The DPI a control is shown at: its window's.
int DpiOf(HWND control);
// A text's width and the height of a line in `font`.
SIZE Ink(HFONT font, std::wstring_view text);

// The texts of controls are whole: a caption that the control's design size holds in the
// message font at 96 dpi must be held by the control at its DPI too. A few captions are too
// long for their design size already at 96 dpi (the sizes of the program's layout are fixed
// there); a test names them with `tightAt96`, and a caption that does not fit at 96 dpi
// without being named fails.
//
// A push button's or group box's caption on one line, a static text broken into lines at
// blanks as the control breaks it.
::testing::AssertionResult CaptionFits(HWND control, const Design& design,
                                       bool tightAt96 = false);
// The lines of an edit field's text are not cut at the bottom.
::testing::AssertionResult EditLinesFit(HWND edit);
// Every column title of a report list (design widths given), and every cell when `cells` is
// set, fits its column with the padding the header and the list keep on both sides; the
// header and the rows are as high as a line. Titles that are too wide for their design
// column already at 96 dpi are named in `tightTitlesAt96`.
::testing::AssertionResult ListTextFits(HWND list, const std::vector<int>& designWidths,
                                        bool cells, const std::vector<int>& tightTitlesAt96 = {});

// Sends window n the WM_DPICHANGED that Windows sends when it moves to a monitor of `dpi`:
// the suggested rectangle keeps the window's place and scales its inner size. Returns it.
RECT ChangeDpi(int n, int dpi);
// A DPI that the run is not at, to move windows to.
int OtherDpi();
// Every control of window n is in the system's message font for `dpi`.
::testing::AssertionResult FontsAt(int win, int dpi);
// Moves window n to OtherDpi() and back: each time the window takes the suggested rectangle
// and has its DPI, its controls are where the list says at that DPI and in its font.
::testing::AssertionResult MovesAndRelaysOut(int win, const std::vector<Design>& controls);

// The size of a bitmap.
SIZE BitmapSize(HBITMAP b);

}  // namespace vardune::test
