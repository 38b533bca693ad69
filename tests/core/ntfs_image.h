// Small NTFS volumes put together in memory, for the tests and the fuzzing of the MFT reading:
// a boot sector, MFT records made attribute by attribute with their update sequence applied,
// the $MFT's runs (fragmented if asked) and an $UpCase table. Also a volume source over such
// bytes that can fail or tear a read on purpose.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

#include "os/ntfs.h"

namespace vardune::ntfs::image {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, size_t at, uint64_t v) {
  for (int i = 0; i < 2; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put32(Bytes& b, size_t at, uint64_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put64(Bytes& b, size_t at, uint64_t v) {
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint64_t Ref(uint64_t record, uint16_t seq) { return record | uint64_t{seq} << 48; }

// One attribute: header, name, value or mapping pairs, padded to 8 bytes. A non-resident one
// takes `allocated` bytes of clusters (its data size when 0); with `flags` compressed or sparse
// it has the longer header that also holds the bytes its clusters really take, `compressed`.
inline Bytes Attr(uint32_t type, const Bytes& value, std::u16string_view name = u"",
                  bool nonResident = false, int64_t lowestVcn = 0, uint64_t dataSize = 0,
                  uint16_t flags = 0, uint64_t allocated = 0, uint64_t compressed = 0) {
  const bool longer = nonResident && (flags & (kAttrFlagCompressed | kAttrFlagSparse));
  const size_t header = nonResident ? (longer ? 0x48 : 0x40) : 0x18;
  const size_t nameAt = header;
  const size_t valueAt = (nameAt + 2 * name.size() + 7) / 8 * 8;
  Bytes a((valueAt + value.size() + 7) / 8 * 8, 0);
  Put32(a, 0, type);
  Put32(a, 4, a.size());
  a[8] = nonResident;
  a[9] = static_cast<uint8_t>(name.size());
  Put16(a, 10, nameAt);
  Put16(a, 12, flags);
  for (size_t i = 0; i < name.size(); ++i) Put16(a, nameAt + 2 * i, name[i]);
  if (nonResident) {
    Put64(a, 0x10, static_cast<uint64_t>(lowestVcn));
    Put16(a, 0x20, valueAt);
    Put64(a, 0x28, allocated ? allocated : dataSize);
    Put64(a, 0x30, dataSize);
    Put64(a, 0x38, dataSize);
    if (longer) Put64(a, 0x40, compressed);
  } else {
    Put32(a, 0x10, value.size());
    Put16(a, 0x14, valueAt);
  }
  std::copy(value.begin(), value.end(), a.begin() + valueAt);
  return a;
}

inline Bytes StdInfo(uint32_t attributes = 0, uint64_t lastWrite = 0) {
  Bytes v(0x48, 0);
  Put64(v, 0x08, lastWrite);
  Put32(v, 0x20, attributes);
  return Attr(kAttrStandardInformation, v);
}

// $REPARSE_POINT with its tag and `dataBytes` bytes of data, in the record or (runs given) in
// clusters of its own.
inline Bytes ReparseAttr(uint32_t tag, size_t dataBytes = 8, const std::vector<Run>& runs = {});

inline Bytes FileNameAttr(uint64_t parent, std::u16string_view name,
                          uint8_t nameSpace = kNamespaceWin32, uint32_t attributes = 0) {
  Bytes v(0x42 + 2 * name.size(), 0);
  Put64(v, 0, parent);
  Put32(v, 0x38, attributes);
  v[0x40] = static_cast<uint8_t>(name.size());
  v[0x41] = nameSpace;
  for (size_t i = 0; i < name.size(); ++i) Put16(v, 0x42 + 2 * i, name[i]);
  return Attr(kAttrFileName, v);
}

// Mapping pairs: each run with the smallest fields that hold it.
inline Bytes EncodeRuns(const std::vector<Run>& runs) {
  Bytes out;
  int64_t lcn = 0;
  const auto width = [](int64_t v) {
    unsigned n = 1;
    while (n < 8 && (v >= (int64_t{1} << (8 * n - 1)) || v < -(int64_t{1} << (8 * n - 1)))) ++n;
    return n;
  };
  for (const Run& r : runs) {
    const unsigned lw = width(r.length);
    const unsigned ow = r.lcn < 0 ? 0 : width(r.lcn - lcn);
    out.push_back(static_cast<uint8_t>(lw | ow << 4));
    for (unsigned i = 0; i < lw; ++i) out.push_back(static_cast<uint8_t>(r.length >> (8 * i)));
    for (unsigned i = 0; i < ow; ++i) out.push_back(static_cast<uint8_t>((r.lcn - lcn) >> (8 * i)));
    if (r.lcn >= 0) lcn = r.lcn;
  }
  out.push_back(0);
  return out;
}

inline Bytes ReparseAttr(uint32_t tag, size_t dataBytes, const std::vector<Run>& runs) {
  if (!runs.empty()) {
    return Attr(kAttrReparsePoint, EncodeRuns(runs), u"", true, 0, 8 + dataBytes);
  }
  Bytes v(8 + dataBytes, 0x11);
  Put32(v, 0, tag);
  Put16(v, 4, dataBytes);
  Put16(v, 6, 0);
  return Attr(kAttrReparsePoint, v);
}

inline Bytes DataAttr(uint64_t size, std::u16string_view name = u"") {
  return Attr(kAttrData, Bytes(static_cast<size_t>(size), 'd'), name);
}
inline Bytes NonResidentData(const std::vector<Run>& runs, uint64_t size, int64_t lowestVcn = 0,
                             std::u16string_view name = u"", uint16_t flags = 0,
                             uint64_t allocated = 0, uint64_t compressed = 0) {
  return Attr(kAttrData, EncodeRuns(runs), name, true, lowestVcn, size, flags, allocated,
              compressed);
}
inline Bytes AttributeList(const std::vector<ListEntry>& entries) {
  Bytes v;
  for (const ListEntry& e : entries) {
    Bytes x(32, 0);
    Put32(x, 0, e.type);
    Put16(x, 4, 32);
    x[7] = 26;
    Put64(x, 8, static_cast<uint64_t>(e.lowestVcn));
    Put64(x, 16, e.segment);
    v.insert(v.end(), x.begin(), x.end());
  }
  return Attr(kAttrAttributeList, v);
}

struct Record {
  uint16_t flags = kRecordInUse;
  uint16_t seq = 1;
  uint64_t base = 0;
  std::vector<Bytes> attributes;
};

// A record of `size` bytes with the update sequence number `usn` at every stride's end;
// attributes that do not fit are left out.
inline Bytes MakeRecord(const Record& r, uint32_t size, uint16_t usn = 0x0707) {
  Bytes b(size, 0);
  std::memcpy(b.data(), "FILE", 4);
  const size_t strides = size / 512;
  Put16(b, 4, 0x30);
  Put16(b, 6, strides + 1);
  Put16(b, 0x10, r.seq);
  Put16(b, 0x12, 1);
  const size_t first = (0x30 + 2 * (strides + 1) + 7) / 8 * 8;
  Put16(b, 0x14, first);
  Put16(b, 0x16, r.flags);
  Put64(b, 0x20, r.base);
  size_t at = first;
  for (const Bytes& a : r.attributes) {
    if (at + a.size() + 8 > size) break;
    std::copy(a.begin(), a.end(), b.begin() + at);
    at += a.size();
  }
  Put32(b, at, kAttrEnd);
  Put32(b, 0x18, at + 8);
  Put32(b, 0x1C, size);
  Put16(b, 0x30, usn);
  for (size_t i = 1; i <= strides; ++i) {
    b[0x30 + 2 * i] = b[i * 512 - 2];
    b[0x30 + 2 * i + 1] = b[i * 512 - 1];
    Put16(b, i * 512 - 2, usn);
  }
  return b;
}

// A directory or file record with its name in `parent`.
inline Record Dir(uint32_t parent, std::u16string_view name, uint16_t parentSeq = 1) {
  return {kRecordInUse | kRecordIsDirectory, 1, 0,
          {StdInfo(), FileNameAttr(Ref(parent, parentSeq), name, kNamespaceWin32,
                                   kFileNameIndexPresent)}};
}
inline Record File(uint32_t parent, std::u16string_view name, uint64_t size,
                   uint16_t parentSeq = 1) {
  return {kRecordInUse, 1, 0, {StdInfo(), FileNameAttr(Ref(parent, parentSeq), name), DataAttr(size)}};
}

// The volume: clusters of `clusterSize`, the boot sector in cluster 0, the MFT in `mftRuns`
// (one run after the boot sector when empty), $UpCase after the MFT.
struct Volume {
  uint32_t clusterSize = 4096;
  uint32_t recordSize = 1024;
  uint32_t recordCount = 32;
  std::vector<Run> mftRuns;
  std::map<uint32_t, Record> records;
  // When set, $MFT's own record holds only its first `mftFirstExtent` runs; the others lie in
  // extension record 15, which an attribute list in record 0 names.
  size_t mftFirstExtent = 0;

  Bytes Build() const {
    const uint64_t mftBytes = uint64_t{recordCount} * recordSize;
    std::vector<Run> runs = mftRuns;
    if (runs.empty()) {
      runs.push_back({0, 1, static_cast<int64_t>((mftBytes + clusterSize - 1) / clusterSize)});
    }
    int64_t end = 1;
    for (const Run& r : runs) end = std::max(end, r.lcn + r.length);
    const int64_t upcaseLcn = end;
    const int64_t upcaseClusters = (131072 + clusterSize - 1) / clusterSize;
    Bytes img(static_cast<size_t>((upcaseLcn + upcaseClusters + 1) * clusterSize), 0);

    std::memcpy(img.data() + 3, "NTFS    ", 8);
    Put16(img, 0x0B, 512);
    img[0x0D] = static_cast<uint8_t>(clusterSize / 512);
    Put64(img, 0x28, img.size() / 512 - 1);
    Put64(img, 0x30, static_cast<uint64_t>(runs[0].lcn));
    int8_t perRecord = 0;
    if (recordSize >= clusterSize) {
      perRecord = static_cast<int8_t>(recordSize / clusterSize);
    } else {
      while ((1u << -perRecord) != recordSize) --perRecord;
    }
    img[0x40] = static_cast<uint8_t>(perRecord);
    img[510] = 0x55;
    img[511] = 0xAA;

    // ASCII and Latin-1 letters upper-cased, the rest as it is.
    static const Bytes upcase = [] {
      Bytes u(131072);
      for (uint32_t c = 0; c < 65536; ++c) {
        const bool lower = (c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
        Put16(u, 2 * c, lower ? c - 0x20 : c);
      }
      return u;
    }();
    std::copy(upcase.begin(), upcase.end(), img.begin() + upcaseLcn * clusterSize);

    std::map<uint32_t, Record> all = records;
    Record mft{kRecordInUse, 1, 0, {StdInfo(6), FileNameAttr(Ref(5, 5), u"$MFT")}};
    if (mftFirstExtent == 0 || mftFirstExtent >= runs.size()) {
      mft.attributes.push_back(NonResidentData(runs, mftBytes));
    } else {
      const std::vector<Run> first(runs.begin(), runs.begin() + mftFirstExtent);
      const std::vector<Run> rest(runs.begin() + mftFirstExtent, runs.end());
      mft.attributes.insert(mft.attributes.begin() + 1,
                            AttributeList({{kAttrData, 0, 0, Ref(0, 1)},
                                           {kAttrData, 0, rest[0].vcn, Ref(15, 1)}}));
      mft.attributes.push_back(NonResidentData(first, mftBytes));
      all[15] = Record{kRecordInUse, 1, Ref(0, 1), {NonResidentData(rest, 0, rest[0].vcn)}};
    }
    all.try_emplace(0, mft);
    all.try_emplace(5, Record{kRecordInUse | kRecordIsDirectory, 5, 0,
                              {StdInfo(6), FileNameAttr(Ref(5, 5), u".", kNamespaceWin32AndDos,
                                                        kFileNameIndexPresent)}});
    all.try_emplace(10, Record{kRecordInUse, 10, 0,
                               {StdInfo(6), FileNameAttr(Ref(5, 5), u"$UpCase"),
                                NonResidentData({{0, upcaseLcn, upcaseClusters}}, 131072)}});
    for (const auto& [number, r] : all) {
      if (number >= recordCount) continue;
      const Bytes rec = MakeRecord(r, recordSize);
      // Cluster piece by cluster piece through the runs: a record may straddle two of them.
      for (uint32_t i = 0; i < recordSize;) {
        const uint64_t pos = uint64_t{number} * recordSize + i;
        const int64_t vcn = static_cast<int64_t>(pos / clusterSize);
        const uint32_t piece =
            std::min<uint32_t>(recordSize - i, clusterSize - static_cast<uint32_t>(pos % clusterSize));
        for (const Run& run : runs) {
          if (vcn >= run.vcn && vcn < run.vcn + run.length && run.lcn >= 0) {
            std::copy_n(rec.begin() + i, piece,
                        img.begin() + static_cast<std::ptrdiff_t>(
                                          (run.lcn + vcn - run.vcn) * clusterSize + pos % clusterSize));
          }
        }
        i += piece;
      }
    }
    return img;
  }
};

// Reads from bytes in memory. A read that covers `tearAt` returns that byte changed, once:
// a record that was being written while it was read. A read that covers `failAt` fails.
class MemoryVolume : public VolumeSource {
 public:
  explicit MemoryVolume(Bytes bytes) : bytes_(std::move(bytes)) {}
  uint8_t* Read(uint64_t offset, size_t length) override {
    if (offset > bytes_.size() || length > bytes_.size() - offset) return nullptr;
    if (failAt >= offset && failAt < offset + length) return nullptr;
    scratch_.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(offset),
                    bytes_.begin() + static_cast<std::ptrdiff_t>(offset + length));
    if (tearAt >= offset && tearAt < offset + length) {
      scratch_[static_cast<size_t>(tearAt - offset)] ^= 0xFF;
      tearAt = UINT64_MAX;
    }
    return scratch_.data();
  }
  Bytes& bytes() { return bytes_; }
  uint64_t tearAt = UINT64_MAX;
  uint64_t failAt = UINT64_MAX;

 private:
  Bytes bytes_;
  Bytes scratch_;
};

}  // namespace vardune::ntfs::image
