// The NTFS format and the MFT tree on volumes put together in memory: what real volumes made
// by ntfs-3g rarely or never show (records across runs, a $MFT extended through its attribute
// list, torn and damaged records, extension records of another file, parent loops) and the
// checks that keep a damaged volume from crashing the reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "os/ntfs.h"
#include "os/reparse.h"
#include "scan/mft_tree.h"
#include "tests/core/ntfs_image.h"

namespace vardune::ntfs {
namespace {

using namespace image;

TEST(NtfsFormat, BootSectorGeometry) {
  Volume v;
  Bytes img = v.Build();
  auto b = ParseBootSector(img.data(), 512);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->clusterSize, 4096u);
  EXPECT_EQ(b->recordSize, 1024u);
  EXPECT_EQ(b->mftCluster, 1u);
  // 2^(256 - 0xF4) = 4096 sectors a cluster, on a volume large enough for the MFT's place.
  img[0x0D] = 0xF4;
  Put64(img, 0x28, uint64_t{1} << 24);
  b = ParseBootSector(img.data(), 512);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->clusterSize, 2u << 20);
  EXPECT_EQ(b->recordSize, 1024u);
  // A record of one cluster.
  img[0x0D] = 8;
  img[0x40] = 1;
  b = ParseBootSector(img.data(), 512);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->recordSize, 4096u);
  img[0x40] = 0xF8;  // 256-byte records: less than one stride
  EXPECT_FALSE(ParseBootSector(img.data(), 512));
  img[0x40] = 0xF6;
  img[3] = 'X';
  EXPECT_FALSE(ParseBootSector(img.data(), 512));
}

TEST(NtfsFormat, FixupsAreCheckedAndUndone) {
  Record r = File(5, u"f", 700);
  Bytes rec = MakeRecord(r, 1024);
  Bytes torn = rec;
  EXPECT_EQ(ntfs::Le16(rec.data() + 510), 0x0707);
  ASSERT_TRUE(ApplyFixups(rec.data(), rec.size()));
  EXPECT_EQ(rec[510], 'd');  // the data it protected is back
  torn[1022] ^= 1;
  EXPECT_FALSE(ApplyFixups(torn.data(), torn.size()));
  Bytes shortCount = MakeRecord(r, 1024);
  Put16(shortCount, 6, 2);
  EXPECT_FALSE(ApplyFixups(shortCount.data(), shortCount.size()));
}

TEST(NtfsFormat, RunsDecodeAndRejectWhatNoVolumeHolds) {
  std::vector<ntfs::Run> runs;
  // 0x30 clusters at 0x60, 0x10 at 0x60 - 0x10, 8 sparse.
  const Bytes good{0x11, 0x30, 0x60, 0x11, 0x10, 0xF0, 0x01, 0x08, 0x00};
  ASSERT_TRUE(DecodeRuns(good.data(), good.size(), 5, runs));
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].vcn, 5);
  EXPECT_EQ(runs[0].lcn, 0x60);
  EXPECT_EQ(runs[1].vcn, 0x35);
  EXPECT_EQ(runs[1].lcn, 0x50);
  EXPECT_EQ(runs[2].lcn, -1);
  EXPECT_EQ(runs[2].length, 8);
  for (const Bytes& bad : {Bytes{0x09, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}, Bytes{0x21, 0x18},
                           Bytes{0x11, 0x00, 0x05, 0x00}, Bytes{0x11, 0x05, 0x80, 0x00},
                           Bytes{0x11, 0xFF, 0x05, 0x00}}) {
    std::vector<ntfs::Run> r;
    EXPECT_FALSE(DecodeRuns(bad.data(), bad.size(), 0, r)) << int(bad[0]) << " " << int(bad[1]);
  }
}

