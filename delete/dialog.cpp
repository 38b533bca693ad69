// The delete dialog and the deletion progress window (see dialog.h). Nothing here asks before
// deleting: the dialog's title says so, and the buttons act at once.
#include "delete/dialog.h"

#include <string>
#include <vector>

#include "delete/engine.h"
#include "delete/lookup.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "ui/anchor.h"
#include "ui/mainwindow.h"
#include "ui/platform/explorerlist.h"
#include "ui/platform/platform.h"

namespace vardune {

namespace {

constexpr int kDialog = 33;
constexpr int kPathField = 34;
constexpr int kFileList = 35;
constexpr int kKillAll = 36;
constexpr int kKillSelected = 37;
constexpr int kDone = 38;

constexpr int kProgress = 39;
constexpr int kEntryText = 41;
constexpr int kDirText = 44;

using ui::Scale;

bool IsAbsoluteName(std::wstring_view s) {
  return (s.size() >= 3 && s[1] == L':' && s[2] == L'\\') || s.starts_with(L"\\\\");
}

// The directory the dialog opens on for a row of the result list.
std::wstring DirectoryOfRow(int row) {
  if (row < 0) return GStartPath;
  const std::wstring name = ui::GetGadgetItemText(kGadResults, row, 2);
  // A row without a name (there is no such row) and the row of the files lying directly in
  // the current directory both mean the current directory; a row that names a whole path
  // (the list of unreadable directories) means that path.
  if (name.empty() || name == kDateien) return GStartPath;
  if (IsAbsoluteName(name)) return _AddBackslash(name);
  return GStartPath + name + L"\\";
}

// Ends a deletion: the dialog takes input again and gets the activation back from the
// progress window.
void EndProgress() {
  ui::DisableWindow(kDialog, false);
  ui::CloseWindow(kProgress);
  if (ui::IsWindowOpen(kDialog)) ui::ActivateWindow(kDialog);
}

}  // namespace

HWND Window_FormDelFiles() {
  HWND w = ui::OpenWindow(kDialog, 0, 0, Scale(440), Scale(295),
                          L"Dateien löschen - OHNE NACHFRAGE!!! - OHNE PAPIERKORB!!!",
                          ui::WinSystemMenu | ui::WinWindowCentered | ui::WinInvisible,
                          kMainWindow);
  if (!w) return nullptr;
  // Known to the layout manager like every window; no sizing border, no anchored control.
  _AnchorAdd(kDialog, kAnchorKeep, ui::WindowX(kDialog), ui::WindowY(kDialog), Scale(440),
             Scale(295));
  const bool ok =
      ui::StringGadget(kDialog, kPathField, Scale(10), Scale(5), Scale(420), Scale(20), L"",
                       ui::GadReadOnly) &&
      ui::ExplorerListGadget(kDialog, kFileList, Scale(10), Scale(30), Scale(420), Scale(235)) &&
      ui::ButtonGadget(kDialog, kKillAll, Scale(10), Scale(270), Scale(105), Scale(20),
                       L"!! ALLES KILLEN!!") &&
      ui::ButtonGadget(kDialog, kKillSelected, Scale(160), Scale(270), Scale(120), Scale(20),
                       L"Ausgewählte Löschen") &&
      ui::ButtonGadget(kDialog, kDone, Scale(325), Scale(270), Scale(105), Scale(20), L"Fertig",
                       ui::GadDefault);
  if (!ok) {
    ui::CloseWindow(kDialog);
    return nullptr;
  }
  ui::GadgetToolTip(kKillAll, L"Alles im aktuellen Fenster wird gelöscht!!!");
  ui::HideWindow(kDialog, false);
  ui::ActivateWindow(kDialog);
  return w;
}

HWND Window_FormDelProgress() {
  HWND w = ui::OpenWindow(kProgress, 0, 0, Scale(400), Scale(85), L"Lösche Dateien - Vardune",
                          ui::WinSystemMenu | ui::WinWindowCentered | ui::WinInvisible,
                          kMainWindow);
  if (!w) return nullptr;
  _AnchorAdd(kProgress, kAnchorKeep, ui::WindowX(kProgress), ui::WindowY(kProgress),
             Scale(400), Scale(85));
  const bool ok =
      ui::TextGadget(kProgress, 40, Scale(10), Scale(10), Scale(40), Scale(15), L"Datei:") &&
      ui::TextGadget(kProgress, kEntryText, Scale(50), Scale(10), Scale(340), Scale(15), L"") &&
      ui::TextGadget(kProgress, 42, Scale(10), Scale(25), Scale(40), Scale(15), L"Pfad:") &&
      ui::TextGadget(kProgress, 43, Scale(190), Scale(25), Scale(200), Scale(15), L"",
                     ui::GadRight) &&
      ui::TextGadget(kProgress, kDirText, Scale(10), Scale(40), Scale(380), Scale(35), L"");
  if (!ok) {
    ui::CloseWindow(kProgress);
    return nullptr;
  }
  // A long path without blanks breaks anywhere over the two lines instead of being cut off.
  HWND dirText = ui::GadgetID(kDirText);
  SetWindowLongPtrW(dirText, GWL_STYLE, GetWindowLongPtrW(dirText, GWL_STYLE) | SS_EDITCONTROL);
  ui::HideWindow(kProgress, false);
  ui::ActivateWindow(kProgress);
  return w;
}

void _DelAll() {
  // With the drives (or nothing) shown there is no directory to empty.
  std::wstring d = ui::GetGadgetText(kFileList);
  if (!IsDeletablePath(d)) return;
  GDelCount = 0;
  GDelTotal = 0;
  GDelTotal = _DelExpected(d);
  if (Window_FormDelProgress()) {
    d = ui::GetGadgetText(kFileList);
    // Unwatched while it runs: the list would be read again for every entry deleted.
    ui::SetGadgetText(kFileList, L"");
    ui::DisableWindow(kDialog, true);
    if (IsDeletablePath(d)) _DelTree(d, 1);  // a cancel ends it the same way
    EndProgress();
  }
  ui::SetGadgetText(kFileList, d);
}

void _DelSelected() {
  const std::wstring d = ui::GetGadgetText(kFileList);
  if (!IsDeletablePath(d)) return;
  // The selection as it is now: the list refreshes itself while a directory is walked, which
  // reorders its items and drops the selection.
  struct Pick {
    std::wstring name;
    bool directory;
  };
  std::vector<Pick> picks;
  const int count = ui::CountGadgetItems(kFileList);
  for (int i = 1; i < count; ++i) {
    const int state = ui::ExplorerItemState(kFileList, i);
    if (!(state & ui::ExplorerSelected)) continue;
    picks.push_back({ui::ExplorerItemName(kFileList, i), (state & ui::ExplorerDirectory) != 0});
  }
  GDelTotal = 0;
  GDelCount = 0;
  if (!Window_FormDelProgress()) return;
  ui::DisableWindow(kDialog, true);
  ui::SetGadgetText(kDirText, d);
  for (const Pick& p : picks) {
    ui::SetGadgetText(kEntryText, p.name);
    if (!IsPlainEntryName(p.name)) continue;
    const std::wstring full = d + p.name;
    if (!p.directory) {
      DelFile(full);  // attributes untouched: a selected read-only file stays
    } else if (_DelTree(full, 0) == -1) {
      break;
    }
  }
  EndProgress();
}

void DelFiles(int row) {
  GStartPath = _AddBackslash(GStartPath);
  const std::wstring d = DirectoryOfRow(row);
  if (!Window_FormDelFiles()) return;
  ui::DisableWindow(kMainWindow, true);
  ui::SetGadgetText(kFileList, d);
  ui::SetGadgetText(kPathField, d);
  ui::SetActiveGadget(kDone);
  while (ui::IsWindowOpen(kDialog)) {
    const ui::Event e = ui::WaitWindowEvent();
    if (e.Kind == ui::EventCloseWindow && e.Window == kDialog) break;
    if (e.Kind != ui::EventGadget || e.Window != kDialog) continue;
    if (e.Gadget == kFileList && e.Type == ui::TypeChange) {
      ui::SetGadgetText(kPathField, ui::GetGadgetText(kFileList));
    } else if (e.Gadget == kKillAll) {
      _DelAll();
    } else if (e.Gadget == kKillSelected) {
      _DelSelected();
    } else if (e.Gadget == kDone) {
      break;
    }
  }
  // Enabled before the dialog goes, so that the activation returns to the main window.
  ui::DisableWindow(kMainWindow, false);
  ui::CloseWindow(kDialog);
}

}  // namespace vardune
