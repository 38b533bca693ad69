// The comparison with an earlier export and the window of the changes (see changeswindow.h).
#include "view/changeswindow.h"

#include <commctrl.h>

#include <algorithm>

#include "os/clock.h"
#include "os/files.h"
#include "os/process.h"
#include "os/text.h"
#include "scan/compare.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "scan/progressread.h"
#include "scan/scanui.h"
#include "ui/anchor.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/platform.h"
#include "view/besidemain.h"
#include "view/explorer.h"
#include "view/follow.h"
#include "view/treemap.h"
#include "view/resultlist.h"
#include "view/rows.h"

namespace vardune {

namespace {

constexpr int kMainWin = 1;
constexpr int kPathField = 3;
constexpr int kMenuBar = 0;
constexpr int kItemCompare = 16;
// Design size (its height that of the main window) and the narrowest beside it.
constexpr int kDesignW = 600, kDesignH = 334;
constexpr int kNarrowest = 300;
// The rows kept for one directory: those that changed most.
constexpr size_t kMaxRows = 1000;

struct Column {
  const wchar_t* title;
  int width;
  bool right;
};
// By the list's own column numbers (kChangeColumnOf).
constexpr Column kListColumns[kChangeColumns] = {
    {L"Name", 150, false},       {L"Änderung KB", 90, true}, {L"Jetzt KB", 80, true},
    {L"Vorher KB", 80, true},    {L"Verzeichnis", 180, false}};
constexpr int kShownOrder[kChangeColumns] = {1, 2, 3, 0, 4};

bool gOn = false;
std::wstring gFile;
Comparison gCmp;
bool gPlaced = false;
// What the result list shows, and what the rows were made of.
std::wstring gShowsPath;
bool gShowsErrors = false;
bool gBuilt = false;
std::wstring gBuiltPath;
bool gBuiltErrors = false;
uint64_t gBuiltChanges = 0;
std::vector<ChangeListRow> gRows;
int gSort = 10;  // the growth, most first

int LogicalColumn(int listColumn) {
  for (int c = 0; c < kChangeColumns; ++c) {
    if (kChangeColumnOf[c] == listColumn) return c;
  }
  return 0;
}

void ShowRows(std::vector<ChangeListRow> rows) {
  const std::vector<size_t> order = OrderChangeRows(rows, gSort);
  gRows.clear();
  gRows.reserve(rows.size());
  for (size_t i : order) gRows.push_back(std::move(rows[i]));
  if (ui::IsGadget(kChangesList)) ui::ResetVirtualList(kChangesList, static_cast<int>(gRows.size()));
}

void SetItemText(const wchar_t* text) {
  HMENU bar = ui::MenuID(kMenuBar);
  if (!bar) return;
  MENUITEMINFOW mi{};
  mi.cbSize = sizeof mi;
  mi.fMask = MIIM_STRING;
  mi.dwTypeData = const_cast<wchar_t*>(text);
  for (int i = 0; i < GetMenuItemCount(bar); ++i) {
    if (HMENU sub = GetSubMenu(bar, i); sub && SetMenuItemInfoW(sub, kItemCompare, FALSE, &mi)) break;
  }
  if (HWND w = ui::WindowID(kMainWin)) DrawMenuBar(w);
}

// The time the export was written, as the user's settings write date and time.
std::wstring DateText(int64_t seconds) {
  if (seconds <= 0) return {};
  const uint64_t ft = (static_cast<uint64_t>(seconds) + 11644473600ull) * 10000000ull;
  FILETIME utc{static_cast<DWORD>(ft), static_cast<DWORD>(ft >> 32)};
  SYSTEMTIME st{}, local{};
  if (!FileTimeToSystemTime(&utc, &st) || !SystemTimeToTzSpecificLocalTime(nullptr, &st, &local)) {
    return {};
  }
  wchar_t date[80] = {0}, time[80] = {0};
  GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, 80, nullptr);
  GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, time, 80);
  return std::wstring(date) + L" " + time;
}

