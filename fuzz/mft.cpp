// The MFT reading on volumes that the input describes: a small NTFS volume is put together
// (directories, files, hard links, extension records, a fragmented or extended $MFT, loops and
// stale references among them), then bytes of it are overwritten, and it is read into the
// tree, with reparse points in and outside the records and a build that may be stopped
// midway. Besides never crashing or hanging, a tree that builds must be one: every directory
// reached once from the root, each one's subdirectories in collation order and found again by
// their names. Raw bytes also go straight into the record, run and attribute-list decoders.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "os/ntfs.h"
#include "os/reparse.h"
#include "scan/mft_tree.h"
#include "tests/core/ntfs_image.h"

using namespace vardune;
using namespace vardune::ntfs;
using namespace vardune::ntfs::image;

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "mft: %s\n", what);
  std::abort();
}

// Names that collide after upper-casing, differ in length by one, or hold a surrogate pair.
const std::u16string_view kNames[] = {u"a",  u"A",  u"ab", u"aB", u"b",     u"_",
                                      u"ä",  u"Ä",  u"z",  u"Z.", u"\xD83D\xDE00", u"x"};

std::u16string_view Name(FuzzedDataProvider& in) {
  return kNames[in.ConsumeIntegralInRange<size_t>(0, std::size(kNames) - 1)];
}

// Links, reparse points that are none, no tag.
const uint32_t kTags[] = {os::kTagSymlink, os::kTagMountPoint, os::kTagCloud, os::kTagDedup, 0,
                          0x9000701A};

uint32_t Tag(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? kTags[in.ConsumeIntegralInRange<size_t>(0, std::size(kTags) - 1)]
                          : in.ConsumeIntegral<uint32_t>();
}

// A $REPARSE_POINT in the record or in a cluster of its own.
Bytes Reparse(FuzzedDataProvider& in, uint32_t clusters) {
  if (in.ConsumeBool()) return ReparseAttr(Tag(in), in.ConsumeIntegralInRange<size_t>(0, 64));
  return ReparseAttr(0, 2000, {{0, in.ConsumeIntegralInRange<int64_t>(0, clusters), 1}});
}

// Data in the record, in clusters, sparse or compressed.
Bytes Data(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0:
      return DataAttr(in.ConsumeIntegralInRange<uint64_t>(0, 300));
    case 1:
      return NonResidentData({{0, 3, 2}}, in.ConsumeIntegral<uint64_t>(), 0, u"", 0,
                             in.ConsumeIntegral<uint64_t>());
    default:
      return NonResidentData({{0, -1, 2}}, in.ConsumeIntegral<uint64_t>(), 0, u"",
                             in.ConsumeBool() ? kAttrFlagSparse : 0x0001,
                             in.ConsumeIntegral<uint64_t>(), in.ConsumeIntegral<uint64_t>());
  }
}

struct Stopper {
  uint32_t calls = 0;
  uint32_t stopAt = 0;  // 0: never
  static bool Tick(void* self) {
    auto* s = static_cast<Stopper*>(self);
    return ++s->calls == s->stopAt;
  }
};

class Sink : public RecordSink {
 public:
  explicit Sink(MftTree& t, uint64_t stop) : tree_(t), stop_(stop) {}
  void Record(uint32_t n, RecordState s, const FileRecord& r) override { tree_.Add(n, s, r); }
  bool Block(uint64_t done) override { return stop_ == 0 || done < stop_; }

 private:
  MftTree& tree_;
  uint64_t stop_;
};

