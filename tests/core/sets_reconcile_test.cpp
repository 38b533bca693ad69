// The reconciliation of the backup entries with the scan results: the examples of the
// substring rule and of the bottom-up rule, and the fast marking compared with a plain,
// step-by-step reference on random trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "scan/model.h"
#include "sets/reconcile.h"
#include "sets/store.h"
#include "tests/core/sets_reconcile_reference.h"

namespace vardune {
namespace {

Pfad R(std::wstring parent, std::wstring name, int64_t size = 1) {
  return Pfad{std::move(parent), std::move(name), size, 0, 0, 0};
}
Pfad E(std::wstring path) { return Pfad{std::move(path), L"S", 0, 0, 0, 0}; }

PfadListe ListOf(const std::vector<Pfad>& recs) {
  PfadListe l;
  for (const Pfad& p : recs) l.Append(p);
  return l;
}

std::vector<Pfad> Records(const PfadListe& l) {
  std::vector<Pfad> v;
  for (size_t i = 0; i < l.size(); ++i) v.push_back(l.Get(i));
  return v;
}

// Full paths of the marked records.
std::vector<std::wstring> Marked(const PfadListe& l) {
  std::vector<std::wstring> v;
  for (size_t i = 0; i < l.size(); ++i) {
    if (l[i].Bup) v.push_back(l.FullPath(i));
  }
  return v;
}

// The sorted records of a scan of C:\ holding a\ (with b\, bc\ and loose files), other\ and
// loose files.
PfadListe ScanOfC() {
  PfadListe l = ListOf({R(L"C:\\a\\b\\", L"x"), R(L"C:\\a\\", L"b"), R(L"C:\\a\\", L"bc"),
                        R(L"C:\\a\\bc\\", std::wstring(kDateien)), R(L"C:\\a\\", std::wstring(kDateien)),
                        R(L"C:\\", L"a"), R(L"C:\\", L"other"), R(L"C:\\", std::wstring(kDateien)),
                        R(L"", L"C:")});
  l.SortByParent();
  return l;
}

TEST(Reconcile, AnEntryMarksEveryPathThatContainsIt) {
  PfadListe l = ScanOfC();
  MarkCovered(l, {E(L"C:\\a\\b")});
  // A substring test: C:\a\bc and its loose files are marked too.
  EXPECT_EQ(Marked(l), (std::vector<std::wstring>{L"C:\\a\\b", L"C:\\a\\bc",
                                                  L"C:\\a\\bc\\<DATEIEN>", L"C:\\a\\b\\x"}));
  // Marks of an earlier run are cleared; an empty path marks nothing.
  MarkCovered(l, {E(L""), E(L"nowhere")});
  EXPECT_TRUE(Marked(l).empty());
  EXPECT_TRUE(BipDirs.empty());
}

TEST(Reconcile, ADirectoryWhoseContentsAreAllInSetsIsMarked) {
  PfadListe l = ScanOfC();
  std::vector<Pfad> entries{E(L"C:\\a\\b"), E(L"C:\\a\\<DATEIEN>")};
  MarkCovered(l, entries);
  // b and bc (substring), the loose files: C:\a is covered; C:\ is not, other\ is not in a set.
  std::vector<std::wstring> m = Marked(l);
  EXPECT_NE(std::find(m.begin(), m.end(), L"C:\\a"), m.end());
  EXPECT_EQ(std::find(m.begin(), m.end(), L"C:"), m.end());
  // Only C:\a: no entry lies below C:\a\b\ or C:\a\bc\, though their contents are marked.
  EXPECT_EQ(BipDirs, (std::vector<std::wstring>{L"C:\\a"}));
  // With other\ and the root's own files in sets too, the drive root follows.
  entries.push_back(E(L"C:\\other"));
  entries.push_back(E(L"C:\\<DATEIEN>"));
  MarkCovered(l, entries);
  m = Marked(l);
  EXPECT_NE(std::find(m.begin(), m.end(), L"C:"), m.end());
  EXPECT_EQ(BipDirs.back(), L"C:");
  EXPECT_EQ(m.size(), l.size());
}

TEST(Reconcile, NoEntryBelowMeansNoBottomUpMark) {
  // Every record below C:\a is marked by an entry that does not lie below C:\a (it only
  // contains the records' names): C:\a itself is not covered by rule (b).
  PfadListe l = ListOf({R(L"C:\\", L"a"), R(L"C:\\a\\", L"x")});
  l.SortByParent();
  MarkCovered(l, {E(L"\\x")});
  EXPECT_EQ(Marked(l), (std::vector<std::wstring>{L"C:\\a\\x"}));
}

TEST(Reconcile, TheGroupVisitedLastIsNotEvaluated) {
  // A scan of C:\Daten\: the top group (Parent C:\) is only Daten's own record.
  PfadListe l = ListOf({R(L"C:\\Daten\\", L"Fotos"), R(L"C:\\Daten\\", std::wstring(kDateien)),
                        R(L"C:\\", L"Daten")});
  l.SortByParent();
  MarkCovered(l, {E(L"C:\\Daten\\Fotos"), E(L"C:\\Daten\\<DATEIEN>")});
  EXPECT_EQ(Marked(l).size(), 3u);
  EXPECT_EQ(BipDirs, (std::vector<std::wstring>{L"C:\\Daten"}));
}

TEST(Reconcile, TheGlobalsWork) {
  BupPfade = {E(L"C:\\Daten\\Fotos")};
  EXPECT_EQ(_SetsPathContains(L"Daten\\"), 1);
  EXPECT_EQ(_SetsPathContains(L"daten"), 0);
  EXPECT_EQ(_SetsPathContains(L""), 0);
  BupPfade.clear();
  BipDirs = {L"C:\\a"};
  EXPECT_EQ(_BipHas(L"C:\\a"), 1);
  EXPECT_EQ(_BipHas(L"C:\\A"), 0);
  EXPECT_EQ(_BipHas(L"C:\\a\\"), 0);
  BipDirs.clear();
}

// ---- random trees -------------------------------------------------------------------------

// Names that are substrings, prefixes and case variants of one another.
const wchar_t* const kNames[] = {L"a", L"b", L"bc", L"B", L"ab", L"a b", L"x", L"Ä", L"ä"};

struct TreeMaker {
  std::mt19937& rng;
  std::vector<Pfad> recs;
  std::vector<std::wstring> dirs;  // full paths with backslash

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

