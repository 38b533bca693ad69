// The main window as a user meets it: its controls, their layout when the window is resized,
// the menus, column-header clicks through the message hook, the folder picker, the controls the
// scanner works with, and the three pictures.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "scan/driver.h"
#include "scan/scanui.h"
#include "tests/support/support.h"
#include "ui/anchor.h"
#include "ui/images.h"
#include "ui/mainwindow.h"
#include "ui/menus.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

using test::Box;
using test::BoxOf;

const Box kDesign[] = {
    {}, {}, {5, 5, 20, 20}, {30, 5, 465, 20}, {140, 30, 355, 35}, {140, 65, 355, 20},
    {5, 30, 40, 40}, {50, 30, 40, 40}, {95, 30, 40, 20}, {95, 52, 40, 20}, {5, 90, 490, 220},
};

std::wstring ClassOf(HWND h) {
  wchar_t buf[64] = {0};
  GetClassNameW(h, buf, 64);
  return buf;
}

LONG_PTR StyleOf(int n) { return GetWindowLongPtrW(ui::GadgetID(n), GWL_STYLE); }
LONG_PTR ExStyleOf(int n) { return GetWindowLongPtrW(ui::GadgetID(n), GWL_EXSTYLE); }

// The items of a menu as "number text", "-" for a separator.
std::vector<std::wstring> ItemsOf(HMENU m) {
  std::vector<std::wstring> items;
  const int n = GetMenuItemCount(m);
  for (int i = 0; i < n; ++i) {
    wchar_t text[128] = {0};
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
    mi.dwTypeData = text;
    mi.cch = 128;
    GetMenuItemInfoW(m, static_cast<UINT>(i), TRUE, &mi);
    if (mi.fType & MFT_SEPARATOR) items.push_back(L"-");
    else items.push_back(std::to_wstring(mi.wID) + L" " + text);
  }
  return items;
}

std::vector<int> gColumnClicks;
void RecordColumnClick(int column) { gColumnClicks.push_back(column); }

// A column-click notification as a list sends it, from `from` with id `id`, to `to`.
void SendColumnClick(HWND to, HWND from, int id, int column) {
  NMLISTVIEW nm{};
  nm.hdr.hwndFrom = from;
  nm.hdr.idFrom = static_cast<UINT_PTR>(id);
  nm.hdr.code = LVN_COLUMNCLICK;
  nm.iItem = -1;
  nm.iSubItem = column;
  SendMessageW(to, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&nm));
}

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(LoadImages()); }

  void SetUp() override {
    test::ResetDialogs();
    test::gFolderAnswer.clear();
    gColumnClicks.clear();
    hwnd_ = Window_FormMain();
    ASSERT_NE(hwnd_, nullptr);
    test::DrainEvents();
  }

  void TearDown() override {
    ui::SetWindowCallback(nullptr);
    GOnColumnClick = nullptr;
    GScanUi = ScanUi{};
    ui::CloseWindow(56);
    ui::CloseWindow(1);
    test::DrainEvents();
  }

  // Resizes the window's inner area and lets the program see the size event, as the main
  // loop does.
  void ResizeInner(int w, int h) {
    ui::ResizeWindow(1, ui::kKeep, ui::kKeep, w, h);
    bool sized = false;
    for (const auto& e : test::DrainEvents()) {
      if (e.kind == ui::EventSizeWindow && e.window == 1) sized = true;
    }
    EXPECT_TRUE(sized) << "no size event for " << w << "x" << h;
    _AnchorApply(1);
  }

  void ExpectDesignLayout() {
    for (int n = 2; n <= 10; ++n) EXPECT_EQ(BoxOf(n), kDesign[n]) << "control " << n;
  }

  HWND hwnd_ = nullptr;
};

