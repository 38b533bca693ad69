// The table of every file: each field comes back as it went in, the records own their files
// (a rescan or a removal takes them along, nothing stale stays alive), and names keep their
// identity whatever code units they hold.
#include <gtest/gtest.h>

#include <random>

#include "os/text.h"
#include "scan/filetable.h"
#include "scan/model.h"

namespace vardune {

void PrintTo(const FileInfo& f, std::ostream* os) {
  *os << "{" << ToUtf8(f.Name) << ", " << f.Size << ", " << f.Allocated << ", " << f.Time << ", "
      << int(f.Flags) << "}";
}

namespace {

constexpr int64_t kGiB = int64_t{1} << 30;

// A name by its UTF-16 code units (wchar_t is 32 bits on the host: a literal beyond the BMP
// would be one unit there).
std::wstring W(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }

FileInfo F(std::wstring name, int64_t size, int64_t allocated, uint32_t time = 0,
           uint8_t flags = 0) {
  return FileInfo{std::move(name), size, allocated, time, flags};
}

TEST(FileTable, EveryFieldComesBackAsItWentIn) {
  const std::vector<FileInfo> files = {
      F(L"a.txt", 3, 4096, 1700000000, kFileReadOnly),
      F(L"leer", 0, 0),
      F(L"cluster", 4096, 4096, 1),
      F(L"sparse.img", 5 * kGiB, 0, 0, kFileSparse),
      F(L"compressed.log", 100000, 8192, 2, kFileCompressed | kFileHidden),
      F(L"resident", 700, 704),  // a size on disk that is no cluster multiple
      F(L"same", 12345, 12345),
      F(L"bigger", 10, 65536),   // a large cluster size
      F(L"cloud.docx", 2000000, 0, 4000000000u, kFileCloud | kFileReparse | kFileSystem),
      F(L"Grüße ÄÖÜ ß.txt", 1, 4096),
      F(L"日本語のファイル名.txt", 2, 4096),
      F(W(u"emoji \U0001F600.png"), 3, 4096),  // a surrogate pair
      F(std::wstring{L'x', wchar_t(0xD800), L'y'}, 4, 4096),  // unpaired high surrogate
      F(std::wstring{wchar_t(0xDC01)}, 5, 4096),               // unpaired low surrogate
      F(std::wstring{wchar_t(0xDBFF), wchar_t(0xDFFF)}, 6, 4096),
      F(std::wstring(255, L'n'), INT64_MAX / 2, INT64_MAX / 2, UINT32_MAX, 0x7F),
  };
  FileBlockBuilder b;
  for (const FileInfo& f : files) b.Add(f);
  FileTable t;
  const FileTable::BlockId id = t.Add(b);
  ASSERT_NE(id, FileTable::kNone);
  EXPECT_EQ(t.Count(id), files.size());
  EXPECT_EQ(t.Files(id), files);
  EXPECT_EQ(t.LiveFiles(), files.size());

  // The same names given as the MFT gives them (UTF-16 of the volume).
  FileBlockBuilder b16;
  for (const FileInfo& f : files) {
    std::u16string n(f.Name.begin(), f.Name.end());
    b16.Add(n, f.Size, f.Allocated, f.Time, f.Flags);
  }
  EXPECT_EQ(b16.Bytes(), b.Bytes());
  EXPECT_EQ(t.Add(FileBlockBuilder()), FileTable::kNone);
}

TEST(FileTable, AttributesAndTimesAsTheTableKeepsThem) {
  const std::pair<uint32_t, uint8_t> attrs[] = {
      {0x20, 0},                                   // archive: not kept
      {0x1 | 0x2 | 0x4, kFileReadOnly | kFileHidden | kFileSystem},
      {0x800, kFileCompressed},
      {0x200 | 0x400, kFileSparse | kFileReparse},
      {0x1000, kFileCloud},                        // offline
      {0x40000, kFileCloud},                       // recall on open
      {0x400000 | 0x400 | 0x200, kFileCloud | kFileReparse | kFileSparse},
  };
  for (const auto& [a, f] : attrs) EXPECT_EQ(FileFlagsOf(a), f) << std::hex << a;

  constexpr uint64_t k1970 = 116444736000000000ull;
  EXPECT_EQ(FileTimeSeconds(0), 0u);
  EXPECT_EQ(FileTimeSeconds(k1970 - 1), 0u);
  EXPECT_EQ(FileTimeSeconds(k1970 + 19999999), 1u);  // whole seconds, cut
  EXPECT_EQ(FileTimeSeconds(~0ull), UINT32_MAX);
  EXPECT_EQ(FileTimeSeconds(FileTimeOfSeconds(1700000000)), 1700000000u);
}

TEST(FileTable, NamesKeepEveryCodeUnit) {
  // Generalised UTF-8 is UTF-8 where UTF-8 can say it, and gives every code unit back.
  const std::wstring names[] = {
      L"plain", L"ä", W(u"\U00010348"), std::wstring{wchar_t(0xD83D)},
      std::wstring{wchar_t(0xDE00), wchar_t(0xD83D)},  // low before high: two unpaired units
  };
  for (const std::wstring& n : names) {
    std::string w;
    AppendWtf8(w, n);
    EXPECT_EQ(FromWtf8(w), n);
    if (IsValidUtf8(w)) {
      EXPECT_EQ(w, ToUtf8(n));
    }
  }
  EXPECT_EQ(FromWtf8("\xFF"), std::wstring{wchar_t(0xFFFD)});
}

// A scan's records: C:\a\ with b\ (two files) and c\ (one file), and a's own file.
PfadListe ScanWithFiles() {
  PfadListe l;
  const auto block = [&](std::vector<FileInfo> fs) {
    FileBlockBuilder b;
    for (const FileInfo& f : fs) b.Add(f);
    return l.FileStore().Add(b);
  };
  const auto a = l.AddParent(L"C:\\a\\");
  const auto root = l.AddParent(L"C:\\");
  const auto b = l.AddParent(L"C:\\a\\b\\");
  const auto c = l.AddParent(L"C:\\a\\c\\");
  l.Append(a, L"b", 30, 0, 2, block({F(L"x", 10, 4096), F(L"y", 20, 4096)}));
  l.Append(b, kDateien, 30, 0, 2);
  l.Append(a, L"c", 5, 0, 1, block({F(L"z", 5, 4096)}));
  l.Append(c, kDateien, 5, 0, 1);
  l.Append(root, L"a", 36, 2, 4, block({F(L"own", 1, 4096)}));
  l.Append(a, kDateien, 1, 0, 1);
  return l;
}

std::vector<std::wstring> NamesOf(const PfadListe& l, size_t i) {
  std::vector<std::wstring> v;
  l.ForEachFile(i, [&](const FileRef& f) { v.push_back(FileNameOf(f)); });
  return v;
}

TEST(FileTable, RecordsOwnTheirFilesThroughSortRescanAndClear) {
  PfadListe l = ScanWithFiles();
  l.SortByParent();
  const size_t b = FindRecordOf(l, L"C:\\a\\b\\");
  ASSERT_NE(b, PfadListe::npos);
  EXPECT_EQ(NamesOf(l, b), (std::vector<std::wstring>{L"x", L"y"}));
  EXPECT_EQ(NamesOf(l, FindRecordOf(l, L"C:\\a\\")), std::vector<std::wstring>{L"own"});
  EXPECT_TRUE(NamesOf(l, FindRecord(l, L"C:\\a\\b\\", kDateien)).empty());
  EXPECT_EQ(l.FileStore().LiveFiles(), 4u);

  // A rescan of C:\a\b\ drops its files with its records and brings the new ones.
  ClearPfade(l, L"C:\\a\\b\\");
  EXPECT_EQ(l.FileStore().LiveFiles(), 2u);
  FileBlockBuilder nb;
  nb.Add(F(L"neu", 7, 4096));
  l.Append(l.AddParent(L"C:\\a\\"), L"b", 7, 0, 1, l.FileStore().Add(nb));
  l.SortByParent();
  EXPECT_EQ(NamesOf(l, FindRecordOf(l, L"C:\\a\\b\\")), std::vector<std::wstring>{L"neu"});
  EXPECT_EQ(NamesOf(l, FindRecordOf(l, L"C:\\a\\c\\")), std::vector<std::wstring>{L"z"});

  const uint64_t before = l.Changes();
  PfadListe other = ScanWithFiles();  // counted fewer changes than l
  ASSERT_LT(other.Changes(), before);
  l = std::move(other);
  EXPECT_GT(l.Changes(), before) << "taking over other results is a change of these";
  EXPECT_EQ(l.FileStore().LiveFiles(), 4u);
  ClearPfade(l, L"C:\\");
  EXPECT_EQ(l.FileStore().LiveFiles(), 0u);
}

TEST(FileTable, RepeatedRescansHoldTheirMemory) {
  // Rescanning one subtree over and over must not keep the old files alive: the table is
  // rebuilt once the dead bytes outweigh the live ones.
  PfadListe l;
  std::mt19937 rng(7);
  const auto addTree = [&](const std::wstring& top, int dirs) {
    for (int d = 0; d < dirs; ++d) {
      FileBlockBuilder b;
      const int n = 1 + static_cast<int>(rng() % 30);
      for (int k = 0; k < n; ++k) {
        b.Add(L"datei-" + std::to_wstring(k) + L".bin", rng() % 100000, 4096, rng(), 0);
      }
      l.Append(l.AddParent(top), L"d" + std::to_wstring(d), 1, 0, n, l.FileStore().Add(b));
    }
  };
  addTree(L"C:\\keep\\", 300);
  addTree(L"C:\\re\\", 300);
  l.SortByParent();
  size_t first = 0;
  for (int round = 0; round < 40; ++round) {
    ClearPfade(l, L"C:\\re\\");
    addTree(L"C:\\re\\", 300);
    l.SortByParent();
    if (round == 0) first = l.MemoryBytes();
  }
  // Forty rounds leave about 4 MB of old files behind; at most the rebuild's threshold stays.
  EXPECT_LT(l.MemoryBytes(), first + (size_t{2} << 20));
  size_t counted = 0;
  for (size_t i = 0; i < l.size(); ++i) counted += l.FilesOf(i).size();
  EXPECT_EQ(counted, l.FileStore().LiveFiles());
  EXPECT_EQ(l.FilesOf(FindRecordOf(l, L"C:\\keep\\d0\\")).size(),
            static_cast<size_t>(l[FindRecordOf(l, L"C:\\keep\\d0\\")].Files));
}

}  // namespace
}  // namespace vardune
