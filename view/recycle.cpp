// The recycle bin for the selected rows (see recycle.h).
#include "view/recycle.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "os/fs.h"
#include "os/recycle.h"
#include "os/text.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/platform.h"
#include "view/resultlist.h"
#include "view/rows.h"
#include "view/selection.h"

namespace vardune {

namespace {

constexpr size_t kNamedAtMost = 10;

std::wstring Counted(int64_t n, const wchar_t* one, const wchar_t* many) {
  return GroupThousands(n) + L" " + (n == 1 ? one : many);
}

// A drive, a share or a server is no item for the bin, whatever a row of the error view
// names: only what lies in a directory.
bool LiesInADirectory(std::wstring_view dir) {
  std::wstring_view d = dir;
  while (!d.empty() && d.back() == L'\\') d.remove_suffix(1);
  const auto separators = std::count(d.begin(), d.end(), L'\\');
  return d.starts_with(L"\\\\") ? separators >= 4 : separators >= 1;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(os::LongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The question before the move: how many directories and files, from where ("" leaves that
// out), and their size.
std::wstring RecycleQuestion(int32_t dirs, int32_t files, std::wstring_view from,
                             int64_t bytes) {
  std::wstring what;
  if (dirs > 0) what = Counted(dirs, L"Verzeichnis", L"Verzeichnisse");
  if (files > 0) {
    if (!what.empty()) what += L" und ";
    what += Counted(files, L"Datei", L"Dateien");
  }
  if (!from.empty()) what += L" aus " + std::wstring(from);
  return what + L" (zusammen " + GroupThousands(bytes / 1024) +
         L" KB) in den Papierkorb verschieben?";
}

}  // namespace

void _RecycleSelection() {
  const std::vector<RowEntry> entries = SelectedEntries();
  std::vector<std::wstring> paths;
  std::vector<std::wstring> parents;  // the directories to scan again afterwards
  int32_t dirs = 0, files = 0;
  int64_t bytes = 0;
  for (const RowEntry& e : entries) {
    if (e.looseFiles) {
      for (const LooseFile& f : LooseFilesOf(e.path)) {
        paths.push_back(f.path);
        bytes += f.size;
        ++files;
      }
      parents.push_back(e.path);
      continue;
    }
    if (!LiesInADirectory(e.path)) continue;
    paths.push_back(e.path);
    ++dirs;
    if (const size_t i = FindRecordOf(Pfade, e.path); i != PfadListe::npos && Pfade[i].Size > 0) {
      bytes += Pfade[i].Size;
    }
    parents.push_back(ParentDirOf(e.path));
  }
  if (paths.empty()) return;
  std::sort(parents.begin(), parents.end());
  parents.erase(std::unique(parents.begin(), parents.end()), parents.end());
  const std::wstring shown = ShownDirectory();
  const bool errors = ShowingErrors();
  if (!ui::_Msg(RecycleQuestion(dirs, files, errors ? std::wstring_view() : shown, bytes), true)) {
    return;
  }

  os::MoveToRecycleBin(paths, ui::WindowID(1));

  // The results follow the disk as after a scan of the directory listed, with the totals
  // above it corrected; the error view scans each directory that held a row.
  if (!errors) {
    _RescanShown();
  } else {
    for (const std::wstring& p : parents) _Scan(p);
    _ShowDir(shown);
    if (ui::GetGadgetState(9)) _ShowErrors();
  }

  std::vector<std::wstring> left;
  for (const std::wstring& p : paths) {
    if (Exists(p)) left.push_back(p);
  }
  if (left.empty()) return;
  std::wstring text = L"Nicht in den Papierkorb verschoben:";
  for (size_t i = 0; i < left.size() && i < kNamedAtMost; ++i) text += L"\r\n" + left[i];
  if (left.size() > kNamedAtMost) {
    text += L"\r\n... und " + GroupThousands(static_cast<int64_t>(left.size() - kNamedAtMost)) +
            L" weitere";
  }
  ui::_Msg(text);
}

}  // namespace vardune
