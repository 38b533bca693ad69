// The treemap's files after a real scan: a tile per file inside its directory's tile, in
// proportion to the file sizes, coloured by type; the tooltip of a file; a click on a file
// selecting its row in the result list and in the largest files, a double click opening the
// file manager at it; and the colouring chosen where no tile is, kept for the session.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/views_fixture.h"
#include "view/treemap_layout.h"

namespace vardune {
namespace {

using test::kTreeFiles;
using test::ViewsTest;

using TreemapFilesTest = ViewsTest;

std::map<std::wstring, TreemapTileInfo> ByPath() {
  std::map<std::wstring, TreemapTileInfo> m;
  for (const TreemapTileInfo& t : TreemapTiles()) m.emplace(t.path, t);
  return m;
}

int64_t Area(const RECT& r) { return static_cast<int64_t>(r.right - r.left) * (r.bottom - r.top); }

TEST_F(TreemapFilesTest, FilesAreTilesOfTheirSizesInTheirDirectoriesColouredByType) {
  StartScanned();
  Menu(kItemTreemap);
  ASSERT_TRUE(ui::IsWindowShown(kTreemapWindow));
  const auto tiles = ByPath();

  // Every file with bytes enough for a tile of a few pixels is a leaf tile, inside the tile of
  // its directory's files, which lies in its directory's tile; the areas in proportion to the
  // sizes within a pixel's rounding.
  const RECT area = ui::GadgetRect(kTreemapCanvas);
  int64_t total = 0;
  for (const test::TreeFile& f : kTreeFiles) total += f.size;
  for (const test::TreeFile& f : kTreeFiles) {
    const std::wstring path = tree_.Path(f.rel);
    SCOPED_TRACE(test::Narrow(path));
    if (f.size == 0) {
      EXPECT_FALSE(tiles.count(path));
      continue;
    }
    if (static_cast<double>(Area(area)) * f.size / total < 200) continue;
    ASSERT_TRUE(tiles.count(path));
    const TreemapTileInfo& t = tiles.at(path);
    EXPECT_TRUE(t.file);
    EXPECT_TRUE(t.leaf);
    EXPECT_EQ(t.size, f.size);
    const std::wstring dir = path.substr(0, path.rfind(L'\\') + 1);
    const TreemapTileInfo& own = tiles.at(dir + L"<DATEIEN>");
    RECT in;
    IntersectRect(&in, &t.rect, &own.rect);
    EXPECT_TRUE(EqualRect(&in, &t.rect));
    if (dir != tree_.Root()) {
      IntersectRect(&in, &own.rect, &tiles.at(dir).rect);
      EXPECT_TRUE(EqualRect(&in, &own.rect));
    }
    const double want = static_cast<double>(Area(own.rect)) * f.size / own.size;
    EXPECT_NEAR(static_cast<double>(Area(t.rect)), want,
                (t.rect.right - t.rect.left) + (t.rect.bottom - t.rect.top) + 1);
  }

  // By type: the two .mkv files alike, in the first colour of the palette (the type of the most
  // bytes); .avi the second; the eighth type (.txt) grey.
  const auto colour = [&](const wchar_t* rel) { return tiles.at(tree_.Path(rel)).colour; };
  EXPECT_EQ(colour(L"Filme\\Urlaub.mkv"), kTreemapPalette[0]);
  EXPECT_EQ(colour(L"Filme\\Trailer.MKV"), kTreemapPalette[0]);
  EXPECT_EQ(colour(L"Filme\\alt\\Alt.avi"), kTreemapPalette[1]);
  EXPECT_EQ(colour(L"Bilder\\a.jpg"), colour(L"Bilder\\b.JPG"));
  // What the screen shows in the middle of a file's tile is its colour, shaded.
  RedrawWindow(Canvas(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  for (const wchar_t* rel : {L"Filme\\Urlaub.mkv", L"Filme\\alt\\Alt.avi", L"Bilder\\a.jpg"}) {
    const TreemapTileInfo& t = tiles.at(tree_.Path(rel));
    EXPECT_TRUE(test::ShadeOf(test::PixelAt(Canvas(), Centre(t.rect)), t.colour)) << test::Narrow(rel);
  }

  // Resting the mouse on a file names it, its size and its date.
  const TreemapTileInfo& urlaub = tiles.at(tree_.Path(L"Filme\\Urlaub.mkv"));
  POINT rest = Centre(urlaub.rect);
  ClientToScreen(Canvas(), &rest);
  SetCursorPos(rest.x, rest.y);
  for (int i = 0; i < 40 && !ui::IsGadgetToolTipShown(kTreemapCanvas); ++i) test::PumpMessages(50);
  EXPECT_TRUE(ui::IsGadgetToolTipShown(kTreemapCanvas));
  EXPECT_EQ(ui::GadgetToolTipText(kTreemapCanvas),
            tree_.Path(L"Filme\\Urlaub.mkv") + L"\r\n5'120 KB   " + DateOf(test::TreeTime(0)));
  SetCursorPos(0, 0);

  // A click on a file selects the row of its top-level directory and the file among the
  // largest files; a double click opens the file manager at the file.
  Menu(kItemFiles);
  const TreemapTileInfo brief = ByPath().at(tree_.Path(L"Dokumente\\Brief.pdf"));
  MapClick(Centre(brief.rect));
  EXPECT_EQ(ui::GetGadgetState(kGadResults), MainRow(L"Dokumente"));
  const std::vector<int> chosen = test::SelectedRows(Files());
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(FileNames()[static_cast<size_t>(chosen[0])], L"Brief.pdf");
  MapDoubleClick(Centre(brief.rect));
  EXPECT_EQ(test::gStarted.parameters, L"/select,\"" + tree_.Path(L"Dokumente\\Brief.pdf") + L"\"");
  EXPECT_EQ(GStartPath, tree_.Root()) << "a double click on a file does not go down";
  // A double click on a directory's tile where no file is drawn still goes down: the list and
  // the files follow.
  DoubleClickRow(MainRow(L"Bilder"));
  EXPECT_EQ(FileNames(), (std::vector<std::wstring>{L"a.jpg", L"b.JPG", L"c.png"}));
  Click(kGadUp);
}

TEST_F(TreemapFilesTest, TheColouringIsChosenWhereNoTileIsAndKeptForTheSession) {
  StartScanned();
  Menu(kItemTreemap);
  int strip = INT_MAX;
  for (const TreemapTileInfo& t : TreemapTiles()) strip = std::min<int>(strip, t.rect.top);
  const POINT caption{5, strip / 2};
  ASSERT_LT(TreemapTileAt(caption.x, caption.y), 0);

  // The menu where no tile is: the colourings, by type checked, by change greyed without a
  // comparison; "Farben nach Verzeichnis".
  const int menus = test::MenusAnswered();
  test::AnswerNextMenu(1);
  MapRightClick(caption);
  ASSERT_EQ(test::MenusAnswered(), menus + 1);
  EXPECT_EQ(test::LastMenuItems(), (std::vector<std::wstring>{L"Farben nach Dateityp", L"Farben nach Verzeichnis",
                                                              L"Farben nach Änderung"}));
  EXPECT_EQ(test::LastMenuChecked(), 0);
  EXPECT_EQ(test::LastMenuGreyed(), std::vector<int>{2});
  // Every tile now in the colour of its top-level tile: the files of Filme in one colour, and
  // another one than those of Bilder.
  auto tiles = ByPath();
  const uint32_t filme = tiles.at(tree_.Path(L"Filme\\")).colour;
  EXPECT_EQ(tiles.at(tree_.Path(L"Filme\\Urlaub.mkv")).colour, filme);
  EXPECT_EQ(tiles.at(tree_.Path(L"Filme\\alt\\Alt.avi")).colour, filme);
  EXPECT_NE(tiles.at(tree_.Path(L"Bilder\\a.jpg")).colour, filme);
  EXPECT_TRUE(std::find(std::begin(kTreemapPalette), std::end(kTreemapPalette), filme) !=
              std::end(kTreemapPalette));

  // Kept when the window closes and opens again and the list moves; the menu shows the choice.
  PostMessageW(ui::WindowID(kTreemapWindow), WM_CLOSE, 0, 0);
  RunPending();
  Menu(kItemTreemap);
  DoubleClickRow(MainRow(L"Filme"));
  Click(kGadUp);
  tiles = ByPath();
  EXPECT_EQ(tiles.at(tree_.Path(L"Filme\\Trailer.MKV")).colour, tiles.at(tree_.Path(L"Filme\\")).colour);
  test::AnswerNextMenu(0);
  MapRightClick(caption);
  EXPECT_EQ(test::LastMenuChecked(), 1);
  // Back to the types.
  EXPECT_EQ(ByPath().at(tree_.Path(L"Filme\\Urlaub.mkv")).colour, kTreemapPalette[0]);
  // A right click on a tile offers the result list's own menu, not the colourings.
  const RECT bilder = ByPath().at(tree_.Path(L"Bilder\\")).rect;
  test::AnswerNextMenu(0);
  MapRightClick(Centre(bilder));
  EXPECT_EQ(test::LastMenuItems(), (std::vector<std::wstring>{L"Explorer", L"Lösch-Dialog", L"In den Papierkorb..."}));
  EXPECT_EQ(test::gStarted.parameters, tree_.Path(L"Bilder\\"));
}

// A few thousand files of mixed types, scanned, with the three views beside the main window:
// kept as pictures for a person.
TEST_F(TreemapFilesTest, ScreenshotsAfterAScanOfAFewThousandFilesOfMixedTypes) {
  test::MixedTree(tree_, 3000, 4711);
  Start({tree_.Root()});
  Scan();
  // The main window in the top left corner, as a user makes room: the views find their places
  // beside it and beside each other.
  const RECT work = ui::WorkAreaOf(kMainWindow);
  ui::ResizeWindow(kMainWindow, work.left, work.top, ui::kKeep, ui::kKeep);
  Menu(kItemTreemap);
  Menu(kItemFiles);
  Menu(kItemTypes);
  const RECT frames[] = {ui::WindowFrame(kMainWindow), ui::WindowFrame(kTreemapWindow),
                         ui::WindowFrame(kFilesWindow), ui::WindowFrame(kTypesWindow)};
  for (size_t a = 0; a < 4; ++a) {
    for (size_t b = a + 1; b < 4; ++b) {
      RECT both;
      EXPECT_FALSE(IntersectRect(&both, &frames[a], &frames[b])) << a << " and " << b << " overlap";
    }
  }
  int files = 0;
  for (const TreemapTileInfo& t : TreemapTiles()) files += t.file ? 1 : 0;
  EXPECT_GE(files, 300);
  EXPECT_EQ(ui::CountGadgetItems(kFilesList), 1000);
  EXPECT_EQ(ui::CountGadgetItems(kTypesList), 14);  // .jpg and .JPG are one
  test::Screenshot(GetDesktopWindow(), L"views_beside_main_window");
  test::Screenshot(ui::WindowID(kTreemapWindow), L"treemap_files");
  test::Screenshot(ui::WindowID(kFilesWindow), L"files_window");
  test::Screenshot(ui::WindowID(kTypesWindow), L"types_window");
  // The types of one kind chosen: the map shows where they are.
  test::ClickListRow(Types(), 0);
  RunPending();
  test::Screenshot(ui::WindowID(kTreemapWindow), L"treemap_files_one_type");
}

}  // namespace
}  // namespace vardune