TEST(NtfsFormat, FileRecordFields) {
  Record r{kRecordInUse, 3, 0,
           {StdInfo(kFileAttributeReparsePoint), FileNameAttr(Ref(5, 5), u"Langer Name"),
            FileNameAttr(Ref(5, 5), u"LANGER~1", kNamespaceDos),
            NonResidentData({{0, 50, 2}}, 5000, 0, u"strom"), DataAttr(300)}};
  Bytes rec = MakeRecord(r, 1024);
  FileRecord fr;
  ASSERT_EQ(ReadFileRecord(rec.data(), rec.size(), fr), RecordState::InUse);
  EXPECT_EQ(fr.sequence, 3);
  EXPECT_EQ(fr.attributes, kFileAttributeReparsePoint);
  ASSERT_EQ(fr.names.size(), 2u);
  EXPECT_EQ(fr.Name(fr.names[0]), u"Langer Name");
  EXPECT_EQ(fr.names[1].nameSpace, kNamespaceDos);
  EXPECT_EQ(fr.dataSize, 300);  // the named stream does not count

  r.attributes = {StdInfo(), NonResidentData({{0, 100, 4}}, 5ll << 30)};
  rec = MakeRecord(r, 1024);
  ASSERT_EQ(ReadFileRecord(rec.data(), rec.size(), fr), RecordState::InUse);
  EXPECT_EQ(fr.dataSize, 5ll << 30);
  // A later extent carries no size.
  r.attributes = {NonResidentData({{10, 100, 4}}, 0, 10)};
  rec = MakeRecord(r, 1024);
  ASSERT_EQ(ReadFileRecord(rec.data(), rec.size(), fr), RecordState::InUse);
  EXPECT_FALSE(fr.hasData);

  r.flags = 0;
  rec = MakeRecord(r, 1024);
  EXPECT_EQ(ReadFileRecord(rec.data(), rec.size(), fr), RecordState::Free);
  rec = MakeRecord(File(5, u"f", 10), 1024);
  std::memcpy(rec.data(), "BAAD", 4);
  EXPECT_EQ(ReadFileRecord(rec.data(), rec.size(), fr), RecordState::Broken);
  // An attribute reaching past the record's bytes in use, a name past its value.
  rec = MakeRecord(File(5, u"f", 10), 1024);
  Put32(rec, 0x38 + 4, 2000);
  EXPECT_EQ(ReadFileRecord(rec.data(), rec.size(), fr), RecordState::Broken);
  rec = MakeRecord(File(5, u"f", 10), 1024);
  const size_t nameAttr = 0x38 + StdInfo().size();
  rec[nameAttr + 0x18 + 0x40] = 200;
  EXPECT_EQ(ReadFileRecord(rec.data(), rec.size(), fr), RecordState::Broken);
}

// What the file table takes from each record besides names and sizes: the bytes on the disk
// as the listing reports them, the last write, the reparse tag or where it lies.
TEST(NtfsFormat, AllocationLastWriteAndReparseTagOfARecord) {
  struct Case {
    const char* what;
    Bytes data;
    int64_t size, allocated;
  };
  const Case cases[] = {
      {"resident, rounded to 8 bytes", DataAttr(3), 3, 8},
      {"resident, empty", DataAttr(0), 0, 0},
      {"resident, 700 bytes", DataAttr(700), 700, 704},
      {"clusters", NonResidentData({{0, 100, 2}}, 5000, 0, u"", 0, 8192), 5000, 8192},
      {"sparse: the clusters taken",
       NonResidentData({{0, -1, 1310719}, {1310719, 100, 1}}, 5ll << 30, 0, u"",
                       kAttrFlagSparse, 5ll << 30, 4096),
       5ll << 30, 4096},
      {"compressed: the clusters taken",
       NonResidentData({{0, 100, 16}}, 100000, 0, u"", 0x0001, 102400, 65536), 100000, 65536},
  };
  for (const Case& c : cases) {
    Record r{kRecordInUse, 1, 0, {StdInfo(0x20, 0x01D9A1B2C3D4E5F6ull), FileNameAttr(Ref(5, 5), u"f"),
                                  c.data}};
    Bytes rec = MakeRecord(r, 1024);
    FileRecord fr;
    ASSERT_EQ(ReadFileRecord(rec.data(), rec.size(), fr), RecordState::InUse) << c.what;
    EXPECT_EQ(fr.dataSize, c.size) << c.what;
    EXPECT_EQ(fr.allocatedSize, c.allocated) << c.what;
    EXPECT_EQ(fr.lastWrite, 0x01D9A1B2C3D4E5F6ull) << c.what;
    EXPECT_FALSE(fr.hasReparsePoint) << c.what;
  }
  // The tag of a reparse point in the record; of one in clusters of its own, where they lie.
  Record r{kRecordInUse, 1, 0, {StdInfo(kFileAttributeReparsePoint), ReparseAttr(os::kTagCloud)}};
  Bytes rec = MakeRecord(r, 1024);
  FileRecord fr;
  ASSERT_EQ(ReadFileRecord(rec.data(), rec.size(), fr), RecordState::InUse);
  EXPECT_TRUE(fr.hasReparsePoint);
  EXPECT_EQ(fr.reparseTag, os::kTagCloud);
  EXPECT_EQ(fr.reparseLcn, -1);
  r.attributes[1] = ReparseAttr(os::kTagCloud, 3000, {{0, 77, 1}});
  rec = MakeRecord(r, 1024);
  ASSERT_EQ(ReadFileRecord(rec.data(), rec.size(), fr), RecordState::InUse);
  EXPECT_EQ(fr.reparseTag, 0u);
  EXPECT_EQ(fr.reparseLcn, 77);
}

