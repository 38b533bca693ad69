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

// What a write through WriteFileReplacing left behind.
struct WriteOutcome {
  bool Ok = false;
  std::wstring Error;  // why it failed, in the system's words
  // After a failure the old file is at its place as it was (or there was none), unless:
  std::wstring OldFileAt;    // it is kept under this name beside it,
  bool OldFileGone = false;  // or the system removed it and nothing of it is left;
  std::wstring NewDataAt;    // the new content, when it is kept beside under this name.
};

// Writes `path` through a temporary file in the same folder: `produce` writes the content
// into the sink it is given; the temporary file is flushed and then replaces the file
// (ReplaceFileW, which keeps an existing file's attributes) or becomes it. A failure never
// costs the old file: where the replacement stopped half-way, the old file is put back, or
// the new content is put in its place, or both are kept under names the outcome tells. The
// temporary file is removed unless it holds the only copy of the new content.
WriteOutcome WriteFileReplacing(const std::wstring& path,
                                const std::function<bool(const ByteSink&)>& produce);

// The replace call of WriteFileReplacing (ReplaceFileW). Tests put in stand-ins that leave the
// files as Windows documents for each of its failures, which no test volume produces.
using ReplaceFileCall = BOOL(WINAPI*)(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup,
                                      DWORD flags, LPVOID exclude, LPVOID reserved);
extern ReplaceFileCall GReplaceFile;

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
