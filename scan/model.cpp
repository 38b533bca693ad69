// The scan result list (see model.h): storage, sorting and the lookups on it.
#include "scan/model.h"

#include <algorithm>
#include <numeric>

#include "os/text.h"

namespace vardune {

PfadListe Pfade;

std::wstring PfadListe::FullPath(size_t i) const {
  std::wstring s(Parent(i));
  s.append(Name(i));
  return s;
}

Pfad PfadListe::Get(size_t i) const {
  const Rec& r = recs_[i];
  return Pfad{std::wstring(Parent(i)), std::wstring(Name(i)), r.Size, r.Dirs, r.Files, r.Bup,
              files_.Files(r.FileBlock)};
}

PfadListe::ParentId PfadListe::AddParent(std::wstring_view parent) {
  const auto off = static_cast<uint32_t>(ptext_.size());
  ptext_.insert(ptext_.end(), parent.begin(), parent.end());
  parents_.push_back(Span{off, static_cast<uint32_t>(parent.size())});
  return static_cast<ParentId>(parents_.size() - 1);
}

void PfadListe::Append(ParentId parent, std::wstring_view name, int64_t size, int32_t dirs,
                       int32_t files, FileTable::BlockId fileBlock) {
  // Windows names are at most 255 code units; a longer one is cut rather than wrapped.
  if (name.size() > 0xFFFF) name = name.substr(0, 0xFFFF);
  const auto off = static_cast<uint32_t>(names_.size());
  names_.insert(names_.end(), name.begin(), name.end());
  liveNameChars_ += name.size();
  ++changes_;
  recs_.push_back(
      Rec{size, dirs, files, parent, off, static_cast<uint16_t>(name.size()), 0, fileBlock});
}

void PfadListe::SetFiles(size_t i, FileTable::BlockId block) {
  files_.Release(recs_[i].FileBlock);
  recs_[i].FileBlock = block;
  ++changes_;
  if (files_.Wasteful()) CompactFiles();
}

PfadListe& PfadListe::operator=(PfadListe&& o) noexcept {
  if (this == &o) return *this;
  const uint64_t changes = std::max(changes_, o.changes_) + 1;
  recs_ = std::move(o.recs_);
  names_ = std::move(o.names_);
  ptext_ = std::move(o.ptext_);
  parents_ = std::move(o.parents_);
  files_ = std::move(o.files_);
  liveNameChars_ = o.liveNameChars_;
  changes_ = changes;
  o.Clear();
  return *this;
}

void PfadListe::Append(const Pfad& p) {
  ParentId id;
  if (!recs_.empty() && Parent(recs_.size() - 1) == p.Parent) {
    id = recs_.back().Parent;
  } else {
    id = AddParent(p.Parent);
  }
  FileTable::BlockId block = FileTable::kNone;
  if (!p.FileList.empty()) {
    FileBlockBuilder b;
    for (const FileInfo& f : p.FileList) b.Add(f);
    block = files_.Add(b);
  }
  Append(id, p.Name, p.Size, p.Dirs, p.Files, block);
  recs_.back().Bup = p.Bup;
}

void PfadListe::Clear() {
  // Release the memory too: a new scan of another tree starts from nothing.
  std::vector<Rec>().swap(recs_);
  std::vector<wchar_t>().swap(names_);
  std::vector<wchar_t>().swap(ptext_);
  std::vector<Span>().swap(parents_);
  files_.Clear();
  liveNameChars_ = 0;
  ++changes_;
}

void PfadListe::CompactIfWasteful() {
  // Removed records leave their texts behind; rebuild once they are more than half.
  if (names_.size() > 2 * liveNameChars_ + 4096 || parents_.size() > 2 * recs_.size() + 1024) {
    Compact();
  }
  if (files_.Wasteful()) CompactFiles();
}

void PfadListe::CompactFiles() {
  FileTable fresh;
  for (Rec& r : recs_) r.FileBlock = fresh.CopyFrom(files_, r.FileBlock);
  fresh.Trim();
  files_ = std::move(fresh);
}

void PfadListe::Compact() {
  std::vector<wchar_t> names;
  names.reserve(liveNameChars_);
  std::vector<ParentId> remap(parents_.size(), UINT32_MAX);
  std::vector<Span> parents;
  std::vector<wchar_t> ptext;
  for (Rec& r : recs_) {
    const auto off = static_cast<uint32_t>(names.size());
    names.insert(names.end(), names_.begin() + r.NameOff, names_.begin() + r.NameOff + r.NameLen);
    r.NameOff = off;
    ParentId& m = remap[r.Parent];
    if (m == UINT32_MAX) {
      const Span s = parents_[r.Parent];
      m = static_cast<ParentId>(parents.size());
      parents.push_back(Span{static_cast<uint32_t>(ptext.size()), s.len});
      ptext.insert(ptext.end(), ptext_.begin() + s.off, ptext_.begin() + s.off + s.len);
    }
    r.Parent = m;
  }
  names.shrink_to_fit();
  ptext.shrink_to_fit();
  parents.shrink_to_fit();
  names_.swap(names);
  ptext_.swap(ptext);
  parents_.swap(parents);
  liveNameChars_ = names_.size();
}

void PfadListe::SortByParent() {
  if (recs_.empty()) return;
  ++changes_;
  // Rank the parent texts in use (texts equal ignoring case share a rank), then place the
  // records by rank with a counting sort, which keeps the appended order within a rank.
  std::vector<uint8_t> used(parents_.size(), 0);
  for (const Rec& r : recs_) used[r.Parent] = 1;
  std::vector<ParentId> ids;
  for (ParentId i = 0; i < parents_.size(); ++i) {
    if (used[i]) ids.push_back(i);
  }
  std::sort(ids.begin(), ids.end(), [&](ParentId a, ParentId b) {
    const int c = CompareNoCase(ParentText(a), ParentText(b));
    return c != 0 ? c < 0 : a < b;
  });
  std::vector<uint32_t> rank(parents_.size(), 0);
  uint32_t r = 0;
  for (size_t k = 0; k < ids.size(); ++k) {
    if (k > 0 && CompareNoCase(ParentText(ids[k - 1]), ParentText(ids[k])) != 0) ++r;
    rank[ids[k]] = r;
  }
  std::vector<uint32_t> start(static_cast<size_t>(r) + 2, 0);
  for (const Rec& rec : recs_) ++start[rank[rec.Parent] + 1];
  std::partial_sum(start.begin(), start.end(), start.begin());
  std::vector<Rec> sorted(recs_.size());
  for (const Rec& rec : recs_) sorted[start[rank[rec.Parent]]++] = rec;
  recs_.swap(sorted);
  // The sort is the last step of every scan: give back the slack of the growing vectors.
  if (names_.size() > liveNameChars_ || parents_.size() > ids.size()) {
    Compact();
  } else {
    names_.shrink_to_fit();
    ptext_.shrink_to_fit();
    parents_.shrink_to_fit();
  }
  recs_.shrink_to_fit();
  files_.Trim();
}

size_t PfadListe::MemoryBytes() const {
  return sizeof(*this) + recs_.capacity() * sizeof(Rec) + names_.capacity() * sizeof(wchar_t) +
         ptext_.capacity() * sizeof(wchar_t) + parents_.capacity() * sizeof(Span) +
         files_.MemoryBytes() - sizeof(files_);
}

std::wstring _AddBackslash(std::wstring_view path) {
  std::wstring s(path);
  if (s.empty() || s.back() != L'\\') s += L'\\';
  return s;
}

std::wstring_view StripBackslashes(std::wstring_view p) {
  while (!p.empty() && p.back() == L'\\') p.remove_suffix(1);
  return p;
}

namespace {

// Length of the part of a normalised path that "." and ".." never reach: "C:\" of a drive
// path, "\\server\share\" of a network path; 0 for any other form, which is left alone.
size_t RootLength(std::wstring_view p) {
  if (p.size() >= 3 && p[1] == L':' && p[2] == L'\\') return 3;
  if (!p.starts_with(L"\\\\")) return 0;
  const size_t server = p.find(L'\\', 2);
  if (server == std::wstring_view::npos || server == 2) return 0;
  const size_t share = p.find(L'\\', server + 1);
  if (share == std::wstring_view::npos || share == server + 1) return 0;
  return share + 1;
}

}  // namespace

std::wstring NormalizeEnteredPath(std::wstring_view path) {
  std::wstring p(path);
  std::replace(p.begin(), p.end(), L'/', L'\\');
  const size_t keep = p.starts_with(L"\\\\") ? 2 : 0;
  std::wstring out = p.substr(0, keep);
  for (size_t i = keep; i < p.size(); ++i) {
    if (p[i] == L'\\' && out.size() > keep && out.back() == L'\\') continue;
    out += p[i];
  }
  const size_t root = RootLength(out);
  if (root == 0) return out;
  std::vector<std::wstring_view> parts;
  const std::wstring_view rest = std::wstring_view(out).substr(root);
  bool dirEnd = rest.empty() || rest.back() == L'\\';
  for (size_t start = 0; start < rest.size();) {
    size_t end = rest.find(L'\\', start);
    if (end == std::wstring_view::npos) end = rest.size();
    const std::wstring_view part = rest.substr(start, end - start);
    start = end + 1;
    const bool last = start >= rest.size();
    if (part == L".") {
      if (last) dirEnd = true;
    } else if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
      if (last) dirEnd = true;
    } else {
      parts.push_back(part);
    }
  }
  std::wstring result = out.substr(0, root);
  for (size_t k = 0; k < parts.size(); ++k) {
    result += parts[k];
    if (k + 1 < parts.size() || dirEnd) result += L'\\';
  }
  return result;
}

