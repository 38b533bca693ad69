// The keys of the main window as the keyboard gives them to the control with the focus:
// Enter, Backspace, Alt+Up, F5, Entf, Ctrl+C, Ctrl+A, Shift+F10 and the context-menu key on
// the result list, the same keys keeping their edit meaning in the path field, and Esc while
// a scan runs.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "os/fs.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "scan/scanner.h"
#include "scan/scanui.h"
#include "tests/app/app_fixture.h"
#include "tests/support/keys.h"
#include "tests/support/support.h"
#include "ui/mainwindow.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

using test::gStarted;
using test::kAlt;
using test::kCtrl;
using test::kShift;
using test::TempTree;

constexpr int64_t kMB = 1024 * 1024;

class KeysTest : public test::AppTest {
 protected:
  // gross\ 3 MB and gross\innen\ 1 MB, mittel\ 2 MB, 10 KB of loose files, klein\ 2 KB.
  void ScanTree(const TempTree& t) {
    t.Sparse(L"gross\\a.bin", 3 * kMB);
    t.Sparse(L"gross\\innen\\b.bin", kMB);
    t.Sparse(L"mittel\\c.bin", 2 * kMB);
    t.File(L"lose.txt", 10 * 1024);
    t.File(L"klein\\d.bin", 2 * 1024);
    Start({t.Root()});
    Click(kGadScan);
    ASSERT_EQ(Column(2),
              (std::vector<std::wstring>{L"gross", L"mittel", L"<DATEIEN>", L"klein"}));
  }
  static HWND List() { return ui::GadgetID(kGadResults); }
};

// What a key opened that runs a loop of its own (the delete dialog, the popup menu): a timer
// looks at it from inside that loop and ends it, the menu with `downs` presses of VK_DOWN
// and Enter (it opens with no item highlighted), or closed for -1.
struct Opened {
  static inline std::wstring dialogPath;
  static inline RECT menu{};
  static inline int menus = 0;
  static inline int downs = -1;
};

void CALLBACK LookAtWhatOpened(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND w = ui::WindowID(33); w && IsWindowVisible(w)) {
    Opened::dialogPath = ui::GetGadgetText(34);
    PostMessageW(w, WM_CLOSE, 0, 0);
  }
  HWND m = FindWindowW(L"#32768", nullptr);
  if (!m || !IsWindowVisible(m) || Opened::downs == -2) return;
  ++Opened::menus;
  GetWindowRect(m, &Opened::menu);
  BYTE none[256] = {0};
  SetKeyboardState(none);  // the menu is answered with plain keys
  if (Opened::downs < 0) EndMenu();
  for (int i = 0; i < Opened::downs; ++i) PostMessageW(m, WM_KEYDOWN, VK_DOWN, 0);
  if (Opened::downs >= 0) PostMessageW(m, WM_KEYDOWN, VK_RETURN, 0);
  Opened::downs = -2;
}

// Enter opens the current row as a double click does, Backspace and Alt+Up go up as the up
// button does (Alt+Up from the path field too); without a current row Enter does nothing.
TEST_F(KeysTest, EnterBackspaceAndAltUpMoveAsTheMouseDoes) {
  TempTree t;
  ScanTree(t);
  const std::wstring tree = t.Root().substr(0, t.Root().size() - 1);
  const std::wstring above = tree.substr(0, tree.rfind(L'\\') + 1);
  struct Step {
    const wchar_t* row;  // clicked first; nullptr: no row current
    int gadget;
    UINT vk;
    unsigned modifiers;
    std::wstring shown;  // GStartPath and the path field afterwards
    int started;         // file manager starts
  };
  const Step steps[] = {
      {L"gross", kGadResults, VK_RETURN, 0, t.Path(L"gross\\"), 0},
      {L"innen", kGadResults, VK_RETURN, 0, t.Path(L"gross\\innen\\"), 0},
      {nullptr, kGadResults, VK_BACK, 0, t.Path(L"gross\\"), 0},
      {nullptr, kGadResults, VK_UP, kAlt, t.Root(), 0},
      {L"<DATEIEN>", kGadResults, VK_RETURN, 0, t.Root(), 1},
      {nullptr, kGadResults, VK_RETURN, 0, t.Root(), 0},
      {nullptr, kGadPath, VK_UP, kAlt, above, 0},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(test::Narrow(s.shown));
    ClickRow(s.row ? RowOf(s.row) : -1);
    const int before = gStarted.count;
    Key(s.gadget, s.vk, s.modifiers);
    EXPECT_EQ(GStartPath, s.shown);
    EXPECT_EQ(ui::GetGadgetText(kGadPath), s.shown);
    EXPECT_EQ(gStarted.count - before, s.started);
  }
  EXPECT_EQ(gStarted.parameters, t.Root());  // the directory "<DATEIEN>" lies in
  EXPECT_NE(RowOf(tree.substr(above.size())), -1);
}

