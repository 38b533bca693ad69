// Which scan records the backup sets cover: rule (a), a record whose full path contains an
// entry's path, and rule (b), bottom-up, a directory whose contents are all covered.
#include "sets/reconcile.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <unordered_set>

#include "sets/store.h"

namespace vardune {

std::vector<std::wstring> BipDirs;

namespace {

inline uint32_t Unit(wchar_t c) {
  return static_cast<uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(c));
}

// Aho-Corasick automaton of all entry paths as one table: state x character class -> state.
// Only the characters that occur in some path get a class of their own; every other
// character leads back to the start. "Hit" states are those where some path ends.
class PathMatcher {
 public:
  // False when the table would grow too large (many long paths with many distinct
  // characters); the caller then searches each path on its own.
  bool Build(const std::vector<Pfad>& entries) {
    std::vector<std::wstring_view> pats;
    for (const Pfad& e : entries) {
      if (!e.Parent.empty()) pats.push_back(e.Parent);
    }
    empty_ = pats.empty();
    if (empty_) return true;
    // Character classes.
    small_.assign(0x10000, 0);
    wide_.clear();
    classes_ = 1;
    size_t chars = 0;
    for (auto p : pats) {
      chars += p.size();
      for (wchar_t c : p) {
        if (ClassOf(c) == 0) AddClass(c);
      }
    }
    const size_t states = chars + 1;
    if (states * classes_ > (size_t{1} << 22)) return false;
    // Trie with dense rows, filled to a complete automaton breadth first.
    next_.assign(classes_, -1);
    hit_.assign(1, 0);
    for (auto p : pats) {
      int32_t s = 0;
      for (wchar_t c : p) {
        const size_t k = static_cast<size_t>(s) * classes_ + ClassOf(c);
        if (next_[k] < 0) {
          next_[k] = static_cast<int32_t>(hit_.size());
          hit_.push_back(0);
          next_.resize(next_.size() + classes_, -1);
        }
        s = next_[k];
      }
      hit_[s] = 1;
    }
    std::vector<int32_t> fail(hit_.size(), 0);
    std::vector<int32_t> queue;
    queue.reserve(hit_.size());
    for (uint32_t c = 0; c < classes_; ++c) {
      int32_t& t = next_[c];
      if (t < 0) {
        t = 0;
      } else {
        fail[t] = 0;
        queue.push_back(t);
      }
    }
    for (size_t q = 0; q < queue.size(); ++q) {
      const int32_t u = queue[q];
      hit_[u] = hit_[u] | hit_[fail[u]];
      for (uint32_t c = 0; c < classes_; ++c) {
        int32_t& t = next_[static_cast<size_t>(u) * classes_ + c];
        const int32_t viaFail = next_[static_cast<size_t>(fail[u]) * classes_ + c];
        if (t < 0) {
          t = viaFail;
        } else {
          fail[t] = viaFail;
          queue.push_back(t);
        }
      }
    }
    return true;
  }

  bool Empty() const { return empty_; }

  // Feeds the text from state s; true when a path ends anywhere inside (s is updated).
  bool Feed(int32_t& s, std::wstring_view text) const {
    bool hit = false;
    for (wchar_t c : text) {
      s = next_[static_cast<size_t>(s) * classes_ + ClassOf(c)];
      hit = hit || hit_[s];
    }
    return hit;
  }

 private:
  uint32_t ClassOf(wchar_t c) const {
    const uint32_t u = Unit(c);
    if (u < 0x10000) return small_[u];
    for (const auto& [ch, k] : wide_) {
      if (ch == u) return k;
    }
    return 0;
  }
  void AddClass(wchar_t c) {
    const uint32_t u = Unit(c);
    if (u < 0x10000) small_[u] = classes_;
    else wide_.emplace_back(u, classes_);
    ++classes_;
  }

  bool empty_ = true;
  uint32_t classes_ = 1;
  std::vector<uint32_t> small_;
  std::vector<std::pair<uint32_t, uint32_t>> wide_;  // code units past 16 bits (host build)
  std::vector<int32_t> next_;
  std::vector<uint8_t> hit_;
};

// Rule (a) for every record: the full path contains some entry's path.
void MarkBySubstring(PfadListe& list, const std::vector<Pfad>& entries) {
  PathMatcher m;
  if (m.Build(entries)) {
    if (m.Empty()) return;
    // All records of one directory share their parent text: it is matched once.
    struct ParentState {
      int32_t state = -1;
      bool hit = false;
    };
    std::vector<ParentState> parents(list.ParentCount());
    for (size_t i = 0; i < list.size(); ++i) {
      ParentState& p = parents[list[i].Parent];
      if (p.state < 0) {
        p.state = 0;
        p.hit = m.Feed(p.state, list.Parent(i));
      }
      int32_t s = p.state;
      if (p.hit || m.Feed(s, list.Name(i))) list[i].Bup = 1;
    }
    return;
  }
  std::wstring full;
  for (size_t i = 0; i < list.size(); ++i) {
    full.assign(list.Parent(i));
    full.append(list.Name(i));
    for (const Pfad& e : entries) {
      if (!e.Parent.empty() && full.find(e.Parent) != std::wstring::npos) {
        list[i].Bup = 1;
        break;
      }
    }
  }
}

}  // namespace

int _BipHas(std::wstring_view text) {
  return std::find(BipDirs.begin(), BipDirs.end(), text) != BipDirs.end() ? 1 : 0;
}

bool EntriesContain(const std::vector<Pfad>& entries, std::wstring_view text) {
  if (text.empty()) return false;
  for (const Pfad& e : entries) {
    if (e.Parent.find(text) != std::wstring::npos) return true;
  }
  return false;
}

int _SetsPathContains(std::wstring_view text) { return EntriesContain(BupPfade, text) ? 1 : 0; }

void MarkCovered(PfadListe& list, const std::vector<Pfad>& entries) {
  BipDirs.clear();
  for (size_t i = 0; i < list.size(); ++i) list[i].Bup = 0;
  MarkBySubstring(list, entries);
  if (list.empty()) return;

  // Rule (b). BipDirs is searched for every record: a hash set holds the same texts.
  std::unordered_set<std::wstring> bip;
  std::wstring full;
  auto inBip = [&](size_t i) {
    if (bip.empty()) return false;
    full.assign(list.Parent(i));
    full.append(list.Name(i));
    return bip.count(full) != 0;
  };
  std::wstring lastDir;
  PfadListe::ParentId lastId = 0;
  bool haveLastId = false;
  uint8_t allIn = 0;
  for (size_t i = list.size(); i-- > 0;) {
    PfadListe::Rec& r = list[i];
    if (!r.Bup && inBip(i)) r.Bup = 1;
    const bool sameGroup =
        (haveLastId && r.Parent == lastId) || list.Parent(i) == std::wstring_view(lastDir);
    if (sameGroup) {
      allIn = allIn & r.Bup;
      continue;
    }
    if (allIn && EntriesContain(entries, lastDir)) {
      std::wstring dir = lastDir;
      if (!dir.empty() && dir.back() == L'\\') dir.pop_back();
      BipDirs.push_back(dir);
      bip.insert(std::move(dir));
      if (!r.Bup && inBip(i)) r.Bup = 1;
    }
    lastDir.assign(list.Parent(i));
    lastId = r.Parent;
    haveLastId = true;
    allIn = r.Bup;
  }
}

}  // namespace vardune