TEST_F(MainWindowTest, WindowAndControlsAsDesigned) {
  EXPECT_EQ(ui::WindowNumber(hwnd_), 1);
  EXPECT_EQ(ui::GetWindowTitle(1), L"Vardune");
  EXPECT_EQ(ui::WindowInnerWidth(1), 500);
  EXPECT_EQ(ui::WindowInnerHeight(1), 334);
  const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
  EXPECT_TRUE(IsWindowVisible(hwnd_));
  // Centred on the work area.
  RECT work, wr;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(hwnd_, &wr);
  EXPECT_NEAR((wr.left + wr.right) / 2, (work.left + work.right) / 2, 1);
  EXPECT_NEAR((wr.top + wr.bottom) / 2, (work.top + work.bottom) / 2, 1);

  struct Expected {
    int n;
    const wchar_t* cls;
    const wchar_t* text;
  };
  const Expected controls[] = {
      {2, L"Button", L"..."}, {3, L"Edit", L""},     {4, L"Edit", L""},
      {5, L"Edit", L""},      {6, L"Button", L""},   {7, L"Button", L""},
      {8, L"Button", L"STOPP"}, {9, L"Button", L"ERRS"}, {10, L"SysListView32", L""},
  };
  HWND previous = nullptr;
  for (const Expected& c : controls) {
    HWND h = ui::GadgetID(c.n);
    ASSERT_NE(h, nullptr) << c.n;
    EXPECT_EQ(GetParent(h), hwnd_) << c.n;
    EXPECT_EQ(GetDlgCtrlID(h), c.n);
    EXPECT_EQ(ClassOf(h), c.cls) << c.n;
    EXPECT_EQ(ui::GetGadgetText(c.n), c.text) << c.n;
    EXPECT_EQ(BoxOf(c.n), kDesign[c.n]) << "control " << c.n;
    EXPECT_TRUE(IsWindowVisible(h)) << c.n;
    // Created in the order of the numbers: each follows the previous in the z-order.
    if (previous) {
      EXPECT_EQ(GetWindow(previous, GW_HWNDNEXT), h) << c.n;
    }
    previous = h;
  }

  // Edit fields: sunken, the two status fields read-only, the summary multi-line.
  for (int n : {3, 4, 5}) EXPECT_TRUE(ExStyleOf(n) & WS_EX_CLIENTEDGE) << n;
  EXPECT_FALSE(StyleOf(3) & (ES_READONLY | ES_MULTILINE));
  EXPECT_EQ(StyleOf(4) & (ES_READONLY | ES_MULTILINE | ES_AUTOVSCROLL),
            ES_READONLY | ES_MULTILINE | ES_AUTOVSCROLL);
  EXPECT_EQ(StyleOf(5) & (ES_READONLY | ES_MULTILINE), ES_READONLY);

  // Image buttons carry images 1 and 2; the toggles are push-like check boxes with tooltips.
  for (int n : {6, 7}) EXPECT_TRUE(StyleOf(n) & BS_BITMAP) << n;
  EXPECT_EQ(ui::GetGadgetImage(6), GImage(1));
  EXPECT_EQ(ui::GetGadgetImage(7), GImage(2));
  for (int n : {8, 9}) {
    EXPECT_EQ(StyleOf(n) & (BS_TYPEMASK | BS_PUSHLIKE), BS_AUTOCHECKBOX | BS_PUSHLIKE) << n;
    EXPECT_EQ(ui::GetGadgetState(n), 0) << n;
  }
  EXPECT_EQ(ui::GadgetToolTipText(8), L"Scan abbrechen");
  EXPECT_EQ(ui::GadgetToolTipText(9), L"Fehlerverz anzeigen (oder nicht)");
  EXPECT_EQ(ui::GadgetToolTipText(2), L"");

  // The result list: owner data, report view, several rows selectable, selection shown
  // without focus, grid lines and full rows; its five columns.
  EXPECT_EQ(StyleOf(10) & (LVS_TYPEMASK | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL),
            LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS);
  const auto lvex = SendMessageW(ui::GadgetID(10), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_EQ(lvex & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
            LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  ASSERT_EQ(ui::CountGadgetColumns(10), 5);
  const std::pair<const wchar_t*, int> columns[] = {
      {L"Bup", 25}, {L"KBytes", 80}, {L"Name", 240}, {L"Dateien", 60}, {L"Verz", 60}};
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(ui::GetGadgetColumnTitle(10, c), columns[c].first) << c;
    EXPECT_EQ(ui::GetGadgetColumnWidth(10, c), columns[c].second) << c;
  }
  EXPECT_EQ(ResultListHandle(), ui::GadgetID(10));
}

TEST_F(MainWindowTest, ShrinkingToTheMinimumStretchesOnlyTheAnchoredControls) {
  ResizeInner(200, 150);  // below the minimum: the window stops at 400 x 300
  ASSERT_EQ(ui::WindowInnerWidth(1), 400);
  ASSERT_EQ(ui::WindowInnerHeight(1), 300);
  EXPECT_EQ(BoxOf(10), (Box{5, 90, 390, 186}));
  EXPECT_EQ(BoxOf(3), (Box{30, 5, 365, 20}));
  EXPECT_EQ(BoxOf(4), (Box{140, 30, 255, 35}));
  EXPECT_EQ(BoxOf(5), (Box{140, 65, 255, 20}));
  for (int n : {2, 6, 7, 8, 9}) EXPECT_EQ(BoxOf(n), kDesign[n]) << "control " << n;
}

TEST_F(MainWindowTest, GrowingAndShrinkingBackRestoresTheDesign) {
  ResizeInner(777, 555);
  EXPECT_EQ(BoxOf(10), (Box{5, 90, 767, 441}));
  EXPECT_EQ(BoxOf(3), (Box{30, 5, 742, 20}));
  for (int n : {2, 6, 7, 8, 9}) EXPECT_EQ(BoxOf(n), kDesign[n]) << "control " << n;
  ResizeInner(401, 301);
  ResizeInner(640, 480);
  ResizeInner(500, 334);
  ExpectDesignLayout();
}

TEST_F(MainWindowTest, MenusHoldExactlyTheirItems) {
  ASSERT_TRUE(_MainMenu());
  HMENU bar = GetMenu(hwnd_);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar, ui::MenuID(kMenuMain));
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  wchar_t title[64] = {0};
  GetMenuStringW(bar, 0, title, 64, MF_BYPOSITION);
  EXPECT_STREQ(title, L"Programm");
  GetMenuStringW(bar, 1, title, 64, MF_BYPOSITION);
  EXPECT_STREQ(title, L"Bearbeiten");
  EXPECT_EQ(ItemsOf(GetSubMenu(bar, 0)),
            (std::vector<std::wstring>{L"4 Info", L"1 Stresstest", L"3 Logfenster", L"9 Treemap",
                                       L"14 Größte Dateien", L"15 Dateitypen",
                                       L"16 Vergleichen mit...", L"10 Exportieren...",
                                       L"11 Importieren...", L"-", L"2 Beenden"}));
  EXPECT_EQ(ItemsOf(GetSubMenu(bar, 1)),
            (std::vector<std::wstring>{L"5 Backup Sets", L"6 Explorer AppData", L"-",
                                       L"7 Explorer", L"8 Lösch-Dialog"}));

  ASSERT_TRUE(_PopupMenu());
  ASSERT_NE(ui::MenuID(kMenuPopup), nullptr);
  EXPECT_EQ(ItemsOf(ui::MenuID(kMenuPopup)),
            (std::vector<std::wstring>{L"12 Explorer", L"13 Lösch-Dialog",
                                       L"17 In den Papierkorb..."}));
  EXPECT_TRUE(test::Dialogs().empty());

  // The inner height counts the menu bar: adding it changes nothing in the layout.
  test::DrainEvents();
  EXPECT_EQ(ui::WindowInnerHeight(1), 334);
  _AnchorApply(1);
  ExpectDesignLayout();
  RECT client;
  GetClientRect(hwnd_, &client);
  EXPECT_LE(kDesign[10].y + kDesign[10].h, client.bottom) << "the list fits under the menu";

  // A chosen item arrives as a menu event with its number.
  SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(kItemDelete, 0), 0);
  const auto events = test::DrainEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, ui::EventMenu);
  EXPECT_EQ(events[0].menu, 8);
}

