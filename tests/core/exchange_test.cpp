// The export formats (CSV, ncdu JSON) and the streamed import of ncdu's JSON: records added up
// as a scan adds them, the round trip through the program's own export, and bad input.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "os/text.h"
#include "scan/export.h"
#include "scan/import.h"
#include "scan/model.h"

namespace vardune {

// Readable records in the failure messages.
void PrintTo(const Pfad& p, std::ostream* os) {
  *os << ToUtf8(p.Parent) << " | " << ToUtf8(p.Name) << " | " << p.Size << " " << p.Dirs << " "
      << p.Files << " " << int{p.Bup};
  for (const FileInfo& f : p.FileList) {
    *os << " [" << ToUtf8(f.Name) << " " << f.Size << " " << f.Allocated << " " << f.Time << " "
        << int{f.Flags} << "]";
  }
}

namespace {

const std::wstring D(kDateien);

std::string Narrow(const std::wstring& s) { return ToUtf8(s); }

Pfad R(std::wstring parent, std::wstring name, int64_t size, int32_t dirs = 0, int32_t files = 0,
       std::vector<FileInfo> list = {}) {
  return Pfad{std::move(parent), std::move(name), size, dirs, files, 0, std::move(list)};
}

FileInfo F(std::wstring name, int64_t size, int64_t onDisk = 0, uint32_t time = 0,
           uint8_t flags = 0) {
  return FileInfo{std::move(name), size, onDisk, time, flags};
}

std::vector<Pfad> All(const PfadListe& l) {
  std::vector<Pfad> v;
  for (size_t i = 0; i < l.size(); ++i) v.push_back(l.Get(i));
  return v;
}

PfadListe List(const std::vector<Pfad>& recs) {
  PfadListe l;
  for (const Pfad& p : recs) l.Append(p);
  return l;
}

std::string Csv(const PfadListe& l) {
  std::string out;
  EXPECT_TRUE(WriteCsv(l, [&](std::string_view b) {
    out.append(b);
    return true;
  }));
  return out;
}

std::string Json(const PfadListe& l) {
  std::string out;
  EXPECT_EQ(WriteNcduJson(l, NcduMeta{"251231", 1700000000},
                          [&](std::string_view b) {
                            out.append(b);
                            return true;
                          }),
            JsonExportResult::Ok);
  return out;
}

ImportResult Import(std::string_view json) {
  ImportResult r;
  ImportError e;
  EXPECT_TRUE(ReadNcduJson(json, r, e)) << Narrow(e.Text) << " at " << e.Line << ":" << e.Column;
  return r;
}

ImportError ImportFails(std::string_view json) {
  ImportResult r;
  ImportError e;
  EXPECT_FALSE(ReadNcduJson(json, r, e)) << json.substr(0, 80);
  return e;
}

// A scan of C:\a\ as the scanner leaves it, sorted: "b" with a file, an empty "leer", an
// unreadable "zu", "c" whose files are all empty (no "<DATEIEN>"), the loose files of C:\a\;
// then a rescan of C:\a\b\ appended its records after the others of C:\a\, so that the
// "<DATEIEN>" record of C:\a\ is no longer last among them. Names are UTF-16 on every build:
// U+1D11E stands as its surrogate pair, which the host's 32-bit wchar_t would hold as one unit.
PfadListe ScanLikeResults() {
  PfadListe l = List({
      R(L"C:\\", L"a", 1300 + 70 + 5, 5, 2 + 3 + 1 + 1),
      R(L"C:\\a\\", L"leer", 0),
      R(L"C:\\a\\", L"zu", -1),
      R(L"C:\\a\\", L"c", 0, 0, 3),
      R(L"C:\\a\\", D, 1300, 0, 2),
      R(L"C:\\a\\", L"b", 75, 1, 2),
      R(L"C:\\a\\b\\", L"tief \"x\"; ü \xD834\xDD1E", 5, 0, 1),
      R(L"C:\\a\\b\\", D, 70, 0, 1),
      R(L"C:\\a\\b\\tief \"x\"; ü \xD834\xDD1E\\", D, 5, 0, 1),
  });
  return l;
}

TEST(NcduImport, AddsUpLikeAScan) {
  // ncdu's own output: a directory's own asize is not counted, files are, also empty ones and
  // those that are no regular files; read_error makes an ERROR record without its contents;
  // excluded entries and other file systems are left out. A directory called "<DATEIEN>" must
  // not pass for the files of its parent.
  const ImportResult r = Import(R"([1,2,{"progname":"ncdu","progver":"1.18","timestamp":1},
[{"name":"/srv/data","asize":4096,"dev":1},
 {"name":"lose","asize":100,"dsize":4096},
 [{"name":"sub","asize":4096},
  {"name":"f","asize":7},
  {"name":"leer"},
  [{"name":"tiefer","asize":4096},{"name":"g","asize":3,"ino":5,"hlnkc":true}]],
 {"name":"link","asize":4,"notreg":true},
 [{"name":"kaputt","read_error":true},{"name":"halb","asize":99}],
 {"name":"ausgelassen","asize":1000,"excluded":"pattern"},
 [{"name":"mnt","asize":4096,"excluded":"otherfs"},{"name":"x","asize":5}],
 [{"name":"leer-verz","asize":4096}],
 {"name":"a\\b","asize":1,"x-extra":{"nested":[1,2,{"name":5}]}},
 [{"name":"<DATEIEN>"}]]])");
  EXPECT_EQ(r.Root, L"\\srv\\data\\");
  EXPECT_EQ(All(r.Records), (std::vector<Pfad>{
                                R(L"\\srv\\data\\sub\\", L"tiefer", 3, 0, 1, {F(L"g", 3)}),
                                R(L"\\srv\\data\\sub\\tiefer\\", D, 3, 0, 1),
                                R(L"\\srv\\data\\", L"sub", 10, 1, 3, {F(L"f", 7), F(L"leer", 0)}),
                                R(L"\\srv\\data\\sub\\", D, 7, 0, 2),
                                R(L"\\srv\\data\\", L"kaputt", -1),
                                R(L"\\srv\\data\\", L"leer-verz", 0),
                                R(L"\\srv\\data\\", L"_DATEIEN_", 0),
                                R(L"\\srv\\", L"data", 115, 5, 6,
                                  {F(L"lose", 100, 4096), F(L"link", 4), F(L"a_b", 1)}),
                                R(L"\\srv\\data\\", D, 105, 0, 3),
                            }));
}

TEST(NcduImport, RootNamesBecomePaths) {
  EXPECT_EQ(ImportRootPath(L"/srv/data"), L"\\srv\\data\\");
  EXPECT_EQ(ImportRootPath(L"/srv//data/"), L"\\srv\\data\\");
  EXPECT_EQ(ImportRootPath(L"/"), L"\\");
  EXPECT_EQ(ImportRootPath(L"C:\\Daten"), L"C:\\Daten\\");
  EXPECT_EQ(ImportRootPath(L"C:/Daten"), L"C:\\Daten\\");
  EXPECT_EQ(ImportRootPath(L"C:"), L"C:\\");
  EXPECT_EQ(ImportRootPath(L"//srv/share"), L"\\\\srv\\share\\");
  EXPECT_EQ(ImportRootPath(L"daten"), L"daten\\");
  EXPECT_EQ(ImportRootPath(L"C:\\a\\..\\b\\."), L"C:\\b\\");
  for (const wchar_t* bad : {L"", L".", L"..", L"//", L"/./", L"/srv/../etc"}) {
    EXPECT_EQ(ImportRootPath(bad), L"") << Narrow(bad);
  }
  // A drive root and the bare "/" root: records as a scan of C:\ or of \ leaves them.
  ImportResult r = Import(R"([1,0,{},[{"name":"C:"},{"name":"f","asize":2}]])");
  EXPECT_EQ(r.Root, L"C:\\");
  EXPECT_EQ(All(r.Records),
            (std::vector<Pfad>{R(L"", L"C:", 2, 0, 1, {F(L"f", 2)}), R(L"C:\\", D, 2, 0, 1)}));
  r = Import(R"([1,2,{},[{"name":"/"},[{"name":"etc"},{"name":"f","asize":2}]]])");
  EXPECT_EQ(r.Root, L"\\");
  EXPECT_EQ(All(r.Records), (std::vector<Pfad>{R(L"\\", L"etc", 2, 0, 1, {F(L"f", 2)}),
                                               R(L"\\etc\\", D, 2, 0, 1),
                                               R(L"", L"", 2, 1, 1)}));
}

TEST(NcduImport, NamesThatAreNoUtf8OrHoldSeparatorsAndPathsPast250Characters) {
  // ncdu 1.x writes a name's raw bytes; a backslash inside a name would split the path.
  ImportResult r = Import("[1,2,{},[{\"name\":\"/r\"},[{\"name\":\"bad\xff\xc3(na\\\\me/\\u0000\"},"
                          "{\"name\":\"f\",\"asize\":1}]]]");
  ASSERT_EQ(r.Records.size(), 3u);
  EXPECT_EQ(r.Records.Name(0), L"bad\xFFFD\xFFFD(na_me__");
  EXPECT_EQ(r.Records.Parent(1), L"\\r\\bad\xFFFD\xFFFD(na_me__\\");

  // The directory whose path passes 250 characters is an ERROR record; below it nothing.
  std::string deep = "[1,2,{},[{\"name\":\"/r\"}";
  std::wstring path = L"\\r\\";
  int levels = 0;
  for (; path.size() <= 250; ++levels) {
    deep += ",[{\"name\":\"" + std::string(20, 'd') + "\"},{\"name\":\"f\",\"asize\":1}";
    path += std::wstring(20, L'd') + L"\\";
  }
  deep += ",[{\"name\":\"unter\"},{\"name\":\"g\",\"asize\":5}]";
  for (int i = 0; i < levels; ++i) deep += "]";
  deep += "]]";
  r = Import(deep);
  r.Records.SortByParent();
  size_t errors = 0;
  for (size_t i = 0; i < r.Records.size(); ++i) {
    const std::wstring full = r.Records.FullPath(i) + L"\\";
    if (r.Records[i].Size < 0) {
      ++errors;
      EXPECT_GT(full.size(), 250u);
    } else {
      EXPECT_LE(r.Records.Parent(i).size(), 250u);
    }
  }
  EXPECT_EQ(errors, 1u);
  const size_t root = FindRecordOf(r.Records, L"\\r\\");
  ASSERT_NE(root, PfadListe::npos);
  EXPECT_EQ(r.Records[root].Files, levels - 1);  // the file beside the error is not counted
  EXPECT_EQ(r.Records[root].Dirs, levels);
}

TEST(NcduExport, OwnExportReadsBackIntoTheSameRecords) {
  const PfadListe scan = ScanLikeResults();
  const std::string json = Json(scan);
  EXPECT_TRUE(json.starts_with("[1,2,{\"progname\":\"vardune\",\"progver\":\"251231\","
                               "\"timestamp\":1700000000},\r\n[{\"name\":\"C:\\\\a\"}"))
      << json.substr(0, 120);
  EXPECT_NE(json.find(R"([{"name":"zu","read_error":true}])"), std::string::npos);
  EXPECT_NE(json.find(R"({"name":"<DATEIEN>","asize":1300,"dsize":1300,"vardune_files":2})"),
            std::string::npos);
  // Empty files have no record, but the directory's count keeps them.
  EXPECT_NE(json.find(R"([{"name":"c"},)" "\r\n" R"({"name":"<DATEIEN>","asize":0,"dsize":0,"vardune_files":3}])"),
            std::string::npos);
  ImportResult r = Import(json);
  EXPECT_EQ(r.Root, L"C:\\a\\");
  r.Records.SortByParent();
  EXPECT_EQ(All(r.Records), All(scan));

  // The shares of a server scan: several roots below one that is no record.
  const PfadListe server = List({
      R(L"\\\\srv\\", L"eins", 10, 0, 1),
      R(L"\\\\srv\\", L"zwei", 0),
      R(L"\\\\srv\\eins\\", D, 10, 0, 1),
  });
  const std::string sj = Json(server);
  EXPECT_NE(sj.find(R"([{"name":"\\\\srv","vardune_virtual":true},)"), std::string::npos) << sj;
  r = Import(sj);
  EXPECT_EQ(r.Root, L"\\\\srv\\");
  r.Records.SortByParent();
  EXPECT_EQ(All(r.Records), All(server));
  // So are the directories below the Linux root "/" of such an import (no record either).
  const PfadListe slash = List({R(L"\\", L"eins", 10, 0, 1), R(L"\\", L"zwei", 0),
                                R(L"\\eins\\", D, 10, 0, 1)});
  r = Import(Json(slash));
  EXPECT_EQ(r.Root, L"\\");
  r.Records.SortByParent();
  EXPECT_EQ(All(r.Records), All(slash));

  // An import may count files beside a "<DATEIEN>" entry of the program's own (here an empty
  // one, then more of them): one file-sum record holds them all, as a scan's would.
  ImportResult mixed = Import(R"([1,2,{},[{"name":"/m"},{"name":"leer"},)"
                              R"({"name":"<DATEIEN>","asize":11,"vardune_files":1},{"name":"f","asize":3},)"
                              R"({"name":"<DATEIEN>","asize":6,"vardune_files":2}]])");
  ASSERT_EQ(All(mixed.Records),
            (std::vector<Pfad>{R(L"\\m\\", D, 20, 0, 5),
                               R(L"\\", L"m", 20, 0, 5, {F(L"leer", 0), F(L"f", 3)})}));
  mixed.Records.SortByParent();
  r = Import(Json(mixed.Records));
  r.Records.SortByParent();
  EXPECT_EQ(All(r.Records), All(mixed.Records));

  // Records of unrelated trees, and two drives, have no root in common to write.
  std::string ignored;
  for (const PfadListe& apart : {List({R(L"C:\\", L"a", 1), R(L"D:\\", L"b", 1)}),
                                 List({R(L"", L"C:", 1), R(L"", L"D:", 1)})}) {
    EXPECT_EQ(WriteNcduJson(apart, NcduMeta{},
                            [&](std::string_view b) {
                              ignored.append(b);
                              return true;
                            }),
              JsonExportResult::NoCommonRoot);
  }
}

// A directory below the root /r holding one file of `size` bytes, as ncdu writes it.
std::string DirEntry(std::string_view name, int size) {
  return "[{\"name\":\"" + std::string(name) + "\"},{\"name\":\"f\",\"asize\":" +
         std::to_string(size) + "}]";
}

TEST(NcduImport, NamesThatBecomeOneStayApartWithASuffix) {
  struct Case {
    std::vector<std::string> dirs;           // in the file, the n-th with n bytes
    std::vector<std::wstring> names;         // the records' names, in that order
    std::vector<std::pair<std::wstring, std::wstring>> renamed;  // as the file has it, as kept
    std::string before = "";                 // entries ahead of the directories
  };
  const std::wstring F(1, L'\xFFFD');
  const std::vector<Case> cases = {
      // Latin-1 names from an old server, which ncdu 1.x writes as their bytes.
      {{"caf\xe9", "caf\xe8", "caf\xe0"}, {L"caf" + F, L"caf" + F + L" (2)", L"caf" + F + L" (3)"},
       {{L"caf\\xE8", L"caf" + F + L" (2)"}, {L"caf\\xE0", L"caf" + F + L" (3)"}}},
      {{"a\\\\b", "a_b", "a/b"}, {L"a_b", L"a_b (2)", L"a_b (3)"},
       {{L"a_b", L"a_b (2)"}, {L"a/b", L"a_b (3)"}}},
      {{"<DATEIEN>", "_DATEIEN_"}, {L"_DATEIEN_", L"_DATEIEN_ (2)"}, {{L"_DATEIEN_", L"_DATEIEN_ (2)"}}},
      {{"Daten", "daten", "DATEN"}, {L"Daten", L"daten", L"DATEN"}, {}},
      {{"x", "x", "x (2)"}, {L"x", L"x (2)", L"x (2) (2)"}, {{L"x", L"x (2)"}, {L"x (2)", L"x (2) (2)"}}},
      // A surrogate without its other half is a name of its own; U+FFFD written as it is and
      // a byte that is no UTF-8 are one.
      {{"\\ud800", "\\uDC00", "\\ufffd", "\xff"}, {L"\xD800", L"\xDC00", F, F + L" (2)"},
       {{L"\\xFF", F + L" (2)"}}},
      // A file of the name came first: no path may stand for both.
      {{"caf\xe8"}, {L"caf" + F + L" (2)"}, {{L"caf\\xE8", L"caf" + F + L" (2)"}},
       ",{\"name\":\"caf\xe9\",\"asize\":100}"},
  };
  for (const Case& c : cases) {
    std::string json = R"([1,2,{},[{"name":"/r"})" + c.before;
    for (size_t k = 0; k < c.dirs.size(); ++k) {
      json += ',';
      json += DirEntry(c.dirs[k], static_cast<int>(k + 1));
    }
    const ImportResult r = Import(json + "]]");
    std::vector<std::wstring> names;
    std::set<std::pair<std::wstring, std::wstring>> paths;
    for (size_t i = 0; i < r.Records.size(); ++i) {
      EXPECT_TRUE(paths.emplace(r.Records.Parent(i), r.Records.Name(i)).second)
          << json << ": two records of " << Narrow(r.Records.FullPath(i));
      if (r.Records.Parent(i) != L"\\r\\" || r.Records.Name(i) == D) continue;
      names.push_back(std::wstring(r.Records.Name(i)));
      // Each keeps its own contents.
      EXPECT_EQ(r.Records[i].Size, static_cast<int64_t>(names.size())) << json;
      EXPECT_NE(FindRecord(r.Records, r.Records.FullPath(i) + L"\\", D), PfadListe::npos) << json;
    }
    EXPECT_EQ(names, c.names) << json;
    std::vector<std::pair<std::wstring, std::wstring>> renamed;
    for (const ImportRename& n : r.Renamed) {
      renamed.emplace_back(n.Original, n.Name);
      EXPECT_EQ(n.Parent, L"\\r\\");
      EXPECT_TRUE(n.Name.starts_with(n.Taken + L" (")) << Narrow(n.Name);
    }
    EXPECT_EQ(renamed, c.renamed) << json;
  }
}

TEST(NcduExport, EachPathOnceEvenFromResultsThatHoldItTwice) {
  // Results with two records of one directory (and of its files) from before the import kept
  // names apart: the path is written once, with everything below it and the files summed up.
  const PfadListe twice = List({
      R(L"C:\\", L"a", 30, 3, 3),
      R(L"C:\\a\\", L"x", 10, 0, 1),
      R(L"C:\\a\\", L"x", 20, 0, 2),
      R(L"C:\\a\\", L"X", 0),  // another name
      R(L"C:\\a\\x\\", D, 10, 0, 1),
      R(L"C:\\a\\x\\", D, 20, 0, 2),
  });
  ImportResult r = Import(Json(twice));
  r.Records.SortByParent();
  EXPECT_EQ(All(r.Records), (std::vector<Pfad>{R(L"C:\\", L"a", 30, 2, 3), R(L"C:\\a\\", L"x", 30, 0, 3),
                                                R(L"C:\\a\\", L"X", 0), R(L"C:\\a\\x\\", D, 30, 0, 3)}));
  EXPECT_EQ(Csv(twice), "\xEF\xBB\xBFPfad;Bytes;KBytes;Dateien;Verz;Fehler\r\n"
                        "C:\\a\\;30;0;3;3;0\r\nC:\\a\\x\\;10;0;1;0;0\r\nC:\\a\\X\\;0;0;0;0;0\r\n");
}

TEST(NcduExport, NamesWithSurrogatesWithoutTheirOtherHalfReadBackAsTheyAre) {
  // Windows takes any 16-bit units in a name. U+FDEF and the private-use characters after it
  // are what the import marks such units with inside its stream; real ones stay themselves.
  const std::vector<std::wstring> names = {
      L"a\xD800",      L"\xDC00z",       L"\xDBFF\xDBFF",  L"\xDC00\xD800",     L"x\xD834\xDD1E",
      L"\xFDEF",       L"\xFDEF\xE000",  L"\xFDEF\xFDEF",  L"\xE000\xE8FF",     L"\xFFFD",
      L"q\"\xD83D",
  };
  PfadListe l;
  int64_t total = 0;
  for (size_t k = 0; k < names.size(); ++k) {
    l.Append(R(L"C:\\s\\", names[k], static_cast<int64_t>(k + 1), 0, 1));
    l.Append(R(L"C:\\s\\" + names[k] + L"\\", D, static_cast<int64_t>(k + 1), 0, 1));
    total += static_cast<int64_t>(k + 1);
  }
  l.Append(R(L"C:\\", L"s", total, static_cast<int32_t>(names.size()), static_cast<int32_t>(names.size())));
  l.SortByParent();
  const std::string json = Json(l);
  // Lone halves as escapes, a pair as the UTF-8 of its character.
  for (const char* part : {"\"a\\ud800\"", "\"\\udc00z\"", "\"\\udbff\\udbff\"", "\"\\udc00\\ud800\"",
                           "\"x\xF0\x9D\x84\x9E\"", "\"q\\\"\\ud83d\""}) {
    EXPECT_NE(json.find(part), std::string::npos) << part;
  }
  // In pieces of any size, so that the escapes and characters are cut anywhere.
  for (size_t chunk : {json.size(), size_t{1}, size_t{5}, size_t{11}, size_t{13}}) {
    size_t at = 0;
    ImportResult r;
    ImportError e;
    ASSERT_TRUE(ReadNcduJson(
        [&](char* buf, size_t cap) -> int64_t {
          const size_t n = std::min({cap, chunk, json.size() - at});
          std::copy_n(json.data() + at, n, buf);
          at += n;
          return static_cast<int64_t>(n);
        },
        r, e))
        << chunk << ": " << Narrow(e.Text);
    r.Records.SortByParent();
    EXPECT_EQ(All(r.Records), All(l)) << chunk;
    EXPECT_TRUE(r.Renamed.empty());
  }
  // A fault after such escapes and marked characters is found in the column of the file.
  const std::string bad = "[1,2,{},[{\"name\":\"/r\"},[{\"name\":\"\\ud800\xEF\xB7\xAF\xe9\\uFDEF\"},x]]]";
  const ImportError e = ImportFails(bad);
  EXPECT_EQ(e.Text, L"Die Datei ist kein gültiges JSON.");
  EXPECT_EQ(e.Line, 1);
  EXPECT_EQ(e.Column, 51);
}

TEST(NcduImport, ChunksOfAnySizeGiveTheSameRecordsAndPositions) {
  const std::string json = Json(ScanLikeResults());
  const ImportResult whole = Import(json);
  for (size_t chunk : {size_t{1}, size_t{2}, size_t{3}, size_t{7}}) {
    size_t at = 0;
    ImportResult r;
    ImportError e;
    ASSERT_TRUE(ReadNcduJson(
        [&](char* buf, size_t cap) -> int64_t {
          const size_t n = std::min({cap, chunk, json.size() - at});
          std::copy_n(json.data() + at, n, buf);
          at += n;
          return static_cast<int64_t>(n);
        },
        r, e))
        << chunk << ": " << Narrow(e.Text);
    EXPECT_EQ(All(r.Records), All(whole.Records)) << chunk;
  }
  // Reading that fails part-way is no syntax problem.
  ImportResult r;
  ImportError e;
  int calls = 0;
  EXPECT_FALSE(ReadNcduJson(
      [&](char* buf, size_t) -> int64_t {
        if (calls++ > 0) return -1;
        buf[0] = '[';
        return 1;
      },
      r, e));
  EXPECT_EQ(e.Text, L"Die Datei konnte nicht gelesen werden.");
  EXPECT_EQ(e.Line, 0);
  // Nor is a whole document followed by a failed read one to take.
  calls = 0;
  EXPECT_FALSE(ReadNcduJson(
      [&](char* buf, size_t cap) -> int64_t {
        if (calls++ > 0) return -1;
        const std::string_view doc = R"([1,2,{},[{"name":"/r"}]])";
        std::copy_n(doc.data(), std::min(cap, doc.size()), buf);
        return static_cast<int64_t>(std::min(cap, doc.size()));
      },
      r, e));
  EXPECT_EQ(e.Text, L"Die Datei konnte nicht gelesen werden.");
  EXPECT_TRUE(r.Records.empty());
}

TEST(NcduImport, BadInputNamesLineAndColumn) {
  struct Case {
    std::string json;
    int64_t line, column;
    std::wstring text;
  };
  const std::string head = "[1,2,{},\n[{\"name\":\"/r\"},\n";
  const std::vector<Case> cases = {
      {"", 1, 1, L"Die Datei endet mitten in den Daten."},
      {"[1,2,{},[{\"name\":\"/r\"},[{\"na", 1, 29, L"Die Datei endet mitten in den Daten."},
      {"\n\n  [1,x", 3, 6, L"Die Datei ist kein gültiges JSON."},
      {head + "{\"name\":12}]]", 3, 11, L"„name“ ist kein Text."},
      {head + "{\"name\":\"a\",\"asize\":-1}]]", 3, 23, L"„asize“ ist keine gültige Größe."},
      {head + "{\"name\":\"a\",\"asize\":1.5}]]", 3, 24, L"„asize“ ist keine gültige Größe."},
      {head + "{\"asize\":1}]]", 3, 11, L"Ein Eintrag hat keinen Namen."},
      {head + "{\"name\":\"a\",\"read_error\":[]}]]", 3, 26, L"„read_error“ ist weder true noch false."},
      {head + "{\"name\":\"..\"}]]", 3, 13, L"Ein Eintrag hat den ungültigen Namen „..“."},
      {head + "[]]]", 3, 2, L"Ein Verzeichnis beginnt nicht mit seinen Angaben (einem Objekt mit „name“)."},
      {head + "5]]", 3, 2, L"In einem Verzeichnis steht ein Wert, der kein Eintrag ist."},
      {"{\"name\":\"x\"}", 1, 1, L"Kein ncdu-Export: Die Datei beginnt nicht mit einer Liste."},
      {"[2,0,{},[{\"name\":\"x\"}]]", 1, 3, L"Version 2 des ncdu-Exports wird nicht unterstützt."},
      {"[1,0,{}]", 1, 8, L"Kein ncdu-Export: Das Wurzelverzeichnis fehlt."},
      {"[1,0,{},{\"name\":\"x\"}]", 1, 9, L"Kein ncdu-Export: Das Wurzelverzeichnis ist kein Verzeichnis."},
      {"[1,0,{},[{\"name\":\"x\"}],[]]", 1, 24, L"Kein ncdu-Export: Nach dem Wurzelverzeichnis folgt noch etwas."},
      {"[1,0,{},[{\"name\":\"x\"}]] x", 1, 25, L"Die Datei ist kein gültiges JSON."},
      {"[1,0,{},[{\"name\":\"//\"}]]", 1, 22, L"Der Name des Wurzelverzeichnisses ist kein Pfad: „//“."},
  };
  for (const Case& c : cases) {
    const ImportError e = ImportFails(c.json);
    EXPECT_EQ(e.Text, c.text) << c.json;
    EXPECT_EQ(e.Line, c.line) << c.json;
    EXPECT_EQ(e.Column, c.column) << c.json;
  }

  // 10,000 nested arrays, as the document and inside the root; directories deeper than paths
  // of 250 characters can reach; values nested deep inside an entry.
  const std::string arrays(10000, '[');
  EXPECT_EQ(ImportFails(arrays).Text, L"Kein ncdu-Export: Die Versionsnummer fehlt.");
  const ImportError inRoot = ImportFails("[1,2,{},[{\"name\":\"/r\"}," + arrays);
  EXPECT_EQ(inRoot.Text.substr(0, 60), L"Ein Verzeichnis beginnt nicht mit seinen Angaben (einem Obje");
  std::string dirs = "[1,2,{},[{\"name\":\"/r\"}";
  for (int i = 0; i < 200; ++i) dirs += ",[{\"name\":\"d\"}";
  const ImportError deep = ImportFails(dirs);
  EXPECT_EQ(deep.Text, L"Die Verzeichnisse sind tiefer verschachtelt, als Pfade bis 250 Zeichen es "
                       L"zulassen (mehr als 125 Ebenen).");
  EXPECT_EQ(deep.Column, static_cast<int64_t>(22 + 126 * 14 - 12));
  const ImportError nested = ImportFails("[1,2,{},[{\"name\":\"/r\",\"x\":" + arrays);
  EXPECT_EQ(nested.Text, L"Die Daten sind zu tief verschachtelt.");

  // 125 levels below the root "\" are allowed: the deepest a scan can record, as an ERROR
  // record since its path \d\d\...\ is 251 characters long.
  std::string ok = "[1,2,{},[{\"name\":\"/\"}";
  for (int i = 0; i < 125; ++i) ok += ",[{\"name\":\"d\"}";
  ok += std::string(125, ']') + "]]";
  const ImportResult deepest = Import(ok);
  ASSERT_EQ(deepest.Records.size(), 126u);
  EXPECT_EQ(deepest.Records.Parent(0).size(), 249u);
  EXPECT_EQ(deepest.Records[0].Size, -1);
  EXPECT_EQ(deepest.Records[1].Size, 0);

  // Random bytes, and random damage to a good export: a clean failure or records, never more.
  std::mt19937 rng(7);
  const std::string good = Json(ScanLikeResults());
  for (int round = 0; round < 300; ++round) {
    std::string s = good;
    if (round % 3 == 0) {
      s.resize(rng() % 4096);
      for (char& ch : s) ch = static_cast<char>(rng());
    } else {
      for (int k = 0; k < 3; ++k) s[rng() % s.size()] = static_cast<char>(rng());
    }
    ImportResult r;
    ImportError e;
    if (!ReadNcduJson(s, r, e)) {
      EXPECT_FALSE(e.Text.empty());
      EXPECT_GE(e.Line, 1);
      EXPECT_GE(e.Column, 1);
      EXPECT_TRUE(r.Records.empty());
    }
  }
}

TEST(CsvExport, HeaderQuotingAndErrors) {
  const PfadListe l = List({
      R(L"C:\\", L"a", 1300 + 70 + 5, 5, 7),
      R(L"C:\\a\\", L"zu", -1),
      R(L"C:\\a\\", D, 1300, 0, 2),
      R(L"C:\\a\\", L"tief \"x\"; ü \xD834\xDD1E", 2048 + 5, 0, 1),
      R(L"C:\\a\\", L"zeile\nzwei", 0),
      R(L"", L"=1+2", 0),
  });
  EXPECT_EQ(Csv(l),
            "\xEF\xBB\xBFPfad;Bytes;KBytes;Dateien;Verz;Fehler\r\n"
            "C:\\a\\;1375;1;7;5;0\r\n"
            "C:\\a\\zu\\;0;0;0;0;1\r\n"
            "\"C:\\a\\tief \"\"x\"\"; \xC3\xBC \xF0\x9D\x84\x9E\\\";2053;2;1;0;0\r\n"
            "\"C:\\a\\zeile\nzwei\\\";0;0;0;0;0\r\n"
            "'=1+2\\;0;0;0;0;0\r\n");
  // A sink that refuses stops the writing.
  EXPECT_FALSE(WriteCsv(l, [](std::string_view) { return false; }));
}

// Every file of the table goes out as ncdu writes a file and reads back as it was; records
// that count more files than the table knows (from an older export) keep them in one entry.
TEST(NcduExport, FilesOneByOneAndBackWithEveryField) {
  const std::wstring lone{L'x', wchar_t(0xDC00)};
  const PfadListe scan = List({
      R(L"C:\\", L"a", 5000 + 3 + 7 + 40, 1, 4,
        {F(L"gross.iso", 5000, 8192, 1700000000, kFileReadOnly | kFileHidden),
         F(L"Größe.txt", 3, 4096, 1)}),
      R(L"C:\\a\\", L"b", 7 + 40, 0, 2, {F(lone, 7, 0, 4000000000u, kFileCloud | kFileSparse)}),
      R(L"C:\\a\\", D, 5003, 0, 2),
      R(L"C:\\a\\b\\", D, 47, 0, 2),  // one file of 40 bytes known only by this record
  });
  const std::string json = Json(scan);
  EXPECT_NE(json.find(R"({"name":"gross.iso","asize":5000,"dsize":8192,"mtime":1700000000,"vardune_flags":3})"),
            std::string::npos) << json;
  EXPECT_NE(json.find(R"({"name":"x\udc00","asize":7,"dsize":0,"mtime":4000000000,"vardune_flags":80})"),
            std::string::npos) << json;
  EXPECT_EQ(json.find(R"("<DATEIEN>","asize":5003)"), std::string::npos) << "files written twice";
  EXPECT_NE(json.find(R"({"name":"<DATEIEN>","asize":40,"dsize":40,"vardune_files":1})"),
            std::string::npos) << json;
  ImportResult r = Import(json);
  r.Records.SortByParent();
  PfadListe sorted = List(All(scan));
  sorted.SortByParent();
  EXPECT_EQ(All(r.Records), All(sorted));

  // What ncdu and gdu write: dsize and mtime where they know them, nothing where they are 0.
  ImportResult other = Import(R"([1,2,{"progname":"gdu"},[{"name":"/srv"},)"
                              R"({"name":"a","asize":5,"dsize":4096,"mtime":1700000000},)"
                              R"({"name":"b","asize":6},{"name":"c","asize":1,"mtime":-5},)"
                              R"({"name":"d","asize":2,"mtime":1.5,"ino":7,"nlink":2,"hlnkc":true}]])");
  ASSERT_EQ(other.Records.size(), 2u);
  EXPECT_EQ(other.Records.FilesOf(0),
            (std::vector<FileInfo>{F(L"a", 5, 4096, 1700000000), F(L"b", 6), F(L"c", 1), F(L"d", 2)}));

  // The CSV with the files: the directories, then every file with its size on disk and time.
  std::string csv;
  ASSERT_TRUE(WriteCsv(sorted, [&](std::string_view b) {
    csv.append(b);
    return true;
  }, true));
  EXPECT_TRUE(csv.ends_with("Pfad;Bytes;KBytes;Auf Datenträger;Geändert\r\n"
                            "C:\\a\\gross.iso;5000;4;8192;2023-11-14T22:13:20Z\r\n"
                            "C:\\a\\Größe.txt;3;0;4096;1970-01-01T00:00:01Z\r\n"
                            "C:\\a\\b\\x\xEF\xBF\xBD;7;0;0;2096-10-02T07:06:40Z\r\n"))
      << csv;
}

TEST(ExportFormat, ExtensionDecidesThenTheChosenType) {
  struct Case {
    std::wstring typed;
    int chosen;
    ExportFormat format;
    std::wstring written;
  };
  for (const Case& c : std::vector<Case>{
           {L"C:\\x\\bericht", 1, ExportFormat::Csv, L"C:\\x\\bericht.csv"},
           {L"C:\\x\\bericht", 2, ExportFormat::NcduJson, L"C:\\x\\bericht.json"},
           {L"C:\\x\\bericht.JSON", 1, ExportFormat::NcduJson, L"C:\\x\\bericht.JSON"},
           {L"C:\\x.y\\bericht.txt", 2, ExportFormat::NcduJson, L"C:\\x.y\\bericht.txt"},
           {L"C:\\x.y\\bericht", 1, ExportFormat::Csv, L"C:\\x.y\\bericht.csv"},
           {L"C:\\x\\mit", 3, ExportFormat::CsvWithFiles, L"C:\\x\\mit.csv"},
           {L"C:\\x\\mit.CSV", 3, ExportFormat::CsvWithFiles, L"C:\\x\\mit.CSV"},
           {L"C:\\x\\ohne.csv", 2, ExportFormat::Csv, L"C:\\x\\ohne.csv"},
           {L"C:\\x\\mit.json", 3, ExportFormat::NcduJson, L"C:\\x\\mit.json"},
       }) {
    std::wstring p = c.typed;
    EXPECT_EQ(ExportFormatFor(p, c.chosen), c.format) << Narrow(c.typed);
    EXPECT_EQ(p, c.written);
  }
}

}  // namespace
}  // namespace vardune
