// Comparing the results with an earlier export (see compare.h): both lists are seen as trees
// of directories (a directory's contents are the records whose Parent is its path), walked
// together from the compared directory down, and matched name by name at each level.
#include "scan/compare.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "os/text.h"

namespace vardune {

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

int64_t Bytes(int64_t size) { return size < 0 ? 0 : size; }

// The directories of a list by their paths: the records each one holds.
class Tree {
 public:
  explicit Tree(const PfadListe& l) : l_(l) {
    std::vector<uint32_t> groupOf(l.ParentCount(), UINT32_MAX);
    for (size_t i = 0; i < l.size(); ++i) {
      uint32_t& g = groupOf[l[i].Parent];
      if (g == UINT32_MAX) {
        const auto [it, fresh] =
            byPath_.try_emplace(l.Parent(i), static_cast<uint32_t>(groups_.size()));
        if (fresh) groups_.emplace_back();
        g = it->second;
      }
      groups_[g].push_back(static_cast<uint32_t>(i));
    }
  }

  // The records directly in the directory of path p (with its backslash).
  const std::vector<uint32_t>* Contents(std::wstring_view p) const {
    const auto it = byPath_.find(p);
    return it == byPath_.end() ? nullptr : &groups_[it->second];
  }

  // The path of a directory that the list holds, as the list writes it: the same text first,
  // then one that differs in letter case only. Empty when there is none.
  std::wstring Find(std::wstring_view p) const {
    if (RecordOf(p) != kNone) return std::wstring(p);
    // The directory that holds the top records without being one (the server of a server
    // scan); the one above a scanned directory is not of the results.
    const std::wstring root = RootPath();
    if (!root.empty() && EqualNoCase(root, p)) return root;
    for (size_t i = 0; i < l_.size(); ++i) {
      if (l_.Name(i) == kDateien) continue;
      const std::wstring own = l_.FullPath(i) + L'\\';
      if (EqualNoCase(own, p)) return own;
    }
    return {};
  }

  // The record of the directory of path p, kNone for none.
  size_t RecordOf(std::wstring_view p) const {
    const PathSplit s = SplitRecordPath(p);
    if (const std::vector<uint32_t>* in = Contents(s.Parent)) {
      for (uint32_t i : *in) {
        if (l_.Name(i) == s.Name) return i;
      }
    }
    return kNone;
  }

  // The path where the list's tree begins: the one directory at the top, or the directory
  // that holds the top records when there are several (the shares of a server).
  std::wstring RootPath() const {
    size_t best = kNone, depth = SIZE_MAX, count = 0;
    for (const auto& [path, g] : byPath_) {
      const size_t d = CountChar(path, L'\\');
      if (d < depth) {
        depth = d;
        best = g;
        count = 0;
      }
      if (d == depth) ++count;
    }
    if (best == kNone) return {};
    const std::vector<uint32_t>& top = groups_[best];
    size_t dirs = 0, dir = kNone;
    for (uint32_t i : top) {
      if (l_.Name(i) != kDateien) {
        ++dirs;
        dir = i;
      }
    }
    if (count == 1 && dirs == 1) return l_.FullPath(dir) + L'\\';
    return std::wstring(l_.Parent(top.front()));
  }

