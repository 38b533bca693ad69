// The window of the file types after a real scan: one row per type of the files below the
// shown directory, letter case ignored, with bytes, shares that add up to the whole and counts;
// the colour squares against the palette; sorting by a click on a title; following the list;
// and the types chosen in it shown alone in colour in the treemap.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/views_fixture.h"
#include "view/filerows.h"
#include "view/treemap_layout.h"

namespace vardune {
namespace {

using test::ViewsTest;

using TypesWindowTest = ViewsTest;

// The colour of the square of a row, as the list shows it: the middle of its icon.
uint32_t SquareColour(HWND list, int row) {
  RECT r{};
  r.left = LVIR_ICON;
  SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  return test::PixelAt(list, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

double Share(const std::wstring& cell) {
  std::wstring s = cell;
  std::replace(s.begin(), s.end(), L',', L'.');
  return std::stod(s);
}

TEST_F(TypesWindowTest, OneRowPerTypeWithItsShareAndTheColourOfTheTreemap) {
  StartScanned();
  MainKey(VK_F7);
  ASSERT_TRUE(ui::IsWindowShown(kTypesWindow));
  EXPECT_EQ(ui::GetWindowTitle(kTypesWindow), L"Vardune Dateitypen");
  EXPECT_EQ(GetWindow(ui::WindowID(kTypesWindow), GW_OWNER), ui::WindowID(kMainWindow));
  const wchar_t* titles[] = {L"Typ", L"KBytes", L"Anteil", L"Dateien"};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(ui::GetGadgetColumnTitle(kTypesList, c), titles[c]);

  // mkv of two files in two letter cases, jpg likewise, the files without a type, a name that
  // is all type (.profile), and txt with an empty file: most bytes first.
  const int64_t total = (9 << 20) + (662 << 10) + 1124;
  const struct {
    const wchar_t* type;
    int64_t bytes;
    int files;
  } want[] = {{L".mkv", 6 << 20, 2}, {L".avi", 3 << 20, 1},     {L".jpg", 500 << 10, 2},
              {L".png", 100 << 10, 1}, {L".pdf", 50 << 10, 1},  {L"(ohne)", 10 << 10, 1},
              {L".profile", 2 << 10, 1}, {L".txt", 1124, 2}};
  const auto rows = test::ListCells(Types());
  ASSERT_EQ(rows.size(), std::size(want));
  double shares = 0;
  for (size_t k = 0; k < rows.size(); ++k) {
    SCOPED_TRACE(test::Narrow(want[k].type));
    EXPECT_EQ(rows[k][0], want[k].type);
    EXPECT_EQ(rows[k][1], KBytesText(want[k].bytes));
    EXPECT_EQ(rows[k][2], ShareText(want[k].bytes, total));
    EXPECT_EQ(rows[k][3], std::to_wstring(want[k].files));
    shares += Share(rows[k][2]);
    // The squares: the palette's colours in order of the bytes, the eighth type grey.
    EXPECT_EQ(SquareColour(Types(), static_cast<int>(k)), k < 7 ? kTreemapPalette[k] : kTreemapGrey);
  }
  EXPECT_NEAR(shares, 100.0, 0.05 * rows.size());
  EXPECT_EQ(rows[0][2], L"62,2 %");

  // A click on "Typ" sorts by it (the direction kept: descending); again: ascending.
  test::ClickHeader(Types(), 0);
  RunPending();
  EXPECT_EQ(test::ListColumn(Types(), 0).front(), L".txt");
  test::ClickHeader(Types(), 0);
  RunPending();
  EXPECT_EQ(test::ListColumn(Types(), 0),
            (std::vector<std::wstring>{L"(ohne)", L".avi", L".jpg", L".mkv", L".pdf", L".png",
                                       L".profile", L".txt"}));
  // The square stays with its type.
  EXPECT_EQ(SquareColour(Types(), 3), kTreemapPalette[0]);

  // It follows the list: down into Bilder, its types only and their shares of it.
  DoubleClickRow(MainRow(L"Bilder"));
  const auto below = test::ListCells(Types());
  ASSERT_EQ(below.size(), 2u);
  EXPECT_EQ(below[0][0], L".jpg");
  EXPECT_EQ(below[0][2], L"83,3 %");
  EXPECT_EQ(below[1][2], L"16,7 %");
  // The colour of a type is that of the whole results, wherever the list is.
  EXPECT_EQ(SquareColour(Types(), 0), kTreemapPalette[2]);
  Click(kGadErrs);
  EXPECT_EQ(ui::CountGadgetItems(kTypesList), 0);
  Click(kGadErrs);
  EXPECT_EQ(ui::CountGadgetItems(kTypesList), 2);
}

TEST_F(TypesWindowTest, ChosenTypesAloneInColourInTheTreemap) {
  StartScanned();
  Menu(kItemTreemap);
  Menu(kItemTypes);
  // Every file's tile in the colour of its type as the types window shows it.
  std::map<std::wstring, uint32_t> colourOf;
  const auto rows = test::ListCells(Types());
  for (size_t k = 0; k < rows.size(); ++k) colourOf[rows[k][0]] = SquareColour(Types(), static_cast<int>(k));
  const auto typeOf = [](const std::wstring& path) {
    const std::wstring name = path.substr(path.rfind(L'\\') + 1);
    return TypeText(FileTypeOf(name));
  };
  int files = 0;
  for (const TreemapTileInfo& t : TreemapTiles()) {
    if (!t.file) continue;
    ++files;
    EXPECT_EQ(t.colour, colourOf.at(typeOf(t.path))) << test::Narrow(t.path);
  }
  EXPECT_GE(files, 8);  // all but the empty file and those too small for a tile

  // .jpg and .pdf chosen: their files keep their colours, the others are grey.
  const auto types = test::ListColumn(Types(), 0);
  const int jpg = static_cast<int>(std::find(types.begin(), types.end(), L".jpg") - types.begin());
  const int pdf = static_cast<int>(std::find(types.begin(), types.end(), L".pdf") - types.begin());
  test::ClickListRow(Types(), jpg);
  test::ClickListRow(Types(), pdf, MK_CONTROL);
  RunPending();
  const auto grey = [](uint32_t c) {
    return ((c >> 16) & 0xFF) == ((c >> 8) & 0xFF) && ((c >> 8) & 0xFF) == (c & 0xFF);
  };
  for (const TreemapTileInfo& t : TreemapTiles()) {
    if (!t.file) continue;
    const std::wstring type = typeOf(t.path);
    if (type == L".jpg" || type == L".pdf") {
      EXPECT_EQ(t.colour, colourOf.at(type)) << test::Narrow(t.path);
    } else {
      EXPECT_TRUE(grey(t.colour)) << test::Narrow(t.path);
      EXPECT_NE(t.colour, kTreemapGrey) << "the grey of the other types, lighter";
    }
    // What the screen shows at the tile's middle is that colour, shaded.
    RedrawWindow(Canvas(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(test::ShadeOf(test::PixelAt(Canvas(), Centre(t.rect)), t.colour)) << test::Narrow(t.path);
  }
  // The choice stays while the list moves (in Bilder only .jpg is there to select) and comes
  // back; cleared, every type has its colour.
  DoubleClickRow(MainRow(L"Bilder"));
  EXPECT_EQ(test::SelectedRows(Types()), std::vector<int>{0});
  Click(kGadUp);
  EXPECT_EQ(test::SelectedRows(Types()).size(), 2u);
  test::ClickListRow(Types(), -1);
  RunPending();
  for (const TreemapTileInfo& t : TreemapTiles()) {
    if (t.file) {
      EXPECT_EQ(t.colour, colourOf.at(typeOf(t.path))) << test::Narrow(t.path);
    }
  }
}

}  // namespace
}  // namespace vardune
