// The NTFS on-disk format and the sequential reading of the MFT (see ntfs.h).
#include "os/ntfs.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace vardune::ntfs {

namespace {

// The update sequence protects every 512 bytes of a record, whatever the sector size.
constexpr size_t kStride = 512;
// Cluster numbers and counts beyond 2^48 clusters describe no disk that exists.
constexpr int64_t kMaxCluster = int64_t{1} << 48;
constexpr size_t kUpCaseBytes = 65536 * 2;
// An attribute list longer than this is no list that NTFS writes.
constexpr uint64_t kMaxAttributeList = 256 * 1024;

bool IsPowerOfTwo(uint64_t v) { return v != 0 && (v & (v - 1)) == 0; }

// A little-endian field of `n` bytes (1 to 8), sign-extended when `isSigned`.
int64_t LeField(const uint8_t* p, unsigned n, bool isSigned) {
  uint64_t v = 0;
  for (unsigned i = 0; i < n; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
  if (isSigned && n < 8 && (p[n - 1] & 0x80)) v |= ~uint64_t{0} << (8 * n);
  return static_cast<int64_t>(v);
}

}  // namespace

std::optional<BootSector> ParseBootSector(const uint8_t* d, size_t size) {
  if (size < 512 || std::memcmp(d + 3, "NTFS    ", 8) != 0) return std::nullopt;
  if (d[510] != 0x55 || d[511] != 0xAA) return std::nullopt;
  BootSector b;
  b.bytesPerSector = Le16(d + 0x0B);
  if (!IsPowerOfTwo(b.bytesPerSector) || b.bytesPerSector < 512 || b.bytesPerSector > 4096) {
    return std::nullopt;
  }
  // Above 0x80 the field is a negative power of two (clusters of 128 sectors and more).
  const uint8_t spc = d[0x0D];
  uint64_t sectorsPerCluster = spc;
  if (spc > 0x80) {
    const unsigned shift = 256u - spc;
    if (shift > 12) return std::nullopt;
    sectorsPerCluster = uint64_t{1} << shift;
  }
  if (!IsPowerOfTwo(sectorsPerCluster)) return std::nullopt;
  const uint64_t cluster = sectorsPerCluster * b.bytesPerSector;
  if (cluster > (uint64_t{2} << 20)) return std::nullopt;
  b.clusterSize = static_cast<uint32_t>(cluster);
  // Positive: clusters per record; negative: the record size is 2^-value bytes.
  const auto perRecord = static_cast<int8_t>(d[0x40]);
  uint64_t record = 0;
  if (perRecord > 0) {
    record = static_cast<uint64_t>(perRecord) * cluster;
  } else if (perRecord < 0 && perRecord >= -31) {
    record = uint64_t{1} << -perRecord;
  }
  if (!IsPowerOfTwo(record) || record < 512 || record > 65536) return std::nullopt;
  b.recordSize = static_cast<uint32_t>(record);
  b.totalSectors = Le64(d + 0x28);
  b.mftCluster = Le64(d + 0x30);
  const uint64_t volumeBytes = b.totalSectors < (uint64_t{1} << 52) / b.bytesPerSector
                                   ? (b.totalSectors + 1) * b.bytesPerSector
                                   : 0;
  if (volumeBytes == 0 || b.mftCluster >= volumeBytes / cluster) return std::nullopt;
  return b;
}

bool ApplyFixups(uint8_t* data, size_t size) {
  if (size < kStride || size % kStride != 0) return false;
  const size_t offset = Le16(data + 4);
  const size_t count = Le16(data + 6);
  if (count != size / kStride + 1 || offset < 8 || offset % 2 != 0 ||
      offset + 2 * count > kStride - 2) {
    return false;
  }
  const uint8_t* saved = data + offset;
  for (size_t i = 1; i < count; ++i) {
    uint8_t* end = data + i * kStride - 2;
    if (end[0] != saved[0] || end[1] != saved[1]) return false;
    end[0] = saved[2 * i];
    end[1] = saved[2 * i + 1];
  }
  return true;
}

bool DecodeRuns(const uint8_t* p, size_t size, int64_t firstVcn, std::vector<Run>& runs) {
  if (firstVcn < 0 || firstVcn >= kMaxCluster) return false;
  int64_t vcn = firstVcn;
  int64_t lcn = 0;
  size_t i = 0;
  while (i < size) {
    const uint8_t header = p[i];
    if (header == 0) return true;
    const unsigned lengthBytes = header & 0x0F;
    const unsigned offsetBytes = header >> 4;
    if (lengthBytes == 0 || lengthBytes > 8 || offsetBytes > 8) return false;
    if (size - i - 1 < lengthBytes + offsetBytes) return false;
    const int64_t length = LeField(p + i + 1, lengthBytes, true);
    if (length <= 0 || length > kMaxCluster - vcn) return false;
    Run run;
    run.vcn = vcn;
    run.length = length;
    if (offsetBytes != 0) {
      const int64_t delta = LeField(p + i + 1 + lengthBytes, offsetBytes, true);
      if (delta > kMaxCluster || delta < -kMaxCluster) return false;
      lcn += delta;
      if (lcn < 0 || lcn > kMaxCluster - length) return false;
      run.lcn = lcn;
    }
    runs.push_back(run);
    vcn += length;
    i += 1 + lengthBytes + offsetBytes;
  }
  // Mapping pairs that fill their attribute to the last byte need no end marker.
  return true;
}

AttributeCursor::AttributeCursor(const uint8_t* record, size_t size) : rec_(record) {
  if (size < 0x30) {
    malformed_ = true;
    return;
  }
  used_ = Le32(record + 0x18);
  pos_ = Le16(record + 0x14);
  if (used_ > size || pos_ < 0x18 || pos_ % 8 != 0 || pos_ >= used_) malformed_ = true;
}

bool AttributeCursor::Next(Attribute& a) {
  if (malformed_) return false;
  if (used_ - pos_ < 4) {
    malformed_ = true;
    return false;
  }
  const uint8_t* p = rec_ + pos_;
  const uint32_t type = Le32(p);
  if (type == kAttrEnd) return false;
  if (used_ - pos_ < 24) {
    malformed_ = true;
    return false;
  }
  const uint32_t length = Le32(p + 4);
  if (length < 24 || length % 8 != 0 || length > used_ - pos_) {
    malformed_ = true;
    return false;
  }
  a = Attribute{};
  a.type = type;
  a.nonResident = p[8] != 0;
  a.nameLength = p[9];
  a.flags = Le16(p + 12);
  a.id = Le16(p + 14);
  if (a.nameLength != 0 && size_t{Le16(p + 10)} + 2u * a.nameLength > length) {
    malformed_ = true;
    return false;
  }
  if (!a.nonResident) {
    a.valueLength = Le32(p + 16);
    const uint32_t valueOffset = Le16(p + 20);
    if (uint64_t{valueOffset} + a.valueLength > length) {
      malformed_ = true;
      return false;
    }
    a.value = p + valueOffset;
  } else {
    if (length < 0x40) {
      malformed_ = true;
      return false;
    }
    a.lowestVcn = static_cast<int64_t>(Le64(p + 0x10));
    a.highestVcn = static_cast<int64_t>(Le64(p + 0x18));
    const uint32_t runsOffset = Le16(p + 0x20);
    a.dataSize = Le64(p + 0x30);
    if (a.lowestVcn < 0 || runsOffset < 0x40 || runsOffset > length) {
      malformed_ = true;
      return false;
    }
    a.runs = p + runsOffset;
    a.runsLength = length - runsOffset;
    a.allocatedSize = Le64(p + 0x28);
    // The compressed size follows the initialized size only in the longer header that
    // compressed and sparse attributes have.
    a.compressedSize = a.allocatedSize;
    if ((a.flags & (kAttrFlagCompressed | kAttrFlagSparse)) && runsOffset >= 0x48) {
      a.compressedSize = Le64(p + 0x40);
    }
  }
  pos_ += length;
  return true;
}

RecordState ReadFileRecord(uint8_t* data, size_t size, FileRecord& out) {
  out.names.clear();
  out.nameText.clear();
  out.hasStandardInformation = out.hasData = out.hasAttributeList = false;
  out.hasReparsePoint = false;
  out.attributes = 0;
  out.lastWrite = 0;
  out.dataSize = 0;
  out.allocatedSize = 0;
  out.reparseTag = 0;
  out.reparseLcn = -1;
  if (size < kStride) return RecordState::Free;
  if (std::memcmp(data, "BAAD", 4) == 0) return RecordState::Broken;
  if (std::memcmp(data, "FILE", 4) != 0) return RecordState::Free;
  out.flags = Le16(data + 0x16);
  if (!(out.flags & kRecordInUse)) return RecordState::Free;
  if (!ApplyFixups(data, size)) return RecordState::Broken;
  out.sequence = Le16(data + 0x10);
  out.base = Le64(data + 0x20);

  AttributeCursor cursor(data, size);
  Attribute a;
  while (cursor.Next(a)) {
    switch (a.type) {
      case kAttrStandardInformation:
        if (a.nonResident || a.valueLength < 0x24) return RecordState::Broken;
        out.hasStandardInformation = true;
        out.lastWrite = Le64(a.value + 0x08);
        out.attributes = Le32(a.value + 0x20);
        break;
      case kAttrReparsePoint:
        if (a.nameLength != 0 || out.hasReparsePoint) break;
        out.hasReparsePoint = true;
        if (!a.nonResident) {
          if (a.valueLength >= 4) out.reparseTag = Le32(a.value);
        } else if (a.lowestVcn == 0 && a.dataSize >= 4) {
          std::vector<Run> runs;
          if (DecodeRuns(a.runs, a.runsLength, 0, runs) && !runs.empty() && runs[0].lcn >= 0) {
            out.reparseLcn = runs[0].lcn;
          }
        }
        break;
      case kAttrAttributeList:
        out.hasAttributeList = true;
        break;
      case kAttrFileName: {
        if (a.nonResident || a.valueLength < 0x42) return RecordState::Broken;
        const uint8_t length = a.value[0x40];
        if (0x42u + 2u * length > a.valueLength) return RecordState::Broken;
        FileName n;
        n.parent = Le64(a.value);
        n.attributes = Le32(a.value + 0x38);
        n.nameSpace = a.value[0x41];
        n.length = length;
        n.offset = static_cast<uint32_t>(out.nameText.size());
        for (unsigned i = 0; i < length; ++i) {
          out.nameText.push_back(static_cast<char16_t>(Le16(a.value + 0x42 + 2 * i)));
        }
        out.names.push_back(n);
        break;
      }
      case kAttrData:
        if (a.nameLength != 0 || out.hasData) break;  // alternate streams do not count
        if (!a.nonResident) {
          out.hasData = true;
          out.dataSize = a.valueLength;
          out.allocatedSize = (int64_t{a.valueLength} + 7) & ~int64_t{7};
        } else if (a.lowestVcn == 0) {
          constexpr uint64_t kMax = std::numeric_limits<int64_t>::max();
          out.hasData = true;
          out.dataSize = static_cast<int64_t>(std::min(a.dataSize, kMax));
          out.allocatedSize = static_cast<int64_t>(std::min(a.compressedSize, kMax));
        }
        break;
      default:
        break;
    }
  }
  return cursor.Malformed() ? RecordState::Broken : RecordState::InUse;
}

bool DecodeAttributeList(const uint8_t* p, size_t size, std::vector<ListEntry>& out) {
  size_t pos = 0;
  while (size - pos >= 26) {
    const uint16_t length = Le16(p + pos + 4);
    if (length < 26 || length > size - pos) return false;
    ListEntry e;
    e.type = Le32(p + pos);
    e.nameLength = p[pos + 6];
    const uint8_t nameOffset = p[pos + 7];
    if (e.nameLength != 0 && size_t{nameOffset} + 2u * e.nameLength > length) return false;
    e.lowestVcn = static_cast<int64_t>(Le64(p + pos + 8));
    e.segment = Le64(p + pos + 16);
    out.push_back(e);
    pos += length;
  }
  return true;
}

int CollateNames(std::u16string_view a, std::u16string_view b, const char16_t* upcase) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t ua = upcase[a[i]];
    const char16_t ub = upcase[b[i]];
    if (ua != ub) return ua < ub ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

bool EqualUpcased(std::u16string_view a, std::u16string_view b, const char16_t* upcase) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (upcase[a[i]] != upcase[b[i]]) return false;
  }
  return true;
}