 private:
  const PfadListe& l_;
  std::unordered_map<std::wstring_view, uint32_t> byPath_;
  std::vector<std::vector<uint32_t>> groups_;
};

std::string_view BytesOf(std::wstring_view s) {
  return {reinterpret_cast<const char*>(s.data()), s.size() * sizeof(wchar_t)};
}

// Matches the entries of one directory then (e) and now (c) by name: the same name first,
// then among those left the same name in another letter case, as Windows sees them.
class NameMatcher {
 public:
  // exact(side, k): the name's bytes; folded(side, k): the name in one letter case.
  template <class Exact, class Folded>
  void Match(size_t nc, size_t ne, Exact exact, Folded folded, std::vector<uint32_t>& cToE) {
    cToE.assign(nc, UINT32_MAX);
    used_.assign(ne, 0);
    if (nc == 0 || ne == 0) return;
    // An export of the same tree lists most entries in the same order.
    size_t left = 0;
    for (size_t k = 0; k < std::min(nc, ne); ++k) {
      if (exact(0, k) == exact(1, k)) {
        cToE[k] = static_cast<uint32_t>(k);
        used_[k] = 1;
      } else {
        ++left;
      }
    }
    left += nc > ne ? nc - ne : 0;
    if (left == 0) return;
    map_.clear();
    for (size_t j = 0; j < ne; ++j) {
      if (!used_[j]) map_.emplace(exact(1, j), static_cast<uint32_t>(j));
    }
    size_t unmatched = 0;
    for (size_t k = 0; k < nc; ++k) {
      if (cToE[k] != UINT32_MAX) continue;
      const auto it = map_.find(exact(0, k));
      if (it != map_.end() && !used_[it->second]) {
        cToE[k] = it->second;
        used_[it->second] = 1;
      } else {
        ++unmatched;
      }
    }
    if (unmatched == 0) return;
    folded_.clear();
    for (size_t j = 0; j < ne; ++j) {
      if (!used_[j]) folded_.emplace_back(folded(1, j), static_cast<uint32_t>(j));
    }
    if (folded_.empty()) return;
    std::sort(folded_.begin(), folded_.end());
    for (size_t k = 0; k < nc; ++k) {
      if (cToE[k] != UINT32_MAX) continue;
      const std::wstring key = folded(0, k);
      auto it = std::lower_bound(folded_.begin(), folded_.end(),
                                 std::pair<std::wstring, uint32_t>(key, 0));
      for (; it != folded_.end() && it->first == key; ++it) {
        if (!used_[it->second]) {
          cToE[k] = it->second;
          used_[it->second] = 1;
          break;
        }
      }
    }
  }
  bool Used(size_t j) const { return used_[j] != 0; }

 private:
  std::vector<uint8_t> used_;
  std::unordered_map<std::string_view, uint32_t> map_;
  std::vector<std::pair<std::wstring, uint32_t>> folded_;
};

struct EarlierFile {
  std::string_view name;
  int64_t size;
};

class Comparer {
 public:
  Comparer(const PfadListe& now, const PfadListe& then, Comparison& out)
      : c_(now), e_(then), out_(out), ct_(now), et_(then) {}

  void Run(const std::wstring& earlierRoot) {
    const size_t n = c_.size();
    out_.Before.assign(n, kBeforeUncovered);
    out_.OneByOne.assign(n, false);
    markOff_ = MarkOffsets(c_);
    out_.Marks.assign(markOff_.empty() ? 0 : markOff_.back(), kFileUnknown);
    out_.ResizedFiles.clear();
    out_.Gone.clear();
    out_.GoneNames.clear();
    out_.EarlierRoot = earlierRoot;
    out_.OtherTree = false;

    // Where the two trees meet: the export's root in the results; else, for results of a
    // part of the exported tree, their root in the export; else the two roots.
    std::wstring cAnchor = ct_.Find(earlierRoot);
    std::wstring eAnchor = earlierRoot;
    if (cAnchor.empty()) {
      cAnchor = ct_.RootPath();
      if (cAnchor.size() >= earlierRoot.size() &&
          EqualNoCase(std::wstring_view(cAnchor).substr(0, earlierRoot.size()), earlierRoot)) {
        eAnchor = et_.Find(cAnchor);
      } else {
        out_.OtherTree = !cAnchor.empty();
      }
    }
    out_.Anchor = cAnchor;
    if (cAnchor.empty()) return;
    const size_t cRec = ct_.RecordOf(cAnchor);
    const size_t eRec = eAnchor.empty() ? kNone : et_.RecordOf(eAnchor);
    if (cRec != kNone) out_.Before[cRec] = eRec != kNone ? e_[eRec].Size : kBeforeAbsent;
    Walk(cAnchor, cRec, eAnchor, eRec, !eAnchor.empty());

    std::stable_sort(out_.Gone.begin(), out_.Gone.end(),
                     [](const GoneEntry& a, const GoneEntry& b) { return a.Rec < b.Rec; });
    std::sort(out_.ResizedFiles.begin(), out_.ResizedFiles.end(),
              [](const Comparison::Resized& a, const Comparison::Resized& b) { return a.Ord < b.Ord; });
    out_.Before.shrink_to_fit();
    out_.Gone.shrink_to_fit();
    out_.GoneNames.shrink_to_fit();
    out_.ResizedFiles.shrink_to_fit();
  }

