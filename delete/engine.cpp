// The deletion engine (see engine.h): one pass over each directory in listing order, depth
// first, then a forced removal of the directory that resets attributes. Every failure is
// ignored; the walk deletes what it can.
//
// Every file-system call goes through the \\?\ form of the full path: entries past MAX_PATH are
// reached like any other, and a name that ends in a dot or a blank is never trimmed into the
// name of a different entry. An object is deleted only through a handle that was checked to be
// the listed entry itself: some systems (Wine with Unix symbolic links) open the target of a
// link, so that DeleteFileW on a link to a file deletes the target file, and RemoveDirectoryW
// on a link to an empty directory removes the target directory. There such a link stays. The
// same holds for the removal of each directory at the end of its walk, so that a directory
// another program swaps for a link meanwhile never takes the link's target with it.
#include "delete/engine.h"

#include <windows.h>

#include <vector>

#include "delete/lookup.h"
#include "os/fs.h"
#include "os/text.h"
#include "ui/platform/platform.h"

namespace vardune {

int32_t GDelCount = 0;
int32_t GDelTotal = 0;
void (*GDelOnEntry)() = nullptr;

namespace {

constexpr int kProgressWindow = 39;
constexpr int kEntryText = 41;
constexpr int kCountText = 43;
constexpr int kPathText = 44;

// The path without its trailing backslashes, except at a drive root ("C:\" stays).
std::wstring WithoutSlash(std::wstring_view p) {
  std::wstring s(p);
  while (s.size() > 1 && s.back() == L'\\') {
    if (s.size() == 3 && s[1] == L':') break;
    s.pop_back();
  }
  return s;
}

std::wstring Sys(std::wstring_view p) { return os::LongPathForm(WithoutSlash(p)); }

// The \\?\ form of a directory with exactly one trailing backslash, for listing it.
std::wstring ListForm(std::wstring_view dir) {
  std::wstring s = Sys(dir);
  if (s.back() != L'\\') s += L'\\';
  return s;
}

// The normalised path of the object a handle refers to, without the \\?\ prefix and without a
// trailing backslash; empty when the system cannot tell.
std::wstring FinalPath(HANDLE h) {
  std::wstring buf(512, L'\0');
  DWORD n = GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (n >= buf.size()) {
    buf.assign(static_cast<size_t>(n) + 1, L'\0');
    n = GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n >= buf.size()) return {};
  }
  if (n == 0) return {};
  buf.resize(n);
  if (buf.starts_with(L"\\\\?\\UNC\\")) {
    buf = L"\\\\" + buf.substr(8);
  } else if (buf.starts_with(L"\\\\?\\")) {
    buf.erase(0, 4);
  }
  while (!buf.empty() && buf.back() == L'\\') buf.pop_back();
  return buf;
}

// The name without the dots and blanks at its end, which the system's path normalisation
// drops.
std::wstring_view Trimmed(std::wstring_view name) {
  while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.remove_suffix(1);
  return name;
}

bool SameObject(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  if (!GetFileInformationByHandle(a, &ia) || !GetFileInformationByHandle(b, &ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

os::Handle OpenEntry(const std::wstring& path, DWORD access) {
  return os::Handle(CreateFileW(Sys(path).c_str(), access,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// True unless the handle is known to refer to something other than the entry `name` of the
// directory whose final path is dirFinal (a link's target, for example).
bool IsEntryItself(HANDLE h, const std::wstring& dirFinal, std::wstring_view name) {
  if (dirFinal.empty()) return true;
  const std::wstring f = FinalPath(h);
  if (f.empty()) return true;
  const size_t k = f.rfind(L'\\');
  if (k == std::wstring::npos || !EqualNoCase(std::wstring_view(f).substr(0, k), dirFinal)) {
    return false;
  }
  const std::wstring_view got = std::wstring_view(f).substr(k + 1);
  if (EqualNoCase(got, name)) return true;
  // Some systems (Wine) report the last name of a path without its trailing dots and blanks
  // although the handle is the entry itself. That is believed only when the trimmed name is
  // not the very object the handle refers to.
  const std::wstring_view trimmed = Trimmed(name);
  if (trimmed.empty() || trimmed.size() == name.size() || !EqualNoCase(got, trimmed)) return false;
  os::Handle other = OpenEntry(dirFinal + L"\\" + std::wstring(trimmed), FILE_READ_ATTRIBUTES);
  return !other || !SameObject(h, other.get());
}

// The final path of a directory the walk starts on (it may lie behind a link: its contents
// are what the user chose), empty when the system cannot tell. A last name that the system
// reports trimmed is put back as given.
std::wstring StartFinalPath(std::wstring_view dir) {
  os::Handle h(CreateFileW(Sys(dir).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h) return {};
  std::wstring f = FinalPath(h.get());
  const std::wstring given = WithoutSlash(dir);
  const size_t g = given.rfind(L'\\');
  const size_t k = f.rfind(L'\\');
  if (g == std::wstring::npos || k == std::wstring::npos) return f;
  const std::wstring_view last = std::wstring_view(given).substr(g + 1);
  if (last.size() != Trimmed(last).size() &&
      EqualNoCase(std::wstring_view(f).substr(k + 1), Trimmed(last))) {
    f = f.substr(0, k + 1) + std::wstring(last);
  }
  return f;
}

// Whether the walk may enter the subdirectory `name` of the directory whose final path is
// dirFinal; childFinal receives the subdirectory's own final path. A directory that turns
// out to be somewhere else is a link that the listing did not show as one.
bool MayEnter(const std::wstring& dirFinal, const std::wstring& full, std::wstring_view name,
              std::wstring& childFinal) {
  childFinal.clear();
  if (dirFinal.empty()) return true;
  childFinal = dirFinal + L"\\" + std::wstring(name);
  os::Handle h = OpenEntry(full, FILE_READ_ATTRIBUTES);
  // Not even to be opened: its listing will fail as well, and every entry is checked.
  if (!h) return true;
  return IsEntryItself(h.get(), dirFinal, name);
}

bool ResetAttributes(HANDLE h) {
  FILE_BASIC_INFO b{};  // zero times: left as they are
  b.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(h, FileBasicInfo, &b, sizeof b) != 0;
}

// Marks an open object for deletion, with the immediate removal of its name where the system
// offers it (as DeleteFileW does), else the classic way.
bool DeleteByHandle(HANDLE h) {
  struct DispositionEx {
    ULONG Flags;
  };
  constexpr ULONG kDelete = 0x1, kPosixSemantics = 0x2;
  constexpr auto kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
  DispositionEx ex{kDelete | kPosixSemantics};
  if (SetFileInformationByHandle(h, kDispositionInfoEx, &ex, sizeof ex)) return true;
  FILE_DISPOSITION_INFO d{TRUE};
  return SetFileInformationByHandle(h, FileDispositionInfo, &d, sizeof d) != 0;
}

// Deletes the file dir\name (full = its path) when it is the listed entry; resets its
// attributes first when asked (the forced removal does, the walk does not).
bool RemoveFileEntry(const std::wstring& dirFinal, const std::wstring& full,
                     std::wstring_view name, bool reset) {
  const DWORD access = DELETE | FILE_READ_ATTRIBUTES | (reset ? FILE_WRITE_ATTRIBUTES : 0);
  os::Handle h(CreateFileW(Sys(full).c_str(), access,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!h) return false;
  if (!IsEntryItself(h.get(), dirFinal, name)) return false;
  if (reset) ResetAttributes(h.get());
  return DeleteByHandle(h.get());
}

// A handle with delete access to the directory entry `name` (full = its path) of the
// directory whose final path is dirFinal, opened without following a link, and the attributes
// of what it refers to; no handle when that is not the entry itself.
os::Handle OpenOwnEntry(const std::wstring& dirFinal, const std::wstring& full,
                        std::wstring_view name, DWORD& attrs) {
  os::Handle h = OpenEntry(full, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!h || !IsEntryItself(h.get(), dirFinal, name) ||
      !GetFileInformationByHandle(h.get(), &info)) {
    return {};
  }
  attrs = info.dwFileAttributes;
  return h;
}

// Removes a directory link (junction, mount point, symbolic link) without entering it: only
// through a handle to the link itself. Where the system opens the target instead (its handle
// shows no reparse point), the link stays and the target is not touched.
bool RemoveLink(const std::wstring& dirFinal, const std::wstring& full, std::wstring_view name) {
  DWORD attrs = 0;
  os::Handle h = OpenOwnEntry(dirFinal, full, name, attrs);
  if (!h || !(attrs & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  if (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
    ResetAttributes(h.get());
  }
  return DeleteByHandle(h.get());
}

// Removes the directory `dir`, whose final path was `here` when the walk entered it, through a
// handle to the entry itself, with its attributes reset. Between the walk's entry and this
// removal another program may have renamed the directory and put a link in its place: a link,
// or a link's target where the system opens that, is not the directory the walk emptied, and it
// stays. The removal fails while the directory still holds anything.
bool RemoveDirEntry(const std::wstring& dir, const std::wstring& here) {
  std::wstring parent;
  std::wstring_view name;
  if (!here.empty()) {
    const size_t k = here.rfind(L'\\');
    if (k == std::wstring::npos) return false;  // a drive root
    parent = here.substr(0, k);
    name = std::wstring_view(here).substr(k + 1);
  }
  DWORD attrs = 0;
  os::Handle h = OpenOwnEntry(parent, dir, name, attrs);
  if (!h || !(attrs & FILE_ATTRIBUTE_DIRECTORY) || (attrs & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return false;
  }
  ResetAttributes(h.get());
  return DeleteByHandle(h.get());
}

// The end of every directory: whatever files are left go with their attributes reset, then the
// directory itself, which fails silently while it still holds anything.
void ForcedRemoval(const std::wstring& dir, const std::wstring& dirFinal) {
  {
    os::DirListing list(ListForm(dir));
    if (list.Failed()) return;
    while (list.Next()) {
      if (list.IsDirectory()) continue;
      RemoveFileEntry(dirFinal, dir + list.Name(), list.Name(), true);
    }
  }
  RemoveDirEntry(dir, dirFinal);
}

void ShowEntry(std::wstring_view name, const std::wstring& dir) {
  ++GDelCount;
  ui::SetGadgetText(kCountText, DelCountText());
  ui::SetGadgetText(kEntryText, name);
  ui::SetGadgetText(kPathText, dir);
  if (GDelOnEntry) GDelOnEntry();
}

// One directory level; `here` is the directory's final path (empty when unknown), against
// which every entry is checked before it is deleted or entered.
int32_t Walk(std::wstring_view start, bool noRoot, const std::wstring& here) {
  std::wstring path(start);
  if (path.back() != L'\\') path += L'\\';
  {
    os::DirListing list(ListForm(path));
    int poll = 0;
    while (list.Next()) {
      if (list.IsDotOrDotDot()) continue;
      while (poll) {
        const ui::Event e = ui::WindowEvent();
        if (e.Kind == ui::EventCloseWindow) return -1;
        poll = e.Kind != ui::EventNone;
      }
      const std::wstring name = list.Name();
      if (ui::IsWindowOpen(kProgressWindow)) {
        ShowEntry(name, path);
        poll = 1;
      }
      const std::wstring full = path + name;
      std::wstring childFinal;
      if (!list.IsDirectory()) {
        RemoveFileEntry(here, full, name, false);
      } else if (list.IsReparsePoint()) {
        RemoveLink(here, full, name);
      } else if (MayEnter(here, full, name, childFinal)) {
        if (Walk(full, false, childFinal) == -1) return -1;
      }
    }
  }
  if (!noRoot) ForcedRemoval(path, here);
  return 1;
}

}  // namespace

std::wstring DelCountText() {
  const int64_t v = GDelTotal != 0 ? static_cast<int64_t>(GDelTotal) - GDelCount
                                   : static_cast<int64_t>(GDelCount);
  // The grouping takes the sign like a digit: -123 shows as -'123, as everywhere else.
  return GroupThousands(std::to_wstring(v));
}

int32_t _DelTree(std::wstring_view path, uint8_t noRoot) {
  if (!IsDeletablePath(path)) return 1;
  if (!noRoot) {
    // A link handed over as the directory to delete goes as a link: its target stays.
    const DWORD a = GetFileAttributesW(Sys(path).c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) &&
        (a & FILE_ATTRIBUTE_REPARSE_POINT)) {
      const std::wstring p = WithoutSlash(path);
      const size_t k = p.rfind(L'\\');
      if (k != std::wstring::npos) {
        RemoveLink(StartFinalPath(p.substr(0, k + 1)), p, std::wstring_view(p).substr(k + 1));
      }
      return 1;
    }
  }
  return Walk(path, noRoot != 0, StartFinalPath(path));
}

bool DelFile(const std::wstring& fullPath) {
  if (!IsDeletablePath(fullPath)) return false;
  const size_t k = fullPath.find_last_of(L'\\');
  if (k == std::wstring::npos || k + 1 >= fullPath.size()) return false;
  const std::wstring name = fullPath.substr(k + 1);
  const std::wstring dirFinal = StartFinalPath(fullPath.substr(0, k + 1));
  return RemoveFileEntry(dirFinal, fullPath, name, false);
}

}  // namespace vardune