// Entf opens the delete dialog on the current row, as "Lösch-Dialog" does, and deletes
// nothing; Shift+F10 and the context-menu key open the popup menu below the current row, and
// its items act on that row; without one no menu opens. Ctrl+A selects every row.
TEST_F(KeysTest, EntfThePopupKeysAndCtrlAOnTheList) {
  TempTree t;
  ScanTree(t);
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, LookAtWhatOpened);
  ClickRow(RowOf(L"klein"));
  Key(kGadResults, VK_DELETE);
  EXPECT_EQ(Opened::dialogPath, t.Path(L"klein\\"));
  EXPECT_TRUE(os::IsDirectory(t.Path(L"klein\\")));
  EXPECT_TRUE(IsWindowEnabled(ui::WindowID(kMainWindow)));

  struct Case {
    UINT vk;
    unsigned modifiers;
    const wchar_t* row;  // nullptr: none current
    int downs;           // 1 "Explorer", 2 "Lösch-Dialog"
  };
  for (const Case& c : {Case{VK_F10, kShift, L"mittel", 1}, Case{VK_APPS, 0, L"gross", 2},
                        Case{VK_APPS, 0, nullptr, -1}, Case{VK_F10, kShift, nullptr, -1}}) {
    SCOPED_TRACE(c.vk);
    const int row = c.row ? RowOf(c.row) : -1;
    ClickRow(row);
    Opened::menus = 0;
    Opened::downs = c.downs;
    Opened::dialogPath.clear();
    gStarted.parameters.clear();
    Key(kGadResults, c.vk, c.modifiers);
    if (row < 0) {
      EXPECT_EQ(Opened::menus, 0);
      continue;
    }
    RECT label{LVIR_LABEL, 0, 0, 0};
    SendMessageW(List(), LVM_GETITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&label));
    POINT at{label.left, label.bottom};
    ClientToScreen(List(), &at);
    EXPECT_EQ(Opened::menus, 1);
    EXPECT_EQ(Opened::menu.left, at.x);
    EXPECT_EQ(Opened::menu.top, at.y);
    const std::wstring dir = t.Path(std::wstring(c.row) + L"\\");
    EXPECT_EQ(c.downs == 1 ? gStarted.parameters : Opened::dialogPath, dir);
  }
  KillTimer(nullptr, timer);

  Key(kGadResults, 'A', kCtrl);
  EXPECT_EQ(test::SelectedRows(List()), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(ui::GetGadgetText(kGadStatus), L"Auswahl:  6 MB   4 Verz   5 Dateien");
}

// Ctrl+C puts the full paths of the selected rows on the clipboard, one a line: directories
// with their backslash, "<DATEIEN>" as the paths of the files lying in the directory shown,
// in the error view the full paths of the unreadable directories; nothing selected, nothing
// copied.
TEST_F(KeysTest, CtrlCCopiesTheFullPathsOfTheSelectedRows) {
  TempTree t;
  t.File(L"a\\x.bin", 5000);
  t.File(L"lose.txt", 4000);
  t.File(L"b\\y.bin", 3000);
  const bool closed = test::PermissionsEnforced();
  if (closed) {
    t.File(L"b\\zu\\g", 1);
    t.Chmod(L"b\\zu", "000");
  }
  Start({t.Root()});
  Click(kGadScan);
  const std::pair<std::vector<const wchar_t*>, std::wstring> cases[] = {
      {{}, L"vorher"},
      {{L"a"}, t.Path(L"a\\")},
      {{L"a", L"<DATEIEN>", L"b"},
       t.Path(L"a\\") + L"\r\n" + t.Path(L"lose.txt") + L"\r\n" + t.Path(L"b\\")},
  };
  for (const auto& [rows, text] : cases) {
    test::SetClipboard(L"vorher");
    ClickRow(-1);
    for (const wchar_t* r : rows) ClickRow(RowOf(r), MK_CONTROL);
    Key(kGadResults, 'C', kCtrl);
    EXPECT_EQ(test::ClipboardText(), text);
  }
  if (!closed) return;
  Click(kGadErrs);
  Key(kGadResults, 'A', kCtrl);
  Key(kGadResults, 'C', kCtrl);
  EXPECT_EQ(test::ClipboardText(), t.Path(L"b\\zu\\"));
}

