// The result list under any sequence of appends, removals, sorts and drops of stale results,
// with paths from a small alphabet so that prefixes, letter case and backslash runs collide
// often. After every step the list must hold what a plain vector of records holds when the
// rules are applied to it one record at a time: the list's shared parent texts, its compaction
// and its counting sort must never change a record. The path splitting and the lookups are
// checked against the same plain rules.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "os/text.h"
#include "scan/model.h"

using namespace vardune;

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "model: %s\n", what);
  std::abort();
}

// Path pieces that are prefixes of each other, differ only in letter case (also outside
// ASCII), or hold "_" (between the cases); empty pieces give backslash runs.
const std::wstring_view kPieces[] = {L"C:", L"c:", L"a",  L"A",  L"ab", L"aB",
                                     L"b",  L"ä",  L"Ä",  L"_",  L"",   L"x\xD800"};

std::wstring Piece(FuzzedDataProvider& in) {
  return std::wstring(kPieces[in.ConsumeIntegralInRange<size_t>(0, std::size(kPieces) - 1)]);
}

// A directory path of up to five pieces, with zero to two trailing backslashes.
std::wstring DirPath(FuzzedDataProvider& in) {
  std::wstring s;
  const int n = in.ConsumeIntegralInRange<int>(0, 5);
  for (int k = 0; k < n; ++k) {
    if (k > 0) s += L'\\';
    s += Piece(in);
  }
  s.append(in.ConsumeIntegralInRange<size_t>(0, 2), L'\\');
  return s;
}

std::wstring Name(FuzzedDataProvider& in) {
  if (in.ConsumeIntegralInRange<int>(0, 7) == 0) return std::wstring(kDateien);
  return Piece(in);
}

bool StartsWith(std::wstring_view s, std::wstring_view p) { return s.substr(0, p.size()) == p; }

// The record path of P by the plain rule: trailing backslashes off, split after the last one.
std::pair<std::wstring, std::wstring> PlainSplit(std::wstring_view p) {
  std::wstring q(p);
  while (!q.empty() && q.back() == L'\\') q.pop_back();
  const size_t k = q.rfind(L'\\');
  if (k == std::wstring::npos) return {L"", q};
  return {q.substr(0, k + 1), q.substr(k + 1)};
}

void PlainClear(std::vector<Pfad>& v, std::wstring_view p) {
  std::wstring q(p);
  while (!q.empty() && q.back() == L'\\') q.pop_back();
  if (q.size() <= 3) {
    v.clear();
    return;
  }
  const auto split = PlainSplit(q);
  const std::wstring& parent = split.first;
  const std::wstring& name = split.second;
  const std::wstring below = q + L'\\';
  const size_t before = v.size();
  std::erase_if(v, [&](const Pfad& r) {
    return StartsWith(r.Parent, below) || (r.Parent == parent && r.Name == name);
  });
  if (v.size() == before) v.clear();
}

void CheckSame(const PfadListe& l, const std::vector<Pfad>& v, const char* after) {
  if (l.size() != v.size()) {
    std::fprintf(stderr, "model: after %s: %zu records, expected %zu\n", after, l.size(), v.size());
    std::abort();
  }
  for (size_t i = 0; i < v.size(); ++i) {
    const PfadListe::Rec& r = l[i];
    if (l.Parent(i) != v[i].Parent || l.Name(i) != v[i].Name || r.Size != v[i].Size ||
        r.Dirs != v[i].Dirs || r.Files != v[i].Files || r.Bup != v[i].Bup ||
        (i + 1 == v.size() && (l.Get(i) != v[i] || l.FullPath(i) != v[i].Parent + v[i].Name))) {
      std::fprintf(stderr, "model: after %s: record %zu differs\n", after, i);
      std::abort();
    }
  }
}