TEST_F(MainWindowTest, MenusThatCannotBeCreatedAreReported) {
  ui::FailNextMenuCreation(true);
  EXPECT_FALSE(_MainMenu());
  ui::FailNextMenuCreation(true);
  EXPECT_FALSE(_PopupMenu());
  ASSERT_EQ(test::Dialogs().size(), 2u);
  EXPECT_EQ(test::Dialogs()[0].kind, L"message");
  EXPECT_EQ(test::Dialogs()[0].title, L"Vardune Meldung");
  EXPECT_EQ(test::Dialogs()[0].text, L"Fehler: Konnte Haupt-Menü nicht erzeugen!");
  EXPECT_FALSE(test::Dialogs()[0].yesNo);
  EXPECT_EQ(test::Dialogs()[1].text, L"Fehler: Konnte Popup-Menü nicht erzeugen!");
  EXPECT_FALSE(test::Dialogs()[1].yesNo);
  EXPECT_EQ(GetMenu(hwnd_), nullptr);
  // The program runs on: the next attempt succeeds.
  EXPECT_TRUE(_MainMenu());
  EXPECT_NE(GetMenu(hwnd_), nullptr);
}

TEST_F(MainWindowTest, ColumnClicksOfTheResultListReachTheSort) {
  InstallMainWindowHook();
  RememberResultListHandle();
  GOnColumnClick = RecordColumnClick;

  test::ClickHeader(ui::GadgetID(10), 2);
  test::ClickHeader(ui::GadgetID(10), 4);
  SendColumnClick(hwnd_, ui::GadgetID(10), 10, 1);
  EXPECT_EQ(gColumnClicks, (std::vector<int>{2, 4, 1}));

  // A list of another window, clicked for real, and a notification to window 1 from a
  // control that is not list 10, change nothing.
  gColumnClicks.clear();
  ASSERT_NE(ui::OpenWindow(56, 50, 50, 300, 200, L"Andere", ui::WinNormal), nullptr);
  ASSERT_NE(ui::ListIconGadget(56, 57, 5, 5, 290, 190, L"Eins", 80, 0), nullptr);
  ui::AddGadgetColumn(57, 1, L"Zwei", 80);
  test::ClickHeader(ui::GadgetID(57), 1);
  SendColumnClick(hwnd_, ui::GadgetID(57), 10, 1);
  SendColumnClick(ui::WindowID(56), ui::GadgetID(10), 10, 1);
  EXPECT_TRUE(gColumnClicks.empty());

  // Without a sort to call, a click is harmless, and other notifications still become events.
  GOnColumnClick = nullptr;
  test::ClickHeader(ui::GadgetID(10), 0);
  ui::SetVirtualCount(10, 3);
  test::DrainEvents();
  ui::SetGadgetState(10, 1);
  bool changed = false;
  for (const auto& e : test::DrainEvents()) {
    if (e.kind == ui::EventGadget && e.gadget == 10 && e.type == ui::TypeChange) changed = true;
  }
  EXPECT_TRUE(changed);
}

