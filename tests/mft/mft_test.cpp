// The MFT engine on real NTFS volumes (images made, filled and mounted by the test): on every
// volume the records, counters and log lines of a scan through the MFT must be those of the
// listing walk of the same directory, field by field and in the same order. Damaged copies,
// reparse points that are no links, "STOPP" in every phase, the progress texts, rescans and
// the hand-over of a listing walk to the MFT.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "os/clock.h"
#include "os/fs.h"
#include "os/ntfs.h"
#include "os/ntfs_volume.h"
#include "os/text.h"
#include "os/reparse.h"
#include "scan/driver.h"
#include "scan/engine.h"
#include "scan/mft.h"
#include "scan/model.h"
#include "scan/scanner.h"
#include "scan/scanpath.h"
#include "scan/scanui.h"
#include "tests/mft/testvolume.h"
#include "tests/support/support.h"

namespace vardune {
namespace {

using test::TestVolume;

struct Seen {
  static inline std::vector<std::wstring> log;
  static inline std::vector<std::pair<int64_t, std::wstring>> pathTexts;
  static inline int pumps = 0;
  static inline int stopAtPump = -1;
  static inline int pumpSleepMs = 0;
  // Pumps by the phase of the MFT scan they came in; "STOPP" at the first pump of a phase.
  static inline std::map<MftPhase, int> phasePumps;
  static inline MftPhase stopInPhase = MftPhase::None;
};

// The kept files of every directory : path with name, size, size on disk, last write
// (seconds), flags.
struct FileLine {
  std::string path;
  int64_t size, allocated;
  uint32_t time;
  uint8_t flags;
};

// One scan's outcome: the records as text lines in list order, the log, the counters.
struct Outcome {
  std::string records;
  std::vector<std::wstring> log;
  int32_t files = 0;
  int32_t dirs = 0;
  int64_t bytes = 0;
  MftScanStats stats;
  std::vector<FileLine> kept;
};

// The records as a set: a rescan's records follow the older ones of the same Parent. The
// drive root's record is left out: a rescan below it does not correct it.
std::string SortedBelowRoot(const std::string& lines) {
  std::vector<std::string> v;
  size_t from = 0;
  for (size_t to; (to = lines.find('\n', from)) != std::string::npos; from = to + 1) {
    if (!lines.substr(from).starts_with(" | ")) v.push_back(lines.substr(from, to - from));
  }
  std::sort(v.begin(), v.end());
  std::string out;
  for (const std::string& l : v) out += l + "\n";
  return out;
}

std::string RecordLines() {
  std::string out;
  for (size_t i = 0; i < Pfade.size(); ++i) {
    const Pfad p = Pfade.Get(i);
    out += ToUtf8(p.Parent) + " | " + ToUtf8(p.Name) + " | " + std::to_string(p.Size) + " | " +
           std::to_string(p.Dirs) + " | " + std::to_string(p.Files) + "\n";
  }
  return out;
}

std::vector<FileLine> FileLines() {
  std::vector<FileLine> out;
  for (size_t i = 0; i < Pfade.size(); ++i) {
    const std::string dir = ToUtf8(Pfade.FullPath(i)) + "\\";
    Pfade.ForEachFile(i, [&](const FileRef& f) {
      out.push_back({dir + std::string(f.Name8()), f.size, f.allocated, f.time, f.flags});
    });
  }
  return out;
}

Outcome Capture() {
  Outcome o;
  o.records = RecordLines();
  o.kept = FileLines();
  o.log = Seen::log;
  o.files = GFiles;
  o.dirs = GDirs;
  o.bytes = GBytes;
  o.stats = GMftStats;
  return o;
}

// The walk alone (records in the order they are appended), through the engine `mode` allows.
Outcome ScanPathWith(MftMode mode, const std::wstring& path) {
  Pfade.Clear();
  GFiles = GDirs = 0;
  GBytes = 0;
  GRescanEntries = -1;
  Seen::log.clear();
  GMftMode = mode;
  _ScanPath(path);
  return Capture();
}

// A whole scan through the driver (rescans keep the records of the earlier scans).
Outcome ScanWith(MftMode mode, const std::wstring& path) {
  Seen::log.clear();
  GMftMode = mode;
  _Scan(path);
  return Capture();
}

// The MFT engine's files against the listing's, file by file and field by field: names in
// the same order, sizes and last writes equal. Two fields the listing of the test bed cannot
// give as Windows would, and which are held apart:
// - the attributes: Wine lists an ntfs-3g mount with the Linux side's (read-only from the
//   permissions, hidden for a leading dot), never sparse, compressed, offline or reparse bits:
//   of the flags only read-only is compared; the MFT's own are checked against what the volume
//   holds in MftVolumeTest.FilesKeepWhatTheVolumeHolds;
// - the size on disk of data kept in the file record: Windows and ntfs-3g report its length
//   rounded up to 8 bytes, which the MFT engine gives, but Wine lists whole 512-byte blocks of
//   the Linux side; every other size on disk (clusters, sparse, empty) must be equal.
void ExpectSameFiles(const std::vector<FileLine>& mft, const std::vector<FileLine>& listing) {
  ASSERT_EQ(mft.size(), listing.size());
  for (size_t i = 0; i < mft.size(); ++i) {
    const FileLine& a = mft[i];
    const FileLine& b = listing[i];
    ASSERT_EQ(a.path, b.path);
    EXPECT_EQ(a.size, b.size) << a.path;
    EXPECT_EQ(a.time, b.time) << a.path;
    EXPECT_EQ(a.flags & kFileReadOnly, b.flags & kFileReadOnly) << a.path;
    const bool inRecord = a.allocated == ((a.size + 7) & ~int64_t{7}) && a.allocated < 1024 &&
                          b.allocated == ((a.size + 511) & ~int64_t{511});
    if (!inRecord) EXPECT_EQ(a.allocated, b.allocated) << a.path;
  }
}

void ExpectSameAsListing(const std::wstring& path) {
  const Outcome listing = ScanPathWith(MftMode::Never, path);
  const Outcome mft = ScanPathWith(MftMode::Always, path);
  ASSERT_FALSE(listing.stats.used);
  ASSERT_TRUE(mft.stats.used) << ToUtf8(path) << ": the MFT engine gave way "
                              << ToUtf8(mft.stats.fallback);
  EXPECT_EQ(mft.records, listing.records) << ToUtf8(path);
  EXPECT_EQ(mft.log, listing.log);
  EXPECT_EQ(mft.files, listing.files);
  EXPECT_EQ(mft.dirs, listing.dirs);
  EXPECT_EQ(mft.bytes, listing.bytes);
  ExpectSameFiles(mft.kept, listing.kept);
}

// Where record `number` of the volume's MFT lies in its image, and its bytes as they lie there.
struct RecordPlace {
  uint64_t offset = 0;
  std::vector<uint8_t> bytes;
};
RecordPlace PlaceOf(const std::wstring& root, uint32_t number) {
  RecordPlace place;
  os::VolumeReader v;
  ntfs::MftLayout layout;
  if (!v.Open(root) || ntfs::ReadLayout(v, layout) != ntfs::LayoutError::None) return place;
  const uint32_t rs = layout.boot.recordSize;
  uint64_t contiguous = 0;
  const int64_t off = ntfs::MftVolumeOffset(layout, uint64_t{number} * rs, &contiguous);
  if (off < 0 || contiguous < rs) return place;
  const uint8_t* p = v.Read(static_cast<uint64_t>(off), rs);
  if (!p) return place;
  place.offset = static_cast<uint64_t>(off);
  place.bytes.assign(p, p + rs);
  return place;
}

// Writes bytes into the image named by $IMG (octal escapes for the shell's printf).
std::string PatchAt(uint64_t offset, const std::vector<uint8_t>& bytes) {
  std::string esc;
  for (const uint8_t b : bytes) {
    esc += '\\';
    esc += static_cast<char>('0' + (b >> 6));
    esc += static_cast<char>('0' + ((b >> 3) & 7));
    esc += static_cast<char>('0' + (b & 7));
  }
  return "printf '" + esc + "' | dd of=\"$IMG\" bs=1 seek=" + std::to_string(offset) +
         " conv=notrunc 2>/dev/null";
}

class MftTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Pfade.Clear();
    GPumpIntervalMs = 0;
    GMftBlockBytes = size_t{4} << 20;
    Seen::log.clear();
    Seen::pathTexts.clear();
    Seen::pumps = 0;
    Seen::stopAtPump = -1;
    Seen::pumpSleepMs = 0;
    Seen::phasePumps.clear();
    Seen::stopInPhase = MftPhase::None;
    GScanUi = ScanUi{};
    GScanUi.LogError = [](std::wstring_view l) { Seen::log.emplace_back(l); };
    GScanUi.SetPathText = [](std::wstring_view t) {
      Seen::pathTexts.emplace_back(os::Millis(), std::wstring(t));
    };
    GScanUi.PumpEvents = [] {
      ++Seen::pumps;
      if (Seen::pumpSleepMs) Sleep(static_cast<DWORD>(Seen::pumpSleepMs));
      if (GMftPhase != MftPhase::None &&
          ++Seen::phasePumps[GMftPhase] == 1 && GMftPhase == Seen::stopInPhase) {
        return true;
      }
      return Seen::stopAtPump >= 0 && Seen::pumps == Seen::stopAtPump;
    };
  }
  void TearDown() override {
    GScanUi = ScanUi{};
    GPumpIntervalMs = 10;
    GMftMode = MftMode::Auto;
    GMftBlockBytes = size_t{4} << 20;
    GMftBuildSteps = 4096;
    GHandOverToMft = MftSooner;
    GMftMeasureAfterMicros = 100000;
    Pfade.Clear();
  }
};

