// The rows of the file views: sizes as the result list writes them, shares in German, types,
// and the order after clicks on the column titles.
#include <gtest/gtest.h>

#include "view/filerows.h"
#include "view/rows.h"

namespace vardune {
namespace {

TEST(FileRows, TextsOfSizesSharesAndTypes) {
  const std::pair<int64_t, std::wstring> kb[] = {
      {0, L"0"}, {1023, L"0"}, {999 * 1024 + 1023, L"999"}, {1024000, L"    1'000"},
      {int64_t{12345678} * 1024, L"12'345'678"}};
  for (const auto& [bytes, text] : kb) EXPECT_EQ(KBytesText(bytes), text) << bytes;
  const struct {
    int64_t part, whole;
    const wchar_t* text;
  } shares[] = {{1, 3, L"33,3 %"}, {2, 3, L"66,7 %"}, {5, 5, L"100,0 %"}, {0, 7, L"0,0 %"},
                {0, 0, L"0,0 %"},  {1, 2000, L"0,1 %"}, {1, 3000, L"0,0 %"}};
  for (const auto& s : shares) EXPECT_EQ(ShareText(s.part, s.whole), s.text) << s.part << "/" << s.whole;
  EXPECT_EQ(TypeText(L"jpg"), L".jpg");
  EXPECT_EQ(TypeText(L""), L"(ohne)");
}

// A file's row: its size as the main list writes it, its directory, and a mark where its data
// is in the cloud and takes no space here.
TEST(FileRows, AFileRowAndTheMarkOfCloudFiles) {
  const FileRow r = MakeFileRow(FileInfo{L"Film.mkv", 3 << 20, 3 << 20, 5, 0}, L"C:\\a\\",
                                FileAt{7, 2}, L"01.02.2024 10:00");
  EXPECT_EQ(r.cells, (std::array<std::wstring, 4>{L"Film.mkv", L"    3'072", L"C:\\a\\",
                                                  L"01.02.2024 10:00"}));
  EXPECT_EQ(r.path, L"C:\\a\\Film.mkv");
  EXPECT_EQ(r.at, (FileAt{7, 2}));
  EXPECT_FALSE(r.cloud);
  const FileRow c =
      MakeFileRow(FileInfo{L"Doc.docx", 5000, 0, 5, kFileCloud | kFileReadOnly}, L"D:\\", {}, L"");
  EXPECT_TRUE(c.cloud);
  EXPECT_EQ(c.cells[0], L"Doc.docx  (nur online)");
  EXPECT_EQ(c.path, L"D:\\Doc.docx");
}

TEST(FileRows, OrdersByTheClickedColumnKeepingTiesInPlace) {
  const auto file = [](std::wstring name, int64_t size, uint32_t time, std::wstring dir) {
    FileRow r;
    r.cells = {name, KBytesText(size), dir, L""};
    r.size = size;
    r.time = time;
    return r;
  };
  // Largest first as they come; two of equal size, names differing in case only.
  const std::vector<FileRow> files = {
      file(L"b.iso", 5000000, 30, L"C:\\x\\"), file(L"A.mkv", 2000000, 10, L"C:\\a\\"),
      file(L"a.txt", 2000000, 20, L"D:\\"),    file(L"c", 1500, 40, L"C:\\a\\b\\")};
  int sort = 11;  // "KBytes", largest first
  EXPECT_EQ(OrderFileRows(files, sort), (std::vector<size_t>{0, 1, 2, 3}));
  const struct {
    int column;
    std::vector<size_t> order;
  } clicks[] = {
      {1, {3, 1, 2, 0}},  // "KBytes" again: ascending, the tie in place
      {0, {1, 2, 0, 3}},  // "Name": ascending (the direction stays), case ignored, tie kept
      {0, {3, 0, 2, 1}},  // again: descending
      {2, {2, 0, 3, 1}},  // "Verzeichnis", descending kept; a path before the paths below it
      {3, {3, 0, 2, 1}},  // "Geändert", newest first
      {3, {1, 2, 0, 3}},
  };
  for (const auto& c : clicks) {
    sort = NextSort(sort, c.column);
    EXPECT_EQ(OrderFileRows(files, sort), c.order) << "sort " << sort;
  }

  const auto type = [](std::wstring text, int64_t bytes, int64_t n) {
    TypeListRow r;
    r.cells = {text, KBytesText(bytes), L"", std::to_wstring(n)};
    r.bytes = bytes;
    r.files = n;
    return r;
  };
  const std::vector<TypeListRow> types = {type(L".mkv", 900, 1), type(L".jpg", 500, 9),
                                          type(L"(ohne)", 500, 2), type(L".TXT", 5, 30)};
  EXPECT_EQ(OrderTypeRows(types, 11), (std::vector<size_t>{0, 1, 2, 3}));
  EXPECT_EQ(OrderTypeRows(types, 2), (std::vector<size_t>{3, 1, 2, 0}));   // "Anteil" ascending
  EXPECT_EQ(OrderTypeRows(types, 13), (std::vector<size_t>{3, 1, 2, 0}));  // "Dateien", most first
  EXPECT_EQ(OrderTypeRows(types, 0), (std::vector<size_t>{2, 1, 0, 3}));   // "Typ"
}

}  // namespace
}  // namespace vardune
