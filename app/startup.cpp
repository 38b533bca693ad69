// Start-up and shut-down of the program (see app.h).
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>

#include "app/app.h"
#include "app/commandline.h"
#include "app/exchange.h"
#include "app/views.h"
#include "os/build.h"
#include "os/fs.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "scan/scanui.h"
#include "sets/ops.h"
#include "sets/store.h"
#include "ui/anchor.h"
#include "ui/images.h"
#include "ui/logwindow.h"
#include "ui/mainwindow.h"
#include "ui/menus.h"
#include "ui/platform/dialogs.h"
#include "view/resultlist.h"
#include "view/fileswindow.h"
#include "view/changeswindow.h"
#include "view/treemap.h"
#include "view/typeswindow.h"

namespace vardune {

std::wstring GProgDir;
int GQuit = 0;

namespace {

bool gOleReady = false;

std::wstring ProgramDirectory() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) {
      buf.resize(n);
      break;
    }
    buf.resize(buf.size() * 2);
  }
  return _AddBackslash(buf.substr(0, buf.rfind(L'\\') == std::wstring::npos ? 0 : buf.rfind(L'\\')));
}

// What the scan engine needs of the windows beyond the main window's own controls.
void ConnectScanUi() {
  InstallMainWindowScanUi();
  GScanUi.LogError = [](std::wstring_view line) {
    _Log(line);
    ShowLogWindow();
  };
  GScanUi.StressRow = InsertResultRowAtTop;
  GScanUi.AskYesNo = [](std::wstring_view q) { return ui::_Msg(q, true) == 1; };
  GScanUi.ShowDir = [](std::wstring_view p) { _ShowDir(p); };
  GScanUi.UpdateSetSizes = _SetsUpdateSizes;
  GScanUi.CheckSets = _SetsCheckBIP;
}

void _Init(const std::vector<std::wstring>& args) {
  ui::SetWindowTitle(kMainWindow, std::wstring(L"Vardune ") + GBuild);
  GProgDir = ProgramDirectory();
  std::wstring folder = _SpecialFolder(CSIDL_APPDATA);
  if (folder.empty()) folder = _SpecialFolder(CSIDL_PROFILE);
  GDataDir = _AddBackslash(_AddBackslash(folder) + L"Vardune");
  if (!os::IsDirectory(GDataDir) && !CreateDirectoryW(GDataDir.c_str(), nullptr)) {
    ui::_Msg(L"Err - Konnte Verzeichnis nicht anlegen: \r\n" + GDataDir);
  }
  _RightAlignColumn(kGadResults, 1);
  _RightAlignColumn(kGadResults, 3);
  _RightAlignColumn(kGadResults, 4);
  GStartPath = StartPathFromParameter(args.empty() ? std::wstring_view() : args[0], GProgDir);
  ui::SetGadgetText(kGadPath, GStartPath);
}

}  // namespace

std::wstring StartPathFromParameter(std::wstring_view parameter, std::wstring_view progDir) {
  const size_t k = parameter.find_last_of(L"\\/");
  if (k == std::wstring_view::npos) return std::wstring(progDir);
  return NormalizeEnteredPath(parameter.substr(0, k + 1));
}

std::wstring _SpecialFolder(int csidl) {
  PIDLIST_ABSOLUTE pidl = nullptr;
  if (SHGetSpecialFolderLocation(nullptr, csidl, &pidl) != S_OK || !pidl) return {};
  wchar_t buf[260] = {0};
  const BOOL ok = SHGetPathFromIDListW(pidl, buf);
  CoTaskMemFree(pidl);
  return ok ? std::wstring(buf) : std::wstring();
}

void _RightAlignColumn(int gadget, int column) {
  HWND list = ui::GadgetID(gadget);
  if (!list) return;
  LVCOLUMNW c{};
  c.mask = LVCF_FMT;
  c.fmt = LVCFMT_RIGHT;
  SendMessageW(list, LVM_SETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c));
}

void _PathFieldEvent(int type) {
  if (type != ui::TypeLostFocus) return;
  GStartPath = _AddBackslash(NormalizeEnteredPath(ui::GetGadgetText(kGadPath)));
  ui::SetGadgetText(kGadPath, GStartPath);
}

bool StartUp(const std::vector<std::wstring>& args) {
  // /import=FILE: the usual start (the path field as without a parameter), then the import.
  const CommandLine cl = ParseCommandLine(args);
  const bool importing = cl.Mode == CommandMode::Import;
  // No "insert a disk" or "cannot open" dialogs of the system for a drive without medium or a
  // share that is gone: the walk records such directories as unreadable.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // 1. The platform: common controls, COM and OLE (folder picker, dragging out).
  gOleReady = SUCCEEDED(OleInitialize(nullptr));
  ui::InitPlatform();
  // A window whose DPI changed lays out its anchored controls again at once.
  ui::SetLayoutHook(_AnchorApply);
  // 2. GBuild is fixed at build time. 3. The pictures.
  LoadImages();
  // 4. The lists start empty. 5. The main window; without it the program ends.
  if (!Window_FormMain()) return false;
  ConnectResultList();
  // 6. The log window, hidden.
  Window_FormLog();
  // 7.
  ui::SetFlickerFree(kMainWindow);
  InstallMainWindowHook();
  ui::DisableGadget(kGadStop, true);
  RememberResultListHandle();
  GSort = 11;
  GOnColumnClick = _SortColumn;
  ConnectScanUi();
  // 8.
  _MainMenu();
  _PopupMenu();
  ui::AddKeyboardShortcut(kMainWindow, VK_F9, kItemTreemap);
  InstallMainKeys();
  ConnectViews();
  // 9.
  _Init(importing ? std::vector<std::wstring>() : args);
  // 10.
  _SetsLoad();
  // A double click on an exported file: it is opened as "Importieren..." opens it.
  if (importing) ImportResults(FullCommandLinePath(cl.ImportFile));
  // 11.
  GQuit = 0;
  return true;
}

void ShutDown() {
  _SetsSave();
  EndComparison();
  ui::CloseWindow(kMainWindow);
  StopBlinkThread();
  for (int n : {kLogWindow, 11, 33, 39, 56, kTreemapWindow, kFilesWindow, kTypesWindow, kChangesWindow}) {
    ui::CloseWindow(n);
  }
  if (gOleReady) OleUninitialize();
  gOleReady = false;
}

int RunVardune(const std::vector<std::wstring>& args) {
  // A scan for a report, or arguments that do not parse: no window at all.
  if (const CommandLine cl = ParseCommandLine(args);
      cl.Mode == CommandMode::Export || cl.Mode == CommandMode::Invalid) {
    return RunWithoutWindow(cl);
  }
  if (!StartUp(args)) {
    if (gOleReady) OleUninitialize();
    return 1;
  }
  MainLoop();
  ShutDown();
  return 0;
}

}  // namespace vardune
