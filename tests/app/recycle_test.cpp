// "In den Papierkorb..." of the popup menu: the question that names what goes, the items in
// the recycle bin that Wine keeps (the user's XDG trash), and the results corrected as a rescan
// of the listed directory corrects them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "os/fs.h"
#include "os/text.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "tests/app/app_fixture.h"
#include "tests/support/keys.h"
#include "tests/support/support.h"
#include "tests/support/trash.h"
#include "ui/mainwindow.h"
#include "ui/menus.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

using test::AppTest;
using test::TempTree;

// The trash is the user's: what a test put there goes again at its end. A test whose tree
// the trash cannot take is skipped.
struct TrashCleaner {
  std::string prefix;  // the Linux path of the tree, with its slash
  explicit TrashCleaner(const TempTree& t) : prefix(test::UnixPath(t.Root())) {
    if (prefix.empty() || prefix.back() != '/') prefix += '/';
  }
  ~TrashCleaner() { test::EmptyTrashBelow(prefix); }
};

class RecycleTest : public AppTest {
 protected:
  // Size, files and directories of a record, "" when there is none.
  static std::wstring Totals(const std::wstring& dir) {
    const size_t i = FindRecordOf(Pfade, dir);
    if (i == PfadListe::npos) return {};
    return std::to_wstring(Pfade[i].Size) + L"|" + std::to_wstring(Pfade[i].Files) + L"|" +
           std::to_wstring(Pfade[i].Dirs);
  }
  static bool Exists(const std::wstring& p) {
    return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
};

// The popup item as a user reaches it with the context-menu key: its third item (the menu
// opens with none highlighted).
void CALLBACK ChooseThirdItem(HWND, UINT, UINT_PTR id, DWORD) {
  HWND m = FindWindowW(L"#32768", nullptr);
  if (!m || !IsWindowVisible(m)) return;
  KillTimer(nullptr, id);
  for (int i = 0; i < 3; ++i) PostMessageW(m, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(m, WM_KEYDOWN, VK_RETURN, 0);
}

TEST_F(RecycleTest, SelectedDirectoriesAndLooseFilesGoToTheBinAfterTheQuestion) {
  TempTree t;
  const TrashCleaner cleaner(t);
  if (const std::string why = test::TrashUnusableFor(t.Root()); !why.empty()) GTEST_SKIP() << why;
  t.File(L"oben\\weg\\x.bin", 20 * 1024);
  t.File(L"oben\\weg\\tief\\y.bin", 10 * 1024);
  t.File(L"oben\\auch weg\\z.bin", 5 * 1024);
  t.File(L"oben\\bleibt\\k.bin", 3 * 1024);
  t.File(L"oben\\l1.txt", 4 * 1024);
  t.File(L"oben\\l2.txt", 2 * 1024);
  t.File(L"daneben.bin", 1024);
  Start({t.Root()});
  Click(kGadScan);
  DoubleClickRow(RowOf(L"oben"));
  const std::wstring oben = t.Path(L"oben\\");
  ASSERT_EQ(Column(2),
            (std::vector<std::wstring>{L"weg", L"<DATEIEN>", L"auch weg", L"bleibt"}));
  Select({RowOf(L"weg"), RowOf(L"<DATEIEN>"), RowOf(L"auch weg")});

  // "No": nothing moves, nothing is scanned.
  const size_t records = Pfade.size();
  test::gAnswerYes = false;
  Menu(kItemPopupRecycle);
  ASSERT_EQ(test::Dialogs().size(), 1u);
  const test::DialogRecord& q = test::Dialogs()[0];
  EXPECT_EQ(q.title, L"Vardune Meldung");
  EXPECT_TRUE(q.yesNo);
  // 30 + 6 + 5 KB.
  EXPECT_EQ(q.text, L"2 Verzeichnisse und 2 Dateien aus " + oben +
                        L" (zusammen 41 KB) in den Papierkorb verschieben?");
  EXPECT_EQ(Pfade.size(), records);
  EXPECT_EQ(Totals(oben), L"45056|6|4");
  EXPECT_TRUE(Exists(oben + L"weg\\tief\\y.bin"));
  EXPECT_TRUE(Exists(oben + L"l1.txt"));
  EXPECT_TRUE(test::TrashedBelow(cleaner.prefix).empty());

  // "Yes", through the popup menu opened with the context-menu key.
  test::ResetDialogs();
  test::gAnswerYes = true;
  SetTimer(nullptr, 0, 50, ChooseThirdItem);
  Key(kGadResults, VK_APPS);
  test::gAnswerYes = false;
  ASSERT_EQ(test::Dialogs().size(), 1u) << "the question, and no report of anything left";
  EXPECT_EQ(test::Dialogs()[0].text, q.text);

  for (const wchar_t* gone : {L"weg\\", L"auch weg\\", L"l1.txt", L"l2.txt"}) {
    EXPECT_FALSE(Exists(oben + gone)) << test::Narrow(gone);
  }
  EXPECT_TRUE(Exists(oben + L"bleibt\\k.bin"));
  // In the bin, each under its original path, the directories with what they held.
  std::vector<std::string> originals;
  std::string weg;
  for (const test::Trashed& e : test::TrashedBelow(cleaner.prefix)) {
    originals.push_back(e.original);
    if (e.original == cleaner.prefix + "oben/weg") weg = e.stored;
  }
  std::sort(originals.begin(), originals.end());
  const std::string u = cleaner.prefix + "oben/";
  EXPECT_EQ(originals, (std::vector<std::string>{u + "auch weg", u + "l1.txt", u + "l2.txt",
                                                 u + "weg"}));
  ASSERT_FALSE(weg.empty());
  std::wstring inBin = L"Z:" + FromUtf8(weg + "/tief/y.bin");
  std::replace(inBin.begin(), inBin.end(), L'/', L'\\');
  const auto content = os::ReadWholeFile(inBin);
  ASSERT_TRUE(content.has_value());
  EXPECT_EQ(content->size(), 10u * 1024);

  // The results as after a scan of oben: its records anew, the tree's totals corrected.
  EXPECT_EQ(GStartPath, oben);
  EXPECT_EQ(ui::GetGadgetText(kGadPath), oben);
  EXPECT_EQ(Column(2), std::vector<std::wstring>{L"bleibt"});
  EXPECT_NE(ui::GetGadgetText(kGadSummary).find(L"ms"), std::wstring::npos);
  EXPECT_EQ(Totals(oben), L"3072|1|1");
  EXPECT_EQ(Totals(t.Root()), L"4096|2|2");
  EXPECT_EQ(Totals(oben + L"weg\\tief\\"), L"");
}

// The system's own question before it destroys what the bin could not take (Wine asks it
// for a file held open: "can't be sent to Trash. Do you want to delete it instead?"; Windows
// skips such a file), answered No as a careful user does.
void CALLBACK AnswerShellQuestionNo(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dlg = test::VisibleDialog();
  if (!dlg) return;
  KillTimer(nullptr, id);
  test::Screenshot(dlg, L"recycle_shell_question");
  HWND no = GetDlgItem(dlg, IDNO);
  if (no) {
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), reinterpret_cast<LPARAM>(no));
  } else {
    PostMessageW(dlg, WM_CLOSE, 0, 0);
  }
}

