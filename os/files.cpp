// Writing a file through a temporary file and reading one in pieces (see files.h).
#include "os/files.h"

#include <algorithm>

namespace vardune::os {

namespace {

// A new file beside `path` that nobody else has: path + ".~<process>-<n>.tmp".
Handle CreateTemporaryBeside(const std::wstring& path, std::wstring& tmp) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    tmp = path + L".~" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++counter) + L".tmp";
    Handle f(CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (f || GetLastError() != ERROR_FILE_EXISTS) return f;
  }
  return Handle();
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

bool WriteFileReplacing(const std::wstring& path, const std::function<bool(const ByteSink&)>& produce,
                        std::wstring& error) {
  error.clear();
  const DWORD oldAttrs = GetFileAttributesW(path.c_str());
  const bool exists = oldAttrs != INVALID_FILE_ATTRIBUTES;
  if (exists && (oldAttrs & FILE_ATTRIBUTE_DIRECTORY)) {
    error = L"Unter diesem Namen gibt es schon ein Verzeichnis.";
    return false;
  }
  // Windows refuses to replace a read-only file; the user protected it on purpose.
  if (exists && (oldAttrs & FILE_ATTRIBUTE_READONLY)) {
    error = L"Die Datei ist schreibgeschützt.";
    return false;
  }
  if (exists) {
    // Replacing needs the file opened for deletion: a program that holds it open without
    // allowing that (a spreadsheet showing it) makes the replace fail, so say so before
    // writing anything.
    Handle probe(CreateFileW(path.c_str(), DELETE | SYNCHRONIZE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe) {
      error = SystemErrorText(GetLastError());
      return false;
    }
  }
  std::wstring tmp;
  Handle f = CreateTemporaryBeside(path, tmp);
  if (!f) {
    error = SystemErrorText(GetLastError());
    return false;
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
  if (ok) {
    if (exists) {
      ok = ReplaceFileW(path.c_str(), tmp.c_str(), nullptr,
                        REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                        nullptr) != 0;
    } else {
      // Not over a file that appeared meanwhile: that one is not ours to replace unasked.
      ok = MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    }
    if (!ok) code = GetLastError();
  }
  if (!ok) {
    DeleteFileW(tmp.c_str());
    error = code ? SystemErrorText(code) : L"Die Daten konnten nicht erzeugt werden.";
    return false;
  }
  if (exists) {
    const DWORD now = GetFileAttributesW(path.c_str());
    if (now != INVALID_FILE_ATTRIBUTES && (now & kKeptAttributes) != (oldAttrs & kKeptAttributes)) {
      const DWORD want = (now & ~kKeptAttributes) | (oldAttrs & kKeptAttributes);
      SetFileAttributesW(path.c_str(), want ? want : FILE_ATTRIBUTE_NORMAL);
    }
  }
  return true;
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
