// Helpers of the tests of the views (see views.h).
#include "tests/support/views.h"

#include <commctrl.h>

#include <cmath>
#include <sstream>

#include "os/text.h"
#include "scan/model.h"

namespace vardune::test {

void SetFileTime(const TempTree& t, std::wstring_view rel, int64_t seconds) {
  RunUnix("touch -m -d @" + std::to_string(seconds) + " " + ShellQuote(UnixPath(t.Path(rel))));
}

std::vector<std::vector<std::wstring>> ListCells(HWND list) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  const int columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  std::vector<std::vector<std::wstring>> out;
  for (int r = 0; r < rows; ++r) {
    std::vector<std::wstring> row;
    for (int c = 0; c < columns; ++c) {
      wchar_t buf[1024] = {0};
      LVITEMW it{};
      it.iSubItem = c;
      it.pszText = buf;
      it.cchTextMax = 1024;
      SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&it));
      row.push_back(buf);
    }
    out.push_back(std::move(row));
  }
  return out;
}

std::vector<std::wstring> ListColumn(HWND list, int column) {
  std::vector<std::wstring> out;
  for (const auto& row : ListCells(list)) {
    out.push_back(static_cast<size_t>(column) < row.size() ? row[static_cast<size_t>(column)] : L"");
  }
  return out;
}

void DoubleClickListRow(HWND list, int row) {
  const POINT p = ListRowPoint(list, row);
  const LPARAM at = MAKELPARAM(p.x, p.y);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(list, WM_LBUTTONUP, 0, at);
  SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageW(list, WM_LBUTTONUP, 0, at);
  PumpMessages();
}

void PressKey(HWND control, WPARAM key) {
  SetFocus(control);
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
  PostMessageW(control, WM_KEYDOWN, key, static_cast<LPARAM>(1 | (scan << 16)));
  PostMessageW(control, WM_KEYUP, key, static_cast<LPARAM>(1 | (scan << 16) | 0xC0000000u));
}

namespace {
int gMenuIndex = -1;
int gMenusAnswered = 0;
UINT_PTR gMenuTimer = 0;
std::vector<std::wstring> gLastItems;
int gLastChecked = -1;
std::vector<int> gLastGreyed;

void CALLBACK OnMenuTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND m = FindWindowW(L"#32768", nullptr);
  if (!m || !IsWindowVisible(m)) return;
  KillTimer(nullptr, gMenuTimer);
  gMenuTimer = 0;
  ++gMenusAnswered;
  gLastItems.clear();
  gLastChecked = -1;
  gLastGreyed.clear();
  if (HMENU menu = reinterpret_cast<HMENU>(SendMessageW(m, MN_GETHMENU, 0, 0))) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      wchar_t buf[128] = {0};
      GetMenuStringW(menu, static_cast<UINT>(i), buf, 128, MF_BYPOSITION);
      gLastItems.push_back(buf);
      const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
      if (state & MF_CHECKED) gLastChecked = i;
      if (state & MF_GRAYED) gLastGreyed.push_back(i);
    }
  }
  for (int i = 0; i <= gMenuIndex; ++i) PostMessageW(m, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(m, WM_KEYDOWN, VK_RETURN, 0);
}
}  // namespace

void AnswerNextMenu(int index) {
  gMenuIndex = index;
  if (gMenuTimer) KillTimer(nullptr, gMenuTimer);
  gMenuTimer = SetTimer(nullptr, 0, 30, OnMenuTimer);
}

int MenusAnswered() { return gMenusAnswered; }
std::vector<std::wstring> LastMenuItems() { return gLastItems; }
int LastMenuChecked() { return gLastChecked; }
std::vector<int> LastMenuGreyed() { return gLastGreyed; }

void CALLBACK AnswerShellQuestionNo(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dlg = VisibleDialog();
  if (!dlg) return;
  KillTimer(nullptr, id);
  if (HWND no = GetDlgItem(dlg, IDNO)) {
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), reinterpret_cast<LPARAM>(no));
  } else {
    PostMessageW(dlg, WM_CLOSE, 0, 0);
  }
}

void MixedTree(const TempTree& t, int files, uint32_t seed) {
  const char* kinds[][2] = {{"IMG_", ".jpg"},    {"Urlaub", ".JPG"},  {"Film", ".mkv"},
                            {"clip", ".mp4"},    {"track", ".mp3"},   {"Brief", ".pdf"},
                            {"Notiz", ".txt"},   {"Tabelle", ".xlsx"}, {"lib", ".dll"},
                            {"setup", ".exe"},   {"backup", ".zip"},  {"README", ""},
                            {"daten", ".bin"},   {"Foto", ".png"},    {"Bericht", ".docx"}};
  const char* tops[] = {"Bilder", "Videos", "Musik", "Dokumente", "Programme", "Archiv"};
  // One line per file, "path<TAB>size", made into sparse files by one Python process: a
  // command line would be too long for a few thousand names, and a shell too slow.
  std::string list;
  for (int i = 0; i < files; ++i) {
    seed = seed * 1103515245u + 12345u;
    const uint32_t r = seed >> 8;
    const int top = static_cast<int>(r % 6);
    // Each top-level folder mostly of its own kinds.
    const int kind = (r >> 4) % 4 ? (top * 2 + static_cast<int>((r >> 7) % 3)) % 15
                                  : static_cast<int>((r >> 9) % 15);
    const std::string dir = std::string(tops[top]) + "/Teil" + std::to_string((r >> 12) % 8) +
                            "/Ordner" + std::to_string((r >> 15) % 12);
    const double span = kind == 2 || kind == 3 ? 14.0 : 10.0;
    const double lg = 6.0 + static_cast<double>((r >> 3) % 1000) / 1000.0 * span;
    list += dir + "/" + kinds[kind][0] + std::to_string(i) + kinds[kind][1] + "\t" +
            std::to_string(static_cast<int64_t>(std::exp(lg))) + "\n";
  }
  const std::wstring file = L"Z:\\tmp\\vardune-mixed-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  HANDLE f = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD put = 0;
  WriteFile(f, list.data(), static_cast<DWORD>(list.size()), &put, nullptr);
  CloseHandle(f);
  const std::string py =
      "import os,sys\n"
      "os.chdir(sys.argv[1])\n"
      "for line in open(sys.argv[2]):\n"
      "    p, s = line.rstrip('\\n').split('\\t')\n"
      "    os.makedirs(os.path.dirname(p), exist_ok=True)\n"
      "    with open(p, 'wb') as h: h.truncate(int(s))\n";
  RunUnix("python3 -c " + ShellQuote(py) + " " + ShellQuote(UnixPath(t.Root())) + " " +
          ShellQuote(UnixPath(file)) + "; rm -f " + ShellQuote(UnixPath(file)));
}

uint32_t PixelAt(HWND window, POINT p) {
  HDC dc = GetDC(window);
  const std::vector<uint32_t> px = Pixels(dc, RECT{p.x, p.y, p.x + 1, p.y + 1});
  ReleaseDC(window, dc);
  return px.empty() ? 0 : px[0];
}

bool ShadeOf(uint32_t shaded, uint32_t base) {
  double factor = -1;
  for (int shift : {16, 8, 0}) {
    const double b = (base >> shift) & 0xFF, s = (shaded >> shift) & 0xFF;
    if (b < 48) continue;  // too dark a channel to tell the factor by
    const double f = s / b;
    if (factor < 0) factor = f;
    else if (std::abs(f - factor) > 2.5 / b + 0.02) return false;
  }
  return factor > 0;
}

}  // namespace vardune::test
