// What the file views compute: the files below a directory at every level and nothing beside
// it, the largest of them in order, and the types with their bytes, also when walked in
// pieces; the ranking of the types that picks their colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "os/text.h"
#include "scan/model.h"
#include "tests/core/file_model.h"
#include "view/filestats.h"

namespace vardune {
namespace {

struct Dir {
  std::wstring parent, name;
  std::vector<FileInfo> files;
};

// Records (with their own files) in the given order, as a producer appends them.
PfadListe Model(const std::vector<Dir>& dirs) {
  PfadListe l;
  for (const Dir& d : dirs) {
    FileBlockBuilder b;
    int64_t bytes = 0;
    for (const FileInfo& f : d.files) {
      b.Add(f);
      bytes += f.Size;
    }
    l.Append(l.AddParent(d.parent), d.name, bytes, 0, static_cast<int32_t>(d.files.size()),
             l.FileStore().Add(b));
  }
  return l;
}

FileInfo F(std::wstring name, int64_t size, uint8_t flags = 0) {
  return FileInfo{std::move(name), size, size, 0, flags};
}

PfadListe Sample() {
  return Model({
      {L"C:\\a\\b\\", L"x", {F(L"deep.ISO", 900), F(L"tie1.txt", 50)}},
      {L"C:\\a\\", L"b", {F(L"photo.JPG", 300), F(L"Photo2.jpg", 200), F(L"tie2.txt", 50)}},
      {L"C:\\a\\", L"bc", {F(L"sibling.bin", 5000)}},
      {L"C:\\", L"a", {F(L".bashrc", 7), F(L"README", 40), F(L"ende.", 3),
                       F(L"cloud.docx", 1000, kFileCloud)}},
  });
}

std::vector<std::wstring> Names(const PfadListe& l, const std::vector<FileHit>& hits) {
  std::vector<std::wstring> v;
  for (const FileHit& h : hits) v.push_back(FileOf(l, h).Name);
  return v;
}

TEST(FileStats, LargestFilesBelowADirectoryAtEveryLevel) {
  const PfadListe l = Sample();
  // C:\a\b\ holds its own files and those of x\, not those of its sibling bc\.
  const auto b = RecordsBelow(l, L"C:\\a\\b\\");
  EXPECT_EQ(Names(l, LargestFiles(l, b, 10)),
            (std::vector<std::wstring>{L"deep.ISO", L"photo.JPG", L"Photo2.jpg", L"tie1.txt",
                                       L"tie2.txt"}));
  const auto all = RecordsBelow(l, L"C:\\");
  EXPECT_EQ(all.size(), 4u);
  EXPECT_EQ(Names(l, LargestFiles(l, all, 3)),
            (std::vector<std::wstring>{L"sibling.bin", L"cloud.docx", L"deep.ISO"}));
  // Equal sizes keep the order they were met in, whatever the heap did meanwhile.
  const auto top5 = LargestFiles(l, all, 6);
  EXPECT_EQ(Names(l, top5).back(), L"tie1.txt");
  EXPECT_EQ(FileOf(l, top5[0]), F(L"sibling.bin", 5000));
  EXPECT_TRUE(LargestFiles(l, all, 0).empty());
  EXPECT_TRUE(RecordsBelow(l, L"D:\\nichts\\").empty());
}

TEST(FileStats, TypesIgnoreLetterCaseAndCountTheFilesWithout) {
  const std::pair<std::wstring, std::wstring> types[] = {
      {L"a.TXT", L"txt"}, {L"archiv.tar.GZ", L"gz"}, {L".bashrc", L"bashrc"},
      {L"README", L""},   {L"ende.", L""},           {L"Übung.ÄÖÜ", L"äöü"},
  };
  for (const auto& [name, type] : types) EXPECT_EQ(FileTypeOf(name), type) << ToUtf8(name);

  const PfadListe l = Sample();
  const auto rows = FileTypes(l, RecordsBelow(l, L"C:\\"));
  const std::vector<TypeRow> want = {
      {L"bin", 5000, 1, 0}, {L"docx", 1000, 1, 1000}, {L"iso", 900, 1, 0},
      {L"jpg", 500, 2, 0},  {L"txt", 100, 2, 0},      {L"", 43, 2, 0},
      {L"bashrc", 7, 1, 0},
  };
  EXPECT_EQ(rows, want);
}

}  // namespace
}  // namespace vardune