TEST_F(MainWindowTest, SideButtonOverTheListIsAnEventOfWindowOne) {
  InstallMainWindowHook();
  PostMessageW(ui::GadgetID(10), WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON2), MAKELPARAM(40, 40));
  const auto events = test::DrainEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, ui::EventXButtonUp);
  EXPECT_EQ(events[0].window, 1);
}

TEST_F(MainWindowTest, FolderPickerCancelKeepsThePath) {
  GStartPath = L"C:\\Daten\\";
  ui::SetGadgetText(3, L"");
  test::gFolderAnswer.clear();
  _PickPath();
  EXPECT_EQ(GStartPath, L"C:\\Daten\\");
  EXPECT_EQ(ui::GetGadgetText(3), L"C:\\Daten\\");
  ASSERT_EQ(test::Dialogs().size(), 1u);
  EXPECT_EQ(test::Dialogs()[0].kind, L"folder");
  EXPECT_EQ(test::Dialogs()[0].title, L"Select GStartPath");
  EXPECT_EQ(test::Dialogs()[0].initial, L"C:\\Daten");

  test::gFolderAnswer = L"Z:\\tmp\\";
  _PickPath();
  EXPECT_EQ(GStartPath, L"Z:\\tmp\\");
  EXPECT_EQ(ui::GetGadgetText(3), L"Z:\\tmp\\");

  // A drive root keeps its backslash when offered; an answer always ends with one.
  GStartPath = L"C:\\";
  test::gFolderAnswer = L"D:\\Fotos";
  _PickPath();
  EXPECT_EQ(test::Dialogs().back().initial, L"C:\\");
  EXPECT_EQ(GStartPath, L"D:\\Fotos\\");
  EXPECT_EQ(ui::GetGadgetText(3), L"D:\\Fotos\\");
  test::gFolderAnswer.clear();
  GStartPath.clear();
}