// ---- reading the MFT ----------------------------------------------------------------------

int64_t MftVolumeOffset(const MftLayout& layout, uint64_t pos, uint64_t* contiguous) {
  if (contiguous) *contiguous = 0;
  const uint64_t cs = layout.boot.clusterSize;
  const auto vcn = static_cast<int64_t>(pos / cs);
  const auto it = std::upper_bound(layout.runs.begin(), layout.runs.end(), vcn,
                                   [](int64_t v, const Run& r) { return v < r.vcn; });
  if (it == layout.runs.begin()) return -1;
  const Run& r = *(it - 1);
  if (vcn >= r.vcn + r.length) return -1;
  const uint64_t within = pos % cs;
  if (contiguous) *contiguous = static_cast<uint64_t>(r.vcn + r.length - vcn) * cs - within;
  if (r.lcn < 0) return -1;
  return static_cast<int64_t>(static_cast<uint64_t>(r.lcn + (vcn - r.vcn)) * cs + within);
}

namespace {

// `size` bytes of the MFT from byte `pos` into `out`, piece by piece across its runs; sparse
// parts read as zeros.
bool ReadMftBytes(VolumeSource& v, const MftLayout& layout, uint64_t pos, size_t size,
                  uint8_t* out) {
  size_t done = 0;
  while (done < size) {
    uint64_t contiguous = 0;
    const int64_t off = MftVolumeOffset(layout, pos + done, &contiguous);
    if (contiguous == 0) return false;
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(contiguous, size - done));
    if (off < 0) {
      std::memset(out + done, 0, piece);
    } else {
      const uint8_t* p = v.Read(static_cast<uint64_t>(off), piece);
      if (!p) return false;
      std::memcpy(out + done, p, piece);
    }
    done += piece;
  }
  return true;
}

