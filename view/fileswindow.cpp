// The window of the largest files (see fileswindow.h).
#include "view/fileswindow.h"

#include <commctrl.h>

#include <algorithm>

#include "scan/driver.h"
#include "scan/model.h"
#include "ui/anchor.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/platform.h"
#include "view/besidemain.h"
#include "view/datetext.h"
#include "view/filerows.h"
#include "view/follow.h"
#include "view/rows.h"

namespace vardune {

namespace {

constexpr int kMainWin = 1;
// Design size (its height that of the main window) and the narrowest beside it.
constexpr int kDesignW = 560, kDesignH = 334;
constexpr int kNarrowest = 300;
// The columns by number, and the order they stand in: "KBytes" first, as in the main list,
// but column 0 of a list is always left-aligned, so the names hold it.
struct Column {
  const wchar_t* title;
  int width;
  bool right;
};
constexpr Column kColumns[] = {
    {L"Name", 170, false}, {L"KBytes", 80, true}, {L"Verzeichnis", 150, false}, {L"Geändert", 140, false}};
constexpr int kOrder[] = {1, 0, 2, 3};

std::vector<FileRow> gRows;
int gSort = 11;  // "KBytes", largest first
bool gPlaced = false;
// What the list shows and whether the rows are those of it, and of which results.
ListShows gShows;
bool gBuilt = false;
ListShows gBuiltShows;
uint64_t gBuiltStamp = 0;

void ShowRows(std::vector<FileRow> rows) {
  const std::vector<size_t> order = OrderFileRows(rows, gSort);
  gRows.clear();
  gRows.reserve(rows.size());
  for (size_t i : order) gRows.push_back(std::move(rows[i]));
  ui::ResetVirtualList(kFilesList, static_cast<int>(gRows.size()));
}

void Clear() {
  gBuilt = false;
  if (gRows.empty()) return;
  gRows.clear();
  ui::ResetVirtualList(kFilesList, 0);
}

void Fill(const DirFileStats& stats) {
  const std::vector<FileInfo> files = FilesOf(Pfade, stats.largest);
  std::vector<FileRow> rows;
  rows.reserve(files.size());
  for (size_t k = 0; k < files.size(); ++k) {
    const FileHit& hit = stats.largest[k];
    rows.push_back(MakeFileRow(files[k], Pfade.FullPath(hit.rec) + L"\\", FileAt{hit.rec, hit.ord},
                               FileDateText(files[k].Time)));
  }
  ShowRows(std::move(rows));
}

bool RowsHold() { return gBuilt && gBuiltStamp == Pfade.Changes(); }

void SortBy(int column) {
  gSort = NextSort(gSort, column);
  ShowRows(std::move(gRows));
}

// ---- following the list --------------------------------------------------------------------

void OnShow(const ListShows& shows) {
  gShows = shows;
  // Rows of other results name files that may be no more; rows of another directory stay
  // until the new ones are made.
  if (gBuiltStamp != Pfade.Changes()) Clear();
}

void OnDrop() {
  gShows = ListShows{};
  Clear();
}

bool OnWork(int64_t) {
  if (!ui::IsWindowShown(kFilesWindow)) return false;
  if (RowsHold() && gBuiltShows == gShows) return false;
  if (gShows.kind == ListShows::Dir) {
    if (GScanning.load()) return false;
    const DirFileStats* stats = SharedDirStats();
    if (!stats) return true;
    Fill(*stats);
  } else {
    Clear();
  }
  gBuilt = true;
  gBuiltShows = gShows;
  gBuiltStamp = Pfade.Changes();
  return false;
}

ListedFile FileOfRow(const FileRow& r) { return ListedFile{r.at, r.path, r.size}; }

}  // namespace

HWND Window_FormFiles() {
  const bool owned = ui::IsWindowOpen(kMainWin);
  HWND win = ui::OpenWindow(kFilesWindow, owned ? ui::WindowX(kMainWin) : 0,
                            owned ? ui::WindowY(kMainWin) : 0, kDesignW, kDesignH,
                            L"Vardune Dateien",
                            ui::WinSystemMenu | ui::WinMaximize | ui::WinSizable | ui::WinInvisible,
                            owned ? kMainWin : 0);
  if (!win) return nullptr;
  _AnchorAdd(kFilesWindow, kAnchorKeep, ui::WindowX(kFilesWindow), ui::WindowY(kFilesWindow),
             kDesignW, kDesignH);
  ui::SetWindowMinSize(kFilesWindow, 200, 120);
  HWND list = ui::ListIconGadget(kFilesWindow, kFilesList, 0, 0, kDesignW, kDesignH,
                                 kColumns[0].title, kColumns[0].width,
                                 ui::GadGridLines | ui::GadFullRow | ui::GadMultiSelect |
                                     ui::GadAlwaysShowSel | ui::GadVirtual | ui::GadDoubleBuffer);
  if (!list) {
    ui::CloseWindow(kFilesWindow);
    return nullptr;
  }
  _Anchor(L"RU", kFilesWindow, kFilesList, 0, 0, kDesignW, kDesignH);
  for (int c = 1; c < 4; ++c) ui::AddGadgetColumn(kFilesList, c, kColumns[c].title, kColumns[c].width);
  for (int c = 0; c < 4; ++c) {
    if (!kColumns[c].right) continue;
    LVCOLUMNW col{};
    col.mask = LVCF_FMT;
    col.fmt = LVCFMT_RIGHT;
    SendMessageW(list, LVM_SETCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  int order[4];
  std::copy(std::begin(kOrder), std::end(kOrder), order);
  SendMessageW(list, LVM_SETCOLUMNORDERARRAY, 4, reinterpret_cast<LPARAM>(order));
  ui::SetVirtualSource(kFilesList, [](int row, int column) -> std::wstring_view {
    if (row < 0 || static_cast<size_t>(row) >= gRows.size() || column < 0 || column > 3) return {};
    return gRows[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
  });
  ui::SetGadgetNotifyHandler(kFilesList, [](NMHDR* h, LRESULT& result) {
    switch (h->code) {
      // A click on a column title sorts at once, as in the main list: only the rows are read.
      case LVN_COLUMNCLICK:
        SortBy(reinterpret_cast<NMLISTVIEW*>(h)->iSubItem);
        result = 0;
        return true;
      // Enter does what a double click does.
      case LVN_KEYDOWN:
        if (reinterpret_cast<NMLVKEYDOWN*>(h)->wVKey == VK_RETURN) ui::PostDoubleClick(kFilesWindow, kFilesList);
        return false;
      default:
        return false;
    }
  });
  ui::ResetVirtualList(kFilesList, static_cast<int>(gRows.size()));
  gPlaced = false;
  return win;
}

void _FilesOpen() {
  if (!ui::IsWindowOpen(kFilesWindow) && !Window_FormFiles()) {
    ui::_Msg(L"Err - Konnte <Dateien> Fenster nicht öffnen");
    return;
  }
  if (!gPlaced) {
    PlaceBesideMain(kFilesWindow, kDesignW, kDesignH, kNarrowest);
    gPlaced = true;
  }
  ui::HideWindow(kFilesWindow, false);
}

void HideFiles() { ui::HideWindow(kFilesWindow, true); }

void ConnectFilesWindow() {
  // A session begins with the window as it first opens: largest first.
  gRows.clear();
  gSort = 11;
  gPlaced = false;
  gBuilt = false;
  AddFollowingView(FollowingView{OnShow, OnDrop, OnWork});
}

std::vector<ListedFile> FilesSelected() {
  std::vector<ListedFile> out;
  HWND list = ui::GadgetID(kFilesList);
  if (!RowsHold() || !list) return out;
  for (int row = -1;;) {
    row = static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
    if (row < 0 || static_cast<size_t>(row) >= gRows.size()) break;
    out.push_back(FileOfRow(gRows[static_cast<size_t>(row)]));
  }
  return out;
}

bool FilesCurrent(ListedFile& file) {
  const int row = ui::GetGadgetState(kFilesList);
  if (!RowsHold() || row < 0 || static_cast<size_t>(row) >= gRows.size()) return false;
  file = FileOfRow(gRows[static_cast<size_t>(row)]);
  return true;
}

bool FilesSelect(const FileAt& file) {
  if (!RowsHold()) return false;
  for (size_t row = 0; row < gRows.size(); ++row) {
    if (gRows[row].at == file) {
      ui::SetGadgetState(kFilesList, static_cast<int>(row));
      return true;
    }
  }
  return false;
}

std::vector<ListedFile> FilesListed() {
  std::vector<ListedFile> out;
  for (const FileRow& r : gRows) out.push_back(FileOfRow(r));
  return out;
}

}  // namespace vardune