void CheckLookups(const PfadListe& l, const std::vector<Pfad>& v, std::wstring_view p) {
  const auto [parent, name] = PlainSplit(p);
  const PathSplit s = SplitRecordPath(p);
  if (s.Parent != parent || s.Name != name) Fail("SplitRecordPath");
  if (s.Name.find(L'\\') != std::wstring_view::npos) Fail("backslash in a split name");
  if (!s.Parent.empty() && s.Parent.back() != L'\\') Fail("split parent without backslash");

  size_t first = PfadListe::npos;
  std::vector<size_t> contents, subtree;
  const std::wstring withSlash = _AddBackslash(StripBackslashes(p));
  for (size_t i = 0; i < v.size(); ++i) {
    if (first == PfadListe::npos && v[i].Parent == parent && v[i].Name == name) first = i;
    if (v[i].Parent == p) contents.push_back(i);
    if (StartsWith(v[i].Parent, withSlash) || (v[i].Parent == parent && v[i].Name == name)) {
      subtree.push_back(i);
    }
  }
  if (FindRecordOf(l, p) != first) Fail("FindRecordOf");
  if (FindRecord(l, parent, name) != first) Fail("FindRecord");
  if (ContentsOf(l, p) != contents) Fail("ContentsOf");
  if (SubtreeOf(l, p) != subtree) Fail("SubtreeOf");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  PfadListe l;
  std::vector<Pfad> v;
  int steps = 0;
  // Bounded, so that one input stays quick: every step compares the whole list.
  while (in.remaining_bytes() > 0 && ++steps < 200 && v.size() < 2000) {
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
      case 0:
      case 1: {  // one record, as the scanner's plain append gives it; often a child of one
        std::wstring parent = DirPath(in);
        if (!v.empty() && in.ConsumeBool()) {
          const Pfad& r = v[in.ConsumeIntegralInRange<size_t>(0, v.size() - 1)];
          parent = r.Parent + r.Name + L"\\";
        }
        Pfad p{parent, Name(in), in.ConsumeIntegral<int64_t>(), in.ConsumeIntegral<int32_t>(),
               in.ConsumeIntegral<int32_t>(), static_cast<uint8_t>(in.ConsumeBool())};
        l.Append(p);
        v.push_back(p);
        CheckSame(l, v, "Append");
        break;
      }
      case 2: {  // many records of one parent, with long names, so that removals leave texts behind
        const std::wstring parent = DirPath(in);
        const auto id = l.AddParent(parent);
        const int n = in.ConsumeIntegralInRange<int>(1, 100);
        const std::wstring base = Name(in) + std::wstring(in.ConsumeIntegralInRange<size_t>(0, 40), L'n');
        for (int k = 0; k < n; ++k) {
          const std::wstring name = base + std::to_wstring(k);
          l.Append(id, name, k, 0, k);
          v.push_back(Pfad{parent, name, k, 0, k, 0});
        }
        CheckSame(l, v, "Append by parent id");
        break;
      }
      case 3: {  // drop every record whose index has a chosen remainder
        const size_t mod = in.ConsumeIntegralInRange<size_t>(1, 5);
        const size_t rem = in.ConsumeIntegralInRange<size_t>(0, mod - 1);
        const size_t removed = l.KeepIf([&](size_t i) { return i % mod != rem; });
        std::vector<Pfad> kept;
        for (size_t i = 0; i < v.size(); ++i) {
          if (i % mod != rem) kept.push_back(v[i]);
        }
        if (removed != v.size() - kept.size()) Fail("KeepIf count");
        v.swap(kept);
        CheckSame(l, v, "KeepIf");
        break;
      }
      case 4: {
        l.SortByParent();
        std::stable_sort(v.begin(), v.end(), [](const Pfad& a, const Pfad& b) {
          return CompareNoCase(a.Parent, b.Parent) < 0;
        });
        CheckSame(l, v, "SortByParent");
        break;
      }
      case 5: {
        const std::wstring p = DirPath(in);
        ClearPfade(l, p);
        PlainClear(v, p);
        CheckSame(l, v, "ClearPfade");
        break;
      }
      case 6: {  // drop the stale results of a path in the list, or of a cut-off piece of one
        if (v.empty()) break;
        const Pfad& r = v[in.ConsumeIntegralInRange<size_t>(0, v.size() - 1)];
        std::wstring p = r.Parent + r.Name;
        if (in.ConsumeBool()) p.resize(in.ConsumeIntegralInRange<size_t>(0, p.size()));
        p.append(in.ConsumeIntegralInRange<size_t>(0, 2), L'\\');
        ClearPfade(l, p);
        PlainClear(v, p);
        CheckSame(l, v, "ClearPfade of a record");
        break;
      }
      default: {
        std::wstring p = DirPath(in);
        if (!v.empty() && in.ConsumeBool()) {
          const Pfad& r = v[in.ConsumeIntegralInRange<size_t>(0, v.size() - 1)];
          p = in.ConsumeBool() ? r.Parent : r.Parent + r.Name + L"\\";
          if (in.ConsumeBool()) p.resize(in.ConsumeIntegralInRange<size_t>(0, p.size()));
        }
        CheckLookups(l, v, p);
        break;
      }
    }
  }
  if (_AddBackslash(L"").back() != L'\\') Fail("_AddBackslash");
  return 0;
}
