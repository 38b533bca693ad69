// The fixture of the tests of the windows beside the result list: the program started on a
// tree of files of known sizes, types and times and scanned, the keys and clicks that open and
// drive the windows, and the rows read back.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/driver.h"
#include "tests/app/app_fixture.h"
#include "tests/support/support.h"
#include "tests/support/views.h"
#include "ui/mainwindow.h"
#include "ui/menus.h"
#include "view/datetext.h"
#include "view/fileswindow.h"
#include "view/resultlist.h"
#include "view/treemap.h"
#include "view/typeswindow.h"

namespace vardune::test {

struct TreeFile {
  const wchar_t* rel;
  int64_t size;
};
// Sizes all different, so that the order of the largest is known.
inline const TreeFile kTreeFiles[] = {
    {L"Filme\\Urlaub.mkv", 5 << 20},      {L"Filme\\alt\\Alt.avi", 3 << 20},
    {L"Filme\\Trailer.MKV", 1 << 20},      {L"Bilder\\a.jpg", 300 << 10},
    {L"Bilder\\b.JPG", 200 << 10},         {L"Bilder\\c.png", 100 << 10},
    {L"Dokumente\\Brief.pdf", 50 << 10},   {L"Dokumente\\README", 10 << 10},
    {L"Dokumente\\.profile", 2 << 10},     {L"liesmich.txt", 1124},
    {L"leer.txt", 0},
};
// Each file's time: days and hours apart.
inline int64_t TreeTime(size_t k) { return 1600000000 + static_cast<int64_t>(k) * (37 * 86400 + 5 * 3600 + 17 * 60); }

class ViewsTest : public AppTest {
 protected:
  void MakeTree() {
    for (size_t k = 0; k < std::size(kTreeFiles); ++k) {
      tree_.Sparse(kTreeFiles[k].rel, kTreeFiles[k].size);
      SetFileTime(tree_, kTreeFiles[k].rel, TreeTime(k));
    }
  }
  // A click on the scan button.
  static void Scan() { Click(kGadScan); }
  void StartScanned() {
    MakeTree();
    Start({tree_.Root()});
    Scan();
    ASSERT_EQ(GStartPath, tree_.Root());
  }
  // A key as the keyboard gives it to the result list, which has the focus.
  static void MainKey(WPARAM key) {
    PressKey(ui::GadgetID(kGadResults), key);
    RunPending();
  }
  static HWND Files() { return ui::GadgetID(kFilesList); }
  static HWND Types() { return ui::GadgetID(kTypesList); }
  static HWND Canvas() { return ui::GadgetID(kTreemapCanvas); }
  // The file names of the rows of the largest files, top first.
  static std::vector<std::wstring> FileNames() { return ListColumn(Files(), 0); }
  // The row of the result list with that name, -1 for none.
  static int MainRow(const std::wstring& name) {
    const auto names = Column(2);
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
  }
  // What a user sees as the date of a file: the short date and the time of the user's
  // settings for its local time.
  static std::wstring DateOf(int64_t seconds) {
    const uint64_t t = 116444736000000000ull + static_cast<uint64_t>(seconds) * 10000000ull;
    FILETIME ft{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
    SYSTEMTIME utc{}, local{};
    FileTimeToSystemTime(&ft, &utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    wchar_t d[80], h[80];
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, d, 80, nullptr);
    GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, h, 80);
    return std::wstring(d) + L" " + h;
  }
  // Clicks on the drawing area of the treemap as the mouse gives them.
  static LPARAM At(POINT p) { return MAKELPARAM(p.x, p.y); }
  static void MapClick(POINT p) {
    SendMessageW(Canvas(), WM_LBUTTONDOWN, MK_LBUTTON, At(p));
    SendMessageW(Canvas(), WM_LBUTTONUP, 0, At(p));
    RunPending();
  }
  static void MapDoubleClick(POINT p) {
    SendMessageW(Canvas(), WM_LBUTTONDOWN, MK_LBUTTON, At(p));
    SendMessageW(Canvas(), WM_LBUTTONUP, 0, At(p));
    SendMessageW(Canvas(), WM_LBUTTONDBLCLK, MK_LBUTTON, At(p));
    SendMessageW(Canvas(), WM_LBUTTONUP, 0, At(p));
    RunPending();
  }
  static void MapRightClick(POINT p) {
    SendMessageW(Canvas(), WM_RBUTTONDOWN, MK_RBUTTON, At(p));
    SendMessageW(Canvas(), WM_RBUTTONUP, 0, At(p));
    RunPending();
  }
  static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  TempTree tree_;
};

}  // namespace vardune::test