TEST_F(MainWindowTest, ScannerWritesAndPumpsTheRealControls) {
  InstallMainWindowScanUi();
  GScanUi.SetPathText(L"Z:\\tmp\\a\\\r\n...");
  EXPECT_EQ(ui::GetGadgetText(4), L"Z:\\tmp\\a\\\r\n...");
  EXPECT_EQ(GScanUi.GetPathText(), L"Z:\\tmp\\a\\\r\n...");
  GScanUi.SetCounterText(L"12 KB 3 Dateien");
  EXPECT_EQ(ui::GetGadgetText(5), L"12 KB 3 Dateien");

  ui::DisableGadget(8, true);
  GScanUi.EnableStop(true);
  EXPECT_FALSE(ui::IsGadgetDisabled(8));

  // A press of "STOPP" is found, released and reported once; the click event it made is
  // dropped, like every other command during a scan.
  SendMessageW(ui::GadgetID(8), BM_CLICK, 0, 0);
  EXPECT_EQ(ui::GetGadgetState(8), 1);
  SendMessageW(ui::GadgetID(2), BM_CLICK, 0, 0);  // "..." would open the picker
  EXPECT_TRUE(GScanUi.PumpEvents());
  EXPECT_EQ(ui::GetGadgetState(8), 0);
  EXPECT_EQ(ui::QueuedEventCount(), 0u);
  EXPECT_TRUE(test::Dialogs().empty());
  EXPECT_FALSE(GScanUi.PumpEvents());

  // Pressed with no event pending at all: still found.
  ui::SetGadgetState(8, 1);
  EXPECT_TRUE(GScanUi.PumpEvents());
  EXPECT_EQ(ui::GetGadgetState(8), 0);

  // A window resized during the walk is laid out again.
  ui::ResizeWindow(1, ui::kKeep, ui::kKeep, 600, 400);
  EXPECT_FALSE(GScanUi.PumpEvents());
  EXPECT_EQ(BoxOf(10), (Box{5, 90, 590, 286}));
  EXPECT_EQ(BoxOf(3), (Box{30, 5, 565, 20}));

  ui::SetGadgetState(8, 1);
  GScanUi.ReleaseStop();
  EXPECT_EQ(ui::GetGadgetState(8), 0);
  GScanUi.EnableStop(false);
  EXPECT_TRUE(ui::IsGadgetDisabled(8));

  // The blink thread changes the picture without waiting for this thread.
  std::thread blink([] { GScanUi.SetScanImage(3); });
  blink.join();
  test::PumpMessages();
  EXPECT_EQ(ui::GetGadgetImage(7), GImage(3));
  std::thread back([] { GScanUi.SetScanImage(2); });
  back.join();
  test::PumpMessages();
  EXPECT_EQ(ui::GetGadgetImage(7), GImage(2));
}

TEST_F(MainWindowTest, PopupOpensAtThePointer) {
  ASSERT_TRUE(_PopupMenu());
  RECT list = ui::GadgetRect(10);
  POINT at{list.left + 120, list.top + 60};
  ClientToScreen(hwnd_, &at);
  SetCursorPos(at.x, at.y);
  test::PumpMessages();
  POINT expected{};
  GetCursorPos(&expected);
  ASSERT_EQ(expected.x, at.x);
  ASSERT_EQ(expected.y, at.y);

  // The menu runs its own loop: a timer looks at it and closes it.
  static RECT shown;
  shown = RECT{-1, -1, -1, -1};
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    if (HWND m = FindWindowW(L"#32768", nullptr); m && IsWindowVisible(m)) {
      GetWindowRect(m, &shown);
      EndMenu();
    }
  });
  ShowResultPopup();
  KillTimer(nullptr, timer);
  EXPECT_EQ(shown.left, expected.x);
  EXPECT_EQ(shown.top, expected.y);
  test::DrainEvents();
}

TEST_F(MainWindowTest, PicturesAreTheThreeImages) {
  EXPECT_EQ(GImage(0), nullptr);
  EXPECT_EQ(GImage(4), nullptr);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  COLORREF corner[4] = {}, middle[4] = {};
  for (int n = 1; n <= 3; ++n) {
    HBITMAP b = GImage(n);
    ASSERT_NE(b, nullptr) << n;
    BITMAP info{};
    ASSERT_TRUE(GetObjectW(b, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 32) << n;
    EXPECT_EQ(info.bmHeight, 32) << n;
    HGDIOBJ old = SelectObject(dc, b);
    corner[n] = GetPixel(dc, 0, 0);
    middle[n] = GetPixel(dc, 16, 24);
    SelectObject(dc, old);
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  // 1 and 2 on white, 3 on red; the arrow's shaft is grey, the folders alike in the middle.
  EXPECT_EQ(corner[1], RGB(255, 255, 255));
  EXPECT_EQ(corner[2], RGB(255, 255, 255));
  EXPECT_GT(GetRValue(corner[3]), 180);
  EXPECT_LT(GetGValue(corner[3]), 80);
  EXPECT_LT(GetBValue(corner[3]), 80);
  EXPECT_LT(GetRValue(middle[1]), 220);
  EXPECT_NEAR(GetRValue(middle[1]), GetGValue(middle[1]), 8);
  EXPECT_EQ(middle[2], middle[3]);
  EXPECT_NE(middle[2], corner[2]);
}

}  // namespace
}  // namespace vardune