 private:
  struct Step {
    std::wstring cPath;
    size_t cRec;
    std::wstring ePath;
    size_t eRec;
    bool hasEarlier;
  };

  void Walk(std::wstring cPath, size_t cRec, std::wstring ePath, size_t eRec, bool hasEarlier) {
    std::vector<Step> todo;
    todo.push_back(Step{std::move(cPath), cRec, std::move(ePath), eRec, hasEarlier});
    while (!todo.empty()) {
      Step s = std::move(todo.back());
      todo.pop_back();
      Level(s, todo);
    }
  }

  void AddGone(size_t cRec, std::wstring_view name, int64_t size, GoneKind kind) {
    const auto off = static_cast<uint32_t>(out_.GoneNames.size());
    AppendWtf8(out_.GoneNames, name);
    const size_t len = std::min<size_t>(out_.GoneNames.size() - off, 0xFFFF);
    out_.GoneNames.resize(off + len);
    out_.Gone.push_back(GoneEntry{cRec == kNone ? kGoneAtAnchor : static_cast<uint32_t>(cRec), off,
                                  size, static_cast<uint16_t>(len), kind});
  }

  // The files of a directory are known one by one (not only as the sum of a "<DATEIEN>"
  // record, as after a scan that keeps no files or an import of an older export).
  static bool KnownOneByOne(const PfadListe& l, size_t dirRec, size_t sumRec) {
    const uint32_t kept = dirRec == kNone ? 0 : l.FileStore().Count(l[dirRec].FileBlock);
    const int64_t counted = sumRec == kNone ? 0 : l[sumRec].Files;
    return kept >= counted;
  }

