// The result list of the main window (see resultlist.h): rows held in memory in display
// order and shown by the owner-data list control 10; the summary in control 4.
#include "view/resultlist.h"

#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <vector>

#include "os/text.h"
#include "scan/driver.h"
#include "ui/platform/platform.h"
#include "view/explorer.h"
#include "view/rows.h"
#include "view/follow.h"

namespace vardune {

int8_t GSort = 11;
int64_t GDriveFree = 0;
int64_t GDriveTotal = 0;

namespace {

constexpr int kList = 10;
std::deque<ResultRow> gRows;
std::wstring gShownDir;
bool gShowingErrors = false;

void ShowCount() { ui::SetVirtualCount(kList, static_cast<int>(gRows.size())); }

// The rows now stand for other records: no row stays selected or current, so that no command
// acts on a directory the user never chose.
void ShowNewRows() { ui::ResetVirtualList(kList, static_cast<int>(gRows.size())); }

void ShowRows(std::vector<ResultRow>&& rows, const std::vector<size_t>& order) {
  gRows.clear();
  for (size_t i : order) gRows.push_back(std::move(rows[i]));
}

}  // namespace

void ConnectResultList() {
  ui::SetVirtualSource(kList, [](int row, int column) -> std::wstring_view {
    if (row < 0 || static_cast<size_t>(row) >= gRows.size() || column < 0 || column > 4) return {};
    return gRows[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
  });
  ShowCount();
}

const std::wstring& ShownDirectory() { return gShownDir; }

bool ShowingErrors() { return gShowingErrors; }

std::vector<int> SelectedResultRows() {
  std::vector<int> rows;
  HWND list = ui::GadgetID(kList);
  if (!list) return rows;
  for (int row = -1;;) {
    row = static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
    if (row < 0) break;
    rows.push_back(row);
  }
  return rows;
}

int ResultRowCount() { return static_cast<int>(gRows.size()); }

std::wstring ResultCell(int row, int column) {
  if (row < 0 || static_cast<size_t>(row) >= gRows.size() || column < 0 || column > 4) return {};
  return gRows[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
}

void SetResultCell(int row, int column, std::wstring_view text) {
  if (row < 0 || static_cast<size_t>(row) >= gRows.size() || column < 0 || column > 4) return;
  gRows[static_cast<size_t>(row)].cells[static_cast<size_t>(column)] = text;
  ui::RedrawItems(kList, row, row);
}

void ClearResultRows() {
  gRows.clear();
  ShowNewRows();
}

void InsertResultRowAtTop(std::wstring_view kb, std::wstring_view name, std::wstring_view digest) {
  ResultRow r;
  r.cells[1] = kb;
  r.cells[2] = name;
  r.cells[3] = digest;
  gRows.push_front(std::move(r));
  ShowNewRows();
}

void _AddRow(const Pfad& p, bool fullPath) {
  ResultRow r = MakeRow(p, fullPath);
  const size_t at = InsertionIndex(gRows, r, GSort);
  gRows.insert(gRows.begin() + static_cast<long>(at), std::move(r));
  ShowCount();
}

void _DriveSpace(std::wstring_view path) {
  GDriveFree = 0;
  GDriveTotal = 0;
  // A path that names no drive and no share (the root of a scan imported from a Linux machine,
  // \srv\data\) would give the space of the current drive, which has nothing to do with
  // it: the line then says 0 / 0, as for a drive that cannot be asked.
  const bool onDrive = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
  const bool onShare = path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
  if (!onDrive && !onShare) return;
  // No "insert a disk" or other system dialog for a missing medium or share.
  // The mode from before is restored afterwards (not 0), so that the program's own setting
  // for the directory walk stays in force.
  const UINT before =
      SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  ULARGE_INTEGER avail{}, total{};
  const std::wstring p(path);
  if (GetDiskFreeSpaceExW(p.c_str(), &avail, &total, nullptr)) {
    GDriveFree = static_cast<int64_t>(avail.QuadPart);
    GDriveTotal = static_cast<int64_t>(total.QuadPart);
  }
  SetErrorMode(before);
}

void _ShowDir(std::wstring_view path) {
  const size_t depth = CountChar(path, L'\\');
  // Whether a parent text belongs to the view is the same for every record sharing it.
  std::vector<int8_t> belongs(Pfade.ParentCount(), -1);
  std::vector<ResultRow> rows;
  int64_t bytes = 0;
  uint32_t dirs = 0, files = 0;
  for (size_t i = 0; i < Pfade.size(); ++i) {
    const PfadListe::Rec& r = Pfade[i];
    int8_t& b = belongs[r.Parent];
    if (b < 0) {
      const std::wstring_view parent = Pfade.Parent(i);
      b = parent.find(path) != std::wstring_view::npos && CountChar(parent, L'\\') == depth;
    }
    if (!b) continue;
    const std::wstring_view name = Pfade.Name(i);
    rows.push_back(MakeRow(Pfade.Parent(i), name, r.Size, r.Dirs, r.Files, r.Bup, false));
    bytes += r.Size;
    dirs += static_cast<uint32_t>(r.Dirs) + (name != kDateien ? 1u : 0u);
    files += static_cast<uint32_t>(r.Files);
  }
  const std::vector<size_t> order = OrderRows(rows, GSort);
  // The grouping pass comes after the order is fixed: the order compares plain digits.
  for (int c = 1; c <= 5; ++c) {
    if (ui::GetGadgetColumnTitle(kList, c).find(L"KB") == std::wstring::npos) continue;
    for (auto& row : rows) {
      if (c <= 4 && NumberValue(row.cells[static_cast<size_t>(c)]) > 999) {
        row.cells[static_cast<size_t>(c)] = _PadKB(GroupThousands(row.cells[static_cast<size_t>(c)]));
      }
    }
  }
  ShowRows(std::move(rows), order);
  ShowNewRows();
  gShownDir = path;
  gShowingErrors = false;
  _DriveSpace(path);
  ui::SetGadgetText(4, SummaryText(GDriveFree, GDriveTotal, bytes, static_cast<int32_t>(dirs),
                                   static_cast<int32_t>(files)));
  ui::SetGadgetText(5, L"");
  ViewsFollowDir(path);
}

void _ShowErrors() {
  const int8_t remembered = GSort;
  GSort = 2;
  std::vector<ResultRow> rows;
  for (size_t i = 0; i < Pfade.size(); ++i) {
    const PfadListe::Rec& r = Pfade[i];
    if (r.Size < 0) {
      rows.push_back(MakeRow(Pfade.Parent(i), Pfade.Name(i), r.Size, r.Dirs, r.Files, r.Bup, true));
    }
  }
  ShowRows(std::move(rows), OrderRows(rows, GSort));
  ShowNewRows();
  gShowingErrors = true;
  GSort = remembered;
  ViewsFollowErrors();
}

void _ErrsButton() {
  if (ui::GetGadgetState(9)) _ShowErrors();
  else _ShowDir(GStartPath);
}

void _SortColumn(int column) {
  GSort = static_cast<int8_t>(NextSort(GSort, column));
  _ShowDir(GStartPath);
}

void _DirUp() {
  const std::wstring up = ParentDirOf(GStartPath);
  if (up.empty()) return;
  GStartPath = up;
  ui::SetGadgetText(3, GStartPath);
  _ShowDir(GStartPath);
}

void _RescanShown() {
  if (!gShownDir.empty()) {
    GStartPath = gShownDir;
    ui::SetGadgetText(3, GStartPath);
  }
  _Scan(GStartPath);
}

void _OpenRow(int row, bool inExplorer) {
  GStartPath = _AddBackslash(GStartPath);
  if (row < 0) {
    _Explorer(GStartPath);
    return;
  }
  const std::wstring name = ResultCell(row, 2);
  if (name == kDateien) {
    _Explorer(GStartPath);
    return;
  }
  if (inExplorer) {
    _Explorer(GStartPath + name + L"\\");
    return;
  }
  GStartPath = GStartPath + name + L"\\";
  ui::SetGadgetText(3, GStartPath);
  _ShowDir(GStartPath);
}

}  // namespace vardune
