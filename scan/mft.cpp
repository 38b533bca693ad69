// The MFT engine (see mft.h): the volume read through os/ntfs_volume, its records collected
// into an MftTree, then a walk of that tree that appends records, counts and reports progress
// as the listing walk does. Every phase looks at the window's events as the listing walk does
// (PumpIfDue) and takes "STOPP": stopped before the walk, the scan ends as a listing walk
// stopped at its first look, with the start's record and nothing counted.
#include "scan/mft.h"

#include <algorithm>
#include <new>
#include <vector>

#include "os/clock.h"
#include "os/dirinfo.h"
#include "os/fs.h"
#include "os/ntfs.h"
#include "os/ntfs_volume.h"
#include "os/text.h"
#include "scan/mft_tree.h"
#include "scan/model.h"
#include "scan/scanner.h"
#include "scan/scanui.h"

namespace vardune {

MftMode GMftMode = MftMode::Auto;
int64_t GRescanEntries = -1;
size_t GMftBlockBytes = size_t{4} << 20;
MftPhase GMftPhase = MftPhase::None;
uint32_t GMftBuildSteps = 4096;
MftScanStats GMftStats;

namespace {

// A scan up to its walk takes about this many times what reading and taking in its records
// takes while the read streams: the tree's build and the look at the listing come on top
// (measured on the benchmark volume: see the README).
constexpr double kScanPerStreamedRecord = 1.3;

// What earlier MFT scans of this process took, per volume.
struct Cost {
  std::wstring root;
  double microsPerRecord = 0;
  uint64_t records = 0;
};
std::vector<Cost> gCosts;

Cost* CostOf(std::wstring_view root) {
  for (Cost& c : gCosts) {
    if (EqualNoCase(c.root, root)) return &c;
  }
  return nullptr;
}

void Learn(const std::wstring& root, uint64_t records, int64_t micros) {
  if (records == 0) return;
  Cost* c = CostOf(root);
  if (!c) c = &gCosts.emplace_back(Cost{root, 0, 0});
  c->records = records;
  c->microsPerRecord = static_cast<double>(micros) / static_cast<double>(records);
}

void AppendName(std::wstring& p, std::u16string_view name) {
  for (const char16_t c : name) p.push_back(static_cast<wchar_t>(c));
}

// A look at the window; true once "STOPP" has been pressed.
bool Pump() {
  if (PumpIfDue()) GCancel = true;
  return GCancel;
}

// The volume's bytes, with a look at the window before each read: reading the layout takes a
// few reads, each of which may wait for a disk that spins up.
class PumpingVolume : public ntfs::VolumeSource {
 public:
  explicit PumpingVolume(ntfs::VolumeSource& v) : v_(v) {}
  uint8_t* Read(uint64_t offset, size_t length) override {
    if (Pump()) return nullptr;
    return v_.Read(offset, length);
  }

 private:
  ntfs::VolumeSource& v_;
};

// The records go into the tree; between blocks the progress shows the MFT being read (its
// megabytes and the records in use so far) and the window stays alive.
class Collector : public ntfs::RecordSink {
 public:
  Collector(MftTree& tree, std::wstring mftPath) : tree_(tree), mftPath_(std::move(mftPath)) {}
  void Record(uint32_t number, ntfs::RecordState state, const ntfs::FileRecord& r) override {
    tree_.Add(number, state, r);
  }
  bool Block(uint64_t bytesDone) override {
    GMftStats.mftBytesRead = bytesDone;
    const uint64_t inUse = tree_.RecordsInUse();
    RefreshProgress(mftPath_, static_cast<int64_t>(bytesDone),
                    static_cast<int32_t>(std::min<uint64_t>(inUse, INT32_MAX)));
    return !Pump();
  }

 private:
  MftTree& tree_;
  std::wstring mftPath_;
};

// The walk of the tree, in the steps of the listing walk: the same progress refresh on
// entering a directory, the same pumping, the same records and counters. A directory's own
// files count at once, as the listing would have met them one by one.
class Walk {
 public:
  explicit Walk(const MftTree& tree) : tree_(tree) {}

