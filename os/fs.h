// The thin layer over the Win32 file system: directory listing, whole-file reading, the MD5
// digest of a file, attributes and removal. Every handle is owned by a holder that closes it.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vardune::os {

// Owns a find handle.
class FindHandle {
 public:
  FindHandle() = default;
  explicit FindHandle(HANDLE h) : h_(h) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  FindHandle(FindHandle&& o) noexcept : h_(o.h_) { o.h_ = INVALID_HANDLE_VALUE; }
  FindHandle& operator=(FindHandle&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = o.h_;
      o.h_ = INVALID_HANDLE_VALUE;
    }
    return *this;
  }
  ~FindHandle() { reset(); }
  void reset() {
    if (h_ != INVALID_HANDLE_VALUE) FindClose(h_);
    h_ = INVALID_HANDLE_VALUE;
  }
  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

// Owns a kernel handle (file, process, pipe, event, thread).
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
  Handle& operator=(Handle&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = o.h_;
      o.h_ = nullptr;
    }
    return *this;
  }
  ~Handle() { reset(); }
  void reset(HANDLE h = nullptr) {
    if (h_) CloseHandle(h_);
    h_ = h == INVALID_HANDLE_VALUE ? nullptr : h;
  }
  HANDLE get() const { return h_; }
  HANDLE* put() {
    reset();
    return &h_;
  }
  HANDLE release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HANDLE h_ = nullptr;
};

// Lists one directory with the pattern "*.*" (a backslash is put between the path and the
// pattern when it is missing). The entries are what FindFirstFileW gives, "." and ".."
// included; the basic information level and large fetches make it cheaper.
class DirListing {
 public:
  explicit DirListing(std::wstring_view dir);
  // The listing could not be started: any error of the first call but ERROR_FILE_NOT_FOUND.
  bool Failed() const { return failed_; }
  DWORD Error() const { return error_; }
  // Moves to the next entry; false at the end (the first call gives the first entry).
  bool Next();

  const wchar_t* Name() const { return fd_.cFileName; }
  DWORD Attributes() const { return fd_.dwFileAttributes; }
  bool IsDirectory() const { return (fd_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  bool IsReparsePoint() const {
    return (fd_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  }
  bool IsDotOrDotDot() const {
    const wchar_t* n = fd_.cFileName;
    return n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0));
  }
  int64_t Size() const {
    return static_cast<int64_t>((static_cast<uint64_t>(fd_.nFileSizeHigh) << 32) |
                                fd_.nFileSizeLow);
  }
  FILETIME LastWrite() const { return fd_.ftLastWriteTime; }

 private:
  WIN32_FIND_DATAW fd_{};
  FindHandle h_;
  bool failed_ = false;
  bool first_ = true;
  DWORD error_ = 0;
};

// The whole content of a file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::wstring& path);

// MD5 (RFC 1321) of a file's whole content, read in 1 MiB blocks through the system's
// BCrypt provider, as 32 lower-case hexadecimal digits; empty when the file cannot be read,
// or when `stop` is given and becomes set before the end.
std::wstring Md5OfFile(const std::wstring& path, const std::atomic<bool>* stop = nullptr);
// MD5 of bytes in memory, same form.
std::wstring Md5OfBytes(std::string_view bytes);

// True when the path names an existing directory.
bool IsDirectory(const std::wstring& path);

// True for a path on another machine: a network path (\\server\share\...) or a drive
// letter that the system maps to one.
bool IsNetworkPath(std::wstring_view path);

// The \\?\ form of an absolute path (\\?\UNC\server\share\... for network paths), for the
// calls that must reach entries past MAX_PATH. Paths already in that form stay as they are.
std::wstring LongPathForm(std::wstring_view path);

}  // namespace vardune::os
