// The windows of the largest files and of the file types at the display scaling of the run,
// opened from the menu after a real scan: their size, the list filling them, the columns at
// their widths, every title and cell whole, the font of the DPI; and each moved to a monitor of
// another scaling and back.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/app_fixture.h"
#include "tests/dpi/scaling.h"
#include "tests/support/support.h"
#include "tests/support/views.h"
#include "ui/menus.h"
#include "ui/platform/platform.h"
#include "view/fileswindow.h"
#include "view/resultlist.h"
#include "view/typeswindow.h"

namespace vardune {
namespace {

using test::S;

struct ViewWindow {
  int item, win, list;
  int w, h;                 // design size
  std::vector<int> widths;  // design widths of the columns, by column number
  const wchar_t* title;
  std::vector<std::wstring> titles;  // as they stand on the screen
};
const ViewWindow kViews[] = {
    {kItemFiles, kFilesWindow, kFilesList, 560, 334, {170, 80, 150, 140}, L"Vardune Dateien",
     {L"KBytes", L"Name", L"Verzeichnis", L"Geändert"}},
    {kItemTypes, kTypesWindow, kTypesList, 330, 334, {100, 80, 60, 60}, L"Vardune Dateitypen",
     {L"Typ", L"KBytes", L"Anteil", L"Dateien"}},
};

class ScaledViews : public test::AppTest {
 protected:
  void ScanAndOpen(const ViewWindow& v) {
    tree_.Sparse(L"Filme\\Urlaub am Meer.mkv", 3 * 1024 * 1024);
    tree_.Sparse(L"Bilder\\Sommer\\Strand.jpg", 2 * 1024 * 1024);
    tree_.Sparse(L"Dokumente\\Brief.pdf", 700 * 1024);
    tree_.File(L"liesmich.txt", 100);
    // The widest date and time of the month: two digits everywhere (in the evening, where the
    // clock has AM and PM).
    test::SetFileTime(tree_, L"liesmich.txt", 1798498680);  // 2026-12-28 22:58 UTC
    Start({tree_.Root()});
    Click(kGadScan);
    Menu(v.item);
    ASSERT_TRUE(ui::IsWindowShown(v.win));
    RunPending();
    // At its design size in the top left corner, so that it stays on the display when it grows.
    ui::ResizeWindow(v.win, 0, 0, S(v.w), S(v.h));
    RunPending();
  }
  test::TempTree tree_;
};

::testing::AssertionResult ColumnsAt(const ViewWindow& v, int dpi) {
  for (size_t c = 0; c < v.widths.size(); ++c) {
    const int want = ui::ScaleToDpi(v.widths[c], dpi);
    const int got = ui::GetGadgetColumnWidth(v.list, static_cast<int>(c));
    if (std::abs(got - want) > 1) {
      return ::testing::AssertionFailure() << "column " << c << " " << got << " wide, not " << want
                                           << " at " << dpi << " dpi";
    }
  }
  return ::testing::AssertionSuccess();
}

// The cells of the columns named fit their columns with the list's padding on both sides.
::testing::AssertionResult CellsWhole(const ViewWindow& v, std::initializer_list<int> columns) {
  HWND list = ui::GadgetID(v.list);
  const int pad = ui::ScaleToDpi(12, ui::WindowDpi(v.win));
  for (int row = 0; row < ui::CountGadgetItems(v.list); ++row) {
    for (int c : columns) {
      const std::wstring text = ui::GetGadgetItemText(v.list, row, c);
      const int need = static_cast<int>(
          SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str()))) + pad;
      if (need > ui::GetGadgetColumnWidth(v.list, c)) {
        return ::testing::AssertionFailure() << "\"" << test::Narrow(text) << "\" needs " << need
                                             << " in column " << c;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

void ExpectLaidOutAt(const ViewWindow& v, int dpi) {
  SCOPED_TRACE(std::to_string(dpi) + " dpi");
  EXPECT_EQ(ui::WindowDpi(v.win), dpi);
  EXPECT_TRUE(test::InnerSizeAt(v.win, v.w, v.h, dpi));
  EXPECT_TRUE(test::ControlsAt({{v.list, 0, 0, v.w, v.h}}, dpi));
  EXPECT_TRUE(test::FontsAt(v.win, dpi));
  EXPECT_TRUE(ColumnsAt(v, dpi));
  // A directory's path is as long as it is (the list ends it with "..."); every other cell
  // is whole: the dates of the user's format and the sizes.
  EXPECT_TRUE(test::ListTextFits(ui::GadgetID(v.list), v.widths, v.win == kTypesWindow));
  if (v.win == kFilesWindow) {
    EXPECT_TRUE(CellsWhole(v, {0, 1, 3}));
  }
}

// Both windows, each laid out at the run's scale, then moved to another and back.
void CheckAtTheScale(const ViewWindow& v) {
  const int dpi = test::RunDpi();
  EXPECT_EQ(ui::GetWindowTitle(v.win), v.title);
  HWND list = ui::GadgetID(v.list);
  const int columns = static_cast<int>(v.widths.size());
  std::vector<int> order(v.widths.size());
  SendMessageW(list, LVM_GETCOLUMNORDERARRAY, columns, reinterpret_cast<LPARAM>(order.data()));
  std::vector<std::wstring> titles;
  for (int c : order) titles.push_back(ui::GetGadgetColumnTitle(v.list, c));
  EXPECT_EQ(titles, v.titles);
  EXPECT_EQ(ui::CountGadgetItems(v.list), 4);
  ExpectLaidOutAt(v, dpi);
  test::Screenshot(ui::WindowID(v.win), std::wstring(v.win == kFilesWindow ? L"files" : L"types") +
                                            L"_window_" + std::to_wstring(dpi) + L"dpi");
  test::ChangeDpi(v.win, test::OtherDpi());
  test::PumpMessages();
  ExpectLaidOutAt(v, test::OtherDpi());
  test::ChangeDpi(v.win, dpi);
  test::PumpMessages();
  ExpectLaidOutAt(v, dpi);
}

TEST_F(ScaledViews, TheLargestFilesAtTheScaleAndMovedToAnotherAndBack) {
  ScanAndOpen(kViews[0]);
  CheckAtTheScale(kViews[0]);
}

TEST_F(ScaledViews, TheTypesAtTheScaleAndMovedToAnotherAndBack) {
  ScanAndOpen(kViews[1]);
  CheckAtTheScale(kViews[1]);
}

}  // namespace
}  // namespace vardune
