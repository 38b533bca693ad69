// The windows beside the result list in the main loop (see views.h).
#include "app/views.h"

#include <windows.h>

#include "os/clipboard.h"
#include "os/fs.h"
#include "os/recycle.h"
#include "os/text.h"
#include "scan/driver.h"
#include "scan/fileremoval.h"
#include "scan/model.h"
#include "scan/scanui.h"
#include "sets/ops.h"
#include "ui/anchor.h"
#include "ui/mainwindow.h"
#include "ui/menus.h"
#include "ui/platform/dialogs.h"
#include "view/changeswindow.h"
#include "view/explorer.h"
#include "view/fileswindow.h"
#include "view/follow.h"
#include "view/resultlist.h"
#include "view/treemap.h"
#include "view/typeswindow.h"

namespace vardune {

namespace {

// A popup menu at the mouse, for window `win`.
void PopupAtMouse(int menu, int win) {
  POINT p{0, 0};
  GetCursorPos(&p);
  ui::DisplayPopupMenu(menu, win, p.x, p.y);
}

void OpenCurrentFile() {
  ListedFile f;
  if (FilesCurrent(f)) _ExplorerSelect(f.path);
}

void CopySelectedPaths() {
  std::wstring text;
  for (const ListedFile& f : FilesSelected()) {
    if (!text.empty()) text += L"\r\n";
    text += f.path;
  }
  if (!text.empty()) os::SetClipboardText(ui::WindowID(kFilesWindow), text);
}

// A click on a tile acts on the row of the result list that holds it, as a click on that row
// would: it is selected (and scrolled into view); a double click opens it (a file in the file
// manager), a right click offers the popup menu with it current. A file's click also selects
// it among the largest files. Where no tile is, a right click offers the colourings.
void OnTreemap(const ui::Event& e) {
  if (e.Type == ui::TypeRightClick && TreemapTileAt(e.X, e.Y) < 0) {
    if (HMENU m = ui::MenuID(kMenuTreemapPopup)) {
      const TreemapColours c = TreemapColouring();
      CheckMenuRadioItem(m, kItemColoursByType, kItemColoursByChange,
                         c == TreemapColours::ByType  ? kItemColoursByType
                         : c == TreemapColours::ByDir ? kItemColoursByDir
                                                      : kItemColoursByChange,
                         MF_BYCOMMAND);
      EnableMenuItem(m, kItemColoursByChange, MF_BYCOMMAND | (ComparisonOn() ? MF_ENABLED : MF_GRAYED));
    }
    PopupAtMouse(kMenuTreemapPopup, kTreemapWindow);
    return;
  }
  FileAt file{};
  std::wstring path;
  const bool isFile = TreemapFileAt(e.X, e.Y, file, path);
  const int row = TreemapRowAt(e.X, e.Y);
  if (row >= 0) ui::SetGadgetState(kGadResults, row);
  if (isFile) FilesSelect(file);
  if (e.Type == ui::TypeLeftDoubleClick) {
    if (isFile) _ExplorerSelect(path);
    else if (row >= 0) _OpenRow(row, false);
  } else if (e.Type == ui::TypeRightClick && row >= 0) {
    ShowResultPopup();
  }
}

void OnFilesList(const ui::Event& e) {
  if (e.Type == ui::TypeLeftDoubleClick) {
    OpenCurrentFile();
  } else if (e.Type == ui::TypeRightClick) {
    ListedFile f;
    if (FilesCurrent(f)) PopupAtMouse(kMenuFilesPopup, kFilesWindow);
  }
}

bool OnMenu(int item) {
  switch (item) {
    case kItemFiles:
      _FilesOpen();
      return true;
    case kItemTypes:
      _TypesOpen();
      return true;
    case kItemFilesExplorer:
      OpenCurrentFile();
      return true;
    case kItemFilesCopyPath:
      CopySelectedPaths();
      return true;
    case kItemFilesRecycle:
      RecycleSelectedFiles();
      return true;
    case kItemColoursByType:
      SetTreemapColours(TreemapColours::ByType);
      return true;
    case kItemColoursByDir:
      SetTreemapColours(TreemapColours::ByDir);
      return true;
    case kItemColoursByChange:
      SetTreemapColours(TreemapColours::ByChange);
      return true;
    default:
      return false;
  }
}

// At most this many files are named in the message about what stayed, as the result list's
// recycle bin does.
constexpr size_t kNamedAtMost = 10;

}  // namespace

void RecycleSelectedFiles() {
  const std::vector<ListedFile> chosen = FilesSelected();
  if (chosen.empty()) return;
  int64_t bytes = 0;
  std::vector<std::wstring> paths;
  for (const ListedFile& f : chosen) {
    bytes += f.size;
    paths.push_back(f.path);
  }
  const int64_t n = static_cast<int64_t>(chosen.size());
  // Worded as the result list's question, without the "aus": the files lie in many places.
  const std::wstring question = GroupThousands(n) + (n == 1 ? L" Datei" : L" Dateien") +
                                L" (zusammen " + GroupThousands(bytes / 1024) +
                                L" KB) in den Papierkorb verschieben?";
  if (!ui::_Msg(question, true)) return;
  os::MoveToRecycleBin(paths, ui::WindowID(kFilesWindow));
  // Gone is what the disk no longer has; what stays keeps its place in the results.
  std::vector<FileAt> gone;
  std::vector<std::wstring> stayed;
  for (const ListedFile& f : chosen) {
    if (GetFileAttributesW(os::LongPathForm(f.path).c_str()) == INVALID_FILE_ATTRIBUTES) {
      gone.push_back(f.at);
    } else {
      stayed.push_back(f.path);
    }
  }
  if (!gone.empty()) {
    RemoveFiles(Pfade, gone);
    // What follows a scan follows: the sets' sizes and marks, and the list with every view.
    _SetsUpdateSizes();
    _SetsCheckBIP();
    const std::wstring shown = ShownDirectory();
    _ShowDir(shown.empty() ? GStartPath : shown);
    if (ShowingErrors()) _ShowErrors();
  }
  if (stayed.empty()) return;
  std::wstring text = L"Nicht in den Papierkorb verschoben:";
  for (size_t i = 0; i < stayed.size() && i < kNamedAtMost; ++i) text += L"\r\n" + stayed[i];
  if (stayed.size() > kNamedAtMost) {
    text += L"\r\n... und " + GroupThousands(static_cast<int64_t>(stayed.size() - kNamedAtMost)) +
            L" weitere";
  }
  ui::_Msg(text);
}

void ConnectViews() {
  ConnectTreemap();
  ConnectFilesWindow();
  ConnectTypesWindow();
  ConnectChangesWindow();
  ui::SetIdleHandler(ViewsIdle);
  GScanUi.ResultsChanging = ViewsDrop;
  GScanUi.ResultsUnchanged = ViewsResume;
  ui::SetLayoutHook(ViewsAfterDpiChange);
  if (ui::CreatePopupMenuNumbered(kMenuFilesPopup)) {
    ui::MenuItem(kItemFilesExplorer, L"Explorer");
    ui::MenuItem(kItemFilesCopyPath, L"Pfad kopieren");
    ui::MenuItem(kItemFilesRecycle, L"In den Papierkorb...");
  } else {
    ui::_Msg(L"Fehler: Konnte Popup-Menü nicht erzeugen!");
  }
  if (ui::CreatePopupMenuNumbered(kMenuTreemapPopup)) {
    ui::MenuItem(kItemColoursByType, L"Farben nach Dateityp");
    ui::MenuItem(kItemColoursByDir, L"Farben nach Verzeichnis");
    ui::MenuItem(kItemColoursByChange, L"Farben nach Änderung");
  } else {
    ui::_Msg(L"Fehler: Konnte Popup-Menü nicht erzeugen!");
  }
  ui::AddKeyboardShortcut(kMainWindow, VK_F8, kItemFiles);
  ui::AddKeyboardShortcut(kMainWindow, VK_F7, kItemTypes);
}

void ViewsAfterDpiChange(int win) {
  _AnchorApply(win);
  if (win == kTypesWindow) TypesDpiChanged();
}

bool ViewsEvent(const ui::Event& e) {
  switch (e.Kind) {
    case ui::EventCloseWindow:
      if (e.Window == kTreemapWindow) HideTreemap();
      else if (e.Window == kFilesWindow) HideFiles();
      else if (e.Window == kTypesWindow) HideTypes();
      else return false;
      return true;
    case ui::EventMenu:
      return OnMenu(e.Menu);
    case ui::EventGadget:
      if (e.Window == kTreemapWindow && e.Gadget == kTreemapCanvas) OnTreemap(e);
      else if (e.Window == kFilesWindow && e.Gadget == kFilesList) OnFilesList(e);
      else if (e.Window == kTypesWindow && e.Gadget == kTypesList) TreemapHighlightTypes(TypesChosen());
      else return false;
      return true;
    default:
      return false;
  }
}

}  // namespace vardune
