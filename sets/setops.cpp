// The operations on set names and entries that need no window: lookups with their comparison
// rules (names ignoring case, paths exactly), renaming, deleting, the size refresh from the
// scan results and what the window shows for one set.
#include <algorithm>
#include <cstddef>
#include <unordered_map>

#include "os/text.h"
#include "sets/ops.h"
#include "sets/store.h"

namespace vardune {

namespace {

// The name that the last successful _SetExists found.
size_t gCurrentSet = 0;

}  // namespace

int _SetExists(std::wstring_view name) {
  for (size_t i = 0; i < BupSets.size(); ++i) {
    if (EqualNoCase(BupSets[i], name)) {
      gCurrentSet = i;
      return 1;
    }
  }
  return 0;
}

void _SetAddRename(std::wstring_view newNameIn, std::wstring_view oldIn) {
  // The texts may point into the lists that change below.
  const std::wstring newName(newNameIn);
  const std::wstring old(oldIn);
  if (old.empty()) {
    if (!_SetExists(newName)) BupSets.push_back(newName);
    return;
  }
  if (!_SetExists(old)) return;
  BupSets[gCurrentSet] = newName;
  for (Pfad& e : BupPfade) {
    if (EqualNoCase(e.Name, old)) e.Name = newName;
  }
}

int _SetHasPath(std::wstring_view set, std::wstring_view path) {
  for (const Pfad& e : BupPfade) {
    if (e.Name == set && e.Parent == path) return 1;
  }
  return 0;
}

void DeleteSetAndEntries(std::wstring_view nameIn) {
  const std::wstring name(nameIn);
  if (_SetExists(name)) BupSets.erase(BupSets.begin() + static_cast<ptrdiff_t>(gCurrentSet));
  std::erase_if(BupPfade, [&](const Pfad& e) { return EqualNoCase(e.Name, name); });
}

bool RemoveSetEntry(std::wstring_view set, std::wstring_view path) {
  for (auto it = BupPfade.begin(); it != BupPfade.end(); ++it) {
    if (it->Name == set && it->Parent == path) {
      BupPfade.erase(it);
      return true;
    }
  }
  return false;
}

std::wstring CleanSetName(std::wstring_view answer) {
  std::wstring s;
  s.reserve(answer.size());
  for (wchar_t c : answer) {
    if (c != L'|' && c != L'\r' && c != L'\n') s += c;
  }
  return s;
}

void SortSetNames() {
  std::stable_sort(BupSets.begin(), BupSets.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareNoCase(a, b) < 0;
  });
}

void CollectSetNames() {
  for (size_t i = 0; i < BupPfade.size(); ++i) {
    const std::wstring set = BupPfade[i].Name;
    if (!_SetExists(set)) _SetAddRename(set, L"");
  }
}

void TakeSizesFrom(const PfadListe& list, std::vector<Pfad>& entries) {
  if (entries.empty()) return;
  std::stable_sort(entries.begin(), entries.end(), [](const Pfad& a, const Pfad& b) {
    return CompareNoCase(a.Parent, b.Parent) < 0;
  });
  // The entries by the name part of their path; a record is looked at only when its Name is
  // one of them.
  struct Want {
    size_t entry;
    std::wstring dir;
    bool found;
  };
  std::unordered_map<std::wstring, std::vector<Want>> byName;
  for (size_t k = 0; k < entries.size(); ++k) {
    const std::wstring& p = entries[k].Parent;
    const size_t cut = p.find_last_of(L"\\/");
    const size_t split = cut == std::wstring::npos ? 0 : cut + 1;
    byName[p.substr(split)].push_back(Want{k, p.substr(0, split), false});
  }
  std::wstring name;
  for (size_t i = 0; i < list.size(); ++i) {
    name.assign(list.Name(i));
    auto it = byName.find(name);
    if (it == byName.end()) continue;
    for (Want& w : it->second) {
      if (!w.found && list.Parent(i) == std::wstring_view(w.dir)) {
        entries[w.entry].Size = list[i].Size;
        w.found = true;
      }
    }
  }
}

SetView ViewOfSet(std::wstring_view set) {
  SetView v;
  int64_t total = 0;
  for (const Pfad& e : BupPfade) {
    if (e.Name != set) continue;
    v.Rows.emplace_back(e.Parent, GroupThousands(std::to_wstring(e.Size / 1024)));
    total += e.Size;
  }
  v.Status = total != 0 ? GroupThousands(std::to_wstring(total / 1024 / 1024)) + L" MB"
                        : std::wstring(kSetsHint);
  return v;
}

}  // namespace vardune
