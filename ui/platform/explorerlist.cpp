// The explorer-style file list (see explorerlist.h): an owner-data report list whose rows live
// here, so that a large directory is shown at once and only the visible cells are formatted.
#include "ui/platform/explorerlist.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "os/fs.h"
#include "os/text.h"
#include "ui/platform/platform.h"

namespace vardune::ui {

namespace {

enum EntryKind : int { KindParent, KindDir, KindFile, KindDrive };

struct Entry {
  std::wstring name;
  int kind = KindFile;
  int64_t size = 0;
  FILETIME modified{};
};

struct ExplorerState {
  HWND hwnd = nullptr;
  int win = 0;
  std::wstring dir;  // with a trailing backslash; empty for the drives or nothing
  bool drives = false;
  std::vector<Entry> entries;
  HANDLE watch = nullptr;
  std::wstring cell;  // the text of the cell last asked for
};

std::map<int, ExplorerState> gLists;
std::map<std::wstring, std::wstring> gTypeNames;  // by lower-case extension

ExplorerState* Find(int n) {
  auto it = gLists.find(n);
  if (it == gLists.end() || !IsWindow(it->second.hwnd)) return nullptr;
  return &it->second;
}

bool IsAbsolute(std::wstring_view p) {
  return (p.size() >= 3 && p[1] == L':' && p[2] == L'\\') || p.starts_with(L"\\\\");
}

// The form that the file-system calls get: \\?\ for absolute paths, so that directories past
// MAX_PATH can be listed and watched too.
std::wstring SysForm(const std::wstring& dir) {
  if (!IsAbsolute(dir)) return dir;
  std::wstring s = os::LongPathForm(dir);
  if (s.back() != L'\\') s += L'\\';
  return s;
}

// A drive root ("C:\") or the root of a share ("\\server\share\"): ".." leads to the drives.
bool IsRoot(std::wstring_view dir) {
  if (dir.size() == 3 && dir[1] == L':') return true;
  if (dir.starts_with(L"\\\\")) return CountChar(dir, L'\\') <= 4;
  return false;
}

std::wstring ParentOf(std::wstring_view dir) {
  std::wstring_view s = dir;
  while (!s.empty() && s.back() == L'\\') s.remove_suffix(1);
  const size_t k = s.rfind(L'\\');
  if (k == std::wstring_view::npos) return {};
  return std::wstring(s.substr(0, k + 1));
}

bool Before(const Entry& a, const Entry& b) {
  if (a.kind != b.kind) return a.kind < b.kind;
  const int c = CompareNoCase(a.name, b.name);
  return c != 0 ? c < 0 : a.name < b.name;
}

void StopWatching(ExplorerState& s) {
  if (!s.watch) return;
  RemoveWaitHandle(s.watch);
  FindCloseChangeNotification(s.watch);
  s.watch = nullptr;
}

void Refill(ExplorerState& s, bool keepScroll) {
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(s.hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  SendMessageW(s.hwnd, LVM_SETITEMCOUNT, s.entries.size(), keepScroll ? LVSICF_NOSCROLL : 0);
  if (!keepScroll && !s.entries.empty()) SendMessageW(s.hwnd, LVM_ENSUREVISIBLE, 0, FALSE);
  InvalidateRect(s.hwnd, nullptr, TRUE);
}

void ListDirectory(ExplorerState& s) {
  s.entries.clear();
  Entry up;
  up.name = L"..";
  up.kind = KindParent;
  s.entries.push_back(up);
  os::DirListing list(SysForm(s.dir));
  while (list.Next()) {
    if (list.IsDotOrDotDot()) continue;
    Entry e;
    e.name = list.Name();
    e.kind = list.IsDirectory() ? KindDir : KindFile;
    e.size = list.Size();
    e.modified = list.LastWrite();
    s.entries.push_back(std::move(e));
  }
  std::sort(s.entries.begin() + 1, s.entries.end(), Before);
}

void OnWatchSignal(int n);

void Watch(int n, ExplorerState& s) {
  StopWatching(s);
  HANDLE h = FindFirstChangeNotificationW(
      SysForm(s.dir).c_str(), FALSE,
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
          FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_ATTRIBUTES);
  if (h == INVALID_HANDLE_VALUE) return;
  s.watch = h;
  AddWaitHandle(h, [n] { OnWatchSignal(n); });
}

void ShowDirectory(int n, ExplorerState& s, std::wstring_view dir) {
  s.dir = std::wstring(dir);
  if (s.dir.back() != L'\\') s.dir += L'\\';
  s.drives = false;
  ListDirectory(s);
  Refill(s, false);
  Watch(n, s);
}

const wchar_t* DriveTypeText(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE: return L"Wechseldatenträger";
    case DRIVE_FIXED: return L"Lokaler Datenträger";
    case DRIVE_REMOTE: return L"Netzlaufwerk";
    case DRIVE_CDROM: return L"CD-Laufwerk";
    case DRIVE_RAMDISK: return L"RAM-Disk";
    default: return L"Laufwerk";
  }
}

void ShowDrives(ExplorerState& s) {
  StopWatching(s);
  s.dir.clear();
  s.drives = true;
  s.entries.clear();
  wchar_t buf[512] = {0};
  const DWORD len = GetLogicalDriveStringsW(511, buf);
  for (const wchar_t* p = buf; len && len < 511 && *p; p += wcslen(p) + 1) {
    Entry e;
    e.name = p;
    e.kind = KindDrive;
    s.entries.push_back(std::move(e));
  }
  Refill(s, false);
}

void ShowNothing(ExplorerState& s) {
  StopWatching(s);
  s.dir.clear();
  s.drives = false;
  s.entries.clear();
  Refill(s, false);
}

void OnWatchSignal(int n) {
  ExplorerState* s = Find(n);
  if (!s || !s->watch) return;
  // A watch that cannot be re-armed (its directory is gone) would stay signalled for ever.
  if (!FindNextChangeNotification(s->watch)) StopWatching(*s);
  ListDirectory(*s);
  Refill(*s, true);
}

// Double click or Enter on an item: directories, ".." and drives are entered.
void Activate(int n, ExplorerState& s, int item) {
  if (item < 0 || item >= static_cast<int>(s.entries.size())) return;
  const Entry e = s.entries[static_cast<size_t>(item)];
  switch (e.kind) {
    case KindParent:
      if (IsRoot(s.dir) || ParentOf(s.dir).empty()) ShowDrives(s);
      else ShowDirectory(n, s, ParentOf(s.dir));
      break;
    case KindDir:
      ShowDirectory(n, s, s.dir + e.name + L"\\");
      break;
    case KindDrive:
      ShowDirectory(n, s, e.name);
      break;
    default:
      return;
  }
  Event moved;
  moved.Kind = EventGadget;
  moved.Window = s.win;
  moved.Gadget = n;
  moved.Type = TypeChange;
  PostEvent(moved);
}

std::wstring TypeName(const Entry& e) {
  switch (e.kind) {
    case KindParent: return {};
    case KindDrive: return DriveTypeText(GetDriveTypeW(e.name.c_str()));
    default: break;
  }
  std::wstring key = L"\\";  // directories
  if (e.kind == KindFile) {
    const size_t dot = e.name.rfind(L'.');
    key = dot == std::wstring::npos || dot == 0 ? L"" : LowerText(e.name.substr(dot));
  }
  auto it = gTypeNames.find(key);
  if (it != gTypeNames.end()) return it->second;
  SHFILEINFOW info{};
  const std::wstring probe = e.kind == KindDir ? L"Ordner" : L"Datei" + key;
  const DWORD attr = e.kind == KindDir ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  std::wstring name;
  if (SHGetFileInfoW(probe.c_str(), attr, &info, sizeof info,
                     SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES)) {
    name = info.szTypeName;
  }
  if (name.empty()) {
    if (e.kind == KindDir) name = L"Dateiordner";
    else if (key.empty()) name = L"Datei";
    else name = UpperText(key.substr(1)) + L"-Datei";
  }
  gTypeNames[key] = name;
  return name;
}

std::wstring ModifiedText(const FILETIME& ft) {
  if (ft.dwLowDateTime == 0 && ft.dwHighDateTime == 0) return {};
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToSystemTime(&local, &st)) return {};
  wchar_t buf[32];
  swprintf(buf, 32, L"%02u.%02u.%04u %02u:%02u", st.wDay, st.wMonth, st.wYear, st.wHour,
           st.wMinute);
  return buf;
}

std::wstring CellText(const Entry& e, int column) {
  switch (column) {
    case 0: return e.name;
    case 1: return e.kind == KindFile ? GroupThousands(e.size / 1024) + L" KB" : std::wstring();
    case 2: return TypeName(e);
    case 3: return e.kind == KindFile || e.kind == KindDir ? ModifiedText(e.modified) : std::wstring();
    default: return {};
  }
}

// Type-ahead: the next item from `start` (wrapping) whose name begins with the typed text.
int FindByPrefix(const ExplorerState& s, std::wstring_view typed, int start) {
  const int count = static_cast<int>(s.entries.size());
  if (count == 0 || typed.empty()) return -1;
  if (start < 0 || start >= count) start = 0;
  for (int k = 0; k < count; ++k) {
    const int i = (start + k) % count;
    const std::wstring& name = s.entries[static_cast<size_t>(i)].name;
    if (name.size() >= typed.size() && EqualNoCase(std::wstring_view(name).substr(0, typed.size()), typed)) {
      return i;
    }
  }
  return -1;
}

bool OnNotify(int n, NMHDR* hdr, LRESULT& result) {
  ExplorerState* s = Find(n);
  if (!s) return false;
  switch (hdr->code) {
    case LVN_GETDISPINFOW: {
      auto* di = reinterpret_cast<NMLVDISPINFOW*>(hdr);
      const int item = di->item.iItem;
      if ((di->item.mask & LVIF_TEXT) && di->item.pszText && di->item.cchTextMax > 0) {
        s->cell.clear();
        if (item >= 0 && item < static_cast<int>(s->entries.size())) {
          s->cell = CellText(s->entries[static_cast<size_t>(item)], di->item.iSubItem);
        }
        const size_t len = std::min<size_t>(s->cell.size(), static_cast<size_t>(di->item.cchTextMax - 1));
        std::copy_n(s->cell.data(), len, di->item.pszText);
        di->item.pszText[len] = 0;
      }
      result = 0;
      return true;
    }
    case LVN_ODFINDITEMW: {
      auto* fi = reinterpret_cast<NMLVFINDITEMW*>(hdr);
      result = -1;
      if ((fi->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && fi->lvfi.psz) {
        result = FindByPrefix(*s, fi->lvfi.psz, fi->iStart);
      }
      return true;
    }
    case NM_DBLCLK: {
      auto* ia = reinterpret_cast<NMITEMACTIVATE*>(hdr);
      const int item = ia->iItem;
      if (item < 0 || item >= static_cast<int>(s->entries.size()) ||
          s->entries[static_cast<size_t>(item)].kind == KindFile) {
        return false;  // a double click on a file stays an ordinary event
      }
      Activate(n, *s, item);
      result = 0;
      return true;
    }
    case NM_RETURN: {
      const auto item = static_cast<int>(
          SendMessageW(s->hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
      Activate(n, *s, item);
      result = 0;
      return true;
    }
    case LVN_KEYDOWN: {
      auto* kd = reinterpret_cast<NMLVKEYDOWN*>(hdr);
      if (kd->wVKey == VK_BACK && !s->drives && !s->dir.empty()) Activate(n, *s, 0);
      result = 0;
      return true;
    }
    // A selection change is not a change of the list's directory, which is what its change
    // events announce; dragging entries out is not offered.
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
    case LVN_BEGINDRAG:
    case LVN_COLUMNCLICK:
      result = 0;
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK ListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref) {
  if (msg == WM_NCDESTROY) {
    const int n = static_cast<int>(ref);
    auto it = gLists.find(n);
    if (it != gLists.end() && it->second.hwnd == h) {
      StopWatching(it->second);
      gLists.erase(it);
    }
    RemoveWindowSubclass(h, ListProc, id);
  }
  return DefSubclassProc(h, msg, wp, lp);
}

}  // namespace

HWND ExplorerListGadget(int win, int n, int x, int y, int w, int h, std::wstring_view dir) {
  HWND l = ListIconGadget(win, n, x, y, w, h, L"Name", Scale(100),
                          GadVirtual | GadMultiSelect | GadFullRow | GadGridLines |
                              GadAlwaysShowSel | GadDoubleBuffer);
  if (!l) return nullptr;
  RegisterGadget(win, n, l, KindCustom);
  AddGadgetColumn(n, 1, L"Size", Scale(100));
  AddGadgetColumn(n, 2, L"Type", Scale(100));
  AddGadgetColumn(n, 3, L"Modified", Scale(100));
  // Sizes are numbers: right-aligned like in the file manager.
  LVCOLUMNW c{};
  c.mask = LVCF_FMT;
  c.fmt = LVCFMT_RIGHT;
  SendMessageW(l, LVM_SETCOLUMNW, 1, reinterpret_cast<LPARAM>(&c));

  ExplorerState& s = gLists[n];
  StopWatching(s);
  s = ExplorerState{};
  s.hwnd = l;
  s.win = win;
  SetWindowSubclass(l, ListProc, 1, static_cast<DWORD_PTR>(n));
  SetGadgetNotifyHandler(n, [n](NMHDR* hdr, LRESULT& result) { return OnNotify(n, hdr, result); });
  SetGadgetTextHandlers(
      n,
      [n]() -> std::wstring {
        ExplorerState* st = Find(n);
        return st ? st->dir : std::wstring();
      },
      [n](std::wstring_view text) {
        ExplorerState* st = Find(n);
        if (!st) return;
        if (text.empty()) ShowNothing(*st);
        else ShowDirectory(n, *st, text);
      });
  if (!dir.empty()) ShowDirectory(n, s, dir);
  return l;
}

std::wstring ExplorerItemName(int n, int item) {
  ExplorerState* s = Find(n);
  if (!s || item < 0 || item >= static_cast<int>(s->entries.size())) return {};
  return s->entries[static_cast<size_t>(item)].name;
}

int ExplorerItemState(int n, int item) {
  ExplorerState* s = Find(n);
  if (!s || item < 0 || item >= static_cast<int>(s->entries.size())) return 0;
  int bits = s->entries[static_cast<size_t>(item)].kind == KindFile ? ExplorerFile : ExplorerDirectory;
  if (SendMessageW(s->hwnd, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED) &
      LVIS_SELECTED) {
    bits |= ExplorerSelected;
  }
  return bits;
}

bool ExplorerShowsDrives(int n) {
  ExplorerState* s = Find(n);
  return s && s->drives;
}

bool ExplorerWatching(int n) {
  ExplorerState* s = Find(n);
  return s && s->watch;
}

void ExplorerRefresh(int n) {
  ExplorerState* s = Find(n);
  if (!s || s->dir.empty()) return;
  ListDirectory(*s);
  Refill(*s, true);
}

}  // namespace vardune::ui
