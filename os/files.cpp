// Writing a file through a temporary file and reading one in pieces (see files.h).
#include "os/files.h"

#include <algorithm>

namespace vardune::os {

ReplaceFileCall GReplaceFile = ReplaceFileW;

namespace {

// Names beside `path` that belong to this process: path + ".~<process>-<n>" + ext.
std::wstring NameBeside(const std::wstring& path, const wchar_t* ext) {
  static unsigned counter = 0;
  return path + L".~" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) +
         ext;
}

// A new file beside `path` that nobody else has.
Handle CreateTemporaryBeside(const std::wstring& path, std::wstring& tmp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    tmp = NameBeside(path, L".tmp");
    Handle f(CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (f || GetLastError() != ERROR_FILE_EXISTS) return f;
  }
  return Handle();
}

bool Exists(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A name beside `path` that no file has yet, for the old file while it is being replaced.
std::wstring FreeNameBeside(const std::wstring& path) {
  std::wstring name;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = NameBeside(path, L".bak");
    if (!Exists(name)) break;
  }
  return name;
}

bool WriteAll(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 24));
    if (!WriteFile(h, bytes.data(), want, &put, nullptr) || put == 0) return false;
    bytes.remove_prefix(put);
  }
  return true;
}

// The attributes a user gives a file, which a replacement must keep.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

void KeepAttributes(const std::wstring& path, DWORD oldAttrs) {
  const DWORD now = GetFileAttributesW(path.c_str());
  if (now != INVALID_FILE_ATTRIBUTES && (now & kKeptAttributes) != (oldAttrs & kKeptAttributes)) {
    const DWORD want = (now & ~kKeptAttributes) | (oldAttrs & kKeptAttributes);
    SetFileAttributesW(path.c_str(), want ? want : FILE_ATTRIBUTE_NORMAL);
  }
}

// ReplaceFileW failed. With a backup name given, Microsoft documents two states for what it
// leaves: both files under their own names (ERROR_UNABLE_TO_REMOVE_REPLACED,
// ERROR_UNABLE_TO_MOVE_REPLACEMENT, any other error), or nothing under the file's name, the
// old file under the backup name and the new content under the temporary one
// (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2). Without a backup name, 1176 removes the old file and
// 1177 keeps it under a name nobody is told; the backup name is given for that. What happens
// next follows what is on the disk, so that a state the documentation does not name loses
// nothing either.
void AfterFailedReplace(const std::wstring& path, const std::wstring& tmp,
                        const std::wstring& backup, DWORD oldAttrs, WriteOutcome& out) {
  const bool atPlace = Exists(path);
  const bool backedUp = Exists(backup);
  if (atPlace && !backedUp) {
    // The old file as it was: the new content is given up.
    if (!DeleteFileW(tmp.c_str())) out.NewDataAt = tmp;
    return;
  }
  if (atPlace) {
    // A backup beside a file at its place: which holds what is unknown, so both stay.
    out.OldFileAt = backup;
    out.NewDataAt = tmp;
    return;
  }
  // The file's name is free: the new content goes there, which is what the user asked for;
  // failing that, the old file goes back.
  if (MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
    if (backedUp) DeleteFileW(backup.c_str());
    KeepAttributes(path, oldAttrs);
    out.Ok = true;
    out.Error.clear();
    return;
  }
  if (backedUp && MoveFileExW(backup.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
    if (!DeleteFileW(tmp.c_str())) out.NewDataAt = tmp;
    return;
  }
  if (backedUp) {
    out.OldFileAt = backup;
  } else {
    out.OldFileGone = true;
  }
  out.NewDataAt = tmp;
}

}  // namespace

std::wstring SystemErrorText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring s = n && text ? std::wstring(text, n) : std::wstring();
  if (text) LocalFree(text);
  while (!s.empty() && (s.back() == L'\n' || s.back() == L'\r' || s.back() == L' ')) s.pop_back();
  if (s.empty()) s = L"Fehler " + std::to_wstring(code);
  return s;
}

WriteOutcome WriteFileReplacing(const std::wstring& path,
                                const std::function<bool(const ByteSink&)>& produce) {
  WriteOutcome out;
  const DWORD oldAttrs = GetFileAttributesW(path.c_str());
  const bool exists = oldAttrs != INVALID_FILE_ATTRIBUTES;
  if (exists && (oldAttrs & FILE_ATTRIBUTE_DIRECTORY)) {
    out.Error = L"Unter diesem Namen gibt es schon ein Verzeichnis.";
    return out;
  }
  // Windows refuses to replace a read-only file; the user protected it on purpose.
  if (exists && (oldAttrs & FILE_ATTRIBUTE_READONLY)) {
    out.Error = L"Die Datei ist schreibgeschützt.";
    return out;
  }
  if (exists) {
    // Replacing needs the file opened for deletion: a program that holds it open without
    // allowing that (a spreadsheet showing it) makes the replace fail, so say so before
    // writing anything.
    Handle probe(CreateFileW(path.c_str(), DELETE | SYNCHRONIZE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe) {
      out.Error = SystemErrorText(GetLastError());
      return out;
    }
  }
  std::wstring tmp;
  Handle f = CreateTemporaryBeside(path, tmp);
  if (!f) {
    out.Error = SystemErrorText(GetLastError());
    return out;
  }
  DWORD code = 0;
  const ByteSink sink = [&](std::string_view bytes) {
    if (WriteAll(f.get(), bytes)) return true;
    code = GetLastError();
    return false;
  };
  bool ok = produce(sink) && code == 0;
  if (ok && !FlushFileBuffers(f.get())) ok = false;
  if (!ok && code == 0) code = GetLastError();
  if (!CloseHandle(f.release()) && ok) {
    ok = false;
    code = GetLastError();
  }
  // Not over a file that appeared meanwhile: that one is not ours to replace unasked.
  if (ok && !exists && !MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
    ok = false;
    code = GetLastError();
  }
  if (!ok) {
    DeleteFileW(tmp.c_str());
    out.Error = code ? SystemErrorText(code) : L"Die Daten konnten nicht erzeugt werden.";
    return out;
  }
  if (!exists) {
    out.Ok = true;
    return out;
  }
  const std::wstring backup = FreeNameBeside(path);
  if (!GReplaceFile(path.c_str(), tmp.c_str(), backup.c_str(),
                    REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                    nullptr)) {
    out.Error = SystemErrorText(GetLastError());
    AfterFailedReplace(path, tmp, backup, oldAttrs, out);
    return out;
  }
  // The old file under the backup name has served its purpose.
  DeleteFileW(backup.c_str());
  KeepAttributes(path, oldAttrs);
  out.Ok = true;
  return out;
}

FileReader::FileReader(const std::wstring& path)
    : h_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {
  if (!h_) {
    error_ = GetLastError();
    return;
  }
  LARGE_INTEGER size{};
  if (GetFileSizeEx(h_.get(), &size)) size_ = size.QuadPart;
}

int64_t FileReader::Read(char* buf, size_t cap) {
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(std::min<size_t>(cap, 1u << 30));
  if (!ReadFile(h_.get(), buf, want, &got, nullptr)) return -1;
  return got;
}

}  // namespace vardune::os