  int64_t Dir(std::wstring& p, uint32_t node, PfadListe::ParentId ownParent) {
    const int32_t filesAtEntry = GFiles;
    const int32_t dirsAtEntry = GDirs;
    const bool error = p.size() > kMaxScanPath;
    RefreshProgress(p, GBytes, GFiles);
    GCancel = false;
    int64_t total = 0;
    int64_t ownBytes = 0;
    int32_t ownFiles = 0;
    if (PumpIfDue()) GCancel = true;

    const PfadListe::ParentId asParent = Pfade.AddParent(p);
    const size_t base = p.size();
    FileBlockBuilder& files = GFileBuilders.Enter();
    if (!error && !GCancel) {
      ownFiles = tree_.OwnFiles(node);
      ownBytes = tree_.OwnBytes(node);
      for (const MftTree::File& f : tree_.Files(node)) {
        files.Add(tree_.FileName(f), f.size, f.allocated, FileTimeSeconds(f.lastWrite),
                  FileFlagsOf(f.attributes));
      }
      GFiles += ownFiles;
      total += ownBytes;
      for (const uint32_t child : tree_.Children(node)) {
        if (GCancel) break;
        if (tree_.IsLink(child)) continue;
        ++GDirs;
        AppendName(p, tree_.Name(child));
        p += L'\\';
        total += Dir(p, child, asParent);
        p.resize(base);
      }
    }

    const int64_t own = FinishDir(p, DirEnd{ownParent, asParent, error, total, ownBytes,
                                            ownFiles, dirsAtEntry, filesAtEntry, &files});
    GFileBuilders.Leave();
    return own;
  }

