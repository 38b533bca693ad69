// The window of the largest files after real scans: its rows against the files of the tree,
// sorting by a click on a title, following the result list down, up, into the error view and
// through a rescan (empty while it runs), opening a file in the file manager, copying paths,
// and the recycle bin through Wine's own with the results corrected as a scan would give them.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "os/text.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "tests/support/views_fixture.h"
#include "view/filerows.h"
#include "view/resultlist.h"

namespace vardune {
namespace {

using test::kTreeFiles;
using test::ViewsTest;

class FilesWindowTest : public ViewsTest {
 protected:
  // The rows the tree's files below a directory (a prefix of their paths) give, largest first.
  std::vector<std::vector<std::wstring>> Expected(const std::wstring& below) const {
    std::vector<std::vector<std::wstring>> rows;
    for (size_t k = 0; k < std::size(kTreeFiles); ++k) {
      const std::wstring path = tree_.Path(kTreeFiles[k].rel);
      if (path.rfind(below, 0) != 0) continue;
      const size_t cut = path.rfind(L'\\');
      rows.push_back({path.substr(cut + 1), KBytesText(kTreeFiles[k].size), path.substr(0, cut + 1),
                      DateOf(test::TreeTime(k))});
    }
    return rows;
  }
};

TEST_F(FilesWindowTest, ListsTheLargestFilesBelowTheShownDirectoryAndFollowsTheList) {
  StartScanned();
  EXPECT_FALSE(ui::IsWindowOpen(kFilesWindow));
  MainKey(VK_F8);
  ASSERT_TRUE(ui::IsWindowShown(kFilesWindow));
  EXPECT_EQ(ui::GetWindowTitle(kFilesWindow), L"Vardune Dateien");
  EXPECT_EQ(GetWindow(ui::WindowID(kFilesWindow), GW_OWNER), ui::WindowID(kMainWindow));
  // Beside the main window, not over it.
  const RECT main = ui::WindowFrame(kMainWindow), files = ui::WindowFrame(kFilesWindow);
  RECT both;
  EXPECT_FALSE(IntersectRect(&both, &main, &files) && ui::WindowInnerWidth(kFilesWindow) >= 300);
  // The titles as they stand, "KBytes" first; the list fills the window.
  HWND header = reinterpret_cast<HWND>(SendMessageW(Files(), LVM_GETHEADER, 0, 0));
  int order[4] = {};
  SendMessageW(Files(), LVM_GETCOLUMNORDERARRAY, 4, reinterpret_cast<LPARAM>(order));
  std::vector<std::wstring> titles;
  for (int c : order) titles.push_back(ui::GetGadgetColumnTitle(kFilesList, c));
  EXPECT_EQ(titles, (std::vector<std::wstring>{L"KBytes", L"Name", L"Verzeichnis", L"Geändert"}));
  EXPECT_TRUE(header != nullptr);
  RECT client;
  GetClientRect(ui::WindowID(kFilesWindow), &client);
  EXPECT_EQ(test::BoxOf(kFilesList), (test::Box{0, 0, client.right, client.bottom}));

  // Every file of the tree, largest first, with its size, name, directory and date.
  EXPECT_EQ(test::ListCells(Files()), Expected(tree_.Root()));
  // Wide enough to show every column title for the clicks below.
  ui::ResizeWindow(kFilesWindow, ui::kKeep, ui::kKeep, ui::DesignToWindow(kFilesWindow, 600),
                   ui::kKeep);
  RunPending();

  // A click on "Name": by name (the direction kept, largest first was descending), letter case
  // ignored; again: ascending; a click on "Geändert": the oldest first.
  test::ClickHeader(Files(), 0);
  RunPending();
  std::vector<std::wstring> names = FileNames();
  std::vector<std::wstring> sorted = names;
  std::sort(sorted.begin(), sorted.end(),
            [](const std::wstring& a, const std::wstring& b) { return CompareNoCase(a, b) > 0; });
  EXPECT_EQ(names, sorted);
  EXPECT_EQ(names.front(), L"Urlaub.mkv");
  test::ClickHeader(Files(), 0);
  RunPending();
  EXPECT_EQ(FileNames().front(), L".profile");
  test::ClickHeader(Files(), 3);
  RunPending();
  EXPECT_EQ(FileNames().front(), L"Urlaub.mkv");  // the first file is the oldest
  EXPECT_EQ(FileNames().back(), L"leer.txt");
  // Back to the largest first: "KBytes" twice (ascending, then descending).
  test::ClickHeader(Files(), 1);
  test::ClickHeader(Files(), 1);
  RunPending();
  EXPECT_EQ(test::ListCells(Files()), Expected(tree_.Root()));

  // A real double click down into Filme: its files at all levels; the up button: all again.
  DoubleClickRow(MainRow(L"Filme"));
  ASSERT_EQ(GStartPath, tree_.Path(L"Filme\\"));
  EXPECT_EQ(test::ListCells(Files()), Expected(tree_.Path(L"Filme\\")));
  DoubleClickRow(MainRow(L"alt"));
  EXPECT_EQ(FileNames(), std::vector<std::wstring>{L"Alt.avi"});
  Click(kGadUp);
  Click(kGadUp);
  EXPECT_EQ(test::ListCells(Files()), Expected(tree_.Root()));
  // The error view: empty; and back.
  Click(kGadErrs);
  EXPECT_EQ(ui::CountGadgetItems(kFilesList), 0);
  Click(kGadErrs);
  EXPECT_EQ(ui::CountGadgetItems(kFilesList), static_cast<int>(std::size(kTreeFiles)));

  // A rescan with a new largest file: nothing listed while it runs (a timer looks while the
  // scan pumps the messages), the new file on top afterwards.
  tree_.Sparse(L"Filme\\neu.mkv", 8 << 20);
  static int rowsDuring, looks;
  rowsDuring = -1;
  looks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR, DWORD) {
    if (!GScanning.load()) return;
    ++looks;
    rowsDuring = std::max(rowsDuring, ui::CountGadgetItems(kFilesList));
  });
  Scan();
  KillTimer(nullptr, timer);
  if (looks > 0) {
    EXPECT_EQ(rowsDuring, 0);
  }
  ASSERT_EQ(FileNames().size(), std::size(kTreeFiles) + 1);
  EXPECT_EQ(FileNames().front(), L"neu.mkv");
  EXPECT_EQ(test::ListColumn(Files(), 2).front(), tree_.Path(L"Filme\\"));