// ---- a volume with a bit of everything -----------------------------------------------------

// Octal escapes keep the names' UTF-8 bytes independent of the shell's locale.
const char* const kFill = R"sh(
set -e
mkdir -p Daten/Fotos/2023 Daten/Fotos/2024 Daten/Musik Daten/leer Daten/Nullen klein gross
head -c 12345 /dev/urandom > Daten/Fotos/2023/a.jpg
head -c 54321 /dev/urandom > Daten/Fotos/2024/b.jpg
head -c 100000 /dev/zero > Daten/Musik/c.mp3
: > Daten/Nullen/null.txt
printf x > klein/eins
head -c 700 /dev/zero > klein/resident
truncate -s 5G gross/sparse.bin
head -c 100 /dev/zero > strom.txt
setfattr -n user.zweiter -v 0x$(head -c 3000 /dev/zero | od -v -An -tx1 | tr -d ' \n') strom.txt
mkdir Verweis
setfattr -n system.ntfs_reparse_data -v 0x0c0000a02000000000000a000a000a000100000044006100740065006e0044006100740065006e00 Verweis
u=$(printf '\303\204rger/\303\234bel'); mkdir -p "$u"; head -c 333 /dev/zero > "$u/$(printf '\303\266l.txt')"
e=$(printf '\360\237\230\200'); mkdir "$e"; head -c 44 /dev/zero > "$e/$(printf '\360\235\204\236').txt"
mkdir punkt. punkt drei...; head -c 10 /dev/zero > punkt./datei.; head -c 20 /dev/zero > punkt/datei
for n in ABC abc _u a Zeta zeta2 b $(printf '\303\204') Z $(printf '\303\237') $(printf '\303\244x'); do mkdir "$n"; head -c 7 /dev/zero > "$n/f"; done
p=lang
for i in 1 2 3 4 5 6 7; do p="$p/verzeichnis-mit-einem-recht-langen-namen-$i"; mkdir -p "$p"; head -c 1000 /dev/zero > "$p/datei"; done
head -c 5000 /dev/urandom > wolke.txt; setfattr -n system.ntfs_attrib_be -v 0x00001020 wolke.txt
head -c 6000 /dev/urandom > wolke2.txt; touch -d '2021-03-04 05:06:07 UTC' wolke2.txt
mkdir -p links/h1 links/h2 links/h3 links/h4
head -c 3000 /dev/zero > links/original
for i in $(seq 1 200); do ln links/original links/h$((i % 4 + 1))/verweis-$i; done
)sh";