// The one rule of every engine: a directory that is a reparse point is entered unless it is a
// link (a name surrogate) or carries no tag (a Linux symbolic link under Wine).
TEST(ReparseRule, DirectoriesEnteredByTag) {
  const struct {
    uint32_t attributes, tag;
    bool entered;
  } cases[] = {
      {os::kAttrDirectory, 0, true},
      {os::kAttrDirectory | os::kAttrReparsePoint, os::kTagSymlink, false},
      {os::kAttrDirectory | os::kAttrReparsePoint, os::kTagMountPoint, false},
      {os::kAttrDirectory | os::kAttrReparsePoint, 0xA000001D, false},  // WSL symbolic link
      {os::kAttrDirectory | os::kAttrReparsePoint, os::kTagCloud, true},
      {os::kAttrDirectory | os::kAttrReparsePoint, 0x9000601A, true},  // cloud, another flavour
      {os::kAttrDirectory | os::kAttrReparsePoint, os::kTagDedup, true},
      {os::kAttrDirectory | os::kAttrReparsePoint, 0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(os::EntersDirectory(c.attributes, c.tag), c.entered) << std::hex << c.tag;
  }
}

TEST(NtfsFormat, CollationOrdersNamesAsTheVolumeListsThem) {
  const std::vector<char16_t> upcase = [] {
    std::vector<char16_t> u(65536);
    for (uint32_t c = 0; c < 65536; ++c) {
      u[c] = static_cast<char16_t>((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)
                                       ? c - 0x20
                                       : c);
    }
    return u;
  }();
  std::vector<std::u16string> names{u"_u", u"zeta2", u"abc", u"Ä", u"b", u"ABC",
                                    u"äx", u"Zeta",  u"a",   u"abcd"};
  std::sort(names.begin(), names.end(), [&](const auto& x, const auto& y) {
    return CollateNames(x, y, upcase.data()) < 0;
  });
  EXPECT_EQ(names, (std::vector<std::u16string>{u"a", u"ABC", u"abc", u"abcd", u"b", u"Zeta",
                                                u"zeta2", u"_u", u"Ä", u"äx"}));
  EXPECT_TRUE(EqualUpcased(u"äX", u"Äx", upcase.data()));
}

// ---- reading a volume into the tree ----------------------------------------------------------

struct Built {
  LayoutError layout = LayoutError::None;
  ReadEnd end = ReadEnd::Done;
  MftTree::Failure failure = MftTree::Failure::None;
  MftTree tree;
  uint64_t records = 0;
};

class TreeSink : public RecordSink {
 public:
  explicit TreeSink(MftTree& t) : tree(t) {}
  void Record(uint32_t n, RecordState s, const FileRecord& r) override { tree.Add(n, s, r); }
  bool Block(uint64_t done) override { return stopAfter == 0 || done < stopAfter; }
  MftTree& tree;
  uint64_t stopAfter = 0;
};

void Read(MemoryVolume& mem, Built& b, uint64_t stopAfter = 0, size_t block = 4096) {
  MftLayout layout;
  b.layout = ReadLayout(mem, layout);
  if (b.layout != LayoutError::None) return;
  b.records = layout.records;
  TreeSink sink(b.tree);
  sink.stopAfter = stopAfter;
  b.end = ReadRecords(mem, layout, sink, block);
  if (b.end == ReadEnd::Done) b.failure = b.tree.Build(layout.upcase.data());
}

std::vector<std::u16string> ChildNames(const MftTree& t, uint32_t node) {
  std::vector<std::u16string> out;
  for (const uint32_t c : t.Children(node)) out.emplace_back(t.Name(c));
  return out;
}

uint32_t Node(const MftTree& t, std::u16string_view path) {
  uint32_t n = MftTree::Root();
  while (!path.empty() && n != MftTree::kNone) {
    const size_t cut = path.find(u'/');
    n = t.FindChild(n, path.substr(0, cut));
    path = cut == path.npos ? u"" : path.substr(cut + 1);
  }
  return n;
}

TEST(MftTree, NamesLinksStreamsAndWhatNoListingShows) {
  Volume v;
  v.records[11] = Dir(5, u"$Extend", 5);
  v.records[16] = Dir(5, u"b", 5);
  v.records[17] = Dir(5, u"A", 5);
  v.records[18] = Dir(5, u"c", 5);
  v.records[19] = File(17, u"eins", 100);
  // A file with two names (hard links) counts in both directories.
  v.records[20] = Record{kRecordInUse, 1, 0,
                         {StdInfo(), FileNameAttr(Ref(17, 1), u"zwei"),
                          FileNameAttr(Ref(18, 1), u"zwei-link"),
                          NonResidentData({{0, 60, 1}}, 3000)}};
  // A long name and its DOS twin are one entry; a DOS name alone none.
  v.records[21] = Record{kRecordInUse, 1, 0,
                         {StdInfo(), FileNameAttr(Ref(16, 1), u"ein langer Name"),
                          FileNameAttr(Ref(16, 1), u"EINLAN~1", kNamespaceDos), DataAttr(50)}};
  v.records[22] = Record{kRecordInUse, 1, 0,
                         {StdInfo(), FileNameAttr(Ref(16, 1), u"NURDOS", kNamespaceDos), DataAttr(9)}};
  v.records[23] = Record{kRecordInUse, 1, 0,
                         {StdInfo(), FileNameAttr(Ref(18, 1), u"strom"), DataAttr(10),
                          DataAttr(5000, u"zweiter")}};
  v.records[24] = Dir(5, u"Verweis", 5);
  v.records[24].attributes[0] = StdInfo(kFileAttributeReparsePoint);
  v.records[25] = File(11, u"$Quota", 77);          // inside $Extend
  v.records[26] = File(30, u"verwaist", 88);        // parent not in use
  v.records[27] = File(16, u"veraltet", 99, 9);     // parent reference of an older life
  v.records[28] = Dir(30, u"verwaist", 1);
  v.records[29] = File(28, u"darunter", 11);
  v.records[9] = File(5, u"$Secure", 66);           // metadata: no entry
  MemoryVolume mem(v.Build());
  Built b;
  Read(mem, b);
  ASSERT_EQ(b.layout, LayoutError::None);
  ASSERT_EQ(b.end, ReadEnd::Done);
  ASSERT_EQ(b.failure, MftTree::Failure::None);
  const MftTree& t = b.tree;
  EXPECT_EQ(ChildNames(t, MftTree::Root()),
            (std::vector<std::u16string>{u"A", u"b", u"c", u"Verweis"}));
  EXPECT_EQ(t.OwnFiles(MftTree::Root()), 0);
  EXPECT_TRUE(t.IsLink(Node(t, u"verweis")));
  const uint32_t a = Node(t, u"a");
  EXPECT_EQ(t.Name(a), u"A");
  EXPECT_EQ(t.OwnFiles(a), 2);
  EXPECT_EQ(t.OwnBytes(a), 3100);
  EXPECT_EQ(t.OwnFiles(Node(t, u"b")), 1);
  EXPECT_EQ(t.OwnBytes(Node(t, u"b")), 50);
  EXPECT_EQ(t.OwnFiles(Node(t, u"c")), 2);
  EXPECT_EQ(t.OwnBytes(Node(t, u"c")), 3010);
}

// Directories that are reparse points, by their tag wherever it lies: in the record, in a
// cluster of its own (read by the caller between the read and the build), in an extension
// record. Files that are reparse points count as files.
TEST(MftTree, ReparsePointDirectoriesAreEnteredUnlessTheyAreLinks) {
  Volume v;
  v.recordCount = 40;
  const auto reparseDir = [](std::u16string_view name, Bytes reparse) {
    Record r = Dir(5, name, 5);
    r.attributes[0] = StdInfo(kFileAttributeReparsePoint);
    if (!reparse.empty()) r.attributes.push_back(reparse);
    return r;
  };
  v.records[16] = reparseDir(u"Wolke", ReparseAttr(os::kTagCloud));
  v.records[17] = reparseDir(u"Symlink", ReparseAttr(os::kTagSymlink));
  v.records[18] = reparseDir(u"Ohne", {});
  v.records[19] = reparseDir(u"Gross", ReparseAttr(0, 3000, {{0, 90, 1}}));
  v.records[20] = reparseDir(u"Ungelesen", ReparseAttr(0, 3000, {{0, 91, 1}}));
  v.records[21] = reparseDir(u"Erweitert", {});
  v.records[21].attributes.insert(v.records[21].attributes.begin() + 1, AttributeList({}));
  v.records[22] = Record{kRecordInUse, 1, Ref(21, 1), {ReparseAttr(os::kTagDedup)}};
  v.records[23] = reparseDir(u"Einhaengepunkt", ReparseAttr(os::kTagMountPoint));
  v.records[24] = File(16, u"in der Wolke", 100);
  v.records[25] = File(5, u"dedup", 200, 5);
  v.records[25].attributes[0] = StdInfo(kFileAttributeReparsePoint);
  v.records[25].attributes.push_back(ReparseAttr(os::kTagDedup));
  v.records[26] = File(23, u"dahinter", 300);
  MemoryVolume mem(v.Build());
  MftLayout layout;
  ASSERT_EQ(ReadLayout(mem, layout), LayoutError::None);
  MftTree t;
  TreeSink sink(t);
  ASSERT_EQ(ReadRecords(mem, layout, sink), ReadEnd::Done);
  const std::vector<MftTree::TagToRead> reads = t.TagsToRead();
  ASSERT_EQ(reads.size(), 2u);
  for (const MftTree::TagToRead& r : reads) {
    if (r.lcn == 90) t.SetReparseTag(r.index, os::kTagCloud);
    EXPECT_TRUE(r.lcn == 90 || r.lcn == 91);
  }
  ASSERT_EQ(t.Build(layout.upcase.data()), MftTree::Failure::None);
  for (const auto& [name, link] : std::vector<std::pair<std::u16string, bool>>{
           {u"Wolke", false}, {u"Symlink", true}, {u"Ohne", true}, {u"Gross", false},
           {u"Ungelesen", true}, {u"Erweitert", false}, {u"Einhaengepunkt", true}}) {
    const uint32_t n = Node(t, name);
    ASSERT_NE(n, MftTree::kNone);
    EXPECT_EQ(t.IsLink(n), link) << std::string(name.begin(), name.end());
  }
  EXPECT_EQ(t.OwnBytes(Node(t, u"Wolke")), 100);
  EXPECT_EQ(t.OwnFiles(MftTree::Root()), 1);
  EXPECT_EQ(t.OwnBytes(MftTree::Root()), 200);
}

TEST(MftTree, ExtensionRecordsLendNamesAndDataToTheirOwnBaseOnly) {
  Volume v;
  v.records[16] = Dir(5, u"eins", 5);
  v.records[17] = Dir(5, u"zwei", 5);
  v.records[18] = Dir(5, u"drei", 5);
  v.records[19] = Record{kRecordInUse, 4, 0,
                         {StdInfo(), AttributeList({}), FileNameAttr(Ref(16, 1), u"viele")}};
  v.records[20] = Record{kRecordInUse, 1, Ref(19, 4),
                         {FileNameAttr(Ref(17, 1), u"viele"), NonResidentData({{0, 60, 2}}, 8000)}};
  // Left behind by an earlier file in record 19.
  v.records[21] = Record{kRecordInUse, 1, Ref(19, 3), {FileNameAttr(Ref(18, 1), u"alt")}};
  MemoryVolume mem(v.Build());
  Built b;
  Read(mem, b);
  ASSERT_EQ(b.failure, MftTree::Failure::None);
  EXPECT_EQ(b.tree.OwnBytes(Node(b.tree, u"eins")), 8000);
  EXPECT_EQ(b.tree.OwnBytes(Node(b.tree, u"zwei")), 8000);
  EXPECT_EQ(b.tree.OwnFiles(Node(b.tree, u"drei")), 0);
}

TEST(MftTree, DamagedRecordsAreLeftOutATornReadIsReadAgain) {
  Volume v;
  v.records[16] = Dir(5, u"heil", 5);
  v.records[17] = Dir(5, u"kaputt", 5);
  v.records[18] = File(17, u"darin", 500);
  v.records[19] = File(16, u"gerissen", 700);
  Bytes img = v.Build();
  const size_t mft = 4096;
  img[mft + 17 * 1024 + 1022] ^= 0x55;  // the update sequence of record 17 is wrong for good
  MemoryVolume mem(img);
  mem.tearAt = mft + 19 * 1024 + 510;  // record 19 is being written while its block is read
  Built b;
  Read(mem, b);
  ASSERT_EQ(b.failure, MftTree::Failure::None);
  EXPECT_EQ(b.tree.RecordsBroken(), 1u);
  EXPECT_EQ(ChildNames(b.tree, MftTree::Root()), std::vector<std::u16string>{u"heil"});
  EXPECT_EQ(b.tree.OwnBytes(Node(b.tree, u"heil")), 700);
}

TEST(MftTree, ParentLoopsAndAMissingRootFail) {
  Volume v;
  v.records[16] = Dir(17, u"eins");
  v.records[17] = Dir(16, u"zwei");
  MemoryVolume loop(v.Build());
  Built b;
  Read(loop, b);
  EXPECT_EQ(b.failure, MftTree::Failure::Loop);
  EXPECT_EQ(b.tree.FailedRecord(), 16u);

  Volume self;
  self.records[20] = Dir(20, u"selbst");
  MemoryVolume s(self.Build());
  Built c;
  Read(s, c);
  EXPECT_EQ(c.failure, MftTree::Failure::Loop);

  Volume noRoot;
  noRoot.records[5] = File(5, u".", 0);
  MemoryVolume r(noRoot.Build());
  Built d;
  Read(r, d);
  EXPECT_EQ(d.failure, MftTree::Failure::NoRoot);
}

TEST(MftRead, FragmentedMftWithRecordsAcrossRunsAndASparseStretch) {
  // Clusters of 512 bytes, records of 1024: record 16 is split between the first two runs,
  // records 20 to 24 lie in a sparse stretch.
  Volume v;
  v.clusterSize = 512;
  v.recordCount = 40;
  v.mftRuns = {{0, 100, 33}, {33, 300, 7}, {40, 0, 10}, {50, 400, 30}};
  v.mftRuns[2].lcn = -1;
  v.records[16] = Dir(5, u"geteilt", 5);
  v.records[19] = File(16, u"vor", 10);
  v.records[22] = File(16, u"im Loch", 20);
  v.records[39] = File(16, u"hinten", 30);
  MemoryVolume mem(v.Build());
  Built b;
  Read(mem, b, 0, 2048);
  ASSERT_EQ(b.layout, LayoutError::None);
  ASSERT_EQ(b.failure, MftTree::Failure::None);
  EXPECT_EQ(b.records, 40u);
  EXPECT_EQ(b.tree.OwnFiles(Node(b.tree, u"geteilt")), 2);
  EXPECT_EQ(b.tree.OwnBytes(Node(b.tree, u"geteilt")), 40);
}

TEST(MftRead, MftExtentsNamedByItsAttributeList) {
  Volume v;
  v.recordCount = 48;
  v.mftRuns = {{0, 1, 4}, {4, 40, 4}, {8, 20, 4}};  // 16 records in each run
  v.mftFirstExtent = 1;
  v.records[16] = Dir(5, u"zweiter Lauf", 5);
  v.records[40] = File(16, u"dritter Lauf", 123);
  MemoryVolume mem(v.Build());
  Built b;
  Read(mem, b);
  ASSERT_EQ(b.layout, LayoutError::None);
  EXPECT_EQ(b.records, 48u);
  ASSERT_EQ(b.failure, MftTree::Failure::None);
  EXPECT_EQ(b.tree.OwnBytes(Node(b.tree, u"zweiter lauf")), 123);
}

TEST(MftRead, StopsWhenAskedGivesUpOnWhatItCannotRead) {
  Volume v;
  v.recordCount = 64;
  v.records[40] = Dir(5, u"spät", 5);
  const Bytes img = v.Build();
  MemoryVolume stop(img);
  Built b;
  Read(stop, b, 8192);
  EXPECT_EQ(b.end, ReadEnd::Stopped);

  // The disk cannot read the MFT's second half.
  MemoryVolume cut(img);
  cut.failAt = 4096 + 40 * 1024;
  Built c;
  Read(cut, c);
  ASSERT_EQ(c.layout, LayoutError::None);
  EXPECT_EQ(c.end, ReadEnd::Unreadable);

  Bytes damaged = img;
  damaged[4096 + 0x14] = 0xFF;  // $MFT's first attribute out of its record
  MemoryVolume d(damaged);
  Built e;
  Read(d, e);
  EXPECT_EQ(e.layout, LayoutError::Damaged);

  Bytes other = img;
  other[3] = 'F';
  MemoryVolume o(other);
  Built f;
  Read(o, f);
  EXPECT_EQ(f.layout, LayoutError::NotNtfs);
}

}  // namespace
}  // namespace vardune::ntfs