  // A scan's post-order: subdirectories, then the directory, then its loose files.
  void Walk(const std::wstring& parent, const std::wstring& name, int depth) {
    const std::wstring path = parent + name + L"\\";
    dirs.push_back(path);
    if (Pick(8) == 0) {  // unreadable
      recs.push_back(R(parent, name, -1));
      return;
    }
    const int kids = depth >= 4 ? 0 : Pick(4);
    std::vector<std::wstring> used;
    for (int k = 0; k < kids; ++k) {
      std::wstring n = kNames[Pick(std::size(kNames))];
      if (std::find(used.begin(), used.end(), n) != used.end()) continue;
      used.push_back(n);
      Walk(path, n, depth + 1);
    }
    recs.push_back(R(parent, name, 10));
    if (Pick(2)) recs.push_back(R(path, std::wstring(kDateien), 5));
  }
};

std::vector<Pfad> RandomEntries(std::mt19937& rng, const TreeMaker& t) {
  std::vector<Pfad> entries;
  const int n = std::uniform_int_distribution<int>(0, 12)(rng);
  auto pick = [&](size_t k) { return std::uniform_int_distribution<size_t>(0, k - 1)(rng); };
  for (int i = 0; i < n; ++i) {
    const std::wstring& d = t.dirs[pick(t.dirs.size())];
    switch (pick(7)) {
      case 0: entries.push_back(E(d + std::wstring(kDateien))); break;
      case 1: entries.push_back(E(L"")); break;
      case 2: {  // any piece of a path
        const size_t a = pick(d.size());
        entries.push_back(E(d.substr(a, 1 + pick(d.size() - a))));
        break;
      }
      case 3: {  // another letter case
        std::wstring u = d.substr(0, d.size() - 1);
        for (wchar_t& c : u) c = c == L'a' ? L'A' : c;
        entries.push_back(E(u));
        break;
      }
      default: entries.push_back(E(d.substr(0, d.size() - 1))); break;
    }
  }
  return entries;
}

void ExpectSameAsReference(PfadListe& l, const std::vector<Pfad>& entries, int round) {
  const std::vector<Pfad> recs = Records(l);
  const reference::Marks ref = reference::Mark(recs, entries);
  MarkCovered(l, entries);
  std::vector<uint8_t> got;
  for (size_t i = 0; i < l.size(); ++i) got.push_back(l[i].Bup);
  ASSERT_EQ(got, ref.bup) << "round " << round;
  ASSERT_EQ(BipDirs, ref.bipDirs) << "round " << round;
}

TEST(Reconcile, SameMarksAsTheStepByStepRuleOnRandomTrees) {
  std::mt19937 rng(20240611);
  size_t marked = 0, bottomUp = 0;
  for (int round = 0; round < 400; ++round) {
    TreeMaker t{rng, {}, {}};
    const bool server = round % 5 == 0;
    if (server) {
      t.Walk(L"\\\\srv\\", L"share", 1);
    } else {
      t.Walk(L"", L"C:", 0);
    }
    PfadListe l = ListOf(t.recs);
    l.SortByParent();
    const std::vector<Pfad> entries = RandomEntries(rng, t);
    ExpectSameAsReference(l, entries, round);
    for (size_t i = 0; i < l.size(); ++i) marked += l[i].Bup;
    bottomUp += BipDirs.size();
    // The rule is defined for any order of the list; a shuffled list must agree as well.
    std::vector<Pfad> shuffled = t.recs;
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    PfadListe s = ListOf(shuffled);
    ExpectSameAsReference(s, entries, round);
  }
  // The random cases really exercise both rules.
  EXPECT_GT(marked, 1000u);
  EXPECT_GT(bottomUp, 100u);
}

TEST(Reconcile, ManyDistinctCharactersStillGiveTheSameMarks) {
  // Long entry paths of many different characters exceed the automaton's table: the plain
  // search takes over.
  std::mt19937 rng(7);
  std::vector<Pfad> entries;
  for (int i = 0; i < 100; ++i) {
    std::wstring p;
    for (int k = 0; k < 250; ++k) p += static_cast<wchar_t>(0x4E00 + (rng() % 5000));
    entries.push_back(E(p));
  }
  entries.push_back(E(L"C:\\a\\b"));
  PfadListe l = ScanOfC();
  ExpectSameAsReference(l, entries, 0);
  EXPECT_EQ(Marked(l).size(), 4u);
}

}  // namespace
}  // namespace vardune