  void Level(const Step& s, std::vector<Step>& todo) {
    static const std::vector<uint32_t> kEmpty;
    const std::vector<uint32_t>* cIn = ct_.Contents(s.cPath);
    const std::vector<uint32_t>* eIn = s.hasEarlier ? et_.Contents(s.ePath) : nullptr;
    if (!cIn) cIn = &kEmpty;
    if (!eIn) eIn = &kEmpty;
    cDirs_.clear();
    eDirs_.clear();
    size_t cSum = kNone, eSum = kNone;
    for (uint32_t i : *cIn) {
      if (c_.Name(i) == kDateien) {
        if (cSum == kNone) cSum = i;
      } else {
        cDirs_.push_back(i);
      }
    }
    for (uint32_t j : *eIn) {
      if (e_.Name(j) == kDateien) {
        if (eSum == kNone) eSum = j;
      } else {
        eDirs_.push_back(j);
      }
    }
    const std::vector<uint32_t> cDirs = cDirs_;
    const std::vector<uint32_t> eDirs = eDirs_;
    matcher_.Match(
        cDirs.size(), eDirs.size(),
        [&](int side, size_t k) { return BytesOf(side == 0 ? c_.Name(cDirs[k]) : e_.Name(eDirs[k])); },
        [&](int side, size_t k) { return UpperText(side == 0 ? c_.Name(cDirs[k]) : e_.Name(eDirs[k])); },
        match_);
    const std::vector<uint32_t> cToE = match_;
    std::vector<uint8_t> eUsed(eDirs.size());
    for (size_t j = 0; j < eDirs.size(); ++j) eUsed[j] = matcher_.Used(j);
    for (size_t k = 0; k < cDirs.size(); ++k) {
      const uint32_t i = cDirs[k];
      const std::wstring below = c_.FullPath(i) + L'\\';
      if (cToE[k] == UINT32_MAX) {
        out_.Before[i] = kBeforeAbsent;
        if (c_[i].Size >= 0) todo.push_back(Step{below, i, {}, kNone, false});
        continue;
      }
      const uint32_t j = eDirs[cToE[k]];
      out_.Before[i] = e_[j].Size;
      // An unreadable directory has nothing below it, now or then.
      if (c_[i].Size < 0) continue;
      const bool earlier = e_[j].Size >= 0;
      todo.push_back(Step{below, i, earlier ? e_.FullPath(j) + L'\\' : std::wstring(), j, earlier});
    }
    if (s.hasEarlier) {
      for (size_t j = 0; j < eDirs.size(); ++j) {
        if (!eUsed[j]) AddGone(s.cRec, e_.Name(eDirs[j]), e_[eDirs[j]].Size, GoneKind::Dir);
      }
    }

    // The files directly in it.
    const bool cKnown = KnownOneByOne(c_, s.cRec, cSum);
    const bool eKnown = !s.hasEarlier || KnownOneByOne(e_, s.eRec, eSum);
    const bool oneByOne = cKnown && eKnown;
    if (cSum != kNone) {
      out_.Before[cSum] = eSum != kNone ? e_[eSum].Size : (s.hasEarlier ? 0 : kBeforeAbsent);
      out_.OneByOne[cSum] = oneByOne;
    } else if (eSum != kNone && !oneByOne && e_[eSum].Size > 0) {
      AddGone(s.cRec, kDateien, e_[eSum].Size, GoneKind::FileSum);
    }
    if (s.cRec == kNone) return;
    const uint32_t off = markOff_[s.cRec];
    const uint32_t count = c_.FileStore().Count(c_[s.cRec].FileBlock);
    if (!oneByOne) return;  // the marks stay kFileUnknown
    if (!s.hasEarlier || s.eRec == kNone) {
      std::fill_n(out_.Marks.begin() + off, count, static_cast<uint8_t>(kFileNew));
      return;
    }
    cFiles_.clear();
    c_.ForEachFile(s.cRec, [&](const FileRef& f) { cFiles_.push_back(EarlierFile{f.Name8(), f.size}); });
    eFiles_.clear();
    e_.ForEachFile(s.eRec, [&](const FileRef& f) { eFiles_.push_back(EarlierFile{f.Name8(), f.size}); });
    matcher_.Match(
        cFiles_.size(), eFiles_.size(),
        [&](int side, size_t k) { return side == 0 ? cFiles_[k].name : eFiles_[k].name; },
        [&](int side, size_t k) { return UpperText(FromWtf8(side == 0 ? cFiles_[k].name : eFiles_[k].name)); },
        match_);
    for (size_t k = 0; k < cFiles_.size(); ++k) {
      uint8_t mark = kFileNew;
      if (match_[k] != UINT32_MAX) {
        const int64_t then = eFiles_[match_[k]].size;
        const int64_t now = cFiles_[k].size;
        mark = now > then ? kFileGrown : now < then ? kFileShrunk : kFileSame;
        if (mark != kFileSame) {
          out_.ResizedFiles.push_back(Comparison::Resized{off + static_cast<uint32_t>(k), then});
        }
      }
      out_.Marks[off + k] = mark;
    }
    for (size_t j = 0; j < eFiles_.size(); ++j) {
      if (!matcher_.Used(j)) AddGone(s.cRec, FromWtf8(eFiles_[j].name), eFiles_[j].size, GoneKind::File);
    }
  }

