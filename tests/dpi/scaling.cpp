// What the display-scaling tests share (see scaling.h).
#include "tests/dpi/scaling.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "ui/platform/platform.h"

namespace vardune::test {

namespace {

std::wstring TextOf(HWND h) {
  const int len = GetWindowTextLengthW(h);
  std::wstring s(static_cast<size_t>(len) + 1, L'\0');
  s.resize(static_cast<size_t>(GetWindowTextW(h, s.data(), len + 1)));
  return s;
}

std::wstring ClassOf(HWND h) {
  wchar_t buf[64] = {0};
  GetClassNameW(h, buf, 64);
  return buf;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (;;) {
    const size_t k = text.find(L"\r\n", start);
    lines.push_back(text.substr(start, k == std::wstring::npos ? std::wstring::npos : k - start));
    if (k == std::wstring::npos) return lines;
    start = k + 2;
  }
}

std::string Describe(HWND h, const std::wstring& text) {
  return "control " + std::to_string(GetDlgCtrlID(h)) + " \"" + Narrow(text) + "\"";
}

}  // namespace

int RunDpi() { return ui::SystemDpi(); }

int S(int v) { return ui::ScaleToDpi(v, RunDpi()); }

int OtherDpi() {
  switch (RunDpi()) {
    case 96: return 144;
    case 120: return 192;
    case 144: return 96;
    default: return 120;
  }
}

Box ScaledBox(const Design& d, int dpi) {
  return Box{ui::ScaleToDpi(d.x, dpi), ui::ScaleToDpi(d.y, dpi), ui::ScaleToDpi(d.w, dpi),
             ui::ScaleToDpi(d.h, dpi)};
}

Design DesignOf(const std::vector<Design>& controls, int n) {
  for (const Design& d : controls) {
    if (d.n == n) return d;
  }
  ADD_FAILURE() << "no design rectangle for control " << n;
  return Design{n, 0, 0, 0, 0};
}

::testing::AssertionResult ControlsAt(const std::vector<Design>& controls, int dpi) {
  std::ostringstream wrong;
  for (const Design& d : controls) {
    const Box want = ScaledBox(d, dpi);
    const Box got = BoxOf(d.n);
    const bool combo = ClassOf(ui::GadgetID(d.n)) == L"ComboBox";
    if (std::abs(got.x - want.x) > 1 || std::abs(got.y - want.y) > 1 ||
        std::abs(got.w - want.w) > 1 || (!combo && std::abs(got.h - want.h) > 1)) {
      wrong << " control " << d.n << " at " << got.x << "," << got.y << " " << got.w << "x"
            << got.h << " instead of " << want.x << "," << want.y << " " << want.w << "x"
            << want.h << ";";
    }
  }
  if (wrong.str().empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at " << dpi << " dpi:" << wrong.str();
}

::testing::AssertionResult InnerSizeAt(int win, int w, int h, int dpi) {
  const int gotW = ui::WindowInnerWidth(win), gotH = ui::WindowInnerHeight(win);
  const int wantW = ui::ScaleToDpi(w, dpi), wantH = ui::ScaleToDpi(h, dpi);
  if (std::abs(gotW - wantW) <= 1 && std::abs(gotH - wantH) <= 1) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "window " << win << " is " << gotW << "x" << gotH
                                       << " inside, not " << wantW << "x" << wantH << " at "
                                       << dpi << " dpi";
}

int DpiOf(HWND h) {
  const int n = ui::WindowNumber(GetAncestor(h, GA_ROOT));
  return n ? ui::WindowDpi(n) : ui::DpiOfHandle(h);
}

HFONT FontOf(HWND control) {
  return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
}

SIZE Ink(HFONT font, std::wstring_view text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{0, 0};
  GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return SIZE{size.cx, tm.tmHeight};
}

namespace {

// The room the caption of `control` needs in `font` at `dpi`, its lines broken at `width`
// where the control breaks them.
SIZE CaptionNeeds(HWND control, HFONT font, const std::wstring& text, int width, int dpi) {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
  if (ClassOf(control) == L"Static") {
    // A static text breaks its lines at blanks; one that is too narrow grows downwards.
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX |
                  ((style & SS_EDITCONTROL) ? DT_EDITCONTROL : 0));
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return SIZE{r.right, r.bottom};
  }
  const SIZE ink = Ink(font, text);
  // A group box's caption sits in the top edge of its frame, a little in from the corners; a
  // push button centres its text and cuts it at its edges.
  if ((style & BS_TYPEMASK) == BS_GROUPBOX) return SIZE{ink.cx + ui::ScaleToDpi(16, dpi), ink.cy};
  return ink;
}

// Header and list keep this much room on both sides of a text together before they cut it.
int ListPadding(int dpi) { return 2 * ui::ScaleToDpi(6, dpi); }

}  // namespace

::testing::AssertionResult CaptionFits(HWND control, const Design& design, bool tightAt96) {
  const std::wstring text = TextOf(control);
  const SIZE need96 = CaptionNeeds(control, ui::GuiFont(96), text, design.w, 96);
  if (need96.cx > design.w || need96.cy > design.h) {
    if (tightAt96) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Describe(control, text) << " needs " << need96.cx
                                         << "x" << need96.cy << " already at 96 dpi, has "
                                         << design.w << "x" << design.h;
  }
  RECT c;
  GetClientRect(control, &c);
  const int dpi = DpiOf(control);
  const SIZE need = CaptionNeeds(control, FontOf(control), text, c.right, dpi);
  if (need.cx <= c.right && need.cy <= c.bottom) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << Describe(control, text) << " needs " << need.cx << "x"
                                       << need.cy << ", has " << c.right << "x" << c.bottom
                                       << " at " << dpi << " dpi";
}

::testing::AssertionResult EditLinesFit(HWND edit) {
  const std::wstring text = TextOf(edit);
  RECT f{};
  SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&f));
  RECT c;
  GetClientRect(edit, &c);
  const bool multi = GetWindowLongPtrW(edit, GWL_STYLE) & ES_MULTILINE;
  const size_t lines = multi ? Lines(text).size() : 1;
  // The text starts at the top of the formatting rectangle and shows as far down as the
  // client area goes.
  const int needH = f.top + static_cast<int>(lines) * Ink(FontOf(edit), L"Ag").cy;
  if (needH <= c.bottom) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << Describe(edit, text) << ": " << lines
                                       << " lines need " << needH << " pixels down, the field has "
                                       << c.bottom << " at " << DpiOf(edit) << " dpi";
}

