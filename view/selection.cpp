// The selected rows as entries on disk, and Ctrl+C (see selection.h).
#include "view/selection.h"

#include <windows.h>

#include "os/clipboard.h"
#include "os/fs.h"
#include "scan/model.h"
#include "ui/platform/platform.h"
#include "view/resultlist.h"

namespace vardune {

std::vector<RowEntry> SelectedEntries() {
  std::vector<RowEntry> entries;
  const std::wstring& shown = ShownDirectory();
  const bool errors = ShowingErrors();
  for (int row : SelectedResultRows()) {
    const std::wstring name = ResultCell(row, 2);
    if (name.empty()) continue;
    if (errors) {
      entries.push_back({_AddBackslash(name), false});
    } else if (shown.empty()) {
      continue;  // rows that belong to no directory shown (none exist between scans)
    } else if (name == kDateien) {
      entries.push_back({shown, true});
    } else {
      entries.push_back({shown + name + L"\\", false});
    }
  }
  return entries;
}

std::vector<LooseFile> LooseFilesOf(const std::wstring& dir) {
  std::vector<LooseFile> files;
  // Without a directory part the listing would be of whatever the current directory is.
  if (dir.empty() || dir.back() != L'\\') return files;
  // Listed through the \\?\ form: a directory "a." is not trimmed into its twin "a".
  os::DirListing l(os::LongPathForm(dir));
  if (l.Failed()) return files;
  while (l.Next()) {
    if (l.IsDirectory() || l.Name()[0] == 0 || l.IsDotOrDotDot()) continue;
    files.push_back({dir + l.Name(), l.Size()});
  }
  return files;
}

std::wstring SelectionClipboardText() {
  std::wstring text;
  const auto line = [&](const std::wstring& s) {
    if (!text.empty()) text += L"\r\n";
    text += s;
  };
  for (const RowEntry& e : SelectedEntries()) {
    if (!e.looseFiles) {
      line(e.path);
      continue;
    }
    for (const LooseFile& f : LooseFilesOf(e.path)) line(f.path);
  }
  return text;
}

void _CopySelection() {
  const std::wstring text = SelectionClipboardText();
  if (text.empty()) return;
  os::SetClipboardText(ui::WindowID(1), text);
}

}  // namespace vardune