  const PfadListe& c_;
  const PfadListe& e_;
  Comparison& out_;
  Tree ct_, et_;
  NameMatcher matcher_;
  std::vector<uint32_t> cDirs_, eDirs_, match_;
  std::vector<EarlierFile> cFiles_, eFiles_;
  std::vector<uint32_t> markOff_;
};

}  // namespace

bool Comparison::Covers(std::wstring_view dir) const {
  return !Anchor.empty() && dir.size() >= Anchor.size() &&
         EqualNoCase(dir.substr(0, Anchor.size()), Anchor);
}

int64_t Comparison::ResizedBefore(uint32_t ord) const {
  const auto it = std::lower_bound(ResizedFiles.begin(), ResizedFiles.end(), ord,
                                   [](const Resized& r, uint32_t o) { return r.Ord < o; });
  return it != ResizedFiles.end() && it->Ord == ord ? it->Before : 0;
}

std::wstring Comparison::GoneName(const GoneEntry& g) const {
  return FromWtf8(std::string_view(GoneNames).substr(g.NameOff, g.NameLen));
}

size_t Comparison::MemoryBytes() const {
  return Before.capacity() * sizeof(int64_t) + Marks.capacity() + OneByOne.capacity() / 8 + ResizedFiles.capacity() * sizeof(Resized) +
         Gone.capacity() * sizeof(GoneEntry) + GoneNames.capacity() +
         (Anchor.capacity() + EarlierRoot.capacity()) * sizeof(wchar_t);
}

std::vector<uint32_t> MarkOffsets(const PfadListe& now) {
  // One more than the records: the last is the number of files.
  std::vector<uint32_t> off(now.size() + 1, 0);
  uint32_t files = 0;
  for (size_t i = 0; i < now.size(); ++i) {
    off[i] = files;
    files += now.FileStore().Count(now[i].FileBlock);
  }
  off[now.size()] = files;
  return off;
}

void CompareWith(const PfadListe& now, const ImportResult& earlier, Comparison& out) {
  Comparer(now, earlier.Records, out).Run(earlier.Root);
  out.Timestamp = earlier.Timestamp;
  out.Changes = now.Changes();
}

bool CompareWithExport(const PfadListe& now, const ReadBytes& read, Comparison& out,
                       ImportError& err) {
  ImportResult earlier;
  if (!ReadNcduJson(read, earlier, err)) return false;
  CompareWith(now, earlier, out);
  return true;
}

int64_t ChangeRow::Growth() const {
  const int64_t now = Now == kBeforeAbsent ? 0 : Bytes(Now);
  const int64_t then = Before == kBeforeAbsent ? 0 : Bytes(Before);
  return now - then;
}