std::wstring CollapseTrailingBackslashes(std::wstring_view path) {
  size_t end = path.size();
  while (end > 0 && path[end - 1] == L'\\') --end;
  if (end == 0 || end + 1 >= path.size()) return std::wstring(path);
  return std::wstring(path.substr(0, end + 1));
}

PathSplit SplitRecordPath(std::wstring_view p) {
  const std::wstring_view q = StripBackslashes(p);
  const size_t k = q.rfind(L'\\');
  if (k == std::wstring_view::npos) return {std::wstring_view(), q};
  return {q.substr(0, k + 1), q.substr(k + 1)};
}

size_t FindRecord(const PfadListe& list, std::wstring_view parent, std::wstring_view name) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (list.Name(i) == name && list.Parent(i) == parent) return i;
  }
  return PfadListe::npos;
}

size_t FindRecordOf(const PfadListe& list, std::wstring_view p) {
  const PathSplit s = SplitRecordPath(p);
  return FindRecord(list, s.Parent, s.Name);
}

std::vector<size_t> ContentsOf(const PfadListe& list, std::wstring_view p) {
  std::vector<size_t> out;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list.Parent(i) == p) out.push_back(i);
  }
  return out;
}

std::vector<size_t> SubtreeOf(const PfadListe& list, std::wstring_view p) {
  const std::wstring withSlash = _AddBackslash(StripBackslashes(p));
  const PathSplit s = SplitRecordPath(p);
  std::vector<size_t> out;
  for (size_t i = 0; i < list.size(); ++i) {
    const std::wstring_view parent = list.Parent(i);
    if (parent.starts_with(withSlash) || (parent == s.Parent && list.Name(i) == s.Name)) {
      out.push_back(i);
    }
  }
  return out;
}

void ClearPfade(PfadListe& list, std::wstring_view p) {
  const std::wstring_view q = StripBackslashes(p);
  if (q.size() <= 3) {
    list.Clear();
    return;
  }
  const std::wstring below = std::wstring(q) + L'\\';
  const PathSplit own = SplitRecordPath(q);
  // The Parent test is the same for every record of one parent: decide it once per parent.
  std::vector<int8_t> below_parent(list.ParentCount(), -1);
  const size_t removed = list.KeepIf([&](size_t i) {
    int8_t& b = below_parent[list[i].Parent];
    if (b < 0) b = list.Parent(i).starts_with(below) ? 1 : 0;
    if (b == 1) return false;
    return !(list.Parent(i) == own.Parent && list.Name(i) == own.Name);
  });
  if (removed == 0) list.Clear();
}

void _ClearPfade(std::wstring_view p) { ClearPfade(Pfade, p); }

}  // namespace vardune
