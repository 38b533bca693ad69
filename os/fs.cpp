// Directory listing, file reading and digests over Win32 (see fs.h).
#include "os/fs.h"

#include <bcrypt.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace vardune::os {

DirListing::DirListing(std::wstring_view dir) {
  std::wstring pattern(dir);
  if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
  pattern += L"*.*";
  HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd_, FindExSearchNameMatch,
                              nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE) {
    error_ = GetLastError();
    failed_ = error_ != ERROR_FILE_NOT_FOUND;
    first_ = false;
    return;
  }
  h_ = FindHandle(h);
}

bool DirListing::Next() {
  if (!h_) return false;
  if (first_) {
    first_ = false;
    return true;
  }
  if (FindNextFileW(h_.get(), &fd_)) return true;
  h_.reset();
  return false;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  Handle f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!f) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(f.get(), &size) || size.QuadPart < 0) return std::nullopt;
  std::string out;
  out.reserve(static_cast<size_t>(size.QuadPart));
  std::vector<char> block(1 << 20);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(f.get(), block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) {
      return std::nullopt;
    }
    if (got == 0) break;
    out.append(block.data(), got);
  }
  return out;
}

namespace {

struct AlgHandle {
  BCRYPT_ALG_HANDLE h = nullptr;
  ~AlgHandle() {
    if (h) BCryptCloseAlgorithmProvider(h, 0);
  }
};
struct HashHandle {
  BCRYPT_HASH_HANDLE h = nullptr;
  ~HashHandle() {
    if (h) BCryptDestroyHash(h);
  }
};

// Feeds blocks from `read` into one MD5 run; empty text on any failure.
template <class Read>
std::wstring Md5Of(Read read) {
  AlgHandle alg;
  if (BCryptOpenAlgorithmProvider(&alg.h, BCRYPT_MD5_ALGORITHM, nullptr, 0) != 0) return {};
  HashHandle hash;
  if (BCryptCreateHash(alg.h, &hash.h, nullptr, 0, nullptr, 0, 0) != 0) return {};
  std::vector<unsigned char> block(1 << 20);
  for (;;) {
    size_t got = 0;
    if (!read(block.data(), block.size(), got)) return {};
    if (got == 0) break;
    if (BCryptHashData(hash.h, block.data(), static_cast<ULONG>(got), 0) != 0) return {};
  }
  unsigned char digest[16];
  if (BCryptFinishHash(hash.h, digest, sizeof digest, 0) != 0) return {};
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring hex;
  for (unsigned char b : digest) {
    hex += kHex[b >> 4];
    hex += kHex[b & 15];
  }
  return hex;
}

}  // namespace

std::wstring Md5OfFile(const std::wstring& path, const std::atomic<bool>* stop) {
  Handle f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!f) return {};
  return Md5Of([&](unsigned char* buf, size_t cap, size_t& got) {
    if (stop && stop->load(std::memory_order_relaxed)) return false;
    DWORD n = 0;
    if (!ReadFile(f.get(), buf, static_cast<DWORD>(cap), &n, nullptr)) return false;
    got = n;
    return true;
  });
}

std::wstring Md5OfBytes(std::string_view bytes) {
  size_t pos = 0;
  return Md5Of([&](unsigned char* buf, size_t cap, size_t& got) {
    got = std::min(cap, bytes.size() - pos);
    std::copy_n(bytes.data() + pos, got, buf);
    pos += got;
    return true;
  });
}

bool IsDirectory(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsNetworkPath(std::wstring_view path) {
  if (path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\")) {
    path.remove_prefix(4);
    if (path.starts_with(L"UNC\\")) return true;
  } else if (path.starts_with(L"\\\\")) {
    return true;
  }
  if (path.size() < 2 || path[1] != L':') return false;
  const wchar_t root[] = {path[0], L':', L'\\', 0};
  return GetDriveTypeW(root) == DRIVE_REMOTE;
}

std::wstring LongPathForm(std::wstring_view path) {
  if (path.starts_with(L"\\\\?\\")) return std::wstring(path);
  if (path.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + std::wstring(path.substr(2));
  return L"\\\\?\\" + std::wstring(path);
}

}  // namespace vardune::os