class MftVolumeTest : public MftTest {
 protected:
  static inline std::unique_ptr<TestVolume> volume;
  static void SetUpTestSuite() {
    volume = std::make_unique<TestVolume>(96);
    if (volume->Ready() && volume->Sh(kFill) != 0) FAIL() << "filling the volume failed";
  }
  static void TearDownTestSuite() { volume.reset(); }
  void SetUp() override {
    MftTest::SetUp();
    ASSERT_TRUE(volume->Ready()) << volume->Problem();
  }
};

TEST_F(MftVolumeTest, WholeVolumeGivesTheRecordsOfTheListing) {
  ExpectSameAsListing(volume->Root());
  // What the volume holds really reached the comparison.
  const Outcome o = ScanPathWith(MftMode::Always, volume->Root());
  const std::string root = ToUtf8(volume->Root());
  EXPECT_NE(o.records.find(root + "gross\\ | <DATEIEN> | 5368709120 | 0 | 1\n"), std::string::npos);
  EXPECT_NE(o.records.find(root + "Daten\\ | Nullen | 0 | 0 | 1\n"), std::string::npos);
  EXPECT_NE(o.records.find(root + " | \xc3\x84rger | 333 | 1 | 1\n"), std::string::npos);
  EXPECT_NE(o.records.find(root + "\xf0\x9f\x98\x80\\ | <DATEIEN> | 44 | 0 | 1\n"), std::string::npos);
  EXPECT_NE(o.records.find(root + " | punkt. | 10 | 0 | 1\n"), std::string::npos);
  // The stream of strom.txt does not count, the link to Daten is not entered, every hard link
  // counts where it stands.
  EXPECT_NE(o.records.find(root + "links\\ | h1 | 150000 | 0 | 50\n"), std::string::npos);
  EXPECT_EQ(o.records.find("Verweis"), std::string::npos);
  ASSERT_EQ(o.log.size(), 1u);
  EXPECT_TRUE(o.log[0].starts_with(L"Error: " + volume->Root() + L"lang\\"));
  EXPECT_GT(o.log[0].size(), 7 + kMaxScanPath);
}

