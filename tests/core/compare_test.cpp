// The comparison of the results with an earlier export: what grew, shrank, came and went, at
// each level, with names matched as Windows matches them and as the import reads them, and
// what a file that is no export gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "os/text.h"
#include "scan/compare.h"
#include "scan/import.h"
#include "scan/model.h"

namespace vardune {
namespace {

constexpr int64_t kNew = kBeforeAbsent;
constexpr int64_t kGone = kBeforeAbsent;

// An ncdu export of root `root` (as the file writes it) whose top directory holds `body`.
std::string Export(const std::string& root, const std::string& body, int64_t timestamp = 1700000000) {
  return "[1,2,{\"progname\":\"ncdu\",\"progver\":\"2.3\",\"timestamp\":" + std::to_string(timestamp) +
         "},\n[{\"name\":\"" + root + "\"}" + (body.empty() ? "" : "," + body) + "]]";
}

PfadListe Results(const std::string& json) {
  ImportResult r;
  ImportError err;
  EXPECT_TRUE(ReadNcduJson(json, r, err)) << ToUtf8(err.Text);
  r.Records.SortByParent();
  return std::move(r.Records);
}

Comparison Compare(const PfadListe& now, const std::string& earlier) {
  Comparison c;
  ImportError err;
  EXPECT_TRUE(CompareWithExport(now, [&, at = size_t{0}](char* buf, size_t cap) mutable -> int64_t {
    const size_t n = std::min(cap, earlier.size() - at);
    std::copy_n(earlier.data() + at, n, buf);
    at += n;
    return static_cast<int64_t>(n);
  }, c, err)) << ToUtf8(err.Text);
  return c;
}

// A row as the test writes it: the path below the compared directory, now and then.
struct Row {
  std::wstring path;
  int64_t now, before;
  bool operator==(const Row&) const = default;
};
void PrintTo(const Row& r, std::ostream* os) {
  *os << ToUtf8(r.path) << " " << r.now << " <- " << r.before;
}

std::vector<Row> Rows(const PfadListe& now, const Comparison& c, const std::wstring& dir,
                      size_t max = 1000) {
  std::vector<Row> out;
  for (const ChangeRow& r : ChangesBelow(now, c, dir, max)) {
    out.push_back(Row{r.Dir.substr(std::min(r.Dir.size(), dir.size())) + r.Name + (r.IsDir ? L"\\" : L""),
                      r.Now, r.Before});
  }
  return out;
}

const std::string kThen = Export("C:\\\\T", R"(
  {"name":"same.txt","asize":100},
  {"name":"shrinks.txt","asize":5000},
  {"name":"goes.txt","asize":3000},
  [{"name":"grows"},{"name":"a.bin","asize":1000},{"name":"b.bin","asize":10}],
  [{"name":"gone"},{"name":"x","asize":700},[{"name":"deep"},{"name":"y","asize":300}]],
  [{"name":"still"},{"name":"z","asize":50}],
  [{"name":"locked"},{"name":"w","asize":400}],
  [{"name":"renamed-old"},{"name":"r","asize":20}])");

const std::string kNow = Export("C:\\\\T", R"(
  {"name":"same.txt","asize":100},
  {"name":"shrinks.txt","asize":1000},
  {"name":"comes.txt","asize":2000},
  [{"name":"grows"},{"name":"a.bin","asize":9000},{"name":"b.bin","asize":10},{"name":"c.bin","asize":5}],
  [{"name":"fresh"},{"name":"n1","asize":60},[{"name":"inner"},{"name":"n2","asize":40}]],
  [{"name":"still"},{"name":"z","asize":50}],
  [{"name":"locked","read_error":true}],
  [{"name":"renamed-new"},{"name":"r","asize":20}])");

TEST(Compare, RowsAtEachLevelOrderedByGrowth) {
  const PfadListe now = Results(kNow);
  const Comparison c = Compare(now, kThen);
  EXPECT_EQ(c.Anchor, L"C:\\T\\");
  EXPECT_FALSE(c.OtherTree);
  EXPECT_EQ(c.Timestamp, 1700000000);
  // The top: the directories with their totals (an unreadable one counts 0 bytes now, as in
  // the totals above it), the files, what is gone; the contents of what is new or gone are
  // not repeated.
  const std::vector<Row> top = {
      {L"grows\\", 9015, 1010},
      {L"grows\\a.bin", 9000, 1000},
      {L"comes.txt", 2000, kNew},
      {L"fresh\\", 100, kNew},
      {L"renamed-new\\", 20, kNew},
      {L"grows\\c.bin", 5, kNew},
      {L"renamed-old\\", kGone, 20},
      {L"locked\\", -1, 400},
      {L"gone\\", kGone, 1000},
      {L"goes.txt", kGone, 3000},
      {L"shrinks.txt", 1000, 5000},
  };
  EXPECT_EQ(Rows(now, c, L"C:\\T\\"), top);
  const std::vector<Row> grows = {{L"a.bin", 9000, 1000}, {L"c.bin", 5, kNew}};
  EXPECT_EQ(Rows(now, c, L"C:\\T\\grows\\"), grows);
  // Inside a new directory everything is new; an unchanged one has no rows.
  const std::vector<Row> fresh = {{L"n1", 60, kNew}, {L"inner\\", 40, kNew}};
  EXPECT_EQ(Rows(now, c, L"C:\\T\\fresh\\"), fresh);
  EXPECT_TRUE(Rows(now, c, L"C:\\T\\still\\").empty());
  // The growths at the top add up to the change of the whole tree.
  int64_t sum = 0;
  for (const ChangeRow& r : ChangesBelow(now, c, L"C:\\T\\", 1000)) {
    if (r.Dir == L"C:\\T\\") sum += r.Growth();
  }
  EXPECT_EQ(sum, (100 + 1000 + 2000 + 9015 + 100 + 50 + 20) - (100 + 5000 + 3000 + 1010 + 1000 + 50 + 400 + 20));
  // At most `max` rows: those that changed most, either way, still ordered by growth.
  const std::vector<Row> three = {{L"grows\\", 9015, 1010}, {L"grows\\a.bin", 9000, 1000},
                                  {L"shrinks.txt", 1000, 5000}};
  EXPECT_EQ(Rows(now, c, L"C:\\T\\", 3), three);
}

TEST(Compare, FileMarksAndWhatIsKept) {
  const PfadListe now = Results(kNow);
  const Comparison c = Compare(now, kThen);
  const size_t grows = FindRecordOf(now, L"C:\\T\\grows\\");
  ASSERT_NE(grows, PfadListe::npos);
  std::vector<int> marks;
  const std::vector<uint32_t> off = MarkOffsets(now);
  now.ForEachFile(grows, [&, k = 0u](const FileRef&) mutable { marks.push_back(c.Marks[off[grows] + k++]); });
  EXPECT_EQ(marks, (std::vector<int>{kFileGrown, kFileSame, kFileNew}));
  EXPECT_EQ(c.Marks.size(), now.FileStore().LiveFiles());
  EXPECT_EQ(c.Before[FindRecordOf(now, L"C:\\T\\still\\")], 50);
  EXPECT_EQ(c.Before[FindRecordOf(now, L"C:\\T\\fresh\\inner\\")], kBeforeAbsent);
  // Of what is gone only the top: "gone" without its "deep", the file, the renamed directory.
  EXPECT_EQ(c.Gone.size(), 3u);
}

TEST(Compare, NamesMatchAsWindowsAndTheImportSeeThem) {
  struct Case {
    const char* what;
    std::string then, now;
    std::vector<Row> rows;
  };
  const std::vector<Case> cases = {
      {"letter case of a directory and a file changed",
       Export("C:\\\\T", R"([{"name":"Fotos"},{"name":"BILD.JPG","asize":100}])"),
       Export("C:\\\\T", R"([{"name":"fotos"},{"name":"bild.jpg","asize":300}])"),
       {{L"fotos\\", 300, 100}, {L"fotos\\bild.jpg", 300, 100}}},
      {"names of a Linux tree that differ in case only stay apart",
       Export("/srv/d", R"({"name":"A","asize":10},{"name":"a","asize":20})"),
       Export("/srv/d", R"({"name":"A","asize":10},{"name":"a","asize":25})"),
       {{L"a", 25, 20}}},
      {"umlauts in another case",
       Export("C:\\\\T", R"({"name":"Äpfel.txt","asize":10})"),
       Export("C:\\\\T", R"({"name":"äPFEL.txt","asize":10},{"name":"neu.txt","asize":1})"),
       {{L"neu.txt", 1, kNew}}},
      {"names that are no UTF-8 keep the names the import gives them",
       Export("/srv/d", "{\"name\":\"caf\xE9\",\"asize\":10},{\"name\":\"caf\xE8\",\"asize\":20}"),
       Export("/srv/d", "{\"name\":\"caf\xE9\",\"asize\":10},{\"name\":\"caf\xE8\",\"asize\":40}"),
       {{L"caf\uFFFD (2)", 40, 20}}},
  };
  for (const Case& t : cases) {
    const PfadListe now = Results(t.now);
    const Comparison c = Compare(now, t.then);
    EXPECT_EQ(Rows(now, c, c.Anchor), t.rows) << t.what;
  }
}

TEST(Compare, WhereTheTreesMeet) {
  struct Case {
    const char* what;
    std::string then, now;
    std::wstring anchor;
    bool other;
    std::wstring shown;
    std::vector<Row> rows;
  };
  const std::vector<Case> cases = {
      {"an export of another tree: its root stands for the root, all is new or gone",
       Export("D:\\\\Other", R"({"name":"x","asize":10})"),
       Export("C:\\\\T", R"({"name":"y","asize":7})"), L"C:\\T\\", true, L"C:\\T\\",
       {{L"y", 7, kNew}, {L"x", kGone, 10}}},
      {"an export of a part of the results",
       Export("C:\\\\T\\\\sub", R"({"name":"x","asize":10})"),
       Export("C:\\\\T", R"({"name":"top","asize":1},[{"name":"sub"},{"name":"x","asize":15}])"),
       L"C:\\T\\sub\\", false, L"C:\\T\\sub\\", {{L"x", 15, 10}}},
      {"outside the part the export covers there is nothing to show",
       Export("C:\\\\T\\\\sub", R"({"name":"x","asize":10})"),
       Export("C:\\\\T", R"({"name":"top","asize":1},[{"name":"sub"},{"name":"x","asize":15}])"),
       L"C:\\T\\sub\\", false, L"C:\\T\\", {}},
      {"results of a part of the exported tree",
       Export("C:\\\\T", R"([{"name":"sub"},{"name":"x","asize":10}],{"name":"top","asize":5})"),
       Export("C:\\\\T\\\\sub", R"({"name":"x","asize":12})"), L"C:\\T\\sub\\", false,
       L"C:\\T\\sub\\", {{L"x", 12, 10}}},
      {"an export with nothing in it",
       Export("C:\\\\T", ""), Export("C:\\\\T", R"({"name":"y","asize":7})"), L"C:\\T\\", false,
       L"C:\\T\\", {{L"y", 7, kNew}}},
  };
  for (const Case& t : cases) {
    const PfadListe now = Results(t.now);
    const Comparison c = Compare(now, t.then);
    EXPECT_EQ(c.Anchor, t.anchor) << t.what;
    EXPECT_EQ(c.OtherTree, t.other) << t.what;
    EXPECT_EQ(Rows(now, c, t.shown), t.rows) << t.what;
  }
}

TEST(Compare, FilesKnownOnlyAsTheirSumCompareAsTheSum) {
  // This program's older export: the files of a directory as one "<DATEIEN>" entry.
  const std::string then = Export("C:\\\\T", R"(
    {"name":"<DATEIEN>","asize":500,"vardune_files":3},
    [{"name":"d"},{"name":"<DATEIEN>","asize":100,"vardune_files":1}])");
  const PfadListe now = Results(Export("C:\\\\T", R"(
    {"name":"a","asize":300},{"name":"b","asize":400},[{"name":"d"}])"));
  const Comparison c = Compare(now, then);
  const std::vector<Row> rows = {{L"<DATEIEN>", 700, 500}, {L"d\\", 0, 100},
                                 {L"d\\<DATEIEN>", kGone, 100}};
  EXPECT_EQ(Rows(now, c, L"C:\\T\\"), rows);
}

TEST(Compare, NoExportNoComparison) {
  const PfadListe now = Results(kNow);
  struct Case {
    std::string bytes;
    int64_t line, column;
  };
  const std::vector<Case> cases = {
      {kThen.substr(0, kThen.size() / 2), 0, 0},  // cut off: where it ends
      {"[1,2,{},\n[{\"name\":\"C:\\\\T\"},\n  {\"name\":\"x\",\"asize\":-5}]]", 3, 0},
      {"not json", 1, 2},
  };
  for (const Case& t : cases) {
    Comparison c;
    c.Anchor = L"kept";
    ImportError err;
    EXPECT_FALSE(CompareWithExport(now, [&, at = size_t{0}](char* buf, size_t cap) mutable -> int64_t {
      const size_t n = std::min(cap, t.bytes.size() - at);
      std::copy_n(t.bytes.data() + at, n, buf);
      at += n;
      return static_cast<int64_t>(n);
    }, c, err));
    EXPECT_GT(err.Line, 0);
    EXPECT_GT(err.Column, 0);
    if (t.line) {
      EXPECT_EQ(err.Line, t.line) << ToUtf8(err.Text);
    }
    EXPECT_EQ(c.Anchor, L"kept");
    // The same words as the import's own message.
    ImportResult r;
    ImportError importErr;
    EXPECT_FALSE(ReadNcduJson(t.bytes, r, importErr));
    EXPECT_EQ(err.Text, importErr.Text);
    EXPECT_EQ(err.Column, importErr.Column);
  }
}

TEST(Compare, EveryChangeAsCsv) {
  const PfadListe now = Results(Export("C:\\\\T", R"(
    {"name":"=x;y","asize":3000},[{"name":"d"},{"name":"f","asize":10}],[{"name":"e","read_error":true}])"));
  const Comparison c = Compare(now, Export("C:\\\\T", R"(
    [{"name":"d"},{"name":"f","asize":20}],{"name":"weg","asize":5},[{"name":"e"},{"name":"g","asize":1}])"));
  std::string csv;
  ASSERT_TRUE(WriteChangesCsv(now, c, [&](std::string_view b) {
    csv.append(b);
    return true;
  }));
  EXPECT_EQ(csv, "\xEF\xBB\xBF" "Pfad;Änderung Bytes;Jetzt Bytes;Vorher Bytes;Art\r\n"
                 "\"C:\\T\\=x;y\";3000;3000;;neu\r\n"
                 "C:\\T\\e\\;-1;;1;ERROR\r\n"
                 "C:\\T\\weg;-5;;5;weg\r\n"
                 "C:\\T\\d\\;-10;10;20;geschrumpft\r\n"
                 "C:\\T\\d\\f;-10;10;20;geschrumpft\r\n");
}

TEST(Compare, OtherResultsShowNothingStale) {
  PfadListe now = Results(kNow);
  const Comparison c = Compare(now, kThen);
  ASSERT_FALSE(Rows(now, c, L"C:\\T\\").empty());
  now.SortByParent();  // any change of the records
  EXPECT_TRUE(Rows(now, c, L"C:\\T\\").empty());
}

TEST(Compare, MemoryWithinABytePerFile) {
  // 500 directories of 20 files, as the benchmark's tree; then 1 % of the files resized, 1 %
  // new, 1 % gone.
  std::string then, now;
  for (int d = 0; d < 500; ++d) {
    std::string a = "[{\"name\":\"dir" + std::to_string(d) + "\"}";
    std::string b = a;
    for (int f = 0; f < 20; ++f) {
      const std::string name = "file-" + std::to_string(f) + ".dat";
      const int k = d * 20 + f;
      a += ",{\"name\":\"" + name + "\",\"asize\":" + std::to_string(1000 + f) + "}";
      if (k % 100 == 1) continue;  // gone
      b += ",{\"name\":\"" + name + "\",\"asize\":" + std::to_string(1000 + f + (k % 100 == 2)) + "}";
      if (k % 100 == 3) b += ",{\"name\":\"new-" + name + "\",\"asize\":1}";
    }
    then += (d ? "," : "") + a + "]";
    now += (d ? "," : "") + b + "]";
  }
  const PfadListe results = Results(Export("C:\\\\B", now));
  const Comparison c = Compare(results, Export("C:\\\\B", then));
  EXPECT_EQ(c.ResizedFiles.size(), 100u);
  EXPECT_EQ(c.Gone.size(), 100u);
  const size_t files = results.FileStore().LiveFiles();
  EXPECT_LE(c.MemoryBytes(), 16 * results.size() + files);
  // Every fifth directory changed, with three files each.
  EXPECT_EQ(ChangesBelow(results, c, L"C:\\B\\", 100000).size(), 100u + 300u);
}

}  // namespace
}  // namespace vardune
