// Every file the scan counted, kept lean beside the directory records: per file its name, its
// size, its size on disk, its last-write time and a few attribute flags. The files of one
// directory are one block, which the directory's record names; a block is a run of packed
// entries in a chunked byte arena, so that millions of files cost about their names' bytes and
// a dozen more each, and nothing is moved while a scan grows the table. Pure logic (no
// windows.h).
//
// An entry: flags (1 byte), time (4 bytes, seconds since 1970), the name's length in bytes and
// the way its size on disk is kept (a varint: length * 4 + mode), the size (a varint), the size
// on disk when the mode says it is not derived from the size (a varint), and the name as
// generalised UTF-8 (os/text.h), which keeps every name Windows allows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vardune {

// The attributes of a file as the table keeps them.
enum FileFlag : uint8_t {
  kFileReadOnly = 1,
  kFileHidden = 2,
  kFileSystem = 4,
  kFileCompressed = 8,
  kFileSparse = 16,
  kFileReparse = 32,
  // A placeholder whose data lives elsewhere (a cloud file not kept on this machine, an offline
  // file): reading it would fetch it.
  kFileCloud = 64,
};
// The flags of a file from its Windows attributes (FILE_ATTRIBUTE_*).
uint8_t FileFlagsOf(uint32_t attributes);
// The last-write time as the table keeps it: a FILETIME (100 ns since 1601) in whole seconds
// since 1970, earlier times as 0 and times past 2106 as the largest value.
uint32_t FileTimeSeconds(uint64_t filetime);
// The FILETIME of such a time (for the tests and the exports).
uint64_t FileTimeOfSeconds(uint32_t seconds);

// One file as a plain value (for tests, exports and lists).
struct FileInfo {
  std::wstring Name;
  int64_t Size = 0;
  int64_t Allocated = 0;
  uint32_t Time = 0;
  uint8_t Flags = 0;
  bool operator==(const FileInfo&) const = default;
};

// One entry as it lies in the table; `name` points into the table (generalised UTF-8).
struct FileRef {
  int64_t size;
  int64_t allocated;
  uint32_t time;
  uint8_t flags;
  uint16_t nameBytes;
  const char* name;
  std::string_view Name8() const { return {name, nameBytes}; }
};
std::wstring FileNameOf(const FileRef& f);

// The files of one directory as a walk meets them, encoded; the table takes them as one block
// when the directory ends.
class FileBlockBuilder {
 public:
  void Add(std::wstring_view name, int64_t size, int64_t allocated, uint32_t time, uint8_t flags);
  void Add(std::u16string_view name, int64_t size, int64_t allocated, uint32_t time,
           uint8_t flags);
  void Add(const FileInfo& f) { Add(f.Name, f.Size, f.Allocated, f.Time, f.Flags); }
  // A file whose name is already generalised UTF-8.
  void AddUtf8(std::string_view name, int64_t size, int64_t allocated, uint32_t time,
               uint8_t flags);
  uint32_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  std::string_view Bytes() const { return bytes_; }
  void Clear() {
    bytes_.clear();
    count_ = 0;
  }

 private:
  void Head(size_t nameBytes, int64_t size, int64_t allocated, uint32_t time, uint8_t flags);
  std::string bytes_;
  uint32_t count_ = 0;
};

class FileTable {
 public:
  using BlockId = uint32_t;
  static constexpr BlockId kNone = UINT32_MAX;

  FileTable() = default;
  FileTable(FileTable&&) noexcept = default;
  FileTable& operator=(FileTable&&) noexcept = default;

  // Takes the builder's files as a new block; kNone for no files.
  BlockId Add(const FileBlockBuilder& files);
  // Copies a block of another table (or of this one).
  BlockId CopyFrom(const FileTable& other, BlockId id);
  // The block is no longer used; its bytes count as waste until the table is rebuilt.
  void Release(BlockId id);

  uint32_t Count(BlockId id) const { return id == kNone ? 0 : blocks_[id].count; }
  // Calls f(const FileRef&) for each file of the block, in the order they were added.
  template <class F>
  void ForEach(BlockId id, F&& f) const;
  std::vector<FileInfo> Files(BlockId id) const;

  void Clear();
  // The growing end gives back its slack (at the end of a scan).
  void Trim();
  // More bytes dead than alive: worth rebuilding.
  bool Wasteful() const { return deadBytes_ > liveBytes_ + (size_t{1} << 20); }

  size_t LiveFiles() const { return liveFiles_; }
  size_t LiveBytes() const { return liveBytes_; }
  // Bytes of memory the table holds (chunks and block list, capacity included).
  size_t MemoryBytes() const;

 private:
  struct Block {
    uint32_t chunk;
    uint32_t off;
    uint32_t bytes;
    uint32_t count;
  };
  struct Chunk {
    std::unique_ptr<char[]> data;
    size_t size = 0;
    size_t used = 0;
  };
  static constexpr size_t kChunkBytes = size_t{256} << 10;

  BlockId Place(std::string_view bytes, uint32_t count);

  std::vector<Chunk> chunks_;
  std::vector<Block> blocks_;
  size_t liveFiles_ = 0;
  size_t liveBytes_ = 0;
  size_t deadBytes_ = 0;
};

namespace filetable_detail {

// Allocation modes, the low two bits of the length varint.
enum : uint32_t { kAllocRounded = 0, kAllocZero = 1, kAllocSame = 2, kAllocExplicit = 3 };
inline constexpr int64_t kCluster = 4096;

inline uint64_t ReadVarint(const char*& p) {
  uint64_t v = 0;
  for (int shift = 0;; shift += 7) {
    const auto b = static_cast<uint8_t>(*p++);
    v |= static_cast<uint64_t>(b & 0x7F) << shift;
    if (!(b & 0x80) || shift >= 63) return v;
  }
}

inline const char* Decode(const char* p, FileRef& f) {
  f.flags = static_cast<uint8_t>(*p++);
  const auto* t = reinterpret_cast<const uint8_t*>(p);
  f.time = static_cast<uint32_t>(t[0]) | static_cast<uint32_t>(t[1]) << 8 |
           static_cast<uint32_t>(t[2]) << 16 | static_cast<uint32_t>(t[3]) << 24;
  p += 4;
  const uint64_t lenMode = ReadVarint(p);
  f.nameBytes = static_cast<uint16_t>(lenMode >> 2);
  f.size = static_cast<int64_t>(ReadVarint(p));
  switch (lenMode & 3) {
    case kAllocRounded:
      f.allocated = (f.size + kCluster - 1) / kCluster * kCluster;
      break;
    case kAllocZero:
      f.allocated = 0;
      break;
    case kAllocSame:
      f.allocated = f.size;
      break;
    default:
      f.allocated = static_cast<int64_t>(ReadVarint(p));
  }
  f.name = p;
  return p + f.nameBytes;
}

}  // namespace filetable_detail

template <class F>
void FileTable::ForEach(BlockId id, F&& f) const {
  if (id == kNone) return;
  const Block& b = blocks_[id];
  const char* p = chunks_[b.chunk].data.get() + b.off;
  FileRef r;
  for (uint32_t k = 0; k < b.count; ++k) {
    p = filetable_detail::Decode(p, r);
    f(static_cast<const FileRef&>(r));
  }
}

}  // namespace vardune