TEST_F(MftVolumeTest, HardLinksBeyondOneRecordUseAnAttributeList) {
  const std::string inode = volume->ShOut("stat -c %i links/original");
  ASSERT_FALSE(inode.empty());
  RecordPlace place = PlaceOf(volume->Root(), static_cast<uint32_t>(std::stoul(inode)));
  ASSERT_FALSE(place.bytes.empty());
  ntfs::FileRecord r;
  ASSERT_EQ(ntfs::ReadFileRecord(place.bytes.data(), place.bytes.size(), r),
            ntfs::RecordState::InUse);
  EXPECT_TRUE(r.hasAttributeList);
  EXPECT_LT(r.names.size(), 200u);
  ExpectSameAsListing(volume->Root() + L"links\\");
}

TEST_F(MftVolumeTest, SubdirectoriesAndTheDriverGiveTheRecordsOfTheListing) {
  ExpectSameAsListing(volume->Root() + L"Daten\\");
  // The start path keeps the letter case the user typed; below it the volume's names.
  ExpectSameAsListing(volume->Root() + L"daten\\fotos");
  ExpectSameAsListing(volume->Root() + L"punkt.\\");

  const Outcome listing = ScanWith(MftMode::Never, volume->Root());
  Pfade.Clear();
  const Outcome mft = ScanWith(MftMode::Auto, volume->Root());
  EXPECT_TRUE(mft.stats.used);
  EXPECT_EQ(mft.records, listing.records);
}

TEST_F(MftVolumeTest, PathsTheListingWouldTreatOtherwiseAreLeftToIt) {
  // Through the directory link, a directory that is none, a path past 250 characters, a
  // directory of another file system: the listing walk scans, with no log line of the engine.
  test::TempTree t;
  t.File(L"a\\b", 10);
  for (const std::wstring& p :
       {volume->Root() + L"Verweis\\", volume->Root() + L"strom.txt\\", volume->Root() + L"fehlt\\",
        volume->Root() + std::wstring(260, L'x') + L"\\", t.Root()}) {
    const Outcome mft = ScanPathWith(MftMode::Always, p);
    EXPECT_FALSE(mft.stats.used) << ToUtf8(p);
    EXPECT_EQ(mft.stats.fallback, L"") << ToUtf8(p);
    EXPECT_EQ(mft.records, ScanPathWith(MftMode::Never, p).records) << ToUtf8(p);
  }
}

// Every phase of the scan looks at the window, the long ones again and again; "STOPP" in any
// phase before the walk ends the scan as a listing walk stopped at its first look ends.
TEST_F(MftVolumeTest, EveryPhaseLooksAtTheWindowAndStoppEndsItAtTheStart) {
  GMftBlockBytes = 16 * 1024;
  GMftBuildSteps = 64;
  const std::wstring target = volume->Root() + L"Daten\\";
  const Outcome whole = ScanPathWith(MftMode::Always, target);
  ASSERT_TRUE(whole.stats.used) << ToUtf8(whole.stats.fallback);
  for (const MftPhase phase : {MftPhase::Layout, MftPhase::Read, MftPhase::Build,
                               MftPhase::Locate, MftPhase::Check, MftPhase::Walk}) {
    EXPECT_GE(Seen::phasePumps[phase], 1) << static_cast<int>(phase);
  }
  // One look per block read, and one per 64 steps of the build (a record is a step at least).
  EXPECT_GE(Seen::phasePumps[MftPhase::Read], static_cast<int>(whole.stats.mftBytesRead / 16384));
  EXPECT_GE(Seen::phasePumps[MftPhase::Build], static_cast<int>(whole.stats.recordsInUse / 64));

  Seen::pumps = 0;
  Seen::stopAtPump = 1;
  const Outcome firstLook = ScanPathWith(MftMode::Never, target);
  Seen::stopAtPump = -1;
  ASSERT_TRUE(GCancel);
  EXPECT_EQ(firstLook.records, ToUtf8(volume->Root()) + " | Daten | 0 | 0 | 0\n");
  for (const MftPhase phase :
       {MftPhase::Layout, MftPhase::Read, MftPhase::Build, MftPhase::Locate, MftPhase::Check}) {
    Seen::phasePumps.clear();
    Seen::stopInPhase = phase;
    const Outcome o = ScanPathWith(MftMode::Always, target);
    EXPECT_TRUE(o.stats.used) << static_cast<int>(phase);
    EXPECT_TRUE(GCancel) << static_cast<int>(phase);
    EXPECT_EQ(o.records, firstLook.records) << static_cast<int>(phase);
    EXPECT_EQ(o.log, firstLook.log);
    EXPECT_EQ(o.files, 0);
    EXPECT_EQ(o.dirs, 0);
  }
  // Stopped in its read, the MFT was not read to its end.
  Seen::phasePumps.clear();
  Seen::stopInPhase = MftPhase::Read;
  EXPECT_LT(ScanPathWith(MftMode::Always, target).stats.mftBytesRead, whole.stats.mftBytesRead);
}

