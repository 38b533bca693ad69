// The table of every file of the scan results (see filetable.h).
#include "scan/filetable.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "os/text.h"

namespace vardune {

using namespace filetable_detail;

namespace {

void PutVarint(std::string& out, uint64_t v) {
  while (v >= 0x80) {
    out += static_cast<char>(0x80 | (v & 0x7F));
    v >>= 7;
  }
  out += static_cast<char>(v);
}

// Sizes are never negative; a size that some source gives as negative is kept as 0.
uint64_t Unsigned(int64_t v) { return v < 0 ? 0 : static_cast<uint64_t>(v); }

// Clusters of 4 KiB are what NTFS and most file systems give a file that is not sparse,
// compressed or held in its directory entry; 0 is what a cloud placeholder and an empty file
// take.
uint32_t AllocMode(int64_t size, int64_t allocated) {
  if (allocated <= 0) return kAllocZero;
  if (size > std::numeric_limits<int64_t>::max() - kCluster) return kAllocExplicit;
  if (allocated == (size + kCluster - 1) / kCluster * kCluster) return kAllocRounded;
  if (allocated == size) return kAllocSame;
  return kAllocExplicit;
}

constexpr size_t kMaxNameBytes = 0xFFFF;

}  // namespace

uint8_t FileFlagsOf(uint32_t a) {
  uint8_t f = 0;
  if (a & 0x1) f |= kFileReadOnly;
  if (a & 0x2) f |= kFileHidden;
  if (a & 0x4) f |= kFileSystem;
  if (a & 0x800) f |= kFileCompressed;
  if (a & 0x200) f |= kFileSparse;
  if (a & 0x400) f |= kFileReparse;
  // FILE_ATTRIBUTE_OFFLINE, FILE_ATTRIBUTE_RECALL_ON_OPEN, FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS.
  if (a & (0x1000 | 0x40000 | 0x400000)) f |= kFileCloud;
  return f;
}

namespace {
constexpr uint64_t kFiletime1970 = 116444736000000000ull;
constexpr uint64_t kTicksPerSecond = 10000000ull;
}  // namespace

uint32_t FileTimeSeconds(uint64_t filetime) {
  if (filetime < kFiletime1970) return 0;
  const uint64_t s = (filetime - kFiletime1970) / kTicksPerSecond;
  return s > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                  : static_cast<uint32_t>(s);
}

uint64_t FileTimeOfSeconds(uint32_t seconds) {
  return kFiletime1970 + uint64_t{seconds} * kTicksPerSecond;
}

std::wstring FileNameOf(const FileRef& f) { return FromWtf8(f.Name8()); }

void FileBlockBuilder::Head(size_t nameBytes, int64_t size, int64_t allocated, uint32_t time,
                            uint8_t flags) {
  bytes_ += static_cast<char>(flags);
  for (int k = 0; k < 4; ++k) bytes_ += static_cast<char>((time >> (8 * k)) & 0xFF);
  const uint32_t mode = AllocMode(size, allocated);
  PutVarint(bytes_, (uint64_t{nameBytes} << 2) | mode);
  PutVarint(bytes_, Unsigned(size));
  if (mode == kAllocExplicit) PutVarint(bytes_, Unsigned(allocated));
  ++count_;
}

void FileBlockBuilder::AddUtf8(std::string_view name, int64_t size, int64_t allocated,
                               uint32_t time, uint8_t flags) {
  if (name.size() > kMaxNameBytes) name = name.substr(0, kMaxNameBytes);
  Head(name.size(), size, allocated, time, flags);
  bytes_.append(name);
}

namespace {
template <class View>
void AddWide(FileBlockBuilder& b, std::string& scratch, View name, int64_t size,
             int64_t allocated, uint32_t time, uint8_t flags) {
  scratch.clear();
  AppendWtf8(scratch, name);
  b.AddUtf8(scratch, size, allocated, time, flags);
}
thread_local std::string tScratch;
}  // namespace

void FileBlockBuilder::Add(std::wstring_view name, int64_t size, int64_t allocated,
                           uint32_t time, uint8_t flags) {
  // Plain ASCII, the common case, goes straight in.
  size_t i = 0;
  while (i < name.size() && static_cast<uint32_t>(name[i]) < 0x80) ++i;
  if (i == name.size() && name.size() <= kMaxNameBytes) {
    Head(name.size(), size, allocated, time, flags);
    for (const wchar_t c : name) bytes_ += static_cast<char>(c);
    return;
  }
  AddWide(*this, tScratch, name, size, allocated, time, flags);
}

void FileBlockBuilder::Add(std::u16string_view name, int64_t size, int64_t allocated,
                           uint32_t time, uint8_t flags) {
  AddWide(*this, tScratch, name, size, allocated, time, flags);
}

FileTable::BlockId FileTable::Place(std::string_view bytes, uint32_t count) {
  if (count == 0) return kNone;
  if (chunks_.empty() || chunks_.back().size - chunks_.back().used < bytes.size()) {
    // A block is never split: a directory of many files gets a chunk of its own size.
    Chunk c;
    c.size = std::max(kChunkBytes, bytes.size());
    c.data = std::make_unique<char[]>(c.size);
    chunks_.push_back(std::move(c));
  }
  Chunk& c = chunks_.back();
  std::memcpy(c.data.get() + c.used, bytes.data(), bytes.size());
  blocks_.push_back(Block{static_cast<uint32_t>(chunks_.size() - 1), static_cast<uint32_t>(c.used),
                          static_cast<uint32_t>(bytes.size()), count});
  c.used += bytes.size();
  liveFiles_ += count;
  liveBytes_ += bytes.size();
  return static_cast<BlockId>(blocks_.size() - 1);
}

FileTable::BlockId FileTable::Add(const FileBlockBuilder& files) {
  return Place(files.Bytes(), files.Count());
}

FileTable::BlockId FileTable::CopyFrom(const FileTable& other, BlockId id) {
  if (id == kNone) return kNone;
  const Block b = other.blocks_[id];
  // Placing may add a chunk but never moves one: the bytes stay where they are, also when
  // `other` is this table.
  return Place(std::string_view(other.chunks_[b.chunk].data.get() + b.off, b.bytes), b.count);
}

void FileTable::Release(BlockId id) {
  if (id == kNone) return;
  Block& b = blocks_[id];
  liveFiles_ -= b.count;
  liveBytes_ -= b.bytes;
  deadBytes_ += b.bytes;
  b.count = 0;
  b.bytes = 0;
}

std::vector<FileInfo> FileTable::Files(BlockId id) const {
  std::vector<FileInfo> out;
  ForEach(id, [&](const FileRef& f) {
    out.push_back(FileInfo{FileNameOf(f), f.size, f.allocated, f.time, f.flags});
  });
  return out;
}

void FileTable::Clear() {
  std::vector<Chunk>().swap(chunks_);
  std::vector<Block>().swap(blocks_);
  liveFiles_ = liveBytes_ = deadBytes_ = 0;
}

void FileTable::Trim() {
  if (!chunks_.empty()) {
    Chunk& c = chunks_.back();
    if (c.used < c.size) {
      auto data = std::make_unique<char[]>(std::max<size_t>(c.used, 1));
      std::memcpy(data.get(), c.data.get(), c.used);
      c.data = std::move(data);
      c.size = std::max<size_t>(c.used, 1);
    }
  }
  chunks_.shrink_to_fit();
  blocks_.shrink_to_fit();
}

size_t FileTable::MemoryBytes() const {
  size_t n = sizeof(*this) + chunks_.capacity() * sizeof(Chunk) + blocks_.capacity() * sizeof(Block);
  for (const Chunk& c : chunks_) n += c.size;
  return n;
}

}  // namespace vardune