// The export's time as its writer recorded it, else the file's last write.
int64_t ExportTime(const std::wstring& path) {
  if (gCmp.Timestamp > 0) return gCmp.Timestamp;
  WIN32_FILE_ATTRIBUTE_DATA a{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return 0;
  const uint64_t ft = (static_cast<uint64_t>(a.ftLastWriteTime.dwHighDateTime) << 32) |
                      a.ftLastWriteTime.dwLowDateTime;
  return ft / 10000000ull > 11644473600ull ? static_cast<int64_t>(ft / 10000000ull - 11644473600ull) : 0;
}

std::wstring Caption() {
  if (!gOn) return L"Vardune Änderungen";
  const size_t cut = gFile.find_last_of(L"\\/");
  std::wstring c = L"Vardune Änderungen – Vergleich mit " +
                   (cut == std::wstring::npos ? gFile : gFile.substr(cut + 1));
  const std::wstring date = DateText(ExportTime(gFile));
  if (!date.empty()) c += L" vom " + date;
  if (gCmp.OtherTree) c += L" (Export eines anderen Verzeichnisses: " + gCmp.EarlierRoot + L")";
  return c;
}

HWND Window_FormChanges() {
  const bool owned = ui::IsWindowOpen(kMainWin);
  HWND win = ui::OpenWindow(kChangesWindow, owned ? ui::WindowX(kMainWin) : 0,
                            owned ? ui::WindowY(kMainWin) : 0, kDesignW, kDesignH,
                            L"Vardune Änderungen",
                            ui::WinSystemMenu | ui::WinMaximize | ui::WinSizable | ui::WinInvisible,
                            owned ? kMainWin : 0);
  if (!win) return nullptr;
  _AnchorAdd(kChangesWindow, kAnchorKeep, ui::WindowX(kChangesWindow), ui::WindowY(kChangesWindow),
             kDesignW, kDesignH);
  ui::SetWindowMinSize(kChangesWindow, 200, 120);
  HWND list = ui::ListIconGadget(kChangesWindow, kChangesList, 0, 0, kDesignW, kDesignH,
                                 kListColumns[0].title, kListColumns[0].width,
                                 ui::GadGridLines | ui::GadFullRow | ui::GadAlwaysShowSel |
                                     ui::GadVirtual | ui::GadDoubleBuffer);
  if (!list) {
    ui::CloseWindow(kChangesWindow);
    return nullptr;
  }
  _Anchor(L"RU", kChangesWindow, kChangesList, 0, 0, kDesignW, kDesignH);
  for (int c = 1; c < kChangeColumns; ++c) {
    ui::AddGadgetColumn(kChangesList, c, kListColumns[c].title, kListColumns[c].width);
  }
  for (int c = 0; c < kChangeColumns; ++c) {
    if (!kListColumns[c].right) continue;
    LVCOLUMNW col{};
    col.mask = LVCF_FMT;
    col.fmt = LVCFMT_RIGHT;
    SendMessageW(list, LVM_SETCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  int order[kChangeColumns];
  std::copy(std::begin(kShownOrder), std::end(kShownOrder), order);
  SendMessageW(list, LVM_SETCOLUMNORDERARRAY, kChangeColumns, reinterpret_cast<LPARAM>(order));
  ui::SetVirtualSource(kChangesList, [](int row, int column) -> std::wstring_view {
    if (row < 0 || static_cast<size_t>(row) >= gRows.size() || column < 0 || column >= kChangeColumns) {
      return {};
    }
    return gRows[static_cast<size_t>(row)].cells[static_cast<size_t>(LogicalColumn(column))];
  });
  ui::SetGadgetNotifyHandler(kChangesList, [](NMHDR* h, LRESULT& result) {
    switch (h->code) {
      case LVN_COLUMNCLICK:
        gSort = NextSort(gSort, LogicalColumn(reinterpret_cast<NMLISTVIEW*>(h)->iSubItem));
        ShowRows(std::move(gRows));
        result = 0;
        return true;
      case LVN_KEYDOWN:
        // Enter does what a double click does.
        if (reinterpret_cast<NMLVKEYDOWN*>(h)->wVKey == VK_RETURN) ui::PostDoubleClick(kChangesWindow, kChangesList);
        return false;
      default:
        return false;
    }
  });
  ui::ResetVirtualList(kChangesList, static_cast<int>(gRows.size()));
  gPlaced = false;
  return win;
}

void Fill() {
  gBuilt = true;
  gBuiltPath = gShowsPath;
  gBuiltErrors = gShowsErrors;
  gBuiltChanges = Pfade.Changes();
  std::vector<ChangeListRow> rows;
  if (gOn && !gShowsErrors && !gShowsPath.empty()) {
    for (ChangeRow& r : ChangesBelow(Pfade, gCmp, gShowsPath, kMaxRows)) {
      rows.push_back(MakeChangeListRow(std::move(r)));
    }
  }
  ShowRows(std::move(rows));
}

// Reads the export and compares; a message says what went wrong.
bool Read(const std::wstring& path, Comparison& out) {
  os::FileReader file(path);
  const auto failed = [&](const std::wstring& why) {
    ui::_Msg(L"Konnte nicht vergleichen:\r\n" + path + L"\r\n" + why);
    return false;
  };
  if (!file.IsOpen()) return failed(os::SystemErrorText(file.OpenError()));
  // As the import: the window stays alive meanwhile, every command dropped, and "STOPP"
  // gives up.
  ImportError err;
  const uint64_t changes = Pfade.Changes();
  bool ok = false, stopped = false;
  {
    ProgressRead progress(file, L"Vergleiche mit", path);
    ok = CompareWithExport(Pfade, progress.Reader(), out, err);
    stopped = progress.Stopped();
  }
  if (stopped) return false;
  if (!ok) return failed(ImportErrorText(err));
  return out.Changes == changes;
}

// The anchor of the comparison is still among the results.
bool AnchorHeld() {
  if (gCmp.Anchor.empty()) return false;
  if (FindRecordOf(Pfade, gCmp.Anchor) != PfadListe::npos) return true;
  for (size_t i = 0; i < Pfade.size(); ++i) {
    if (Pfade.Parent(i) == gCmp.Anchor) return true;
  }
  return false;
}

}  // namespace

bool ComparisonOn() { return gOn; }

const Comparison& CurrentComparison() { return gCmp; }

bool CompareWithFile(const std::wstring& path) {
  if (Pfade.empty()) {
    ui::_Msg(L"Es gibt noch keine Scan-Ergebnisse zum Vergleichen.");
    return false;
  }
  Comparison fresh;
  if (!Read(path, fresh)) return false;
  gCmp = std::move(fresh);
  gFile = path;
  gOn = true;
  gSort = 10;  // a new comparison starts with what grew most
  SetItemText(L"Vergleich beenden");
  if (!ui::IsWindowOpen(kChangesWindow) && !Window_FormChanges()) {
    ui::_Msg(L"Err - Konnte <Änderungen> Fenster nicht öffnen");
    EndComparison();
    return false;
  }
  ui::SetWindowTitle(kChangesWindow, Caption());
  if (!gPlaced) {
    PlaceBesideMain(kChangesWindow, kDesignW, kDesignH, kNarrowest);
    gPlaced = true;
  }
  if (gShowsPath.empty() && !gShowsErrors) gShowsPath = ShownDirectory();
  Fill();
  ui::HideWindow(kChangesWindow, false);
  TreemapComparisonChanged();
  return true;
}

void EndComparison() {
  gOn = false;
  gCmp = Comparison{};
  gFile.clear();
  gBuilt = false;
  gRows.clear();
  SetItemText(L"Vergleichen mit...");
  if (ui::IsWindowOpen(kChangesWindow)) {
    ui::ResetVirtualList(kChangesList, 0);
    ui::SetWindowTitle(kChangesWindow, Caption());
    ui::HideWindow(kChangesWindow, true);
  }
  TreemapComparisonChanged();
}

void _CompareMenu() {
  if (gOn) {
    EndComparison();
    return;
  }
  static const std::vector<ui::FileType> types = {
      {L"ncdu-Export (*.json)", L"*.json"},
      {L"Alle Dateien (*.*)", L"*.*"},
  };
  const ui::FileChoice c = ui::FileRequester(L"Mit früherem Export vergleichen", types, L"", false);
  if (c.Path.empty()) return;
  CompareWithFile(c.Path);
}

void ConnectChangesWindow() {
  // The window follows the list as the other views do; what it shows is made at once (a
  // thousand rows at most), in the pieces of the views' work and after every command.
  AddFollowingView(FollowingView{
      [](const ListShows& shows) {
        if (shows.kind == ListShows::Dir) gShowsPath = shows.path;
        gShowsErrors = shows.kind == ListShows::Errors;
      },
      [] { gBuilt = false; },
      [](int64_t) {
        ChangesWork();
        return false;
      }});
}

void ChangesWork() {
  if (!gOn || GScanning.load()) return;
  if (gCmp.Changes != Pfade.Changes()) {
    // Other results: of the tree the export covers, compared anew; of another, the end.
    if (!AnchorHeld()) {
      EndComparison();
      return;
    }
    Comparison fresh;
    if (!Read(gFile, fresh)) {
      EndComparison();
      return;
    }
    gCmp = std::move(fresh);
    ui::SetWindowTitle(kChangesWindow, Caption());
    gBuilt = false;
    TreemapComparisonChanged();
  }
  if (gBuilt && gBuiltPath == gShowsPath && gBuiltErrors == gShowsErrors &&
      gBuiltChanges == Pfade.Changes()) {
    return;
  }
  Fill();
}

bool ChangesEvent(int kind, int window, int gadget, int type) {
  if (window != kChangesWindow) return false;
  if (kind == ui::EventCloseWindow) {
    EndComparison();
    return true;
  }
  if (kind != ui::EventGadget || gadget != kChangesList || type != ui::TypeLeftDoubleClick) {
    return kind == ui::EventGadget;
  }
  const int row = ui::GetGadgetState(kChangesList);
  if (row < 0 || static_cast<size_t>(row) >= gRows.size()) return true;
  const ChangeRow r = gRows[static_cast<size_t>(row)].change;
  if (r.IsDir && r.Now >= 0 && r.Rec >= 0) {
    // The directory in the result list.
    GStartPath = r.Dir + r.Name + L"\\";  // (the cell shows the same with its backslash)
  } else if (r.File >= 0) {
    const std::wstring file = r.Dir + r.Name;
    os::StartProgram(_WinDir() + L"explorer", L"/select,\"" + file + L"\"", r.Dir);
    return true;
  } else if (!r.IsDir && r.Now != kBeforeAbsent) {
    _Explorer(r.Dir);  // the files of a directory known only by their sum
    return true;
  } else {
    // What is gone, or cannot be read: the directory that holds it.
    GStartPath = r.Dir;
  }
  ui::SetGadgetText(kPathField, GStartPath);
  _ShowDir(GStartPath);
  ChangesWork();
  return true;
}

const std::vector<ChangeListRow>& ChangesShown() { return gRows; }

std::wstring ChangesCaption() {
  return ui::IsWindowOpen(kChangesWindow) ? ui::GetWindowTitle(kChangesWindow) : Caption();
}

}  // namespace vardune