TEST_F(MftVolumeTest, ProgressShowsTheMftReadThenTheDirectoriesAtMostEvery100Ms) {
  GMftBlockBytes = 16 * 1024;
  Seen::pumpSleepMs = 15;
  GNextRefresh = 0;
  ScanPathWith(MftMode::Always, volume->Root());
  ASSERT_TRUE(GMftStats.used);
  ASSERT_GE(Seen::pathTexts.size(), 2u);
  EXPECT_EQ(Seen::pathTexts.front().second, volume->Root() + L"$MFT");
  for (size_t i = 1; i < Seen::pathTexts.size(); ++i) {
    EXPECT_GE(Seen::pathTexts[i].first - Seen::pathTexts[i - 1].first, 100);
  }
  // Once the tree stands, the texts name the directories being walked.
  EXPECT_TRUE(Seen::pathTexts.back().second.starts_with(volume->Root()));
}

TEST_F(MftVolumeTest, RescansAfterChangesAgreeWithAFullListing) {
  const std::wstring root = volume->Root();
  ScanWith(MftMode::Auto, root);
  ASSERT_TRUE(GMftStats.used);

  // Whichever engine the choice takes for the subtree, listed through to its end.
  ASSERT_EQ(volume->Sh("head -c 1000 /dev/zero > Daten/Musik/neu.mp3 && rm -r Daten/leer"), 0);
  const Outcome listed = ScanWith(MftMode::Auto, root + L"Daten\\");
  Pfade.Clear();
  EXPECT_EQ(SortedBelowRoot(listed.records), SortedBelowRoot(ScanWith(MftMode::Never, root).records));

  // The same through the MFT, after another change: the ancestors are corrected alike.
  ASSERT_EQ(volume->Sh("rm Daten/Musik/neu.mp3 && mkdir -p Daten/leer/neu && head -c 5 /dev/zero > Daten/leer/neu/f"), 0);
  const Outcome read = ScanWith(MftMode::Always, root + L"Daten\\");
  EXPECT_TRUE(read.stats.used) << ToUtf8(read.stats.fallback);
  Pfade.Clear();
  EXPECT_EQ(SortedBelowRoot(read.records), SortedBelowRoot(ScanWith(MftMode::Never, root).records));
  ASSERT_EQ(volume->Sh("rm -r Daten/leer/neu"), 0);
}

// What the MFT engine keeps of each file is what the volume holds: the size on disk of data in
// clusters, kept in the record, sparse or empty; the attributes, including those of a file
// whose data is elsewhere: offline (set through ntfs-3g) and a cloud placeholder's
// RECALL_ON_DATA_ACCESS (which ntfs-3g refuses to set, so it is written into the record of a
// copy of the volume).
TEST_F(MftVolumeTest, FilesKeepWhatTheVolumeHolds) {
  const std::string number = volume->ShOut("stat -c %i wolke2.txt");
  ASSERT_FALSE(number.empty());
  const RecordPlace w = PlaceOf(volume->Root(), static_cast<uint32_t>(std::stoul(number)));
  ASSERT_FALSE(w.bytes.empty());
  std::vector<uint8_t> fixed = w.bytes;
  ASSERT_TRUE(ntfs::ApplyFixups(fixed.data(), fixed.size()));
  size_t attrsAt = 0;
  ntfs::AttributeCursor cursor(fixed.data(), fixed.size());
  for (ntfs::Attribute a; cursor.Next(a);) {
    if (a.type == ntfs::kAttrStandardInformation) {
      attrsAt = static_cast<size_t>(a.value - fixed.data()) + 32;
    }
  }
  ASSERT_NE(attrsAt, 0u);
  ASSERT_LT(attrsAt % 512, 504u);  // clear of the update sequence
  const uint32_t attrs = ntfs::Le32(fixed.data() + attrsAt) | 0x400000;
  TestVolume copy(*volume, PatchAt(w.offset + attrsAt, {static_cast<uint8_t>(attrs),
                                                         static_cast<uint8_t>(attrs >> 8),
                                                         static_cast<uint8_t>(attrs >> 16),
                                                         static_cast<uint8_t>(attrs >> 24)}));
  ASSERT_TRUE(copy.Ready()) << copy.Problem();
  const Outcome o = ScanPathWith(MftMode::Always, copy.Root());
  ASSERT_TRUE(o.stats.used) << ToUtf8(o.stats.fallback);
  std::map<std::string, FileLine> byPath;
  for (const FileLine& f : o.kept) byPath[f.path.substr(3)] = f;
  const struct {
    const char* path;
    int64_t size, allocated;
    uint8_t flags;
  } cases[] = {
      {"Daten\\Musik\\c.mp3", 100000, 102400, 0},
      {"Daten\\Nullen\\null.txt", 0, 0, 0},
      {"klein\\eins", 1, 8, 0},
      {"gross\\sparse.bin", int64_t{5} << 30, 0, kFileSparse},
      {"links\\h2\\verweis-1", 3000, 4096, 0},
      {"wolke.txt", 5000, 8192, kFileCloud},
      {"wolke2.txt", 6000, 8192, kFileCloud},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ASSERT_EQ(byPath.count(c.path), 1u);
    const FileLine& f = byPath[c.path];
    EXPECT_EQ(f.size, c.size);
    EXPECT_EQ(f.allocated, c.allocated);
    EXPECT_EQ(f.flags, c.flags);
  }
  EXPECT_EQ(byPath["wolke2.txt"].time, 1614834367u);  // 2021-03-04 05:06:07 UTC
  EXPECT_EQ(o.kept.size(), static_cast<size_t>(o.files));
}