// In the path field the keys keep what they mean to an edit field, and the view and its
// chosen row stay as they were.
TEST_F(KeysTest, KeysInThePathFieldKeepTheirEditMeaning) {
  TempTree t;
  ScanTree(t);
  ClickRow(RowOf(L"gross"));
  HWND field = ui::GadgetID(kGadPath);
  SetFocus(field);
  Opened::dialogPath.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, LookAtWhatOpened);  // should Entf open it
  const std::wstring typed = t.Root() + L"xyz";
  const int end = static_cast<int>(typed.size());
  struct Case {
    UINT vk;
    unsigned modifiers;
    int selFrom, selTo;  // the field's selection before the key
    std::wstring text, clipboard;
  };
  for (const Case& c : {Case{VK_BACK, 0, end, end, typed.substr(0, end - 1), L"vorher"},
                        Case{VK_DELETE, 0, 0, 0, typed.substr(1), L"vorher"},
                        Case{'C', kCtrl, 0, 3, typed, typed.substr(0, 3)},
                        Case{VK_RETURN, 0, end, end, typed, L"vorher"}}) {
    SCOPED_TRACE(c.vk);
    test::SetClipboard(L"vorher");
    SetWindowTextW(field, typed.c_str());
    SendMessageW(field, EM_SETSEL, c.selFrom, c.selTo);
    Key(kGadPath, c.vk, c.modifiers);
    EXPECT_EQ(ui::GetGadgetText(kGadPath), c.text);
    EXPECT_EQ(test::ClipboardText(), c.clipboard);
    EXPECT_EQ(GStartPath, t.Root());
    EXPECT_EQ(test::SelectedRows(List()), std::vector<int>{RowOf(L"gross")});
  }
  KillTimer(nullptr, timer);
  EXPECT_EQ(Opened::dialogPath, L"");
}

// F5 scans the directory the list shows again, as typing its path and pressing the scan
// button would: its subtree anew, the totals above it corrected. A path typed and left
// meanwhile, but never shown, is not what it scans.
TEST_F(KeysTest, F5RescansTheShownDirectoryAndCorrectsTheTotalsAbove) {
  TempTree t, other;
  ScanTree(t);
  const size_t root = FindRecordOf(Pfade, t.Root());
  ASSERT_NE(root, PfadListe::npos);
  const int64_t rootSize = Pfade[root].Size;
  ClickRow(RowOf(L"gross"));
  Key(kGadResults, VK_RETURN);
  t.Sparse(L"gross\\neu.bin", 2 * kMB);
  t.Remove(L"gross\\innen");
  SetFocus(ui::GadgetID(kGadPath));
  SetWindowTextW(ui::GadgetID(kGadPath), other.Root().c_str());
  SetFocus(List());
  RunPending();
  ASSERT_EQ(GStartPath, other.Root());
  Key(kGadResults, VK_F5);

  EXPECT_EQ(GStartPath, t.Path(L"gross\\"));
  EXPECT_EQ(ui::GetGadgetText(kGadPath), t.Path(L"gross\\"));
  EXPECT_EQ(FindRecordOf(Pfade, other.Root()), PfadListe::npos);
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{L"<DATEIEN>"}));
  EXPECT_EQ(Column(1), (std::vector<std::wstring>{L"    5'120"}));
  // innen's 1 MB gone, 2 MB beside it.
  EXPECT_EQ(Pfade[root].Size, rootSize + kMB);
  EXPECT_EQ(Pfade[root].Dirs, 3);
  EXPECT_NE(ui::GetGadgetText(kGadSummary).find(L"ms"), std::wstring::npos);
}

// Esc while a scan runs ends it as "STOPP" does. The key comes as the walk shows its first
// directory, to the scan button, which has the focus after the click.
TEST_F(KeysTest, EscapeDuringAScanStopsItAsStoppDoes) {
  TempTree t;
  ASSERT_EQ(test::RunUnix("cd " + test::ShellQuote(test::UnixPath(t.Root())) +
                          " && for i in $(seq 300); do mkdir d$i && echo x > d$i/f; done"),
            0);
  Start({t.Root()});
  static void (*realText)(std::wstring_view);
  static bool pressed;
  realText = GScanUi.SetPathText;
  pressed = false;
  GScanUi.SetPathText = [](std::wstring_view text) {
    if (!pressed && !ui::IsGadgetDisabled(kGadStop)) {
      PostMessageW(ui::GadgetID(kGadScan), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
      pressed = true;
    }
    realText(text);
  };
  SetFocus(ui::GadgetID(kGadScan));
  Click(kGadScan);
  GScanUi.SetPathText = realText;
  ASSERT_TRUE(pressed);
  EXPECT_TRUE(GCancel);
  EXPECT_TRUE(ui::IsGadgetDisabled(kGadStop));
  EXPECT_EQ(ui::GetGadgetState(kGadStop), 0);
  const size_t root = FindRecordOf(Pfade, t.Root());
  ASSERT_NE(root, PfadListe::npos);
  EXPECT_LT(Pfade[root].Files, 300);
}

}  // namespace
}  // namespace vardune