 private:
  const MftTree& tree_;
};

bool IsDrivePath(std::wstring_view p) {
  return p.size() >= 3 && p[1] == L':' && p[2] == L'\\' &&
         ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z'));
}

// The directory node that the path below the volume's root names, through directories that
// the listing walk would enter as well; kNone when there is none.
uint32_t Locate(const MftTree& tree, std::wstring_view rest) {
  uint32_t node = MftTree::Root();
  while (!rest.empty()) {
    const size_t cut = rest.find(L'\\');
    const std::wstring_view piece = rest.substr(0, cut);
    if (piece.empty()) return MftTree::kNone;
    std::u16string name;
    for (const wchar_t c : piece) name.push_back(static_cast<char16_t>(c));
    node = tree.FindChild(node, name);
    if (node == MftTree::kNone || tree.IsLink(node)) return MftTree::kNone;
    rest = cut == std::wstring_view::npos ? std::wstring_view() : rest.substr(cut + 1);
  }
  return node;
}

// The tree agrees with what the system lists in P: the same subdirectories in the same order
// and as many files. Otherwise the device read is not the volume the path shows (a substituted
// drive, a mount that changed), or P changed since: the listing walk is right either way.
enum class Check { Agrees, Differs, Stopped };
Check AgreesWithListing(const std::wstring& p, const MftTree& tree, uint32_t node) {
  os::DirInfoListing list(os::LongPathForm(p));
  if (list.Failed()) return Check::Differs;
  const auto children = tree.Children(node);
  size_t next = 0;
  int32_t files = 0;
  std::wstring name;
  while (list.Next()) {
    if (Pump()) return Check::Stopped;
    if (!list.IsDirectory()) {
      ++files;
      continue;
    }
    if (next >= children.size()) return Check::Differs;
    name.clear();
    AppendName(name, tree.Name(children[next++]));
    if (name != list.Name()) return Check::Differs;
  }
  return next == children.size() && files == tree.OwnFiles(node) ? Check::Agrees
                                                                 : Check::Differs;
}

// The listing walk takes over: the reason for the tests and the benchmark, and a log line where
// the volume is damaged.
bool GiveUp(const std::wstring& why, bool log) {
  GMftStats.fallback = why;
  GMftPhase = MftPhase::None;
  if (log && GScanUi.LogError) GScanUi.LogError(why);
  return false;
}

// "STOPP" before the walk: P's record with nothing counted, as the listing walk leaves it when
// stopped at its first look at the window.
bool StoppedAtFirstLook(const std::wstring& p) {
  const PathSplit split = SplitRecordPath(p);
  Pfade.Append(Pfade.AddParent(split.Parent), split.Name, 0, 0, 0);
  GCancel = true;
  GMftStats.used = true;
  GMftPhase = MftPhase::None;
  return true;
}

bool BuildTick(void*) { return Pump(); }

std::wstring RecordsText(uint64_t n) {
  return std::to_wstring(n) + (n == 1 ? L" Datensatz" : L" Datensätze");
}

}  // namespace

bool _MftScanDir(std::wstring_view path, int64_t& total) {
  GMftStats = MftScanStats{};
  total = 0;
  // The stress test reads every file anyway: the listing names them.
  if (GMftMode == MftMode::Never || GStress) return GiveUp(L"", false);
  std::wstring p(path);
  if (p.empty() || p.back() != L'\\') p += L'\\';
  if (!IsDrivePath(p) || p.size() > kMaxScanPath) return GiveUp(L"", false);

  const int64_t start = os::Micros();
  os::VolumeReader volume;
  if (!volume.Open(p)) return GiveUp(L"", false);
  const std::wstring root = volume.Root();
  if (p.size() < root.size() || !EqualNoCase(std::wstring_view(p).substr(0, root.size()), root)) {
    return GiveUp(L"", false);
  }
  const std::wstring unusable = L"MFT von " + root + L" nicht verwendbar: ";

  GCancel = false;
  MftTree tree;
  uint32_t node = MftTree::kNone;
  ntfs::MftLayout layout;
  try {
    GMftPhase = MftPhase::Layout;
    PumpingVolume pumping(volume);
    const ntfs::LayoutError layoutError = ntfs::ReadLayout(pumping, layout);
    if (GCancel) return StoppedAtFirstLook(p);
    if (layoutError == ntfs::LayoutError::Damaged) {
      return GiveUp(unusable + L"Aufbau beschädigt", true);
    }
    if (layoutError != ntfs::LayoutError::None) return GiveUp(L"", false);
    GMftStats.records = layout.records;

    GMftPhase = MftPhase::Read;
    Collector collector(tree, root + L"$MFT");
    const ntfs::ReadEnd end = ntfs::ReadRecords(volume, layout, collector, GMftBlockBytes);
    GMftStats.recordsInUse = tree.RecordsInUse();
    GMftStats.recordsBroken = tree.RecordsBroken();
    GMftStats.bytesRead = volume.BytesRead();
    GMftStats.readMicros = volume.ReadMicros();
    if (end == ntfs::ReadEnd::Stopped) return StoppedAtFirstLook(p);
    if (end == ntfs::ReadEnd::Unreadable) return GiveUp(unusable + L"Lesefehler", true);
    // The system lists what it cannot read from its parent's index: without the record, a
    // file or a directory with everything below it would be missing from the totals.
    if (tree.RecordsBroken() > 0) {
      return GiveUp(unusable + RecordsText(tree.RecordsBroken()) + L" nicht lesbar", true);
    }

    // Reparse points of directories whose data lies outside their records: the tag decides
    // whether they are entered.
    GMftPhase = MftPhase::Tags;
    for (const MftTree::TagToRead& t : tree.TagsToRead()) {
      if (Pump()) return StoppedAtFirstLook(p);
      const uint64_t at = static_cast<uint64_t>(t.lcn) * layout.boot.clusterSize;
      if (const uint8_t* tag = volume.Read(at, 4)) tree.SetReparseTag(t.index, ntfs::Le32(tag));
    }

    GMftPhase = MftPhase::Build;
    const MftTree::Failure failure =
        tree.Build(layout.upcase.data(), MftTree::Progress{BuildTick, nullptr, GMftBuildSteps});
    if (failure == MftTree::Failure::Stopped) return StoppedAtFirstLook(p);
    if (failure != MftTree::Failure::None) {
      return GiveUp(unusable + (failure == MftTree::Failure::Loop
                                    ? L"Verzeichnisschleife bei Datensatz "
                                    : L"kein Stammverzeichnis, Datensatz ") +
                        std::to_wstring(tree.FailedRecord()),
                    true);
    }
    GMftStats.treeBytes = tree.MemoryBytes();

    GMftPhase = MftPhase::Locate;
    if (Pump()) return StoppedAtFirstLook(p);
    node = Locate(tree, std::wstring_view(p).substr(root.size()));
    if (Pump()) return StoppedAtFirstLook(p);
  } catch (const std::bad_alloc&) {
    return GiveUp(unusable + L"zu wenig Speicher", true);
  }
  if (node == MftTree::kNone) return GiveUp(L"", false);
  GMftPhase = MftPhase::Check;
  const Check check = AgreesWithListing(p, tree, node);
  if (check == Check::Stopped) return StoppedAtFirstLook(p);
  if (check == Check::Differs) return GiveUp(L"", false);
  GMftStats.micros = os::Micros() - start;
  Learn(root, layout.records, GMftStats.micros);

  GMftPhase = MftPhase::Walk;
  const PfadListe::ParentId ownParent = Pfade.AddParent(SplitRecordPath(p).Parent);
  total = Walk(tree).Dir(p, node, ownParent);
  GMftPhase = MftPhase::None;
  GMftStats.used = true;
  return true;
}

namespace {

// Takes the records of the first two blocks into a tree of its own, timing the second: the
// first pays for the seek to the MFT and for a handle fresh to the device, the second streams
// as the rest of the MFT would.
class FirstBlocks : public ntfs::RecordSink {
 public:
  void Record(uint32_t number, ntfs::RecordState state, const ntfs::FileRecord& r) override {
    tree.Add(number, state, r);
  }
  bool Block(uint64_t bytesDone) override {
    const int64_t now = os::Micros();
    if (blocks++ == 0) {
      secondFrom = now;
      firstBytes = bytesDone;
      return true;
    }
    secondMicros = now - secondFrom;
    secondBytes = bytesDone - firstBytes;
    return false;
  }
  MftTree tree;
  int blocks = 0;
  int64_t secondFrom = 0, secondMicros = 0;
  uint64_t firstBytes = 0, secondBytes = 0;
};

}  // namespace

int64_t MftCostMicros(std::wstring_view path, bool measure) {
  if (GStress || GMftMode == MftMode::Never) return -1;
  std::wstring p(path);
  if (p.empty() || p.back() != L'\\') p += L'\\';
  if (!IsDrivePath(p) || p.size() > kMaxScanPath) return -1;
  const std::wstring root = os::VolumeRootOf(p);
  if (root.empty()) return -1;
  if (const Cost* c = CostOf(root)) {
    return static_cast<int64_t>(c->microsPerRecord * static_cast<double>(c->records));
  }
  if (!measure) return -1;
  const int64_t start = os::Micros();
  os::VolumeReader volume;
  if (!volume.Open(p) || !EqualNoCase(volume.Root(), root)) return -1;
  ntfs::MftLayout layout;
  try {
    if (ntfs::ReadLayout(volume, layout) != ntfs::LayoutError::None) return -1;
    const int64_t layoutMicros = os::Micros() - start;
    if (!volume.Reserve(GMftBlockBytes)) return -1;
    FirstBlocks blocks;
    if (ntfs::ReadRecords(volume, layout, blocks, GMftBlockBytes) == ntfs::ReadEnd::Unreadable) {
      return -1;
    }
    // An MFT of one block or two is read in no time.
    double perRecord = 0;
    if (blocks.secondBytes > 0) {
      perRecord = static_cast<double>(blocks.secondMicros) /
                  static_cast<double>(blocks.secondBytes / layout.boot.recordSize);
    }
    const int64_t estimate =
        layoutMicros + static_cast<int64_t>(perRecord * kScanPerStreamedRecord *
                                            static_cast<double>(layout.records));
    // Measured once; a scan through the MFT then tells better.
    Learn(root, layout.records, estimate);
    return estimate;
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

void MftForgetCosts() { gCosts.clear(); }

}  // namespace vardune
