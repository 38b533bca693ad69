// Raw reading of a local NTFS volume through its device (\\.\X:): which volume holds a path,
// whether it may be read that way, and its bytes in sector-aligned blocks. Opening a volume
// device takes an administrator on Windows; for everybody else Open fails and the caller
// lists directories instead.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "os/fs.h"
#include "os/ntfs.h"

namespace vardune::os {

// The root of the volume that holds the absolute local path ("X:\", or a mounted folder's
// path), with its trailing backslash; "" for a network path or when there is none.
std::wstring VolumeRootOf(std::wstring_view path);

// A monotonic clock in microseconds.
int64_t Micros();

class VolumeReader : public ntfs::VolumeSource {
 public:
  VolumeReader() = default;
  ~VolumeReader() override;
  VolumeReader(const VolumeReader&) = delete;
  VolumeReader& operator=(const VolumeReader&) = delete;

  // Opens the volume that holds the absolute local path for reading: a fixed or removable
  // drive whose file system is NTFS and whose device this process may open. False, with
  // nothing open, for anything else (network paths and drives among them).
  bool Open(std::wstring_view path);
  // The volume's root directory as the path reaches it ("X:\", or a mounted folder's path).
  const std::wstring& Root() const { return root_; }

  // Reads whole aligned sectors around the bytes asked for, into a buffer of its own.
  uint8_t* Read(uint64_t offset, size_t length) override;
  // Makes the buffer ready for reads of `length` bytes, so that a read to be timed is the
  // read alone.
  bool Reserve(size_t length);

  uint64_t BytesRead() const { return bytesRead_; }
  // Time spent in the reads, in microseconds.
  int64_t ReadMicros() const { return readMicros_; }

 private:
  void FreeBuffer();
  bool Grow(size_t need);

  Handle h_;
  std::wstring root_;
  uint32_t align_ = 4096;
  uint8_t* buf_ = nullptr;
  size_t capacity_ = 0;
  uint64_t bytesRead_ = 0;
  int64_t readMicros_ = 0;
};

}  // namespace vardune::os
