// Files that the user names: one written whole through a temporary file beside it, so that a
// failure never leaves it half written, and one read in pieces, for files too large to hold.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "os/fs.h"

namespace vardune::os {

// Takes the content piece by piece; false when it could not be written.
using ByteSink = std::function<bool(std::string_view bytes)>;

// Writes `path` through a temporary file in the same folder: `produce` writes the content
// into the sink it is given; the temporary file is flushed and then replaces the file
// (ReplaceFileW, which keeps an existing file's attributes) or becomes it. On any failure the
// temporary file is removed, an existing file is left as it was, and `error` says why.
bool WriteFileReplacing(const std::wstring& path, const std::function<bool(const ByteSink&)>& produce,
                        std::wstring& error);

// The system's text of an error code, without the line break at its end.
std::wstring SystemErrorText(DWORD code);

// A file opened for reading in pieces (others may keep reading and writing it meanwhile).
class FileReader {
 public:
  explicit FileReader(const std::wstring& path);
  bool IsOpen() const { return static_cast<bool>(h_); }
  DWORD OpenError() const { return error_; }
  int64_t Size() const { return size_; }
  // Up to `cap` bytes into `buf`: their number, 0 at the end, -1 on a read error.
  int64_t Read(char* buf, size_t cap);

 private:
  Handle h_;
  DWORD error_ = 0;
  int64_t size_ = 0;
};

}  // namespace vardune::os
