// The comparison with an earlier export through the running program: a tree scanned and
// exported, changed, scanned again and compared, the rows of window 67 read back as the user
// moves; names in another letter case and names that are no UTF-8; an export of another tree;
// a damaged export; the end of the comparison.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "os/text.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "tests/app/app_fixture.h"
#include "tests/support/compare.h"
#include "tests/support/support.h"
#include "tests/support/views.h"
#include "ui/mainwindow.h"
#include "ui/menus.h"
#include "ui/platform/platform.h"
#include "view/changeswindow.h"
#include "view/treemap.h"
#include "view/treemap_layout.h"

namespace vardune {
namespace {

using test::AppTest;
using test::TempTree;

class Compare : public AppTest {
 protected:
  static void ExportTo(const std::wstring& file) {
    test::gFileAnswer = ui::FileChoice{file, 2};
    Menu(kItemExport);
  }
  static void CompareWith(const std::wstring& file) {
    test::gFileAnswer = ui::FileChoice{file, 1};
    Menu(kItemCompare);
  }
  static void ScanPath(const std::wstring& path) {
    ui::SetGadgetText(kGadPath, path);
    _PathFieldEvent(ui::TypeLostFocus);
    Click(kGadScan);
  }
  static std::wstring ItemText() { return ui::GetMenuItemTextOf(kMenuMain, kItemCompare); }
  // The rows of directories (their path ends with "\"), the others apart: what they are
  // depends on whether the scan keeps every file or only their sums.
  static std::vector<std::wstring> DirRows(const std::wstring& root) {
    std::vector<std::wstring> out;
    for (const std::wstring& p : test::ChangeListPaths(root)) {
      if (p.ends_with(L"\\")) out.push_back(p);
    }
    return out;
  }
  static std::vector<test::ChangeCells> RowsNamed(const std::wstring& name) {
    std::vector<test::ChangeCells> out;
    for (const test::ChangeCells& c : test::ChangeListRows()) {
      if (c[3] == name) out.push_back(c);
    }
    return out;
  }
};

TEST_F(Compare, ATreeChangedSinceItsExport) {
  TempTree t, out;
  t.File(L"bleibt\\a", 1024);
  t.File(L"wächst\\g", 10 * 1024);
  t.File(L"schrumpft\\s", 50 * 1024);
  t.File(L"geht\\x", 3 * 1024);
  t.File(L"alt\\r", 2 * 1024);
  t.File(L"lose", 100);
  const bool closed = test::PermissionsEnforced();
  if (closed) t.File(L"zu\\l", 4 * 1024);
  Start({t.Root()});
  Click(kGadScan);
  const std::wstring file = out.Path(L"vorher.json");
  ExportTo(file);
  EXPECT_EQ(ItemText(), L"Vergleichen mit...");

  t.File(L"wächst\\g", 30 * 1024);
  t.File(L"wächst\\n", 5 * 1024);
  t.File(L"schrumpft\\s", 10 * 1024);
  t.Remove(L"geht");
  ASSERT_EQ(test::RunUnix("mv " + test::ShellQuote(test::UnixPath(t.Path(L"alt"))) + " " +
                          test::ShellQuote(test::UnixPath(t.Path(L"neu")))), 0);
  if (closed) t.Chmod(L"zu", "000");
  Click(kGadScan);
  test::ResetDialogs();
  CompareWith(file);
  ASSERT_TRUE(ComparisonOn());
  ASSERT_EQ(test::Dialogs().size(), 1u);
  EXPECT_EQ(test::Dialogs()[0].kind, L"open");
  EXPECT_EQ(test::Dialogs()[0].text, L"ncdu-Export (*.json)|*.json|Alle Dateien (*.*)|*.*");
  EXPECT_TRUE(ui::IsWindowShown(kChangesWindow));
  EXPECT_EQ(ItemText(), L"Vergleich beenden");
  const std::wstring caption = ui::GetWindowTitle(kChangesWindow);
  EXPECT_TRUE(caption.starts_with(L"Vardune Änderungen – Vergleich mit vorher.json vom "))
      << test::Narrow(caption);

  // The directories at the top, most growth first; what is new and gone marked; the
  // unreadable one counts nothing now; the unchanged one is not there.
  std::vector<std::wstring> dirs = {L"wächst\\", L"neu\\", L"alt\\", L"geht\\"};
  if (closed) dirs.push_back(L"zu\\");
  dirs.push_back(L"schrumpft\\");
  EXPECT_EQ(DirRows(t.Root()), dirs);
  const auto row = [&](const std::wstring& rel) {
    const int r = test::ChangeListRowOf(t.Path(rel));
    return r < 0 ? test::ChangeCells{} : test::ChangeListRows()[static_cast<size_t>(r)];
  };
  EXPECT_EQ(row(L"wächst\\"), (test::ChangeCells{L"+25", L"35", L"10", L"wächst\\", t.Root()}));
  EXPECT_EQ(row(L"neu\\"), (test::ChangeCells{L"+2", L"2", L"neu", L"neu\\", t.Root()}));
  EXPECT_EQ(row(L"alt\\"), (test::ChangeCells{L"-2", L"weg", L"2", L"alt\\", t.Root()}));
  EXPECT_EQ(row(L"geht\\"), (test::ChangeCells{L"-3", L"weg", L"3", L"geht\\", t.Root()}));
  if (closed) {
    EXPECT_EQ(row(L"zu\\"), (test::ChangeCells{L"-4", L"ERROR", L"4", L"zu\\", t.Root()}));
  }
  EXPECT_EQ(row(L"schrumpft\\"), (test::ChangeCells{L"-40", L"10", L"50", L"schrumpft\\", t.Root()}));
  // The files below: one by one where the scan keeps them, else as the sum of a directory.
  const bool oneByOne = Pfade.FileStore().LiveFiles() > 0;
  if (oneByOne) {
    EXPECT_EQ(row(L"wächst\\g"), (test::ChangeCells{L"+20", L"30", L"10", L"g", t.Path(L"wächst\\")}));
    EXPECT_EQ(row(L"wächst\\n"), (test::ChangeCells{L"+5", L"5", L"neu", L"n", t.Path(L"wächst\\")}));
  } else {
    EXPECT_EQ(row(L"wächst\\<DATEIEN>"),
              (test::ChangeCells{L"+25", L"35", L"10", L"<DATEIEN>", t.Path(L"wächst\\")}));
  }
  // Nothing of what lies in the new directory or lay in the gone one is repeated.
  for (const std::wstring& p : test::ChangeListPaths(t.Root())) {
    EXPECT_FALSE(p.starts_with(L"neu\\") && p != L"neu\\") << test::Narrow(p);
    EXPECT_FALSE(p.starts_with(L"geht\\") && p != L"geht\\") << test::Narrow(p);
  }
  test::Screenshot(ui::WindowID(kChangesWindow), L"changes");

  // A double click on a directory moves the main list there, and the window follows it;
  // the up button goes back.
  test::DoubleClickChangeRow(test::ChangeListRowOf(t.Path(L"wächst\\")));
  RunPending();
  EXPECT_EQ(GStartPath, t.Path(L"wächst\\"));
  EXPECT_EQ(ui::GetGadgetText(kGadPath), t.Path(L"wächst\\"));
  for (const test::ChangeCells& c : test::ChangeListRows()) EXPECT_EQ(c[4], t.Path(L"wächst\\"));
  EXPECT_EQ(test::ChangeListRows().size(), oneByOne ? 2u : 1u);
  // A file opens the file manager with it selected.
  if (oneByOne) {
    test::DoubleClickChangeRow(test::ChangeListRowOf(t.Path(L"wächst\\g")));
    RunPending();
    EXPECT_EQ(test::gStarted.parameters, L"/select,\"" + t.Path(L"wächst\\g") + L"\"");
  }
  Click(kGadUp);
  EXPECT_EQ(DirRows(t.Root()), dirs);
  // What is gone shows the directory that held it; Enter does what a double click does.
  test::DoubleClickChangeRow(test::ChangeListRowOf(t.Path(L"geht\\")));
  RunPending();
  EXPECT_EQ(GStartPath, t.Root());
  ui::SetGadgetState(kChangesList, test::ChangeListRowOf(t.Path(L"schrumpft\\")));
  SendMessageW(ui::GadgetID(kChangesList), WM_KEYDOWN, VK_RETURN, 0);
  RunPending();
  EXPECT_EQ(GStartPath, t.Path(L"schrumpft\\"));
  Click(kGadUp);

  // A click on a column title sorts by it, in the direction the order had, as in the main
  // list; a click on "Änderung KB" goes back to the most growth first.
  test::ClickChangeHeader(3);
  RunPending();
  std::vector<std::wstring> names;
  for (const test::ChangeCells& c : test::ChangeListRows()) names.push_back(c[3]);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareNoCase(a, b) > 0;
  }));
  test::ClickChangeHeader(0);
  RunPending();
  EXPECT_EQ(DirRows(t.Root()), dirs);
  test::ClickChangeHeader(0);
  RunPending();
  std::reverse(dirs.begin(), dirs.end());
  EXPECT_EQ(DirRows(t.Root()), dirs);
  test::ClickChangeHeader(0);
  RunPending();
  std::reverse(dirs.begin(), dirs.end());

  // A rescan of a part compares anew; the results of another tree end the comparison.
  t.File(L"schrumpft\\s", 20 * 1024);
  DoubleClickRow(RowOf(L"schrumpft"));
  Click(kGadScan);
  EXPECT_TRUE(ComparisonOn());
  Click(kGadUp);
  EXPECT_EQ(row(L"schrumpft\\"), (test::ChangeCells{L"-30", L"20", L"50", L"schrumpft\\", t.Root()}));
  TempTree other;
  other.File(L"x", 10);
  ScanPath(other.Root());
  EXPECT_FALSE(ComparisonOn());
  EXPECT_FALSE(ui::IsWindowShown(kChangesWindow));
  EXPECT_EQ(ItemText(), L"Vergleichen mit...");
  if (closed) t.Chmod(L"zu", "755");
}

