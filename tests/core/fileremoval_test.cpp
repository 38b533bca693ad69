// Files taken out of the results: what is left is exactly what a scan of the tree without
// them gives, records and files, whichever files of whichever directories go.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "os/text.h"
#include "scan/fileremoval.h"
#include "scan/model.h"
#include "tests/core/file_model.h"

namespace vardune {
namespace {

using testmodel::Dir;
using testmodel::F;

// Everything a reader of the results sees: each record with its own files.
struct Seen {
  Pfad rec;
  std::vector<FileInfo> files;
  bool operator==(const Seen&) const = default;
};
std::vector<Seen> SeenOf(const PfadListe& l) {
  std::vector<Seen> v;
  for (size_t i = 0; i < l.size(); ++i) v.push_back(Seen{l.Get(i), l.FilesOf(i)});
  return v;
}

// The files of the tree whose names are in `gone`, as FileAt of the results.
std::vector<FileAt> Find(const PfadListe& l, const std::set<std::wstring>& gone) {
  std::vector<FileAt> at;
  for (size_t i = 0; i < l.size(); ++i) {
    uint32_t ord = 0;
    for (const FileInfo& f : l.FilesOf(i)) {
      if (gone.count(l.FullPath(i) + L"\\" + f.Name)) at.push_back(FileAt{uint32_t(i), ord});
      ++ord;
    }
  }
  return at;
}

std::vector<Dir> Without(std::vector<Dir> dirs, const std::set<std::wstring>& gone) {
  for (Dir& d : dirs) {
    std::erase_if(d.files, [&](const FileInfo& f) { return gone.count(d.path + f.Name) > 0; });
  }
  return dirs;
}

TEST(FileRemoval, WhatIsLeftIsWhatAScanOfTheTreeWithoutThemGives) {
  const std::vector<Dir> tree = {
      {L"C:\\", {F(L"pagefile.sys", 5000)}},
      {L"C:\\a\\", {F(L"eins.txt", 100), F(L"leer.txt", 0)}},
      {L"C:\\a\\b\\", {F(L"x.iso", 7000), F(L"y.iso", 3000), F(L"null", 0)}},
      {L"C:\\a\\b\\c\\", {F(L"tief.bin", 1)}},
      {L"C:\\a\\bc\\", {F(L"nachbar.bin", 42)}},
  };
  const std::vector<std::set<std::wstring>> cases = {
      // One file of several: the "<DATEIEN>" record stays with less.
      {L"C:\\a\\b\\x.iso"},
      // All bytes of a directory: its "<DATEIEN>" record goes, its 0-byte file stays counted.
      {L"C:\\a\\b\\x.iso", L"C:\\a\\b\\y.iso"},
      // Every file of a directory, and files in several directories at several levels.
      {L"C:\\a\\b\\x.iso", L"C:\\a\\b\\y.iso", L"C:\\a\\b\\null", L"C:\\a\\eins.txt",
       L"C:\\a\\b\\c\\tief.bin", L"C:\\pagefile.sys"},
      // A 0-byte file alone: counts change, sizes do not.
      {L"C:\\a\\leer.txt"},
  };
  for (const auto& gone : cases) {
    SCOPED_TRACE(ToUtf8(*gone.begin()) + " and " + std::to_string(gone.size() - 1) + " more");
    PfadListe l = testmodel::Scan(L"C:\\", tree);
    const uint64_t before = l.Changes();
    std::vector<FileAt> at = Find(l, gone);
    ASSERT_EQ(at.size(), gone.size());
    at.push_back(at.front());                 // a repeat
    at.push_back(FileAt{at.front().rec, 99});  // no such file
    const FilesRemoved r = RemoveFiles(l, at);
    EXPECT_EQ(SeenOf(l), SeenOf(testmodel::Scan(L"C:\\", Without(tree, gone))));
    EXPECT_EQ(r.files, static_cast<int32_t>(gone.size()));
    EXPECT_GT(l.Changes(), before);
  }
  // Nothing to remove changes nothing.
  PfadListe l = testmodel::Scan(L"C:\\", tree);
  const uint64_t before = l.Changes();
  EXPECT_EQ(RemoveFiles(l, {}).files, 0);
  EXPECT_EQ(l.Changes(), before);
}

// A share of a server scan and a subtree below a larger result: every record above counts,
// the ERROR records and the records of other trees stay as they are; on random trees, any
// choice of files leaves what a scan without them leaves.
TEST(FileRemoval, RandomTreesSharesAndErrorRecords) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    const std::wstring root = seed % 2 ? L"\\\\srv\\share\\" : L"D:\\daten\\";
    const std::vector<Dir> tree = testmodel::RandomTree(seed, root, 60, 8);
    PfadListe l = testmodel::Scan(root, tree);
    std::mt19937 rng(seed);
    std::set<std::wstring> gone;
    for (const Dir& d : tree) {
      for (const FileInfo& f : d.files) {
        if (rng() % 3 == 0) gone.insert(d.path + f.Name);
      }
    }
    // An ERROR record and a record of another tree, which nothing touches.
    l.Append(Pfad{root, L"zu", -1, 0, 0, 0});
    l.Append(Pfad{L"E:\\", L"fremd", 123, 0, 4, 0});
    std::vector<Seen> want = SeenOf(testmodel::Scan(root, Without(tree, gone)));
    want.push_back(Seen{Pfad{root, L"zu", -1, 0, 0, 0}, {}});
    want.push_back(Seen{Pfad{L"E:\\", L"fremd", 123, 0, 4, 0}, {}});
    RemoveFiles(l, Find(l, gone));
    ASSERT_EQ(SeenOf(l), want) << "seed " << seed;
  }
}

}  // namespace
}  // namespace vardune