  // A double click on a row and Enter on another open the file manager at the file.
  test::DoubleClickListRow(Files(), 1);
  RunPending();
  EXPECT_EQ(test::gStarted.program.substr(test::gStarted.program.size() - 8), L"explorer");
  EXPECT_EQ(test::gStarted.parameters, L"/select,\"" + tree_.Path(L"Filme\\Urlaub.mkv") + L"\"");
  EXPECT_EQ(test::gStarted.workDir, tree_.Path(L"Filme\\"));
  test::ClickListRow(Files(), 4);
  test::PressKey(Files(), VK_RETURN);
  RunPending();
  EXPECT_EQ(test::gStarted.parameters, L"/select,\"" + tree_.Path(L"Bilder\\a.jpg") + L"\"");
  EXPECT_EQ(test::gStarted.count, 2);

  // The close box hides it; F8 shows it again, with the rows.
  PostMessageW(ui::WindowID(kFilesWindow), WM_CLOSE, 0, 0);
  RunPending();
  EXPECT_FALSE(ui::IsWindowShown(kFilesWindow));
  EXPECT_EQ(GQuit, 0);
  Menu(kItemFiles);
  EXPECT_TRUE(ui::IsWindowShown(kFilesWindow));
  EXPECT_EQ(FileNames().front(), L"neu.mkv");
}

// Everything a reader of the results sees: each record with its own files.
std::vector<std::pair<Pfad, std::vector<FileInfo>>> Results() {
  std::vector<std::pair<Pfad, std::vector<FileInfo>>> v;
  for (size_t i = 0; i < Pfade.size(); ++i) v.emplace_back(Pfade.Get(i), Pfade.FilesOf(i));
  return v;
}