// "Farben nach Änderung" in the treemap's menu: grown files in one hue and shrunk in another,
// stronger for a larger share of change, the new in their own colour, the unchanged grey, as
// drawn on the screen; when the comparison ends the map is coloured by type again.
TEST_F(Compare, TheTreemapColoursByChange) {
  TempTree t, out;
  t.File(L"bleibt\\a", 64 * 1024);
  t.File(L"wächst\\g", 10 * 1024);
  t.File(L"wächst\\h", 100 * 1024);
  t.File(L"schrumpft\\s", 50 * 1024);
  Start({t.Root()});
  Click(kGadScan);
  const std::wstring file = out.Path(L"vorher.json");
  ExportTo(file);
  t.File(L"wächst\\g", 40 * 1024);
  t.File(L"wächst\\h", 110 * 1024);
  t.File(L"schrumpft\\s", 10 * 1024);
  t.File(L"neu\\n", 20 * 1024);
  Click(kGadScan);
  Menu(kItemTreemap);
  ASSERT_TRUE(ui::IsWindowShown(kTreemapWindow));
  HWND canvas = ui::GadgetID(kTreemapCanvas);
  const auto rightClickOnNoTile = [&](int item) {
    test::AnswerNextMenu(item);
    SendMessageW(canvas, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 2));
    SendMessageW(canvas, WM_RBUTTONUP, 0, MAKELPARAM(5, 2));
    RunPending();
  };
  const auto colourOf = [&](const std::wstring& rel) -> uint32_t {
    const std::vector<TreemapTileInfo> tiles = TreemapTiles();
    UpdateWindow(canvas);  // the picture of now on the screen, not the one before
    for (const TreemapTileInfo& tile : tiles) {
      if (tile.path == t.Path(rel)) {
        const POINT c{(tile.rect.left + tile.rect.right) / 2, (tile.rect.top + tile.rect.bottom) / 2};
        EXPECT_TRUE(test::ShadeOf(test::PixelAt(canvas, c), tile.colour)) << test::Narrow(rel);
        return tile.colour;
      }
    }
    ADD_FAILURE() << "no tile " << test::Narrow(rel);
    return 0;
  };
  const auto red = [](uint32_t c) { return static_cast<int>(c >> 16); };
  const auto blue = [](uint32_t c) { return static_cast<int>(c & 0xFF); };
  // Away from the grey: the largest difference of a channel.
  const auto strength = [](uint32_t c) {
    int most = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      most = std::max(most, std::abs(static_cast<int>((c >> shift) & 0xFF) -
                                     static_cast<int>((kTreemapGrey >> shift) & 0xFF)));
    }
    return most;
  };

  CompareWith(file);
  ASSERT_TRUE(ComparisonOn());
  rightClickOnNoTile(2);
  EXPECT_EQ(test::LastMenuItems(), (std::vector<std::wstring>{L"Farben nach Dateityp", L"Farben nach Verzeichnis",
                                                              L"Farben nach Änderung"}));
  EXPECT_TRUE(test::LastMenuGreyed().empty());
  EXPECT_EQ(TreemapColouring(), TreemapColours::ByChange);
  const uint32_t grown = colourOf(L"wächst\\g"), little = colourOf(L"wächst\\h");
  const uint32_t shrunk = colourOf(L"schrumpft\\s");
  EXPECT_GT(red(grown), blue(grown) + 100);
  EXPECT_GT(red(little), blue(little));
  EXPECT_GT(strength(grown), strength(little) + 40);
  EXPECT_GT(blue(shrunk), red(shrunk) + 100);
  EXPECT_EQ(colourOf(L"neu\\n"), kNewColour);
  EXPECT_EQ(colourOf(L"bleibt\\a"), kTreemapGrey);
  // The menu shows the choice (chosen again, nothing changes); it stays through a move down.
  rightClickOnNoTile(2);
  EXPECT_EQ(test::LastMenuChecked(), 2);
  DoubleClickRow(RowOf(L"wächst"));
  EXPECT_EQ(colourOf(L"wächst\\g"), grown);
  Click(kGadUp);

  Menu(kItemCompare);  // "Vergleich beenden"
  EXPECT_FALSE(ComparisonOn());
  EXPECT_EQ(TreemapColouring(), TreemapColours::ByType);
  EXPECT_NE(colourOf(L"bleibt\\a"), kTreemapGrey);
}

