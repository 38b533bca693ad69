// The window of the file types (see typeswindow.h).
#include "view/typeswindow.h"

#include <commctrl.h>

#include <algorithm>

#include "os/text.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "ui/anchor.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/platform.h"
#include "view/besidemain.h"
#include "view/filerows.h"
#include "view/follow.h"
#include "view/rows.h"
#include "view/treemap_layout.h"

namespace vardune {

namespace {

constexpr int kMainWin = 1;
constexpr int kDesignW = 330, kDesignH = 334;
constexpr int kNarrowest = 250;
struct Column {
  const wchar_t* title;
  int width;
  bool right;
};
constexpr Column kColumns[] = {
    {L"Typ", 100, false}, {L"KBytes", 80, true}, {L"Anteil", 60, true}, {L"Dateien", 60, true}};
// The squares: one per colour of the palette, then the grey of all other types; as big as a
// small icon, the square a little inside it.
constexpr int kImage = 16, kSquareInset = 2;
constexpr int kGreyImage = static_cast<int>(std::size(kTreemapPalette));

std::vector<TypeListRow> gRows;
int gSort = 11;  // "KBytes", most first
bool gPlaced = false;
ListShows gShows;
bool gBuilt = false;
ListShows gBuiltShows;
uint64_t gBuiltStamp = 0;
// The types the user chose, kept while the rows change; the rows holding them are selected
// again whenever the list is filled (which alone does not change the choice).
std::vector<std::wstring> gChosen;
bool gFilling = false;
HIMAGELIST gImages = nullptr;
int gImagesDpi = 0;

bool RowsHold() { return gBuilt && gBuiltStamp == Pfade.Changes(); }

int ImageOf(uint32_t rank) { return rank < static_cast<uint32_t>(kGreyImage) ? static_cast<int>(rank) : kGreyImage; }

// The squares at the window's DPI, drawn into the list's small image list.
void MakeImages() {
  const int dpi = ui::WindowDpi(kTypesWindow);
  HWND list = ui::GadgetID(kTypesList);
  if (!list || (gImages && gImagesDpi == dpi)) return;
  const int size = ui::ScaleToDpi(kImage, dpi), inset = ui::ScaleToDpi(kSquareInset, dpi);
  HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32, kGreyImage + 1, 0);
  if (!images) return;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  for (int k = 0; k <= kGreyImage; ++k) {
    const uint32_t c = k < kGreyImage ? kTreemapPalette[k] : kTreemapGrey;
    HBITMAP bmp = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, size, size};
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    RECT square{inset, inset, size - inset, size - inset};
    HBRUSH edge = CreateSolidBrush(RGB(0x40, 0x40, 0x40));
    FillRect(dc, &square, edge);
    DeleteObject(edge);
    InflateRect(&square, -1, -1);
    HBRUSH fill = CreateSolidBrush(RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
    FillRect(dc, &square, fill);
    DeleteObject(fill);
    SelectObject(dc, old);
    ImageList_Add(images, bmp, nullptr);
    DeleteObject(bmp);
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  HIMAGELIST previous = reinterpret_cast<HIMAGELIST>(
      SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images)));
  if (previous && previous != images) ImageList_Destroy(previous);
  gImages = images;
  gImagesDpi = dpi;
}

// Tells the main loop that the chosen types may have changed, as a selection change does.
void PostChosen() {
  ui::Event e;
  e.Kind = ui::EventGadget;
  e.Window = kTypesWindow;
  e.Gadget = kTypesList;
  e.Type = ui::TypeChange;
  ui::PostEvent(e);
}

void ShowRows(std::vector<TypeListRow> rows) {
  const std::vector<size_t> order = OrderTypeRows(rows, gSort);
  gRows.clear();
  gRows.reserve(rows.size());
  for (size_t i : order) gRows.push_back(std::move(rows[i]));
  gFilling = true;
  ui::ResetVirtualList(kTypesList, static_cast<int>(gRows.size()));
  for (size_t row = 0; row < gRows.size(); ++row) {
    if (std::find(gChosen.begin(), gChosen.end(), gRows[row].type) != gChosen.end()) {
      ui::SetGadgetItemState(kTypesList, static_cast<int>(row), 1);
    }
  }
  gFilling = false;
  PostChosen();
}

void Clear() {
  gBuilt = false;
  if (gRows.empty()) return;
  gRows.clear();
  gFilling = true;
  ui::ResetVirtualList(kTypesList, 0);
  gFilling = false;
}

// The user changed the selection: the chosen types are those of the rows selected now.
void TakeChoice() {
  HWND list = ui::GadgetID(kTypesList);
  if (gFilling || !list || !RowsHold()) return;
  gChosen.clear();
  for (int row = -1;;) {
    row = static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
    if (row < 0 || static_cast<size_t>(row) >= gRows.size()) break;
    gChosen.push_back(gRows[static_cast<size_t>(row)].type);
  }
}

void Fill(const DirFileStats& stats, const TypeRanking& ranks) {
  std::vector<TypeListRow> rows;
  rows.reserve(stats.types.size());
  for (const TypeRow& t : stats.types) {
    TypeListRow r;
    r.type = t.type;
    r.bytes = t.bytes;
    r.files = t.files;
    r.rank = ranks.RankOf(t.type);
    r.cells[0] = TypeText(t.type);
    r.cells[1] = KBytesText(t.bytes);
    r.cells[2] = ShareText(t.bytes, stats.bytes);
    r.cells[3] = GroupThousands(t.files);
    rows.push_back(std::move(r));
  }
  ShowRows(std::move(rows));
}