// ---- damaged copies --------------------------------------------------------------------------

// The system lists a file or directory whose record it cannot read from its parent's index;
// without the record the MFT would miss it (and everything below a directory) in silence.
TEST_F(MftVolumeTest, RecordsWithBrokenFixupsGiveTheScanToTheListingWithALogLine) {
  const std::string file = volume->ShOut("stat -c %i Daten/Musik/c.mp3");
  const std::string dir = volume->ShOut("stat -c %i klein");
  ASSERT_FALSE(file.empty());
  ASSERT_FALSE(dir.empty());
  const RecordPlace f = PlaceOf(volume->Root(), static_cast<uint32_t>(std::stoul(file)));
  const RecordPlace d = PlaceOf(volume->Root(), static_cast<uint32_t>(std::stoul(dir)));
  ASSERT_FALSE(f.bytes.empty());
  ASSERT_FALSE(d.bytes.empty());
  // The end of a record's first stride no longer carries the update sequence number.
  TestVolume copy(*volume, PatchAt(f.offset + 510, {0x99, 0x99}) + " && " +
                               PatchAt(d.offset + 1022, {0x99, 0x99}));
  ASSERT_TRUE(copy.Ready()) << copy.Problem();
  const Outcome listing = ScanPathWith(MftMode::Never, copy.Root());
  const Outcome mft = ScanPathWith(MftMode::Always, copy.Root());
  EXPECT_FALSE(mft.stats.used);
  EXPECT_EQ(mft.stats.recordsBroken, 2u);
  EXPECT_EQ(mft.records, listing.records);
  ASSERT_EQ(mft.log.size(), listing.log.size() + 1);
  EXPECT_EQ(mft.log.front(),
            L"MFT von " + copy.Root() + L" nicht verwendbar: 2 Datensätze nicht lesbar");
  EXPECT_EQ(std::vector<std::wstring>(mft.log.begin() + 1, mft.log.end()), listing.log);
}

TEST_F(MftVolumeTest, AParentLoopGivesTheScanToTheListingWithALogLine) {
  const std::string daten = volume->ShOut("stat -c %i Daten");
  const std::string fotos = volume->ShOut("stat -c %i Daten/Fotos");
  ASSERT_FALSE(daten.empty());
  ASSERT_FALSE(fotos.empty());
  const auto datenNo = static_cast<uint32_t>(std::stoul(daten));
  const auto fotosNo = static_cast<uint32_t>(std::stoul(fotos));
  const RecordPlace d = PlaceOf(volume->Root(), datenNo);
  const RecordPlace f = PlaceOf(volume->Root(), fotosNo);
  ASSERT_FALSE(d.bytes.empty());
  ASSERT_FALSE(f.bytes.empty());
  // Daten's name now says that it lies in Fotos, which lies in Daten.
  std::vector<uint8_t> fixed = d.bytes;
  ASSERT_TRUE(ntfs::ApplyFixups(fixed.data(), fixed.size()));
  size_t parentAt = 0;
  ntfs::AttributeCursor cursor(fixed.data(), fixed.size());
  ntfs::Attribute a;
  while (cursor.Next(a)) {
    if (a.type == ntfs::kAttrFileName) parentAt = static_cast<size_t>(a.value - fixed.data());
  }
  ASSERT_NE(parentAt, 0u);
  ASSERT_LT(parentAt % 512, 504u);  // clear of the update sequence
  const uint64_t ref = fotosNo | uint64_t{ntfs::Le16(f.bytes.data() + 0x10)} << 48;
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(ref >> (8 * i)));
  TestVolume copy(*volume, PatchAt(d.offset + parentAt, bytes));
  ASSERT_TRUE(copy.Ready()) << copy.Problem();

  const Outcome listing = ScanPathWith(MftMode::Never, copy.Root());
  const Outcome mft = ScanPathWith(MftMode::Always, copy.Root());
  EXPECT_FALSE(mft.stats.used);
  EXPECT_EQ(mft.records, listing.records);
  ASSERT_EQ(mft.log.size(), listing.log.size() + 1);
  EXPECT_EQ(mft.log.front(), L"MFT von " + copy.Root() +
                                 L" nicht verwendbar: Verzeichnisschleife bei Datensatz " +
                                 std::to_wstring(datenNo));
  EXPECT_EQ(std::vector<std::wstring>(mft.log.begin() + 1, mft.log.end()), listing.log);
}