// The first `size` bytes of a non-resident attribute's data, given its runs.
bool ReadRunData(VolumeSource& v, uint32_t clusterSize, const std::vector<Run>& runs,
                 size_t size, std::vector<uint8_t>& out) {
  out.assign(size, 0);
  size_t done = 0;
  for (const Run& r : runs) {
    if (done >= size) break;
    if (static_cast<uint64_t>(r.vcn) * clusterSize != done) return false;
    const uint64_t runBytes = static_cast<uint64_t>(r.length) * clusterSize;
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(runBytes, size - done));
    if (r.lcn >= 0) {
      const uint8_t* p = v.Read(static_cast<uint64_t>(r.lcn) * clusterSize, piece);
      if (!p) return false;
      std::memcpy(out.data() + done, p, piece);
    }
    done += piece;
  }
  return done >= size;
}

// The value of an attribute, resident or not, when it is at most `limit` bytes long.
bool AttributeValue(VolumeSource& v, uint32_t clusterSize, const Attribute& a, uint64_t limit,
                    std::vector<uint8_t>& out) {
  if (!a.nonResident) {
    if (a.valueLength > limit) return false;
    out.assign(a.value, a.value + a.valueLength);
    return true;
  }
  if (a.lowestVcn != 0 || a.dataSize > limit) return false;
  std::vector<Run> runs;
  if (!DecodeRuns(a.runs, a.runsLength, 0, runs)) return false;
  return ReadRunData(v, clusterSize, runs, static_cast<size_t>(a.dataSize), out);
}

