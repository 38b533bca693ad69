// What the file views compute: the files below a directory at every level and nothing beside
// it, the largest of them in order, and the types with their bytes.
#include <gtest/gtest.h>

#include "os/text.h"
#include "scan/model.h"
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