// ---- reparse points that are no links ------------------------------------------------------

// The value ntfs-3g takes for a reparse point: tag, length of the data, two reserved bytes, the
// data (here bytes of 0x11).
std::string TagCommand(const std::string& entry, uint32_t tag, size_t dataBytes) {
  char head[32];
  std::snprintf(head, sizeof head, "%02x%02x%02x%02x%02x%02x0000", tag & 0xFF, (tag >> 8) & 0xFF,
                (tag >> 16) & 0xFF, tag >> 24, static_cast<unsigned>(dataBytes & 0xFF),
                static_cast<unsigned>(dataBytes >> 8));
  std::string hex = head;
  for (size_t i = 0; i < dataBytes; ++i) hex += "11";
  return "setfattr -n system.ntfs_reparse_data -v 0x" + hex + " " + test::ShellQuote(entry);
}

// A cloud placeholder (its reparse data in its record, or too long for it) and a file of
// deduplicated storage are counted as the listing of Windows shows them: entered and counted
// like any other. The test bed's listing cannot show them so (ntfs-3g makes them links), so the
// MFT's records are held against the listing made before the tags were set.
TEST_F(MftTest, ReparsePointsThatAreNoLinksAreCountedAsTheListingShowedThemBefore) {
  TestVolume volume(32);
  ASSERT_TRUE(volume.Ready()) << volume.Problem();
  ASSERT_EQ(volume.Sh("mkdir -p Daten/Wolke/tief Daten/Grosse-Wolke/innen Daten/Verweis && "
                      "head -c 5000 /dev/zero > Daten/Wolke/a && "
                      "head -c 7 /dev/zero > Daten/Wolke/tief/b && "
                      "head -c 300 /dev/zero > Daten/Grosse-Wolke/innen/c && "
                      "head -c 9000 /dev/urandom > Daten/dedup.bin"),
            0);
  const std::string big = volume.ShOut("stat -c %i Daten/Grosse-Wolke");
  ASSERT_FALSE(big.empty());
  // A link is one before the listing already: no directory of the results.
  ASSERT_EQ(volume.Sh("setfattr -n system.ntfs_reparse_data -v 0x0c0000a020000000000"
                      "00a000a000a000100000044006100740065006e0044006100740065006e00 Daten/Verweis"),
            0);
  const Outcome before = ScanPathWith(MftMode::Never, volume.Root());
  ASSERT_NE(before.records.find("Grosse-Wolke"), std::string::npos);
  ASSERT_EQ(before.records.find("Verweis"), std::string::npos);

  ASSERT_EQ(volume.Sh(TagCommand("Daten/Wolke", os::kTagCloud, 16) + " && " +
                      TagCommand("Daten/Grosse-Wolke", os::kTagCloud, 2000) + " && " +
                      TagCommand("Daten/dedup.bin", os::kTagDedup, 24)),
            0);
  // 2000 bytes do not fit into a record of 1024: the tag lies in a cluster of its own.
  const RecordPlace place = PlaceOf(volume.Root(), static_cast<uint32_t>(std::stoul(big)));
  ASSERT_FALSE(place.bytes.empty());
  std::vector<uint8_t> bytes = place.bytes;
  ntfs::FileRecord r;
  ASSERT_EQ(ntfs::ReadFileRecord(bytes.data(), bytes.size(), r), ntfs::RecordState::InUse);
  EXPECT_TRUE(r.hasReparsePoint);
  EXPECT_EQ(r.reparseTag, 0u);
  EXPECT_GE(r.reparseLcn, 0);

  const Outcome mft = ScanPathWith(MftMode::Always, volume.Root());
  ASSERT_TRUE(mft.stats.used) << ToUtf8(mft.stats.fallback);
  EXPECT_EQ(mft.records, before.records);
  EXPECT_EQ(mft.log, before.log);
  EXPECT_EQ(mft.files, before.files);
  EXPECT_EQ(mft.dirs, before.dirs);
  EXPECT_EQ(mft.bytes, before.bytes);
}

// ---- the hand-over of a listing walk ---------------------------------------------------------

struct HandOver {
  static inline int64_t after = 0;    // entries listed when the walk hands over
  static inline int looks = 0;
  static inline int64_t listedAt = -1;
  static bool Decide(const ChoiceFacts& f) {
    ++looks;
    if (f.listed < after) return false;
    listedAt = f.listed;
    return true;
  }
};