TEST_F(Compare, NamesInAnotherCaseAndNamesThatAreNoUtf8) {
  TempTree t;
  const auto write = [&](const wchar_t* name, const std::string& body) {
    t.Text(name, "[1,2,{\"progname\":\"ncdu\",\"progver\":\"1.18\",\"timestamp\":1700000000},\n"
                 "[{\"name\":\"/srv/daten\"}," + body + "]]");
    return t.Path(name);
  };
  const std::wstring then = write(L"then.json",
      "[{\"name\":\"Fotos\"},{\"name\":\"BILD.JPG\",\"asize\":1024}],"
      "{\"name\":\"caf\xE9\",\"asize\":2048},{\"name\":\"caf\xE8\",\"asize\":2048},"
      "{\"name\":\"A\",\"asize\":1024},{\"name\":\"a\",\"asize\":1024}");
  const std::wstring now = write(L"now.json",
      "[{\"name\":\"fotos\"},{\"name\":\"bild.jpg\",\"asize\":3072}],"
      "{\"name\":\"caf\xE9\",\"asize\":2048},{\"name\":\"caf\xE8\",\"asize\":5120},"
      "{\"name\":\"A\",\"asize\":1024},{\"name\":\"a\",\"asize\":4096}");
  Start();
  test::gFileAnswer = ui::FileChoice{now, 1};
  Menu(kItemImport);
  ASSERT_EQ(GStartPath, L"\\srv\\daten\\");
  CompareWith(then);
  ASSERT_TRUE(ComparisonOn());
  // "fotos" is "Fotos" of then, and its picture; "a" stays apart from "A"; of the two names
  // that became one the second keeps its suffix, as the import gives it.
  const std::vector<std::wstring> paths = {L"a", L"caf\uFFFD (2)", L"fotos\\", L"fotos\\bild.jpg"};
  EXPECT_EQ(test::ChangeListPaths(L"\\srv\\daten\\"), paths);
  EXPECT_EQ(RowsNamed(L"a"), (std::vector<test::ChangeCells>{{L"+3", L"4", L"1", L"a", L"\\srv\\daten\\"}}));
}