struct Extent {
  int64_t lowestVcn;
  std::vector<Run> runs;
};

// The extent of the unnamed $DATA that a record of $MFT holds, if any.
bool DataExtent(const uint8_t* rec, size_t size, std::vector<Extent>& extents, uint64_t* dataSize,
                LayoutError& error) {
  AttributeCursor cursor(rec, size);
  Attribute a;
  while (cursor.Next(a)) {
    if (a.type != kAttrData || a.nameLength != 0) continue;
    if (!a.nonResident) {
      error = LayoutError::Damaged;
      return false;
    }
    Extent e{a.lowestVcn, {}};
    if (!DecodeRuns(a.runs, a.runsLength, a.lowestVcn, e.runs)) {
      error = LayoutError::Damaged;
      return false;
    }
    if (a.lowestVcn == 0 && dataSize) *dataSize = a.dataSize;
    extents.push_back(std::move(e));
  }
  if (cursor.Malformed()) {
    error = LayoutError::Damaged;
    return false;
  }
  return true;
}

// Joins the extents into the runs of the layout: sorted, without gaps or overlaps.
bool JoinExtents(std::vector<Extent> extents, std::vector<Run>& runs) {
  std::sort(extents.begin(), extents.end(),
            [](const Extent& x, const Extent& y) { return x.lowestVcn < y.lowestVcn; });
  runs.clear();
  int64_t next = 0;
  for (const Extent& e : extents) {
    for (const Run& r : e.runs) {
      if (r.vcn != next) return false;
      runs.push_back(r);
      next = r.vcn + r.length;
    }
  }
  return !runs.empty();
}

}  // namespace