void SortBy(int column) {
  gSort = NextSort(gSort, column);
  ShowRows(std::move(gRows));
}

void OnShow(const ListShows& shows) {
  gShows = shows;
  if (gBuiltStamp != Pfade.Changes()) Clear();
}

void OnDrop() {
  gShows = ListShows{};
  Clear();
}

bool OnWork(int64_t) {
  if (!ui::IsWindowShown(kTypesWindow)) return false;
  if (RowsHold() && gBuiltShows == gShows) return false;
  if (gShows.kind == ListShows::Dir) {
    if (GScanning.load()) return false;
    const DirFileStats* stats = SharedDirStats();
    const TypeRanking* ranks = SharedTypeRanking();
    if (!stats || !ranks) return true;
    Fill(*stats, *ranks);
  } else {
    Clear();
  }
  gBuilt = true;
  gBuiltShows = gShows;
  gBuiltStamp = Pfade.Changes();
  return false;
}

}  // namespace

HWND Window_FormTypes() {
  const bool owned = ui::IsWindowOpen(kMainWin);
  HWND win = ui::OpenWindow(kTypesWindow, owned ? ui::WindowX(kMainWin) : 0,
                            owned ? ui::WindowY(kMainWin) : 0, kDesignW, kDesignH,
                            L"Vardune Dateitypen",
                            ui::WinSystemMenu | ui::WinMaximize | ui::WinSizable | ui::WinInvisible,
                            owned ? kMainWin : 0);
  if (!win) return nullptr;
  _AnchorAdd(kTypesWindow, kAnchorKeep, ui::WindowX(kTypesWindow), ui::WindowY(kTypesWindow),
             kDesignW, kDesignH);
  ui::SetWindowMinSize(kTypesWindow, 200, 120);
  HWND list = ui::ListIconGadget(kTypesWindow, kTypesList, 0, 0, kDesignW, kDesignH,
                                 kColumns[0].title, kColumns[0].width,
                                 ui::GadGridLines | ui::GadFullRow | ui::GadMultiSelect |
                                     ui::GadAlwaysShowSel | ui::GadVirtual | ui::GadDoubleBuffer);
  if (!list) {
    ui::CloseWindow(kTypesWindow);
    return nullptr;
  }
  _Anchor(L"RU", kTypesWindow, kTypesList, 0, 0, kDesignW, kDesignH);
  for (int c = 1; c < 4; ++c) ui::AddGadgetColumn(kTypesList, c, kColumns[c].title, kColumns[c].width);
  for (int c = 1; c < 4; ++c) {
    LVCOLUMNW col{};
    col.mask = LVCF_FMT;
    col.fmt = LVCFMT_RIGHT;
    SendMessageW(list, LVM_SETCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  gImages = nullptr;
  gImagesDpi = 0;
  MakeImages();
  ui::SetVirtualSource(kTypesList, [](int row, int column) -> std::wstring_view {
    if (row < 0 || static_cast<size_t>(row) >= gRows.size() || column < 0 || column > 3) return {};
    return gRows[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
  });
  ui::SetGadgetNotifyHandler(kTypesList, [](NMHDR* h, LRESULT& result) {
    switch (h->code) {
      case LVN_COLUMNCLICK:
        SortBy(reinterpret_cast<NMLISTVIEW*>(h)->iSubItem);
        result = 0;
        return true;
      case LVN_ITEMCHANGED:
      case LVN_ODSTATECHANGED:
        TakeChoice();
        return false;
      case LVN_GETDISPINFOW: {
        // The square of the row's type; the texts are filled as for every list.
        auto* di = reinterpret_cast<NMLVDISPINFOW*>(h);
        const int row = di->item.iItem;
        if ((di->item.mask & LVIF_IMAGE) && di->item.iSubItem == 0 && row >= 0 &&
            static_cast<size_t>(row) < gRows.size()) {
          di->item.iImage = ImageOf(gRows[static_cast<size_t>(row)].rank);
        }
        return false;
      }
      default:
        return false;
    }
  });
  ui::ResetVirtualList(kTypesList, static_cast<int>(gRows.size()));
  gPlaced = false;
  return win;
}

void _TypesOpen() {
  if (!ui::IsWindowOpen(kTypesWindow) && !Window_FormTypes()) {
    ui::_Msg(L"Err - Konnte <Dateitypen> Fenster nicht öffnen");
    return;
  }
  if (!gPlaced) {
    PlaceBesideMain(kTypesWindow, kDesignW, kDesignH, kNarrowest);
    gPlaced = true;
  }
  ui::HideWindow(kTypesWindow, false);
}

void HideTypes() { ui::HideWindow(kTypesWindow, true); }

void ConnectTypesWindow() {
  // A session begins with the window as it first opens: most bytes first, no type chosen.
  gRows.clear();
  gSort = 11;
  gPlaced = false;
  gBuilt = false;
  gChosen.clear();
  AddFollowingView(FollowingView{OnShow, OnDrop, OnWork});
}

void TypesDpiChanged() {
  MakeImages();
  if (HWND list = ui::GadgetID(kTypesList)) InvalidateRect(list, nullptr, TRUE);
}

std::vector<std::wstring> TypesChosen() { return gChosen; }

}  // namespace vardune