std::vector<ChangeRow> ChangesBelow(const PfadListe& now, const Comparison& cmp,
                                    std::wstring_view dir, size_t max) {
  std::vector<ChangeRow> rows;
  if (cmp.Changes != now.Changes() || cmp.Before.size() != now.size() || !cmp.Covers(dir)) {
    return rows;
  }
  // A candidate before it becomes a row: what it is and how much it grew.
  enum Kind : uint8_t { kRecord, kFile, kGoneEntry };
  struct Cand {
    int64_t growth;
    uint32_t a, b;
    Kind kind;
  };
  std::vector<Cand> cands;
  const size_t dirRec = FindRecordOf(now, dir);
  const std::vector<uint32_t> markOff = MarkOffsets(now);

  // The records below, once: which of them are new directories (whose contents are not
  // repeated).
  std::vector<uint32_t> below;
  std::vector<int8_t> under(now.ParentCount(), -1);
  std::unordered_set<std::wstring> newDirs;
  for (size_t i = 0; i < now.size(); ++i) {
    int8_t& u = under[now[i].Parent];
    if (u < 0) u = now.Parent(i).starts_with(dir) ? 1 : 0;
    if (!u || cmp.Before[i] == kBeforeUncovered) continue;
    below.push_back(static_cast<uint32_t>(i));
    if (cmp.Before[i] == kBeforeAbsent && now.Name(i) != kDateien) newDirs.insert(now.FullPath(i) + L'\\');
  }
  std::vector<int8_t> inNew(now.ParentCount(), -1);
  const auto insideNew = [&](size_t i) {
    int8_t& v = inNew[now[i].Parent];
    if (v < 0) v = newDirs.count(std::wstring(now.Parent(i))) ? 1 : 0;
    return v == 1;
  };
  const auto files = [&](size_t i) {
    const uint32_t off = markOff[i];
    // Most directories have no changed file: their files are not even read.
    const auto changedMark = [](uint8_t m) { return m != kFileSame && m != kFileUnknown; };
    if (std::none_of(cmp.Marks.begin() + off, cmp.Marks.begin() + markOff[i + 1], changedMark)) return;
    uint32_t k = 0;
    now.ForEachFile(i, [&](const FileRef& f) {
      const uint32_t at = k++;
      const uint8_t m = cmp.Marks[off + at];
      if (m == kFileSame || m == kFileUnknown) return;
      const int64_t then = m == kFileNew ? 0 : Bytes(cmp.ResizedBefore(off + at));
      cands.push_back(Cand{Bytes(f.size) - then, static_cast<uint32_t>(i), at, kFile});
    });
  };
  const auto gone = [&](uint32_t rec) {
    auto it = std::lower_bound(cmp.Gone.begin(), cmp.Gone.end(), rec,
                               [](const GoneEntry& g, uint32_t r) { return g.Rec < r; });
    for (; it != cmp.Gone.end() && it->Rec == rec; ++it) {
      cands.push_back(Cand{0, static_cast<uint32_t>(it - cmp.Gone.begin()), 0, kGoneEntry});
    }
  };
  if (dirRec != PfadListe::npos) {
    files(dirRec);
    gone(static_cast<uint32_t>(dirRec));
  } else if (EqualNoCase(dir, cmp.Anchor)) {
    gone(kGoneAtAnchor);
  }
  for (uint32_t i : below) {
    if (insideNew(i)) continue;
    const int64_t then = cmp.Before[i];
    const int64_t size = now[i].Size;
    const bool isSum = now.Name(i) == kDateien;
    const bool changed = then == kBeforeAbsent || (size < 0) != (then < 0) || size != then;
    if (changed && !(isSum && cmp.OneByOne[i])) cands.push_back(Cand{0, i, 0, kRecord});
    if (!isSum && size >= 0 && then != kBeforeAbsent) {
      files(i);
      gone(i);
    }
  }

  // What each candidate is, as a row; the names are made only for the rows kept.
  const auto rowOf = [&](const Cand& c, bool named) {
    ChangeRow r;
    switch (c.kind) {
      case kRecord:
        r.Now = now[c.a].Size;
        r.Before = cmp.Before[c.a];
        r.IsDir = now.Name(c.a) != kDateien;
        r.Rec = c.a;
        if (named) {
          r.Name = now.Name(c.a);
          r.Dir = now.Parent(c.a);
        }
        break;
      case kFile: {
        // The size and name come from the record's files, read once for all its rows.
        const uint32_t ord = markOff[c.a] + c.b;
        r.Rec = c.a;
        r.File = c.b;
        r.Before = cmp.Marks[ord] == kFileNew ? kBeforeAbsent : cmp.ResizedBefore(ord);
        r.Now = r.Before == kBeforeAbsent ? c.growth : c.growth + Bytes(r.Before);
        if (named) r.Dir = now.FullPath(c.a) + L'\\';
        break;
      }
      case kGoneEntry: {
        const GoneEntry& g = cmp.Gone[c.a];
        r.Now = kBeforeAbsent;
        r.Before = g.Size;
        r.IsDir = g.Kind == GoneKind::Dir;
        if (named) {
          r.Name = g.Kind == GoneKind::FileSum ? std::wstring(kDateien) : cmp.GoneName(g);
          r.Dir = g.Rec == kGoneAtAnchor ? cmp.Anchor : now.FullPath(g.Rec) + L'\\';
        }
        break;
      }
    }
    return r;
  };
  for (Cand& c : cands) {
    if (c.kind != kFile) c.growth = rowOf(c, false).Growth();
  }
  if (cands.size() > max) {
    const auto most = [](const Cand& a, const Cand& b) {
      const uint64_t x = a.growth < 0 ? 0 - static_cast<uint64_t>(a.growth) : static_cast<uint64_t>(a.growth);
      const uint64_t y = b.growth < 0 ? 0 - static_cast<uint64_t>(b.growth) : static_cast<uint64_t>(b.growth);
      return x > y;
    };
    std::nth_element(cands.begin(), cands.begin() + static_cast<std::ptrdiff_t>(max), cands.end(), most);
    cands.resize(max);
  }
  rows.reserve(cands.size());
  std::unordered_map<uint32_t, std::vector<std::pair<uint32_t, size_t>>> fileRows;
  for (const Cand& c : cands) {
    if (c.kind == kFile) fileRows[c.a].emplace_back(c.b, rows.size());
    rows.push_back(rowOf(c, true));
  }
  for (auto& entry : fileRows) {
    // A plain reference: clang before 16 lets no lambda capture a structured binding.
    std::vector<std::pair<uint32_t, size_t>>& wanted = entry.second;
    const uint32_t rec = entry.first;
    std::sort(wanted.begin(), wanted.end());
    size_t next = 0;
    uint32_t k = 0;
    now.ForEachFile(rec, [&](const FileRef& f) {
      for (; next < wanted.size() && wanted[next].first == k; ++next) {
        ChangeRow& r = rows[wanted[next].second];
        r.Name = FileNameOf(f);
        r.Now = f.size;
      }
      ++k;
    });
  }
  std::sort(rows.begin(), rows.end(), [](const ChangeRow& a, const ChangeRow& b) {
    if (a.Growth() != b.Growth()) return a.Growth() > b.Growth();
    const int d = CompareNoCase(a.Dir, b.Dir);
    if (d != 0) return d < 0;
    return CompareNoCase(a.Name, b.Name) < 0;
  });
  return rows;
}