LayoutError ReadLayout(VolumeSource& v, MftLayout& out) {
  const uint8_t* first = v.Read(0, 512);
  if (!first) return LayoutError::Unreadable;
  const auto boot = ParseBootSector(first, 512);
  if (!boot) return LayoutError::NotNtfs;
  out = MftLayout{};
  out.boot = *boot;
  const uint32_t rs = boot->recordSize;
  const uint32_t cs = boot->clusterSize;

  // $MFT's own record lies at the cluster the boot sector names; its first extent maps at
  // least the records that the attribute list may point to.
  std::vector<uint8_t> rec(rs);
  const uint8_t* p = v.Read(boot->mftCluster * cs, rs);
  if (!p) return LayoutError::Unreadable;
  std::memcpy(rec.data(), p, rs);
  FileRecord fr;
  if (ReadFileRecord(rec.data(), rs, fr) != RecordState::InUse || fr.base != 0) {
    return LayoutError::Damaged;
  }
  LayoutError error = LayoutError::None;
  std::vector<Extent> extents;
  uint64_t mftBytes = 0;
  if (!DataExtent(rec.data(), rs, extents, &mftBytes, error)) return error;
  if (!JoinExtents(extents, out.runs)) return LayoutError::Damaged;

  if (fr.hasAttributeList) {
    std::vector<uint8_t> listValue;
    AttributeCursor cursor(rec.data(), rs);
    Attribute a;
    while (cursor.Next(a)) {
      if (a.type == kAttrAttributeList) {
        if (!AttributeValue(v, cs, a, kMaxAttributeList, listValue)) return LayoutError::Damaged;
        break;
      }
    }
    std::vector<ListEntry> entries;
    if (!DecodeAttributeList(listValue.data(), listValue.size(), entries)) {
      return LayoutError::Damaged;
    }
    std::stable_sort(entries.begin(), entries.end(), [](const ListEntry& x, const ListEntry& y) {
      return x.lowestVcn < y.lowestVcn;
    });
    std::vector<uint8_t> ext(rs);
    for (const ListEntry& e : entries) {
      const uint64_t number = RecordOf(e.segment);
      if (e.type != kAttrData || e.nameLength != 0 || number == kMftRecord) continue;
      // Each extension record is found through the extents known so far.
      if (number >= (uint64_t{1} << 32) || !ReadMftBytes(v, out, number * rs, rs, ext.data())) {
        return LayoutError::Damaged;
      }
      FileRecord er;
      if (ReadFileRecord(ext.data(), rs, er) != RecordState::InUse ||
          RecordOf(er.base) != kMftRecord) {
        return LayoutError::Damaged;
      }
      std::vector<Extent> more;
      if (!DataExtent(ext.data(), rs, more, nullptr, error)) return error;
      for (Extent& m : more) {
        if (m.lowestVcn == e.lowestVcn) extents.push_back(std::move(m));
      }
      if (!JoinExtents(extents, out.runs)) return LayoutError::Damaged;
    }
  }

  const Run& last = out.runs.back();
  const uint64_t mapped = static_cast<uint64_t>(last.vcn + last.length) * cs;
  const uint64_t volumeBytes = (boot->totalSectors + 1) * boot->bytesPerSector;
  out.records = mftBytes / rs;
  if (out.records <= kFirstUserRecord || out.records > 0xFFFFFFFFull ||
      out.records * rs > mapped || out.records * rs > volumeBytes) {
    return LayoutError::Damaged;
  }

  // $UpCase: 65536 upper-case code units, the volume's own idea of letter case.
  if (!ReadMftBytes(v, out, uint64_t{kUpCaseRecord} * rs, rs, rec.data())) {
    return LayoutError::Unreadable;
  }
  FileRecord ur;
  if (ReadFileRecord(rec.data(), rs, ur) != RecordState::InUse) return LayoutError::Damaged;
  std::vector<uint8_t> table;
  AttributeCursor cursor(rec.data(), rs);
  Attribute a;
  bool found = false;
  while (cursor.Next(a)) {
    if (a.type == kAttrData && a.nameLength == 0) {
      found = AttributeValue(v, cs, a, kUpCaseBytes, table) && table.size() == kUpCaseBytes;
      break;
    }
  }
  if (!found) return LayoutError::Damaged;
  out.upcase.resize(65536);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out.upcase.data(), table.data(), kUpCaseBytes);
  } else {
    for (size_t i = 0; i < out.upcase.size(); ++i) {
      out.upcase[i] = static_cast<char16_t>(Le16(table.data() + 2 * i));
    }
  }
  return LayoutError::None;
}

