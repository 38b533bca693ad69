// The set operations that work on the windows: the Backup Sets window's selector, path list
// and status field, the name input, the result list's selection and marks, and the message
// window of the reconciliation.
#include "sets/ops.h"

#include <windows.h>

#include "os/text.h"
#include "scan/driver.h"
#include "sets/reconcile.h"
#include "sets/store.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/inputdialog.h"
#include "ui/platform/platform.h"
#include "view/resultlist.h"

namespace vardune {

namespace {

constexpr int kMainWin = 1;
constexpr int kResultList = 10;

// "Liste abgleichen..." in a small tool window over the main window. Nothing is pumped while
// the marks are computed, so the window is painted at once.
void ShowBusyWindow() {
  const int owner = ui::IsWindowOpen(kMainWin) ? kMainWin : 0;
  if (!ui::OpenWindow(kBusyWin, 0, 0, 150, 50, L"VarduneMsg", ui::WinTool | ui::WinInvisible,
                      owner)) {
    return;
  }
  ui::TextGadget(kBusyWin, kBusyText, 5, 5, 90, 20, L"Liste abgleichen...");
  ui::CenterWindow(kBusyWin, owner);
  ui::HideWindow(kBusyWin, false);
  RedrawWindow(ui::WindowID(kBusyWin), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace

void _SetDelete(std::wstring_view name) {
  DeleteSetAndEntries(name);
  _SetsRefresh(L"");
}

void _SetNameInput(std::wstring_view oldIn) {
  const std::wstring old(oldIn);
  if (!ui::GInputDialog) ui::InstallInputDialog();
  const std::wstring answer = ui::InputRequester(L"Vardune", L"Name für Backupset:", old);
  // The emptiness test comes first: an answer of only "|" becomes the empty name.
  if (answer.empty()) return;
  const std::wstring name = CleanSetName(answer);
  _SetAddRename(name, old);
  _SetsRefresh(name);
}

void _SetsRefresh(std::wstring_view setIn) {
  std::wstring set(setIn);
  ui::ClearGadgetItems(kSetsSelector);
  if (BupSets.empty()) {
    ui::ClearGadgetItems(kSetsPaths);
    return;
  }
  SortSetNames();
  for (const std::wstring& n : BupSets) ui::AddGadgetItem(kSetsSelector, -1, n);
  if (set.empty()) set = BupSets.front();
  for (size_t i = 0; i < BupSets.size(); ++i) {
    if (EqualNoCase(BupSets[i], set)) {
      ui::SetGadgetState(kSetsSelector, static_cast<int>(i));
      // The list shows the set that the selector shows (and that "Hinzu", "Löschen" and a
      // drag work on), also when the name was typed in another letter case.
      set = BupSets[i];
      break;
    }
  }
  const SetView v = ViewOfSet(set);
  ui::RedrawGadget(kSetsPaths, false);
  ui::ClearGadgetItems(kSetsPaths);
  for (const auto& [path, kb] : v.Rows) ui::AddGadgetItem(kSetsPaths, -1, path + L"\n" + kb);
  ui::RedrawGadget(kSetsPaths, true);
  ui::SetGadgetText(kSetsStatus, v.Status);
}

void _SetsUpdateSizes() {
  TakeSizesFrom(Pfade, BupPfade);
  if (ui::IsWindowOpen(kSetsWin)) _SetsRefresh(ui::GetGadgetText(kSetsSelector));
}

void _SetsAddSelected() {
  const std::wstring set = ui::GetGadgetText(kSetsSelector);
  if (set.empty()) {
    ui::_Msg(L"Wählen oder erstellen Sie bitte zuerst ein Set!");
    return;
  }
  const int rows = ResultRowCount();
  for (int row = 0; row < rows; ++row) {
    if (!ui::GetGadgetItemState(kResultList, row)) continue;
    const std::wstring path = GStartPath + ResultCell(row, 2);
    if (_SetHasPath(set, path)) continue;
    BupPfade.push_back(Pfad{path, set, 0, 0, 0, 0});
    SetResultCell(row, 0, L"X");
  }
  _SetsCheckBIP();
  _ShowDir(GStartPath);
  _SetsUpdateSizes();
}

void _SetsRemoveSelected() {
  const std::wstring set = ui::GetGadgetText(kSetsSelector);
  if (set.empty()) return;
  const int rows = ui::CountGadgetItems(kSetsPaths);
  for (int row = 0; row < rows; ++row) {
    if (ui::GetGadgetItemState(kSetsPaths, row)) {
      RemoveSetEntry(set, ui::GetGadgetItemText(kSetsPaths, row, 0));
    }
  }
  _SetsCheckBIP();
  _ShowDir(GStartPath);
  _SetsUpdateSizes();
}

void _SetsCheckBIP() {
  ShowBusyWindow();
  MarkCovered(Pfade, BupPfade);
  ui::CloseWindow(kBusyWin);
}

}  // namespace vardune