bool WriteChangesCsv(const PfadListe& now, const Comparison& cmp, const WriteBytes& sink) {
  std::string out = "\xEF\xBB\xBF" "Pfad;Änderung Bytes;Jetzt Bytes;Vorher Bytes;Art\r\n";
  const auto size = [&](int64_t v) {
    if (v >= 0) out += std::to_string(v);
  };
  for (const ChangeRow& r : ChangesBelow(now, cmp, cmp.Anchor, SIZE_MAX)) {
    std::string path = ToUtf8(r.Dir + r.Name);
    if (r.IsDir) path += '\\';
    if (path.find_first_of("=+-@\t\r") == 0) path.insert(0, 1, '\'');
    if (path.find_first_of(";\"\r\n") != std::string::npos) {
      std::string q = "\"";
      for (char c : path) {
        if (c == '"') q += '"';
        q += c;
      }
      path = q + '"';
    }
    out += path;
    out += ';';
    out += std::to_string(r.Growth());
    out += ';';
    size(r.Now);
    out += ';';
    size(r.Before);
    out += ';';
    if (r.Before == kBeforeAbsent) {
      out += "neu";
    } else if (r.Now == kBeforeAbsent) {
      out += "weg";
    } else if (r.Now < 0 || r.Before < 0) {
      out += "ERROR";
    } else {
      out += r.Growth() >= 0 ? "gewachsen" : "geschrumpft";
    }
    out += "\r\n";
    if (out.size() >= (size_t{1} << 20)) {
      if (!sink(out)) return false;
      out.clear();
    }
  }
  return out.empty() || sink(out);
}

}  // namespace vardune