ReadEnd ReadRecords(VolumeSource& v, const MftLayout& layout, RecordSink& sink,
                    size_t blockBytes) {
  const uint32_t rs = layout.boot.recordSize;
  const uint64_t total = layout.records * rs;
  blockBytes = std::max<size_t>(rs, blockBytes / rs * rs);
  FileRecord fr;
  std::vector<uint8_t> single(rs);
  std::vector<uint32_t> again;
  uint64_t pos = 0;
  while (pos < total) {
    uint64_t contiguous = 0;
    const int64_t off = MftVolumeOffset(layout, pos, &contiguous);
    if (contiguous == 0) return ReadEnd::Unreadable;
    if (off < 0 || contiguous < rs) {
      // A sparse stretch holds no records; a record split between two runs (clusters smaller
      // than records) is put together on its own.
      if (off < 0 && contiguous >= rs) {
        pos += std::min<uint64_t>(contiguous / rs * rs, total - pos);
      } else {
        if (!ReadMftBytes(v, layout, pos, rs, single.data())) return ReadEnd::Unreadable;
        const RecordState state = ReadFileRecord(single.data(), rs, fr);
        if (state != RecordState::Free) sink.Record(static_cast<uint32_t>(pos / rs), state, fr);
        pos += rs;
      }
    } else {
      const size_t length =
          static_cast<size_t>(std::min<uint64_t>({blockBytes, contiguous / rs * rs, total - pos}));
      uint8_t* block = v.Read(static_cast<uint64_t>(off), length);
      if (!block) return ReadEnd::Unreadable;
      const auto firstNumber = static_cast<uint32_t>(pos / rs);
      for (size_t i = 0; i < length / rs; ++i) {
        const RecordState state = ReadFileRecord(block + i * rs, rs, fr);
        if (state == RecordState::InUse) {
          sink.Record(firstNumber + static_cast<uint32_t>(i), state, fr);
        } else if (state == RecordState::Broken) {
          again.push_back(firstNumber + static_cast<uint32_t>(i));
        }
      }
      pos += length;
      for (const uint32_t number : again) {
        RecordState state = RecordState::Broken;
        if (ReadMftBytes(v, layout, uint64_t{number} * rs, rs, single.data())) {
          state = ReadFileRecord(single.data(), rs, fr);
        }
        if (state != RecordState::Free) sink.Record(number, state, fr);
      }
      again.clear();
    }
    if (!sink.Block(pos)) return ReadEnd::Stopped;
  }
  return ReadEnd::Done;
}

}  // namespace vardune::ntfs