TEST_F(Compare, AnExportOfAnotherTree) {
  TempTree t, other, out;
  t.File(L"hier\\x", 1024);
  other.File(L"dort\\y", 2048);
  Start({other.Root()});
  Click(kGadScan);
  ExportTo(out.Path(L"anderes.json"));
  ScanPath(t.Root());
  CompareWith(out.Path(L"anderes.json"));
  ASSERT_TRUE(ComparisonOn());
  EXPECT_EQ(test::ChangeListPaths(t.Root()), (std::vector<std::wstring>{L"hier\\", L"dort\\"}));
  EXPECT_EQ(RowsNamed(L"dort\\")[0][1], L"weg");
  EXPECT_EQ(RowsNamed(L"hier\\")[0][2], L"neu");
  const std::wstring caption = ui::GetWindowTitle(kChangesWindow);
  EXPECT_NE(caption.find(L"(Export eines anderen Verzeichnisses: " + other.Root() + L")"),
            std::wstring::npos) << test::Narrow(caption);
  Menu(kItemCompare);  // "Vergleich beenden"
  EXPECT_FALSE(ComparisonOn());
  EXPECT_FALSE(ui::IsWindowShown(kChangesWindow));
  // The window's close box ends it too.
  CompareWith(out.Path(L"anderes.json"));
  ASSERT_TRUE(ComparisonOn());
  PostMessageW(ui::WindowID(kChangesWindow), WM_CLOSE, 0, 0);
  RunPending();
  EXPECT_FALSE(ComparisonOn());
  EXPECT_EQ(ItemText(), L"Vergleichen mit...");
}