namespace vardune {
namespace {

// Every file below a directory sorted as the list of the largest shows them: by size, and of
// equal sizes in the order the records and their blocks hold them.
std::vector<FileHit> AllLargestFirst(const PfadListe& l, const std::vector<uint32_t>& recs) {
  std::vector<FileHit> all;
  for (uint32_t rec : recs) {
    uint32_t ord = 0;
    for (const FileInfo& f : l.FilesOf(rec)) all.push_back(FileHit{f.Size, rec, ord++});
  }
  std::stable_sort(all.begin(), all.end(),
                   [](const FileHit& a, const FileHit& b) { return a.size > b.size; });
  return all;
}

// Walked in pieces of any size, below any directory or over all of the results, the walk
// gives what sorting every file gives, and the type counts of one pass.
TEST(FileStats, AWalkInPiecesGivesWhatSortingEveryFileGives) {
  const PfadListe l = testmodel::Scan(L"C:\\r\\", testmodel::RandomTree(7, L"C:\\r\\", 300, 40));
  std::vector<std::wstring> paths = {L"C:\\r\\"};
  for (size_t i = 0; i < l.size() && paths.size() < 12; i += 37) {
    if (l.Name(i) != kDateien) paths.push_back(l.FullPath(i) + L"\\");
  }
  for (const std::wstring& path : paths) {
    const auto recs = RecordsBelow(l, path);
    const auto all = AllLargestFirst(l, recs);
    int64_t bytes = 0;
    for (const FileHit& h : all) bytes += h.size;
    for (size_t piece : {size_t{1}, size_t{13}, size_t{100000}}) {
      SCOPED_TRACE(ToUtf8(path) + " in pieces of " + std::to_string(piece));
      FileStatsJob job;
      job.Begin(l, path, 50, true);
      int steps = 0;
      while (!job.Step(piece)) ++steps;
      EXPECT_EQ(steps > 0, piece < l.size());
      const size_t n = std::min<size_t>(50, all.size());
      EXPECT_EQ(job.Largest(), std::vector<FileHit>(all.begin(), all.begin() + n));
      EXPECT_EQ(job.Types(), FileTypes(l, recs));
      EXPECT_EQ(job.Bytes(), bytes);
      EXPECT_EQ(job.Files(), static_cast<int64_t>(all.size()));
    }
    const std::vector<FileHit> top(all.begin(), all.begin() + std::min<size_t>(50, all.size()));
    EXPECT_EQ(LargestFiles(l, recs, 50), top);
    // Their files, found in one walk per record, are those the hits name one by one.
    std::vector<FileInfo> one;
    for (const FileHit& h : top) one.push_back(FileOf(l, h));
    EXPECT_EQ(FilesOf(l, top), one);
  }
  // The whole results are the root's files; types sum to them, counted without letter case.
  FileStatsJob whole;
  whole.BeginAll(l, 0, true);
  while (!whole.Step(1000)) {
  }
  const auto types = whole.Types();
  EXPECT_EQ(types, FileTypes(l, RecordsBelow(l, L"C:\\r\\")));
  int64_t sum = 0;
  for (const TypeRow& t : types) sum += t.bytes;
  EXPECT_EQ(sum, whole.Bytes());
  std::set<std::wstring> names;
  for (const TypeRow& t : types) names.insert(t.type);
  EXPECT_EQ(names, (std::set<std::wstring>{L"jpg", L"mp4", L"txt", L"", L"gz", L"docx"}));
}

// The ranks of the types follow their bytes; a file's rank is found from its name as the
// table keeps it, whatever its letter case; the first ranks get the palette, the rest grey.
TEST(FileStats, TypeRanksFollowTheBytesAndPickTheColours) {
  const std::vector<TypeRow> rows = {{L"mkv", 900, 1}, {L"jpg", 500, 9}, {L"", 300, 2},
                                     {L"äöü", 200, 1}, {L"verylongextension", 100, 1},
                                     {L"txt", 5, 3}};
  TypeRanking r;
  r.Assign(rows);
  const std::pair<std::wstring, uint32_t> names[] = {
      {L"Film.MKV", 0},          {L"a.jpg", 1},
      {L"b.JpG", 1},             {L"README", 2},
      {L"ende.", 2},             {L"x.ÄÖÜ", 3},
      {L"y.VeryLongExtension", 4}, {L"z.txt", 5},
      {L"unbekannt.iso", TypeRanking::kNone},
  };
  for (const auto& [name, rank] : names) {
    std::string name8;
    AppendWtf8(name8, name);
    EXPECT_EQ(r.RankOfName8(name8), rank) << ToUtf8(name);
    EXPECT_EQ(r.RankOf(FileTypeOf(name)), rank) << ToUtf8(name);
  }
  EXPECT_EQ(r.TypeAt(3), L"äöü");
  const uint32_t palette[] = {0x111111, 0x222222, 0x333333};
  EXPECT_EQ(TypeColour(0, palette, 3, 0x999999), 0x111111u);
  EXPECT_EQ(TypeColour(2, palette, 3, 0x999999), 0x333333u);
  EXPECT_EQ(TypeColour(3, palette, 3, 0x999999), 0x999999u);
  EXPECT_EQ(TypeColour(TypeRanking::kNone, palette, 3, 0x999999), 0x999999u);
}

}  // namespace
}  // namespace vardune