// A loose file that another program holds open stays where it is; a message names it after
// the rescan, and the rest went to the bin.
TEST_F(RecycleTest, WhatTheBinCannotTakeStaysAndIsNamed) {
  TempTree t;
  const TrashCleaner cleaner(t);
  if (const std::string why = test::TrashUnusableFor(t.Root()); !why.empty()) GTEST_SKIP() << why;
  t.File(L"offen.txt", 3000);
  t.File(L"frei.txt", 5000);
  t.File(L"unten\\u.bin", 100);
  test::HeldFile held(t.Path(L"offen.txt"));
  ASSERT_TRUE(held.Held());
  Start({t.Root()});
  Click(kGadScan);
  ASSERT_EQ(Column(2), (std::vector<std::wstring>{L"<DATEIEN>", L"unten"}));
  Select({RowOf(L"<DATEIEN>")});
  test::gAnswerYes = true;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerShellQuestionNo);
  Menu(kItemPopupRecycle);
  KillTimer(nullptr, timer);
  test::gAnswerYes = false;
  ASSERT_EQ(test::Dialogs().size(), 2u);
  EXPECT_EQ(test::Dialogs()[0].text, L"2 Dateien aus " + t.Root() +
                                         L" (zusammen 7 KB) in den Papierkorb verschieben?");
  EXPECT_FALSE(test::Dialogs()[1].yesNo);
  EXPECT_EQ(test::Dialogs()[1].text,
            L"Nicht in den Papierkorb verschoben:\r\n" + t.Path(L"offen.txt"));
  EXPECT_TRUE(Exists(t.Path(L"offen.txt")));
  EXPECT_FALSE(Exists(t.Path(L"frei.txt")));
  const auto trashed = test::TrashedBelow(cleaner.prefix);
  ASSERT_EQ(trashed.size(), 1u);
  EXPECT_EQ(trashed[0].original, cleaner.prefix + "frei.txt");
  // The files' row has what is left.
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{L"<DATEIEN>", L"unten"}));
  const size_t files = FindRecord(Pfade, t.Root(), L"<DATEIEN>");
  ASSERT_NE(files, PfadListe::npos);
  EXPECT_EQ(Pfade[files].Size, 3000);
  EXPECT_EQ(Pfade[files].Files, 1);
}

