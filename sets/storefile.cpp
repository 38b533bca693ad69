// Reading and writing BackupSets.txt on disk. Saving goes through a temporary file in the
// data directory that replaces the old file only once it is completely written and flushed.
#include <windows.h>

#include <string>

#include "os/fs.h"
#include "sets/store.h"

namespace vardune {

namespace {

bool gUnread = false;

std::wstring SetsFilePath() { return GDataDir + std::wstring(kSetsFileName); }

bool ReadAll(HANDLE h, std::string& out) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size) || size.QuadPart < 0 || size.QuadPart > (1LL << 31)) return false;
  out.resize(static_cast<size_t>(size.QuadPart));
  size_t got = 0;
  while (got < out.size()) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(out.size() - got, 1u << 24));
    if (!ReadFile(h, out.data() + got, want, &n, nullptr)) return false;
    if (n == 0) break;  // the file became shorter meanwhile
    got += n;
  }
  out.resize(got);
  return true;
}

bool WriteAll(HANDLE h, const std::string& bytes) {
  size_t put = 0;
  while (put < bytes.size()) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - put, 1u << 24));
    if (!WriteFile(h, bytes.data() + put, want, &n, nullptr) || n == 0) return false;
    put += n;
  }
  return true;
}

}  // namespace

bool SetsFileUnread() { return gUnread; }

void _SetsLoad() {
  gUnread = false;
  // Without a data directory the name would be relative to whatever the current directory is.
  if (GDataDir.empty()) return;
  const std::wstring path = SetsFilePath();
  // Opened for writing too, so that a missing file is created empty on the first start.
  os::Handle f(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) {
    // A read-only file (or one another program holds open for reading) is still readable.
    f.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  std::string bytes;
  if (!f || !ReadAll(f.get(), bytes)) {
    gUnread = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    return;
  }
  ParseSetsFile(bytes, BupPfade);
}

void _SetsSave() {
  if (GDataDir.empty()) return;
  // The stored sets were never read into memory: writing the list would erase them.
  if (gUnread) return;
  const std::wstring path = SetsFilePath();
  // A read-only file cannot be written over in place; replacing it with a new file would
  // undo the protection (Windows refuses that replace, other systems may not).
  const DWORD attrs = GetFileAttributesW(path.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY)) return;
  const std::string bytes = FormatSetsFile(BupPfade);
  wchar_t tmp[MAX_PATH + 1] = {0};
  if (!GetTempFileNameW(GDataDir.c_str(), L"Bup", 0, tmp)) return;
  bool ok = false;
  {
    os::Handle f(CreateFileW(tmp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    ok = f && WriteAll(f.get(), bytes) && FlushFileBuffers(f.get());
    if (f && !CloseHandle(f.release())) ok = false;
  }
  if (ok) {
    ok = MoveFileExW(tmp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
  if (!ok) DeleteFileW(tmp);
}

}  // namespace vardune
