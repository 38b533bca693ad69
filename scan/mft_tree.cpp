// The directory tree of an NTFS volume from its MFT records (see mft_tree.h).
#include "scan/mft_tree.h"

#include <algorithm>
#include <limits>

#include "os/reparse.h"

namespace vardune {

namespace {

// kReparse: $STANDARD_INFORMATION says reparse point; kLink: a directory no scan enters.
enum : uint8_t { kInUse = 1, kBase = 2, kDir = 4, kReparse = 8, kBroken = 16, kLink = 32 };

// No NTFS volume holds a file this large; a bigger size is damage, and capping it keeps every
// sum of sizes far from overflowing.
constexpr int64_t kMaxFileSize = int64_t{1} << 53;
constexpr int64_t kMaxBytes = int64_t{1} << 62;

int64_t AddBytes(int64_t a, int64_t b) { return a > kMaxBytes - b ? kMaxBytes : a + b; }

// The nodes' counts of entries (subdirectories, files) made into the start of each node's run
// in one array; the counts go back to 0 for the runs to be filled. Returns the array's size.
template <class Node>
uint32_t StartRuns(std::vector<Node>& nodes, uint32_t Node::*first, uint32_t Node::*count) {
  uint32_t next = 0;
  for (Node& n : nodes) {
    n.*first = next;
    next += n.*count;
    n.*count = 0;
  }
  return next;
}

}  // namespace

void MftTree::Grow(uint32_t number) {
  if (number < flags_.size()) return;
  const size_t n = std::max<size_t>(size_t{number} + 1, flags_.size() + flags_.size() / 2);
  flags_.resize(n, 0);
  seq_.resize(n, 0);
  size_.resize(n, 0);
  allocated_.resize(n, 0);
  lastWrite_.resize(n, 0);
  attributes_.resize(n, 0);
}

void MftTree::Add(uint32_t number, ntfs::RecordState state, const ntfs::FileRecord& r) {
  if (state == ntfs::RecordState::Free) return;
  Grow(number);
  if (state == ntfs::RecordState::Broken) {
    flags_[number] = kBroken;
    ++broken_;
    return;
  }
  ++inUse_;
  const bool base = r.base == 0;
  uint32_t owner = number;
  uint16_t ownerSeq = r.sequence;
  bool dir = false;
  if (base) {
    dir = (r.flags & ntfs::kRecordIsDirectory) != 0;
    flags_[number] = kInUse | kBase | (dir ? kDir : 0) |
                     (r.hasStandardInformation && (r.attributes & ntfs::kFileAttributeReparsePoint)
                          ? kReparse
                          : 0);
    seq_[number] = r.sequence;
    if (r.hasData) {
      size_[number] = std::min(r.dataSize, kMaxFileSize);
      allocated_[number] = std::clamp<int64_t>(r.allocatedSize, 0, kMaxFileSize);
    }
    lastWrite_[number] = r.lastWrite;
    attributes_[number] = r.attributes;
    if (dir && (flags_[number] & kReparse)) {
      reparse_.push_back({number, r.sequence, 1, r.reparseTag, r.reparseLcn});
    }
  } else {
    // An extension record lends its names, data and reparse point to its base record.
    flags_[number] = kInUse;
    if (ntfs::RecordOf(r.base) > 0xFFFFFFFEull) return;
    owner = static_cast<uint32_t>(ntfs::RecordOf(r.base));
    ownerSeq = ntfs::SequenceOf(r.base);
    if (r.hasData) {
      extensionSizes_.push_back({owner, ownerSeq, std::min(r.dataSize, kMaxFileSize),
                                 std::clamp<int64_t>(r.allocatedSize, 0, kMaxFileSize)});
    }
    if (r.hasReparsePoint) reparse_.push_back({owner, ownerSeq, 0, r.reparseTag, r.reparseLcn});
  }
  for (const ntfs::FileName& fn : r.names) {
    if (fn.nameSpace == ntfs::kNamespaceDos) continue;  // the short twin of a long name
    const uint64_t parent = ntfs::RecordOf(fn.parent);
    Link l{};
    l.record = owner;
    l.recordSeq = ownerSeq;
    l.parent = parent > 0xFFFFFFFEull ? kNone : static_cast<uint32_t>(parent);
    l.parentSeq = ntfs::SequenceOf(fn.parent);
    l.nameLen = fn.length;
    l.hasName = 1;
    l.nameOff = static_cast<uint32_t>(names_.size());
    names_.append(r.Name(fn));
    links_.push_back(l);
  }
}

bool MftTree::Valid(uint32_t record, uint16_t seq) const {
  return record < flags_.size() && (flags_[record] & (kInUse | kBase)) == (kInUse | kBase) &&
         (seq == 0 || seq_[record] == seq);
}

bool MftTree::IsDir(uint32_t record) const { return (flags_[record] & kDir) != 0; }

std::vector<MftTree::TagToRead> MftTree::TagsToRead() const {
  std::vector<TagToRead> out;
  for (size_t i = 0; i < reparse_.size(); ++i) {
    if (reparse_[i].tag == 0 && reparse_[i].lcn >= 0) out.push_back({i, reparse_[i].lcn});
  }
  return out;
}

void MftTree::SetReparseTag(size_t index, uint32_t tag) {
  if (index < reparse_.size()) reparse_[index].tag = tag;
}

MftTree::Failure MftTree::Build(const char16_t* upcase) { return Build(upcase, Progress{}); }

MftTree::Failure MftTree::Build(const char16_t* upcase, const Progress& progress) {
  nodes_.clear();
  children_.clear();
  files_.clear();
  upcase_.assign(upcase, upcase + 65536);
  // Every step counts; every `every` steps the caller has its say. Inside a sort the build
  // cannot stop, only after it.
  uint32_t steps = 0;
  bool stopped = false;
  const auto tick = [&] {
    if (!stopped && ++steps >= progress.every) {
      steps = 0;
      if (progress.tick && progress.tick(progress.ctx)) stopped = true;
    }
    return stopped;
  };
  if (!Valid(ntfs::kRootRecord, 0) || !IsDir(ntfs::kRootRecord)) {
    failedRecord_ = ntfs::kRootRecord;
    return Failure::NoRoot;
  }
  for (const ExtensionSize& e : extensionSizes_) {
    if (tick()) return Failure::Stopped;
    if (Valid(e.base, e.baseSeq)) {
      size_[e.base] = e.size;
      allocated_[e.base] = e.allocated;
    }
  }
  // A directory that is a reparse point (each one's base record is among them) is a link
  // unless its base record, or else an extension record of it, holds a tag of a directory that
  // is entered.
  std::sort(reparse_.begin(), reparse_.end(), [](const Reparse& a, const Reparse& b) {
    return a.record != b.record ? a.record < b.record : a.fromBase > b.fromBase;
  });
  for (size_t i = 0; i < reparse_.size();) {
    if (tick()) return Failure::Stopped;
    const uint32_t record = reparse_[i].record;
    uint32_t tag = 0;
    for (; i < reparse_.size() && reparse_[i].record == record; ++i) {
      if (tag == 0 && (reparse_[i].fromBase || Valid(record, reparse_[i].seq))) {
        tag = reparse_[i].tag;
      }
    }
    if (Valid(record, 0) && (flags_[record] & (kDir | kReparse)) == (kDir | kReparse) &&
        !os::EntersDirectory(os::kAttrReparsePoint, tag)) {
      flags_[record] |= kLink;
    }
  }

  // Directories: one node per directory record with a name, the first name it has (NTFS
  // gives a directory no second one but its DOS twin).
  std::vector<uint32_t> nodeOf(flags_.size(), kNone);
  std::vector<uint32_t> parentRecord;
  std::vector<uint16_t> parentSeq;
  nodes_.push_back(Node{ntfs::kRootRecord, kNone, 0, 0, 0, 0, 0, 0, 0, 0,
                        static_cast<uint8_t>(flags_[ntfs::kRootRecord] & kLink ? 1 : 0)});
  parentRecord.push_back(kNone);
  parentSeq.push_back(0);
  nodeOf[ntfs::kRootRecord] = 0;
  for (const Link& l : links_) {
    if (tick()) return Failure::Stopped;
    if (l.record < ntfs::kFirstUserRecord || !l.hasName || l.nameLen == 0 ||
        !Valid(l.record, l.recordSeq) ||
        !IsDir(l.record) || nodeOf[l.record] != kNone) {
      continue;
    }
    nodeOf[l.record] = static_cast<uint32_t>(nodes_.size());
    nodes_.push_back(Node{l.record, kNone, l.nameOff, 0, 0, 0, 0, 0, 0, l.nameLen,
                          static_cast<uint8_t>(flags_[l.record] & kLink ? 1 : 0)});
    parentRecord.push_back(l.parent);
    parentSeq.push_back(l.parentSeq);
  }
  const auto parentNode = [&](uint32_t record, uint16_t seq) {
    return Valid(record, seq) && IsDir(record) ? nodeOf[record] : kNone;
  };
  for (size_t i = 1; i < nodes_.size(); ++i) {
    if (tick()) return Failure::Stopped;
    nodes_[i].parent = parentNode(parentRecord[i], parentSeq[i]);
  }

  // Which directories lead up to the root; a walk up that meets itself is a loop.
  enum : uint8_t { kUnknown, kOnPath, kReached, kOrphan };
  std::vector<uint8_t> state(nodes_.size(), kUnknown);
  state[0] = kReached;
  std::vector<uint32_t> path;
  for (uint32_t i = 1; i < nodes_.size(); ++i) {
    uint32_t cur = i;
    path.clear();
    while (cur != kNone && state[cur] == kUnknown) {
      if (tick()) return Failure::Stopped;
      state[cur] = kOnPath;
      path.push_back(cur);
      cur = nodes_[cur].parent;
    }
    if (cur != kNone && state[cur] == kOnPath) {
      failedRecord_ = nodes_[cur].record;
      nodes_.clear();
      return Failure::Loop;
    }
    const uint8_t result = cur == kNone ? static_cast<uint8_t>(kOrphan) : state[cur];
    for (const uint32_t n : path) state[n] = result;
  }

  // Each directory's subdirectories, in the order the volume's indexes keep them.
  for (size_t i = 1; i < nodes_.size(); ++i) {
    if (tick()) return Failure::Stopped;
    if (state[i] == kReached) ++nodes_[nodes_[i].parent].childCount;
  }
  children_.resize(StartRuns(nodes_, &Node::firstChild, &Node::childCount));
  for (uint32_t i = 1; i < nodes_.size(); ++i) {
    if (tick()) return Failure::Stopped;
    if (state[i] != kReached) continue;
    Node& p = nodes_[nodes_[i].parent];
    children_[p.firstChild + p.childCount++] = i;
  }
  for (const Node& n : nodes_) {
    std::sort(children_.begin() + n.firstChild, children_.begin() + n.firstChild + n.childCount,
              [&](uint32_t a, uint32_t b) {
                tick();
                return ntfs::CollateNames(Name(a), Name(b), upcase) < 0;
              });
    if (tick()) return Failure::Stopped;
  }

  // Files: every name of theirs in a directory of the tree, grouped by directory and in each
  // directory in the order of its index.
  std::vector<uint32_t> fileNode;
  fileNode.reserve(links_.size());
  for (const Link& l : links_) {
    if (tick()) return Failure::Stopped;
    uint32_t p = kNone;
    if (l.record >= ntfs::kFirstUserRecord && l.nameLen != 0 && Valid(l.record, l.recordSeq) &&
        !IsDir(l.record) && l.parent != kNone) {
      p = parentNode(l.parent, l.parentSeq);
      if (p != kNone && state[p] != kReached) p = kNone;
    }
    fileNode.push_back(p);
    if (p == kNone) continue;
    Node& n = nodes_[p];
    if (n.ownFiles < std::numeric_limits<int32_t>::max()) ++n.ownFiles;
    n.ownBytes = AddBytes(n.ownBytes, size_[l.record]);
    ++n.fileCount;
  }
  files_.resize(StartRuns(nodes_, &Node::firstFile, &Node::fileCount));
  for (size_t i = 0; i < links_.size(); ++i) {
    if (tick()) return Failure::Stopped;
    if (fileNode[i] == kNone) continue;
    const Link& l = links_[i];
    Node& n = nodes_[fileNode[i]];
    files_[n.firstFile + n.fileCount++] = File{size_[l.record], allocated_[l.record],
                                               lastWrite_[l.record], attributes_[l.record],
                                               l.nameOff, l.nameLen};
  }
  std::vector<uint32_t>().swap(fileNode);
  for (const Node& n : nodes_) {
    std::sort(files_.begin() + n.firstFile, files_.begin() + n.firstFile + n.fileCount,
              [&](const File& a, const File& b) {
                tick();
                return ntfs::CollateNames(FileName(a), FileName(b), upcase) < 0;
              });
    if (tick()) return Failure::Stopped;
  }

  // What only the reading needed goes.
  std::vector<uint8_t>().swap(flags_);
  std::vector<uint16_t>().swap(seq_);
  std::vector<int64_t>().swap(size_);
  std::vector<int64_t>().swap(allocated_);
  std::vector<uint64_t>().swap(lastWrite_);
  std::vector<uint32_t>().swap(attributes_);
  std::vector<Link>().swap(links_);
  std::vector<ExtensionSize>().swap(extensionSizes_);
  std::vector<Reparse>().swap(reparse_);
  return Failure::None;
}

uint32_t MftTree::FindChild(uint32_t node, std::u16string_view name) const {
  uint32_t folded = kNone;
  for (const uint32_t c : Children(node)) {
    if (Name(c) == name) return c;
    if (folded == kNone && !upcase_.empty() && ntfs::EqualUpcased(Name(c), name, upcase_.data())) {
      folded = c;
    }
  }
  return folded;
}

size_t MftTree::MemoryBytes() const {
  return flags_.capacity() + seq_.capacity() * sizeof(uint16_t) +
         upcase_.capacity() * sizeof(char16_t) +
         size_.capacity() * sizeof(int64_t) + allocated_.capacity() * sizeof(int64_t) +
         lastWrite_.capacity() * sizeof(uint64_t) + attributes_.capacity() * sizeof(uint32_t) +
         files_.capacity() * sizeof(File) + links_.capacity() * sizeof(Link) +
         extensionSizes_.capacity() * sizeof(ExtensionSize) + reparse_.capacity() * sizeof(Reparse) +
         names_.capacity() * sizeof(char16_t) + nodes_.capacity() * sizeof(Node) +
         children_.capacity() * sizeof(uint32_t);
}

}  // namespace vardune