// Handed over to the MFT anywhere in its walk (forced through the choice's seam), a scan keeps
// exactly what the listing gives: records, counters and log lines, none of them twice; for a
// first scan and for a rescan, whose ancestors are corrected alike. Where no earlier scan tells
// what the MFT costs, the walk measures it first.
TEST_F(MftVolumeTest, AWalkHandedOverToTheMftKeepsTheRecordsOfTheListing) {
  const std::wstring root = volume->Root();
  // A directory whose walk logs an ERROR record early (a path past 250 characters), then lists
  // on: handed over after the log line, the line must not come twice.
  ASSERT_EQ(volume->Sh("p=fehler/a; for i in 1 2 3 4 5 6; do "
                       "p=$p/verzeichnis-mit-einem-recht-langen-namen-$i; done; mkdir -p $p "
                       "fehler/b && for i in $(seq 40); do head -c $i /dev/zero > fehler/b/$i; "
                       "done"),
            0);
  struct Tidy {
    ~Tidy() { volume->Sh("rm -rf fehler"); }
  } tidy;
  ASSERT_GT(MftCostMicros(root + L"Daten\\", true), 0);
  EXPECT_GT(MftCostMicros(root + L"Daten\\", false), 0);  // measured once, then known
  test::TempTree other;
  EXPECT_EQ(MftCostMicros(other.Root(), true), -1);  // no NTFS volume
  GHandOverToMft = HandOver::Decide;  // the listing of Never asks no choice
  struct Case {
    const wchar_t* target;
    double at;  // of the target's entries
    bool rescan;
    bool measure;
  };
  for (const Case c : {Case{L"Daten\\", 0.3, false, false}, Case{L"Daten\\", 0.9, false, true},
                       Case{L"fehler\\", 0.5, false, false}, Case{L"links\\", 0.5, false, false},
                       Case{L"Daten\\", 0.5, true, false}, Case{L"links\\", 0.2, true, true}}) {
    const std::wstring target = root + c.target;
    SCOPED_TRACE(ToUtf8(target) + (c.rescan ? " rescan" : " first scan") +
                 (c.measure ? ", measured in the walk" : ""));
    const Outcome listing = ScanPathWith(MftMode::Never, target);
    const int64_t entries = int64_t{listing.files} + listing.dirs;
    HandOver::after = std::max<int64_t>(1, static_cast<int64_t>(entries * c.at));
    HandOver::looks = 0;
    HandOver::listedAt = -1;
    if (c.measure) {
      MftForgetCosts();
      GMftMeasureAfterMicros = 0;
    }
    Pfade.Clear();
    if (c.rescan) ScanWith(MftMode::Never, root);
    const Outcome o = c.rescan ? ScanWith(MftMode::Auto, target) : ScanPathWith(MftMode::Auto, target);
    GMftMeasureAfterMicros = 100000;
    ASSERT_TRUE(o.stats.used) << ToUtf8(o.stats.fallback);
    if (std::wstring_view(c.target) == L"fehler\\") ASSERT_EQ(listing.log.size(), 1u);
    EXPECT_GT(HandOver::listedAt, 0);
    EXPECT_LT(HandOver::listedAt, entries);
    if (c.rescan) {
      Pfade.Clear();
      EXPECT_EQ(SortedBelowRoot(o.records), SortedBelowRoot(ScanWith(MftMode::Never, root).records));
    } else {
      EXPECT_EQ(o.records, listing.records);
      EXPECT_EQ(o.log, listing.log);
      EXPECT_EQ(o.files, listing.files);
      EXPECT_EQ(o.dirs, listing.dirs);
      EXPECT_EQ(o.bytes, listing.bytes);
    }
  }
}

// ---- a fragmented MFT ------------------------------------------------------------------------

TEST_F(MftTest, AFragmentedMftGivesTheRecordsOfTheListing) {
  TestVolume volume(24);
  ASSERT_TRUE(volume.Ready()) << volume.Problem();
  // Data fills the volume, every other file goes, then new records need room: the MFT grows
  // into the holes.
  ASSERT_EQ(volume.Sh("mkdir f g && i=0; while head -c 262144 /dev/zero > f/$i 2>/dev/null; "
                      "do i=$((i+1)); done; rm -f f/$i; for j in $(seq 0 2 $i); do rm -f f/$j; "
                      "done; seq 1 2500 | sed 's|^|g/|' | xargs touch"),
            0);
  os::VolumeReader v;
  ntfs::MftLayout layout;
  ASSERT_TRUE(v.Open(volume.Root()));
  ASSERT_EQ(ntfs::ReadLayout(v, layout), ntfs::LayoutError::None);
  EXPECT_GT(layout.runs.size(), 2u);
  ExpectSameAsListing(volume.Root());
}

}  // namespace
}  // namespace vardune