// In the error view the rows name full paths: a directory whose path is too long to be
// scanned (past 250 characters, within the system's 259) goes to the bin from there, the
// directory that held it is scanned again, and the error view shows what is left.
TEST_F(RecycleTest, ErrorViewRowsGoWithTheirFullPaths) {
  TempTree t;
  const TrashCleaner cleaner(t);
  if (const std::string why = test::TrashUnusableFor(t.Root()); !why.empty()) GTEST_SKIP() << why;
  const std::wstring name(255 - t.Path(L"lang\\").size(), L'x');
  t.File(L"lang\\" + name + L"\\f.bin", 10);
  t.File(L"lang\\kurz\\g.bin", 20);
  Start({t.Root()});
  Click(kGadScan);
  Click(kGadErrs);
  ASSERT_EQ(Column(2), std::vector<std::wstring>{t.Path(L"lang\\") + name});
  Select({0});
  test::gAnswerYes = true;
  Menu(kItemPopupRecycle);
  test::gAnswerYes = false;
  ASSERT_EQ(test::Dialogs().size(), 1u);
  EXPECT_EQ(test::Dialogs()[0].text,
            L"1 Verzeichnis (zusammen 0 KB) in den Papierkorb verschieben?");
  const auto trashed = test::TrashedBelow(cleaner.prefix);
  ASSERT_EQ(trashed.size(), 1u);
  EXPECT_EQ(trashed[0].original, cleaner.prefix + "lang/" + test::Narrow(name));
  EXPECT_FALSE(Exists(t.Path(L"lang\\") + name));
  EXPECT_EQ(ui::GetGadgetState(kGadErrs), 1);
  EXPECT_EQ(ui::CountGadgetItems(kGadResults), 0);
  EXPECT_EQ(Totals(t.Path(L"lang\\") + name + L"\\"), L"");
  EXPECT_EQ(Totals(t.Path(L"lang\\")), L"20|1|1");
  // The view under the error list is still the tree's, with the totals corrected.
  EXPECT_EQ(GStartPath, t.Root());
  Click(kGadErrs);
  EXPECT_EQ(Column(2), std::vector<std::wstring>{L"lang"});
  EXPECT_EQ(Column(4), std::vector<std::wstring>{L"1"});
}

}  // namespace
}  // namespace vardune
