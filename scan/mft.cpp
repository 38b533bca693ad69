// The MFT engine (see mft.h): the volume read through os/ntfs_volume, its records collected
// into an MftTree, then a walk of that tree that appends records, counts and reports progress
// as the listing walk does.
#include "scan/mft.h"

#include <algorithm>
#include <new>
#include <vector>

#include "os/clock.h"
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
MftScanStats GMftStats;

namespace {

// Listing one entry costs about as much as reading this many MFT records: a listing asks the
// system once per directory and per hundred entries, the MFT streams at disk speed.
constexpr uint64_t kRecordsPerListedEntry = 10;

void AppendName(std::wstring& p, std::u16string_view name) {
  for (const char16_t c : name) p.push_back(static_cast<wchar_t>(c));
}

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
    if (PumpIfDue()) GCancel = true;
    return !GCancel;
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
    if (!error && !GCancel) {
      ownFiles = tree_.OwnFiles(node);
      ownBytes = tree_.OwnBytes(node);
      GFiles += ownFiles;
      total += ownBytes;
      for (const uint32_t child : tree_.Children(node)) {
        if (GCancel) break;
        if (tree_.IsReparsePoint(child)) continue;
        ++GDirs;
        AppendName(p, tree_.Name(child));
        p += L'\\';
        total += Dir(p, child, asParent);
        p.resize(base);
      }
    }

    return FinishDir(p, DirEnd{ownParent, asParent, error, total, ownBytes, ownFiles,
                               dirsAtEntry, filesAtEntry});
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
    if (node == MftTree::kNone || tree.IsReparsePoint(node)) return MftTree::kNone;
    rest = cut == std::wstring_view::npos ? std::wstring_view() : rest.substr(cut + 1);
  }
  return node;
}

// The tree agrees with what the system lists in P: the same subdirectories in the same order
// and as many files. Otherwise the device read is not the volume the path shows (a substituted
// drive, a mount that changed), or P changed since: the listing walk is right either way.
bool AgreesWithListing(const std::wstring& p, const MftTree& tree, uint32_t node) {
  os::DirListing list(os::LongPathForm(p));
  if (list.Failed()) return false;
  const auto children = tree.Children(node);
  size_t next = 0;
  int32_t files = 0;
  std::wstring name;
  while (list.Next()) {
    if (list.IsDotOrDotDot()) continue;
    if (!list.IsDirectory()) {
      ++files;
      continue;
    }
    if (next >= children.size()) return false;
    name.clear();
    AppendName(name, tree.Name(children[next++]));
    if (name != list.Name()) return false;
  }
  return next == children.size() && files == tree.OwnFiles(node);
}

// The listing walk takes over: the reason for the tests and the benchmark, and a log line where
// the volume is damaged.
bool GiveUp(const std::wstring& why, bool log) {
  GMftStats.fallback = why;
  if (log && GScanUi.LogError) GScanUi.LogError(why);
  return false;
}

}  // namespace

bool MftCheaper(int64_t entries, uint64_t records) {
  return entries < 0 || static_cast<uint64_t>(entries) * kRecordsPerListedEntry >= records;
}

bool _MftScanDir(std::wstring_view path, int64_t& total) {
  GMftStats = MftScanStats{};
  total = 0;
  // The stress test reads every file anyway: the listing names them.
  if (GMftMode == MftMode::Never || GStress) return GiveUp(L"", false);
  std::wstring p(path);
  if (p.empty() || p.back() != L'\\') p += L'\\';
  if (!IsDrivePath(p) || p.size() > kMaxScanPath) return GiveUp(L"", false);

  os::VolumeReader volume;
  if (!volume.Open(p)) return GiveUp(L"", false);
  const std::wstring root = volume.Root();
  if (p.size() < root.size() || !EqualNoCase(std::wstring_view(p).substr(0, root.size()), root)) {
    return GiveUp(L"", false);
  }
  const std::wstring unusable = L"MFT von " + root + L" nicht verwendbar: ";

  MftTree tree;
  uint32_t node = MftTree::kNone;
  try {
    ntfs::MftLayout layout;
    const ntfs::LayoutError layoutError = ntfs::ReadLayout(volume, layout);
    if (layoutError == ntfs::LayoutError::Damaged) {
      return GiveUp(unusable + L"Aufbau beschädigt", true);
    }
    if (layoutError != ntfs::LayoutError::None) return GiveUp(L"", false);
    GMftStats.records = layout.records;
    if (GMftMode == MftMode::Auto && !MftCheaper(GRescanEntries, layout.records)) {
      return GiveUp(L"", false);
    }

    Collector collector(tree, root + L"$MFT");
    GCancel = false;
    const ntfs::ReadEnd end = ntfs::ReadRecords(volume, layout, collector, GMftBlockBytes);
    GMftStats.recordsInUse = tree.RecordsInUse();
    GMftStats.bytesRead = volume.BytesRead();
    GMftStats.readMicros = volume.ReadMicros();
    if (end == ntfs::ReadEnd::Unreadable) return GiveUp(unusable + L"Lesefehler", true);
    if (end == ntfs::ReadEnd::Stopped) {
      // "STOPP" before the first directory: P's record with nothing counted, as the listing
      // walk leaves it when stopped at its first look at the window.
      const PathSplit split = SplitRecordPath(p);
      Pfade.Append(Pfade.AddParent(split.Parent), split.Name, 0, 0, 0);
      GCancel = true;
      GMftStats.used = true;
      return true;
    }
    const MftTree::Failure failure = tree.Build(layout.upcase.data());
    if (failure != MftTree::Failure::None) {
      return GiveUp(unusable + (failure == MftTree::Failure::Loop
                                    ? L"Verzeichnisschleife bei Datensatz "
                                    : L"kein Stammverzeichnis, Datensatz ") +
                        std::to_wstring(tree.FailedRecord()),
                    true);
    }
    GMftStats.treeBytes = tree.MemoryBytes();
    node = Locate(tree, std::wstring_view(p).substr(root.size()));
  } catch (const std::bad_alloc&) {
    return GiveUp(unusable + L"zu wenig Speicher", true);
  }
  if (node == MftTree::kNone || !AgreesWithListing(p, tree, node)) return GiveUp(L"", false);

  const PfadListe::ParentId ownParent = Pfade.AddParent(SplitRecordPath(p).Parent);
  total = Walk(tree).Dir(p, node, ownParent);
  GMftStats.used = true;
  return true;
}

}  // namespace vardune
