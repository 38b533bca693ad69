// Benchmark of the reconciliation of the backup sets with the scan results: _SetsCheckBIP,
// message window included, with 100 entries over 200,000 records of a generated tree, beside
// a stand-in main window. The marks of the first run are checked against the plain rule.
// Prints checkbip_seconds (median of the runs).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "os/clock.h"
#include "scan/model.h"
#include "sets/ops.h"
#include "sets/reconcile.h"
#include "sets/store.h"
#include "tests/core/sets_reconcile_reference.h"
#include "ui/platform/platform.h"

using namespace vardune;
using bench::Median;

namespace {

constexpr size_t kRecords = 200000;
constexpr size_t kEntries = 100;
constexpr int kRuns = 7;

const wchar_t* const kWords[] = {L"Projekte", L"Bilder",   L"Musik",  L"Dokumente", L"src",
                                 L"build",    L"Urlaub",   L"Archiv", L"Rechnungen", L"Daten",
                                 L"Backup",   L"Programme", L"Spiele", L"Videos",    L"temp"};

struct Dir {
  std::wstring path;  // without trailing backslash
  std::vector<std::wstring> children;  // full paths of the subdirectories
  bool files = false;  // has a "<DATEIEN>" record
  int depth = 0;
};

// A tree shaped like a disk: wide near the top, thinning out below, about two records in
// three directories with loose files of their own.
struct TreeMaker {
  std::mt19937 rng{4711};
  std::vector<Pfad> recs;
  std::vector<Dir> dirs;
  size_t budget = kRecords;

  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

  size_t Walk(const std::wstring& parent, const std::wstring& name, int depth) {
    const size_t me = dirs.size();
    dirs.push_back(Dir{parent + name, {}, false, depth});
    const bool files = Pick(0, 2) != 0;
    budget -= 1 + (files ? 1 : 0);
    static const int kFan[] = {40, 14, 10, 8, 5, 3, 0};
    const int kids = Pick(0, kFan[std::min(depth, 6)]);
    const std::wstring path = parent + name + L"\\";
    for (int k = 0; k < kids && budget > 1; ++k) {
      const std::wstring child =
          std::wstring(kWords[Pick(0, static_cast<int>(std::size(kWords)) - 1)]) + L" " +
          std::to_wstring(k);
      Walk(path, child, depth + 1);
      dirs[me].children.push_back(path + child);
    }
    recs.push_back(Pfad{parent, name, 4096, kids, 3, 0});
    if (files) {
      recs.push_back(Pfad{path, std::wstring(kDateien), 1000, 0, 3, 0});
      dirs[me].files = true;
    }
    return me;
  }
};

// 100 entries: whole directories at every depth, the loose files of some, and directories
// all of whose contents are in the set (so that the bottom-up rule has work to do).
std::vector<Pfad> MakeEntries(TreeMaker& t) {
  std::vector<Pfad> entries;
  auto add = [&](const std::wstring& p) {
    if (entries.size() < kEntries) entries.push_back(Pfad{p, L"Sicherung", 0, 0, 0, 0});
  };
  auto any = [&]() -> const Dir& {
    return t.dirs[std::uniform_int_distribution<size_t>(1, t.dirs.size() - 1)(t.rng)];
  };
  int complete = 0;
  while (complete < 4) {
    const Dir& d = any();
    if (d.children.empty() || d.children.size() > 4 || d.depth < 2) continue;
    for (const std::wstring& c : d.children) add(c);
    if (d.files) add(d.path + L"\\" + std::wstring(kDateien));
    ++complete;
  }
  for (int i = 0; i < 25; ++i) add(any().path + L"\\" + std::wstring(kDateien));
  while (entries.size() < kEntries) add(any().path);
  return entries;
}

}  // namespace

int wmain() {
  ui::InitPlatform();
  ui::OpenWindow(1, 200, 150, 500, 334, L"Vardune", ui::WinNormal);

  TreeMaker t;
  t.Walk(L"", L"C:", 0);
  for (wchar_t drive = L'D'; t.budget > 1 && drive <= L'Z'; ++drive) {
    t.Walk(L"", std::wstring(1, drive) + L":", 0);
  }
  for (const Pfad& p : t.recs) Pfade.Append(p);
  Pfade.SortByParent();
  BupPfade = MakeEntries(t);

  std::vector<double> runs;
  for (int r = 0; r < kRuns; ++r) {
    const int64_t t0 = os::Millis();
    _SetsCheckBIP();
    runs.push_back(static_cast<double>(os::Millis() - t0) / 1000.0);
  }

  // The marks must be those of the rule, taken step by step.
  std::vector<Pfad> recs;
  recs.reserve(Pfade.size());
  for (size_t i = 0; i < Pfade.size(); ++i) recs.push_back(Pfade.Get(i));
  const reference::Marks want = reference::Mark(recs, BupPfade);
  size_t marked = 0, differ = 0;
  for (size_t i = 0; i < Pfade.size(); ++i) {
    marked += Pfade[i].Bup;
    differ += Pfade[i].Bup != want.bup[i];
  }
  std::fprintf(stderr, "%zu records, %zu entries, %zu marked, %zu covered directories\n",
               Pfade.size(), BupPfade.size(), marked, BipDirs.size());
  if (differ != 0 || BipDirs != want.bipDirs) {
    std::fprintf(stderr, "marks differ from the rule: %zu records\n", differ);
    return 1;
  }
  std::printf("checkbip_seconds: %.3f\n", Median(runs));
  ui::CloseWindow(1);
  return 0;
}