::testing::AssertionResult ListTextFits(HWND list, const std::vector<int>& designWidths,
                                        bool cells, const std::vector<int>& tightTitlesAt96) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  const int dpi = DpiOf(list);
  std::ostringstream wrong;
  // One text of column c, drawn by `control` in a place `width` x `height` now.
  auto check = [&](const char* what, HWND control, const std::wstring& text, int c, int width,
                   int height, bool tight) {
    const int need96 = Ink(ui::GuiFont(96), text).cx + ListPadding(96);
    const SIZE ink = Ink(FontOf(control), text);
    if (need96 > designWidths[static_cast<size_t>(c)]) {
      if (!tight) wrong << " " << what << " \"" << Narrow(text) << "\" needs " << need96 << " at 96 dpi;";
    } else if (ink.cx + ListPadding(dpi) > width || ink.cy > height) {
      wrong << " " << what << " \"" << Narrow(text) << "\" needs " << ink.cx + ListPadding(dpi)
            << "x" << ink.cy << ", has " << width << "x" << height << ";";
    }
  };
  const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  if (columns != static_cast<int>(designWidths.size())) {
    return ::testing::AssertionFailure() << "list " << GetDlgCtrlID(list) << " has " << columns
                                         << " columns";
  }
  const int rows = cells ? static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
  for (int c = 0; c < columns; ++c) {
    wchar_t title[128] = {0};
    HDITEMW hi{};
    hi.mask = HDI_TEXT;
    hi.pszText = title;
    hi.cchTextMax = 128;
    SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&hi));
    RECT r{};
    SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&r));
    const bool tight = std::find(tightTitlesAt96.begin(), tightTitlesAt96.end(), c) !=
                       tightTitlesAt96.end();
    check("title", header, title, c, r.right - r.left, r.bottom - r.top, tight);
    const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0));
    for (int row = 0; row < rows; ++row) {
      wchar_t cell[512] = {0};
      LVITEMW it{};
      it.iSubItem = c;
      it.pszText = cell;
      it.cchTextMax = 512;
      SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&it));
      RECT bounds{LVIR_BOUNDS, 0, 0, 0};
      SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
      check("cell", list, cell, c, width, bounds.bottom - bounds.top, false);
    }
  }
  if (wrong.str().empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "list " << GetDlgCtrlID(list) << " at " << dpi
                                       << " dpi:" << wrong.str();
}

