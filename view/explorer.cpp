// The file manager and the selection status (see explorer.h).
#include "view/explorer.h"

#include <windows.h>
#include <commctrl.h>

#include "os/process.h"
#include "os/text.h"
#include "scan/model.h"
#include "ui/platform/platform.h"
#include "view/resultlist.h"
#include "view/rows.h"

namespace vardune {

std::wstring _WinDir() {
  wchar_t buf[255] = {0};
  const UINT n = GetWindowsDirectoryW(buf, 255);
  std::wstring dir(buf, n < 255 ? n : 0);
  if (dir.empty() || dir.back() != L'\\') dir += L'\\';
  return dir;
}

void _Explorer(std::wstring_view dir) {
  const std::wstring d(dir);
  os::StartProgram(_WinDir() + L"explorer", d, d);
}

void _ExplorerSelect(std::wstring_view file) {
  const std::wstring f(file);
  const size_t cut = f.rfind(L'\\');
  const std::wstring dir = cut == std::wstring::npos ? std::wstring() : f.substr(0, cut + 1);
  os::StartProgram(_WinDir() + L"explorer", L"/select,\"" + f + L"\"", dir);
}

void _Selection() {
  // The counts add in 64 bits and keep 32, as the list's own counts do. The kilobytes stay 64
  // bits wide: 32 bits of kilobytes end at 2 TiB, which a selection of a few large directories
  // of a server's disks passes, and would then show a negative size.
  int64_t kb = 0;
  int32_t dirs = 0, files = 0;
  const auto add = [](int32_t& sum, int64_t v) {
    sum = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(sum) + v));
  };
  HWND list = ui::GadgetID(10);
  for (int row = -1;;) {
    row = list ? static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                               LVNI_SELECTED))
               : -1;
    if (row < 0) break;
    std::wstring k = ResultCell(row, 1);
    std::erase(k, L'\'');
    kb += NumberValue(k);
    add(files, NumberValue(ResultCell(row, 3)));
    if (ResultCell(row, 2) != kDateien) add(dirs, NumberValue(ResultCell(row, 4)) + 1);
  }
  ui::SetGadgetText(5, SelectionText(kb, dirs, files));
}

}  // namespace vardune