TEST_F(Compare, ADamagedExportStartsNoComparison) {
  TempTree t;
  t.File(L"a\\x", 1024);
  t.Text(L"kaputt.json", "[1,2,{},\n[{\"name\":\"C:\\\\x\"},\n  {\"name\":\"f\",\"asize\":-1}]]");
  t.Text(L"halb.json", "[1,2,{},\n[{\"name\":\"C:\\\\x\"},\n  {\"name\":\"f\",");
  Start({t.Root()});
  Click(kGadScan);
  struct Case {
    const wchar_t* file;
    const wchar_t* where;
  };
  for (const Case c : {Case{L"kaputt.json", L"Zeile 3, Spalte "}, Case{L"halb.json", L"Zeile 3, Spalte "}}) {
    test::ResetDialogs();
    CompareWith(t.Path(c.file));
    EXPECT_FALSE(ComparisonOn());
    EXPECT_EQ(ItemText(), L"Vergleichen mit...");
    EXPECT_FALSE(ui::IsWindowOpen(kChangesWindow) && ui::IsWindowShown(kChangesWindow));
    ASSERT_EQ(test::Dialogs().size(), 2u);
    const std::wstring text = test::Dialogs()[1].text;
    EXPECT_TRUE(text.starts_with(L"Konnte nicht vergleichen:\r\n" + t.Path(c.file) + L"\r\n" + c.where))
        << test::Narrow(text);
  }
}

}  // namespace
}  // namespace vardune
