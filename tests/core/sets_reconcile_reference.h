// The marking of records covered by the backup sets, written plainly as its steps read: a
// substring search for every pair of entry and record, then the walk from the last record to
// the first in runs of equal Parent, with a linear search of the covered directories. The
// reconciliation's tests and its benchmark compare the program's marks with it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "scan/model.h"

namespace vardune::reference {

struct Marks {
  std::vector<uint8_t> bup;
  std::vector<std::wstring> bipDirs;
};

inline Marks Mark(const std::vector<Pfad>& recs, const std::vector<Pfad>& entries) {
  Marks r;
  r.bup.assign(recs.size(), 0);
  auto pathContains = [&](const std::wstring& t) {
    if (t.empty()) return false;
    for (const Pfad& e : entries) {
      if (e.Parent.find(t) != std::wstring::npos) return true;
    }
    return false;
  };
  auto bipHas = [&](const std::wstring& t) {
    for (const std::wstring& b : r.bipDirs) {
      if (b == t) return true;
    }
    return false;
  };
  for (const Pfad& e : entries) {
    for (size_t i = 0; i < recs.size(); ++i) {
      const std::wstring full = recs[i].Parent + recs[i].Name;
      if (!e.Parent.empty() && full.find(e.Parent) != std::wstring::npos) r.bup[i] = 1;
    }
  }
  if (recs.empty()) return r;
  std::wstring lastDir;
  int allIn = 0;
  for (size_t i = recs.size(); i-- > 0;) {
    const std::wstring full = recs[i].Parent + recs[i].Name;
    if (r.bup[i] == 0 && bipHas(full)) r.bup[i] = 1;
    if (recs[i].Parent == lastDir) {
      allIn = allIn && r.bup[i];
    } else {
      if (allIn == 1 && pathContains(lastDir)) {
        std::wstring d = lastDir;
        if (!d.empty() && d.back() == L'\\') d.pop_back();
        r.bipDirs.push_back(d);
      }
      if (r.bup[i] == 0 && bipHas(full)) r.bup[i] = 1;
      lastDir = recs[i].Parent;
      allIn = r.bup[i];
    }
  }
  return r;
}

}  // namespace vardune::reference