RECT ChangeDpi(int n, int dpi) {
  HWND h = ui::WindowID(n);
  RECT wr;
  GetWindowRect(h, &wr);
  const int old = ui::WindowDpi(n);
  const int iw = ui::WindowInnerWidth(n), ih = ui::WindowInnerHeight(n);
  const int fw = (wr.right - wr.left) - iw, fh = (wr.bottom - wr.top) - ih;
  RECT r{wr.left, wr.top, wr.left + MulDiv(iw, dpi, old) + fw, wr.top + MulDiv(ih, dpi, old) + fh};
  SendMessageW(h, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
  return r;
}

::testing::AssertionResult FontsAt(int win, int dpi) {
  struct Walk {
    HWND window;
    HFONT font;
    std::ostringstream wrong;
  } walk{ui::WindowID(win), ui::GuiFont(dpi), {}};
  EnumChildWindows(
      walk.window,
      [](HWND child, LPARAM p) -> BOOL {
        auto* w = reinterpret_cast<Walk*>(p);
        // The program's own controls; the parts of a list or a combo box follow their owner.
        if (GetParent(child) != w->window) return TRUE;
        if (_wcsnicmp(ClassOf(child).c_str(), L"RichEdit", 8) == 0) {
          // A rich-edit control keeps the font it is given in points, counted at the system
          // DPI: twips = pixels * 1440 / system DPI.
          CHARFORMAT2W cf{};
          cf.cbSize = sizeof cf;
          SendMessageW(child, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
          LOGFONTW lf{};
          GetObjectW(w->font, sizeof lf, &lf);
          const int twips = MulDiv(std::abs(lf.lfHeight), 1440, ui::SystemDpi());
          if (std::abs(cf.yHeight - twips) > 1) {
            w->wrong << " control " << GetDlgCtrlID(child) << " at " << cf.yHeight
                     << " twips, not " << twips << ";";
          }
        } else if (FontOf(child) != w->font) {
          w->wrong << " control " << GetDlgCtrlID(child) << ";";
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&walk));
  if (walk.wrong.str().empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "not in the message font for " << dpi
                                       << " dpi:" << walk.wrong.str();
}

::testing::AssertionResult MovesAndRelaysOut(int win, const std::vector<Design>& controls) {
  const int from = ui::WindowDpi(win);
  const int to = OtherDpi();
  const RECT suggested = ChangeDpi(win, to);
  RECT now;
  GetWindowRect(ui::WindowID(win), &now);
  if (!EqualRect(&now, &suggested)) {
    return ::testing::AssertionFailure()
           << "window " << win << " at " << now.left << "," << now.top << "-" << now.right << ","
           << now.bottom << " instead of the suggested " << suggested.left << ","
           << suggested.top << "-" << suggested.right << "," << suggested.bottom;
  }
  if (ui::WindowDpi(win) != to) {
    return ::testing::AssertionFailure() << "window " << win << " still at " << ui::WindowDpi(win);
  }
  if (auto r = ControlsAt(controls, to); !r) return r;
  if (auto r = FontsAt(win, to); !r) return r;
  ChangeDpi(win, from);
  if (auto r = ControlsAt(controls, from); !r) return r << " (back)";
  return FontsAt(win, from);
}

SIZE BitmapSize(HBITMAP b) {
  BITMAP info{};
  if (!b || !GetObjectW(b, sizeof info, &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

}  // namespace vardune::test