TEST_F(FilesWindowTest, CopiesPathsAndMovesFilesToTheRecycleBin) {
  if (const std::string why = test::TrashUnusableFor(tree_.Root()); !why.empty()) GTEST_SKIP() << why;
  // The trash is the user's: what this test put there goes again at its end.
  struct Cleaner {
    std::string prefix;
    ~Cleaner() { test::EmptyTrashBelow(prefix); }
  } cleaner{test::UnixPath(tree_.Root())};
  if (cleaner.prefix.empty() || cleaner.prefix.back() != '/') cleaner.prefix += '/';
  StartScanned();
  Menu(kItemFiles);
  Menu(kItemTypes);
  ASSERT_EQ(FileNames().size(), std::size(kTreeFiles));
  // Two rows chosen (Urlaub.mkv and a.jpg), the popup menu on them: "Pfad kopieren".
  test::ClickListRow(Files(), 0);
  test::ClickListRow(Files(), 3, MK_CONTROL);
  const int menus = test::MenusAnswered();
  test::AnswerNextMenu(1);
  test::RightClickListRow(Files(), 3);
  RunPending();
  ASSERT_EQ(test::MenusAnswered(), menus + 1);
  EXPECT_EQ(test::LastMenuItems(),
            (std::vector<std::wstring>{L"Explorer", L"Pfad kopieren", L"In den Papierkorb..."}));
  EXPECT_EQ(test::ClipboardText(),
            tree_.Path(L"Filme\\Urlaub.mkv") + L"\r\n" + tree_.Path(L"Bilder\\a.jpg"));

  // "In den Papierkorb...", answered No: nothing happens.
  test::AnswerNextMenu(2);
  test::RightClickListRow(Files(), 3);
  RunPending();
  ASSERT_EQ(test::Dialogs().size(), 1u);
  EXPECT_TRUE(test::Dialogs()[0].yesNo);
  EXPECT_EQ(test::Dialogs()[0].text,
            L"2 Dateien (zusammen 5'420 KB) in den Papierkorb verschieben?");
  EXPECT_EQ(FileNames().size(), std::size(kTreeFiles));

  // Answered Yes: the files are in the bin and gone from the tree, the list and the types;
  // the results are what a scan of the tree without them gives.
  test::gAnswerYes = true;
  test::AnswerNextMenu(2);
  test::RightClickListRow(Files(), 3);
  RunPending();
  EXPECT_EQ(GetFileAttributesW(tree_.Path(L"Filme\\Urlaub.mkv").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(tree_.Path(L"Bilder\\a.jpg").c_str()), INVALID_FILE_ATTRIBUTES);
  std::set<std::string> binned;
  for (const test::Trashed& e : test::TrashedBelow(cleaner.prefix)) binned.insert(e.original);
  EXPECT_EQ(binned,
            (std::set<std::string>{test::UnixPath(tree_.Path(L"Filme\\Urlaub.mkv")),
                                   test::UnixPath(tree_.Path(L"Bilder\\a.jpg"))}));
  const std::vector<std::wstring> left = FileNames();
  EXPECT_EQ(left.size(), std::size(kTreeFiles) - 2);
  EXPECT_EQ(left.front(), L"Alt.avi");
  EXPECT_EQ(std::count(left.begin(), left.end(), L"a.jpg"), 0);
  EXPECT_EQ(ui::GetGadgetItemText(kGadResults, MainRow(L"Filme"), 1), L"    4'096");
  EXPECT_EQ(ui::GetGadgetItemText(kGadResults, MainRow(L"Filme"), 3), L"2");
  EXPECT_NE(ui::GetGadgetText(kGadSummary).find(L"Verzeichnis:   4 MB"), std::wstring::npos)
      << test::Narrow(ui::GetGadgetText(kGadSummary));
  std::map<std::wstring, std::wstring> typeKB;
  for (const auto& row : test::ListCells(Types())) typeKB[row[0]] = row[1];
  EXPECT_EQ(typeKB[L".mkv"], L"    1'024");
  EXPECT_EQ(typeKB[L".jpg"], L"200");
  EXPECT_EQ(typeKB[L".avi"], L"    3'072");
  const auto corrected = Results();
  Scan();
  EXPECT_EQ(corrected, Results());

  // A file that another program holds open cannot be moved (Wine asks whether to delete it
  // instead, answered No; Windows leaves it): it stays, listed and named.
  const std::wstring brief = tree_.Path(L"Dokumente\\Brief.pdf");
  test::HeldFile held(brief);
  ASSERT_TRUE(held.Held());
  test::ResetDialogs();
  test::gAnswerYes = true;
  const auto names = FileNames();
  const int row = static_cast<int>(std::find(names.begin(), names.end(), L"Brief.pdf") - names.begin());
  test::ClickListRow(Files(), row);
  test::AnswerNextMenu(2);
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, test::AnswerShellQuestionNo);
  test::RightClickListRow(Files(), row);
  RunPending();
  KillTimer(nullptr, timer);
  test::gAnswerYes = false;
  ASSERT_EQ(test::Dialogs().size(), 2u);
  EXPECT_EQ(test::Dialogs()[0].text, L"1 Datei (zusammen 50 KB) in den Papierkorb verschieben?");
  EXPECT_EQ(test::Dialogs()[1].text, L"Nicht in den Papierkorb verschoben:\r\n" + brief);
  EXPECT_NE(GetFileAttributesW(brief.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(FileNames(), names);
  EXPECT_EQ(Results(), corrected);
}

}  // namespace
}  // namespace vardune
