// The directory listing of the scan engines: a directory opened as a handle for backup intent
// and read in large buffers of FILE_ID_BOTH_DIR_INFO, which per entry gives what the results
// need of a file besides its name and size: the bytes it takes on the disk, its last write, its
// attributes and its reparse tag. (FILE_FULL_DIR_INFO would do with less, but only from
// Windows 8 on; this class exists since Vista.)
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string_view>

#include "os/fs.h"
#include "os/reparse.h"

namespace vardune::os {

// Lists one directory (a path with or without its trailing backslash; the \\?\ form reaches
// every name as it is and paths past MAX_PATH). "." and ".." are left out. The handle is
// opened with FILE_FLAG_BACKUP_SEMANTICS, so that a process holding the backup privilege
// lists what the privilege lets it read.
class DirInfoListing {
 public:
  explicit DirInfoListing(std::wstring_view dir);
  // The listing could not be started: the directory cannot be opened (missing, access
  // denied) or is none. An empty directory lists nothing and has not failed.
  bool Failed() const { return failed_; }
  DWORD Error() const { return error_; }
  // Moves to the next entry; false at the end (the first call gives the first entry).
  bool Next();

  // Valid until the next call of Next().
  std::wstring_view Name() const { return name_; }
  DWORD Attributes() const { return attrs_; }
  bool IsDirectory() const { return (attrs_ & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  bool IsReparsePoint() const { return (attrs_ & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  // The real size of the file's data (its end of file).
  int64_t Size() const { return e_->EndOfFile.QuadPart; }
  // The bytes given to it on the disk (its size on disk).
  int64_t Allocation() const { return e_->AllocationSize.QuadPart; }
  // Last write as a FILETIME in 64 bits (100 ns since 1601, UTC).
  uint64_t LastWrite() const { return static_cast<uint64_t>(e_->LastWriteTime.QuadPart); }
  // Of a reparse point the listing carries its tag where it otherwise gives the size of the
  // extended attributes; 0 for every other entry.
  DWORD ReparseTag() const { return IsReparsePoint() ? e_->EaSize : 0; }
  // A directory that a scan enters (os/reparse.h).
  bool Enters() const { return EntersDirectory(attrs_, ReparseTag()); }

 private:
  bool Fill(FILE_INFO_BY_HANDLE_CLASS cls);

  Handle h_;
  std::unique_ptr<uint64_t[]> buf_;  // 8-byte aligned, as the entries are
  size_t next_ = 0;                  // offset of the next entry; kEnd when the buffer is done
  const FILE_ID_BOTH_DIR_INFO* e_ = nullptr;
  DWORD attrs_ = 0;
  std::wstring_view name_;
  bool failed_ = false;
  bool done_ = false;
  DWORD error_ = 0;
};

// For the tests: when set, gives the attributes that an entry is reported with, from the name
// and the attributes the system gave. The test bed has no cloud files: Wine reports none of
// the attributes of a placeholder, so a test makes files look like one through this.
extern DWORD (*GListedAttributes)(std::wstring_view name, DWORD attributes);

}  // namespace vardune::os