void CheckTree(const MftTree& t, const std::vector<char16_t>& upcase) {
  std::vector<uint8_t> seen(t.DirCount(), 0);
  std::vector<uint32_t> stack{MftTree::Root()};
  while (!stack.empty()) {
    const uint32_t n = stack.back();
    stack.pop_back();
    if (n >= t.DirCount() || seen[n]) Fail("a directory reached twice");
    seen[n] = 1;
    if (t.OwnFiles(n) < 0 || t.OwnBytes(n) < 0) Fail("negative totals");
    const auto children = t.Children(n);
    for (size_t i = 0; i < children.size(); ++i) {
      const uint32_t c = children[i];
      if (c >= t.DirCount() || t.Name(c).empty()) Fail("a child without a name");
      if (i > 0 && CollateNames(t.Name(children[i - 1]), t.Name(c), upcase.data()) > 0) {
        Fail("children out of collation order");
      }
      const uint32_t found = t.FindChild(n, t.Name(c));
      if (found == MftTree::kNone || t.Name(found) != t.Name(c)) Fail("a child not found by name");
      stack.push_back(c);
    }
  }
}

void Raw(FuzzedDataProvider& in) {
  Bytes rec = in.ConsumeBytes<uint8_t>(1024);
  rec.resize(1024, 0);
  // A record header and an update sequence that hold, so that the attributes are read.
  std::memcpy(rec.data(), "FILE", 4);
  Put16(rec, 4, 0x30);
  Put16(rec, 6, 3);
  Put16(rec, 0x16, rec[0x16] | kRecordInUse);
  for (size_t i = 1; i <= 2; ++i) {
    rec[i * 512 - 2] = rec[0x30];
    rec[i * 512 - 1] = rec[0x31];
  }
  FileRecord fr;
  ReadFileRecord(rec.data(), rec.size(), fr);
  for (const FileName& n : fr.names) {
    if (n.offset + n.length > fr.nameText.size()) Fail("a name outside its text");
  }
  if (fr.allocatedSize < 0 || fr.dataSize < 0) Fail("a negative size");
  if (fr.reparseLcn < -1 || fr.reparseLcn >= (int64_t{1} << 48)) Fail("a reparse cluster out of range");
  if (fr.reparseTag != 0 && fr.reparseLcn != -1) Fail("a reparse tag both in and out of the record");
  const Bytes rest = in.ConsumeRemainingBytes<uint8_t>();
  std::vector<Run> runs;
  DecodeRuns(rest.data(), rest.size(), 0, runs);
  for (const Run& r : runs) {
    if (r.length <= 0 || r.vcn < 0) Fail("a run of no clusters");
  }
  std::vector<ListEntry> entries;
  DecodeAttributeList(rest.data(), rest.size(), entries);
  ParseBootSector(rest.data(), rest.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  if (in.ConsumeBool()) {
    Raw(in);
    return 0;
  }
  Volume v;
  v.clusterSize = 512u << in.ConsumeIntegralInRange(0, 3);
  v.recordSize = 512u << in.ConsumeIntegralInRange(0, 2);
  v.recordCount = in.ConsumeIntegralInRange<uint32_t>(16, 48);
  // The $MFT in up to three runs with gaps between them, perhaps one of them sparse.
  const int64_t clusters = (int64_t{v.recordCount} * v.recordSize + v.clusterSize - 1) / v.clusterSize;
  int64_t vcn = 0, lcn = 1;
  while (vcn < clusters) {
    const int64_t len = std::min<int64_t>(clusters - vcn, in.ConsumeIntegralInRange<int64_t>(1, 40));
    Run r{vcn, lcn, len};
    if (vcn > 0 && in.ConsumeIntegralInRange(0, 7) == 0) r.lcn = -1;
    v.mftRuns.push_back(r);
    vcn += len;
    lcn += len + in.ConsumeIntegralInRange<int64_t>(0, 5);
  }
  if (v.mftRuns.size() > 1 && in.ConsumeBool()) v.mftFirstExtent = 1;

  const int count = in.ConsumeIntegralInRange(0, 24);
  for (int i = 0; i < count; ++i) {
    const uint32_t number = in.ConsumeIntegralInRange<uint32_t>(5, v.recordCount - 1);
    if (number == 10 || (number == 15 && v.mftFirstExtent)) continue;
    const uint32_t parent = in.ConsumeIntegralInRange<uint32_t>(0, v.recordCount + 2);
    const uint16_t parentSeq = in.ConsumeBool() ? 1 : in.ConsumeIntegral<uint16_t>();
    Record r;
    r.seq = in.ConsumeBool() ? 1 : in.ConsumeIntegral<uint16_t>();
    switch (in.ConsumeIntegralInRange(0, 3)) {
      case 0:
        r = Dir(parent, Name(in), parentSeq);
        if (in.ConsumeBool()) {
          r.attributes[0] = StdInfo(kFileAttributeReparsePoint);
          if (in.ConsumeBool()) r.attributes.push_back(Reparse(in, v.recordCount));
        }
        break;
      case 1:
        r = File(parent, Name(in), 0, parentSeq);
        r.attributes[2] = Data(in);
        if (in.ConsumeBool()) {
          r.attributes[0] = StdInfo(kFileAttributeReparsePoint);
          r.attributes.push_back(Reparse(in, v.recordCount));
        }
        break;
      case 2:  // a file with more names and non-resident data
        r.attributes = {StdInfo(), FileNameAttr(Ref(parent, parentSeq), Name(in)),
                        FileNameAttr(Ref(in.ConsumeIntegralInRange<uint32_t>(0, v.recordCount), 1),
                                     Name(in), in.ConsumeIntegralInRange<uint8_t>(0, 3)),
                        NonResidentData({{0, 3, 2}}, in.ConsumeIntegral<uint64_t>())};
        break;
      default:  // an extension record of some base
        r.base = Ref(in.ConsumeIntegralInRange<uint32_t>(0, v.recordCount), in.ConsumeBool() ? 1 : 2);
        r.attributes = {FileNameAttr(Ref(parent, parentSeq), Name(in)),
                        NonResidentData({{0, 3, 2}}, in.ConsumeIntegralInRange<uint64_t>(0, 1 << 20))};
        if (in.ConsumeBool()) r.attributes.push_back(Reparse(in, v.recordCount));
        break;
    }
    if (in.ConsumeIntegralInRange(0, 9) == 0) r.flags = in.ConsumeIntegral<uint16_t>();
    v.records[number] = r;
  }

  MemoryVolume mem(v.Build());
  const int damage = in.ConsumeIntegralInRange(0, 6);
  for (int i = 0; i < damage; ++i) {
    auto& b = mem.bytes();
    b[in.ConsumeIntegralInRange<size_t>(0, b.size() - 1)] = in.ConsumeIntegral<uint8_t>();
  }
  if (in.ConsumeBool()) mem.tearAt = in.ConsumeIntegralInRange<uint64_t>(0, mem.bytes().size());

  MftLayout layout;
  if (ReadLayout(mem, layout) != LayoutError::None) return 0;
  if (layout.upcase.size() != 65536 || layout.records == 0) Fail("a layout without its tables");
  MftTree tree;
  Sink sink(tree, in.ConsumeBool() ? in.ConsumeIntegral<uint16_t>() : 0);
  const size_t block = size_t{512} << in.ConsumeIntegralInRange(0, 6);
  if (ReadRecords(mem, layout, sink, block) != ReadEnd::Done) return 0;
  // Tags outside their records, as the engine reads them: whatever the cluster holds.
  for (const MftTree::TagToRead& t : tree.TagsToRead()) {
    if (t.lcn < 0) Fail("a tag to read from no cluster");
    tree.SetReparseTag(t.index, Tag(in));
  }
  tree.SetReparseTag(in.ConsumeIntegral<uint16_t>(), 1);  // an index that is none: ignored
  Stopper stopper;
  stopper.stopAt = in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(1, 20) : 0;
  const MftTree::Failure f = tree.Build(
      layout.upcase.data(),
      MftTree::Progress{Stopper::Tick, &stopper, in.ConsumeIntegralInRange<uint32_t>(1, 64)});
  if (f == MftTree::Failure::Stopped && stopper.calls != stopper.stopAt) Fail("stopped unasked");
  if (f != MftTree::Failure::None) return 0;
  CheckTree(tree, layout.upcase);
  return 0;
}
