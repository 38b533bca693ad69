// The directory listing of the scan engines (see dirinfo.h).
#include "os/dirinfo.h"

namespace vardune::os {

DWORD (*GListedAttributes)(std::wstring_view name, DWORD attributes) = nullptr;

namespace {

// Large enough that most directories come in one call, and what a share answers in one
// round trip.
constexpr size_t kBufferBytes = 64 * 1024;
constexpr size_t kEnd = static_cast<size_t>(-1);
constexpr size_t kNameAt = offsetof(FILE_ID_BOTH_DIR_INFO, FileName);

}  // namespace

DirInfoListing::DirInfoListing(std::wstring_view dir) {
  // A drive root needs its backslash ("\\?\C:" is the volume, not its root directory); any
  // other directory opens with or without one.
  const std::wstring path(dir);
  h_.reset(CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h_) {
    error_ = GetLastError();
    failed_ = true;
    done_ = true;
    return;
  }
  buf_.reset(new uint64_t[kBufferBytes / sizeof(uint64_t)]);
  // Backup semantics open files too: the first query tells a file (ERROR_INVALID_PARAMETER)
  // from a directory with nothing in it (no more files; a drive root has no "." either).
  if (!Fill(FileIdBothDirectoryRestartInfo)) {
    failed_ = error_ != ERROR_NO_MORE_FILES && error_ != ERROR_FILE_NOT_FOUND;
    done_ = true;
    h_.reset();
  }
}

bool DirInfoListing::Fill(FILE_INFO_BY_HANDLE_CLASS cls) {
  if (!GetFileInformationByHandleEx(h_.get(), cls, buf_.get(), kBufferBytes)) {
    error_ = GetLastError();
    return false;
  }
  next_ = 0;
  return true;
}

bool DirInfoListing::Next() {
  for (;;) {
    if (done_) return false;
    if (next_ == kEnd) {
      // A failure after the first call ends the listing, as FindNextFileW's would.
      if (!Fill(FileIdBothDirectoryInfo)) {
        done_ = true;
        h_.reset();
        return false;
      }
    }
    const auto* base = reinterpret_cast<const uint8_t*>(buf_.get());
    if (next_ > kBufferBytes - kNameAt) {
      next_ = kEnd;
      continue;
    }
    const auto* e = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(base + next_);
    const size_t nameBytes = e->FileNameLength;
    if (nameBytes > kBufferBytes - kNameAt - next_) {
      next_ = kEnd;  // an entry that the buffer does not hold whole: the system's fault
      continue;
    }
    const size_t step = e->NextEntryOffset;
    next_ = step == 0 || step > kBufferBytes - next_ ? kEnd : next_ + step;
    const std::wstring_view name(e->FileName, nameBytes / sizeof(wchar_t));
    if (name == L"." || name == L"..") continue;
    e_ = e;
    name_ = name;
    attrs_ = GListedAttributes ? GListedAttributes(name, e->FileAttributes) : e->FileAttributes;
    return true;
  }
}

}  // namespace vardune::os
