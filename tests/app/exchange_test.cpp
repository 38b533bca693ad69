// Export and import through the running program's "Programm" menu, the file dialogs answered
// through the dialog seam: the round trip of a scan, the real ncdu on both sides, the CSV read
// by Python's csv module, bad input, a target file held open by another program, commands
// that arrive while a scan or an import runs; and once through the system's own dialogs.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "os/files.h"
#include "os/fs.h"
#include "os/text.h"
#include "scan/driver.h"
#include "scan/import.h"
#include "scan/model.h"
#include "sets/store.h"
#include "tests/app/app_fixture.h"
#include "tests/support/support.h"
#include "ui/logwindow.h"
#include "ui/mainwindow.h"
#include "ui/menus.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

using test::AppTest;
using test::TempTree;

std::vector<Pfad> All() {
  std::vector<Pfad> v;
  for (size_t i = 0; i < Pfade.size(); ++i) v.push_back(Pfade.Get(i));
  return v;
}

// Size, files and directories of every directory record, by its path below `root`.
using Totals = std::map<std::wstring, std::tuple<int64_t, int32_t, int32_t>>;
Totals TotalsBelow(const PfadListe& list, const std::wstring& root) {
  Totals t;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list.Name(i) == kDateien) continue;
    const std::wstring path = list.FullPath(i) + L"\\";
    if (!path.starts_with(root)) continue;
    t[path.substr(root.size())] = {list[i].Size, list[i].Dirs, list[i].Files};
  }
  return t;
}

// The kept files below `root` by directory (relative, with its backslash): name, size, size on
// disk, sorted by name.
using FileTuples = std::map<std::wstring, std::vector<std::tuple<std::wstring, int64_t, int64_t>>>;
FileTuples FilesBelow(const PfadListe& list, const std::wstring& root) {
  FileTuples t;
  for (size_t i = 0; i < list.size(); ++i) {
    const std::wstring path = list.FullPath(i) + L"\\";
    if (list.Name(i) == kDateien || !path.starts_with(root)) continue;
    for (const FileInfo& f : list.FilesOf(i)) {
      t[path.substr(root.size())].emplace_back(f.Name, f.Size, f.Allocated);
    }
  }
  for (auto& [dir, files] : t) std::sort(files.begin(), files.end());
  return t;
}

std::string Bytes(const std::wstring& path) { return os::ReadWholeFile(path).value_or("<none>"); }

class Exchange : public AppTest {
 protected:
  // An item of the "Programm" menu as the user chooses it: found by its text in the menu bar
  // of the main window, its command sent to the window.
  static void ProgramMenu(std::wstring_view text) {
    HMENU program = GetSubMenu(GetMenu(ui::WindowID(kMainWindow)), 0);
    ASSERT_NE(program, nullptr);
    for (int i = 0; i < GetMenuItemCount(program); ++i) {
      wchar_t item[64] = {0};
      GetMenuStringW(program, static_cast<UINT>(i), item, 64, MF_BYPOSITION);
      if (text == item) {
        PostMessageW(ui::WindowID(kMainWindow), WM_COMMAND,
                     MAKEWPARAM(GetMenuItemID(program, i), 0), 0);
        RunPending();
        return;
      }
    }
    FAIL() << "no menu item " << test::Narrow(text);
  }
  static void Export(const std::wstring& file, int type) {
    test::gFileAnswer = ui::FileChoice{file, type};
    ProgramMenu(L"Exportieren...");
  }
  static void Import(const std::wstring& file) {
    test::gFileAnswer = ui::FileChoice{file, 1};
    ProgramMenu(L"Importieren...");
  }
  static std::vector<test::DialogRecord> Messages() {
    std::vector<test::DialogRecord> m;
    for (const auto& d : test::Dialogs()) {
      if (d.kind == L"message") m.push_back(d);
    }
    return m;
  }
};

TEST_F(Exchange, ScanExportedAsJsonImportsIntoTheSameRecordsAndView) {
  TempTree t;
  t.File(L"gross\\a.bin", 300 * 1024);
  t.File(L"gross\\innen\\b.bin", 100 * 1024);
  t.File(L"semi;kolon\\Größe.txt", 5000);
  t.File(L"noten\U0001D11E\\x", 10);
  t.File(L"lose.txt", 1234);
  t.File(L"nur-leere\\null", 0);
  t.Dir(L"leer");
  const bool closed = test::PermissionsEnforced();
  if (closed) {
    t.File(L"zu\\e.bin", 1);
    t.Chmod(L"zu", "000");
  }
  TempTree out, other;
  other.File(L"anderes\\f", 10);
  BupPfade.push_back(Pfad{t.Path(L"gross"), L"S", 0, 0, 0, 0});

  Start({t.Root()});
  Click(kGadScan);
  const std::vector<Pfad> scanned = All();
  const std::vector<std::wstring> names = Column(2), kb = Column(1), bup = Column(0);
  ASSERT_EQ(bup[0], L"X");  // "gross", the largest, is in the set
  const std::wstring file = out.Path(L"scan.json");
  Export(file, 2);
  ASSERT_EQ(test::Dialogs().size(), 1u);
  EXPECT_EQ(test::Dialogs()[0].kind, L"save");
  EXPECT_EQ(test::Dialogs()[0].title, L"Scan-Ergebnisse exportieren");
  EXPECT_EQ(test::Dialogs()[0].text, L"CSV-Tabelle (*.csv)|*.csv|ncdu-Export (*.json)|*.json|"
                                     L"CSV-Tabelle mit Dateien (*.csv)|*.csv");
  EXPECT_TRUE(Bytes(file).starts_with("[1,2,{\"progname\":\"vardune\""));

  // Other results in between, then the import replaces them as a scan would.
  ui::SetGadgetText(kGadPath, other.Root());
  _PathFieldEvent(ui::TypeLostFocus);
  Click(kGadScan);
  ASSERT_NE(All(), scanned);
  test::ResetDialogs();
  Import(file);
  ASSERT_EQ(test::Dialogs().size(), 1u);
  EXPECT_EQ(test::Dialogs()[0].kind, L"open");
  EXPECT_EQ(test::Dialogs()[0].text, L"ncdu-Export (*.json)|*.json|Alle Dateien (*.*)|*.*");
  EXPECT_EQ(All(), scanned);  // field by field, the backup marks of the reconciliation too
  EXPECT_EQ(GStartPath, t.Root());
  EXPECT_EQ(ui::GetGadgetText(kGadPath), t.Root());
  EXPECT_EQ(Column(2), names);
  EXPECT_EQ(Column(1), kb);
  EXPECT_EQ(Column(0), bup);
  EXPECT_EQ(BupPfade[0].Size, 400 * 1024);
  EXPECT_NE(ui::GetGadgetText(kGadSummary).find(L"Verzeichnis:   0 MB   "), std::wstring::npos);
  if (closed) {
    Click(kGadErrs);
    EXPECT_EQ(Column(2), std::vector<std::wstring>{t.Path(L"zu")});
    EXPECT_EQ(Column(1), std::vector<std::wstring>{L"ERROR"});
    Click(kGadErrs);
  }

  // A later scan of a directory of the imported results replaces only that subtree and
  // corrects the totals above it.
  t.File(L"gross\\neu.bin", 1000);
  DoubleClickRow(0);
  ASSERT_EQ(GStartPath, t.Path(L"gross\\"));
  Click(kGadScan);
  const size_t root = FindRecordOf(Pfade, t.Root());
  ASSERT_NE(root, PfadListe::npos);
  const auto old = std::find_if(scanned.begin(), scanned.end(), [&](const Pfad& p) {
    return p.Parent + p.Name + L"\\" == t.Root();
  });
  ASSERT_NE(old, scanned.end());
  EXPECT_EQ(Pfade[root].Size, old->Size + 1000);
  EXPECT_EQ(Pfade[root].Files, old->Files + 1);
  BupPfade.clear();  // the store file of the test prefix stays empty for the next test
}

TEST_F(Exchange, RealNcduOnBothSides) {
  TempTree t, out;
  t.File(L"a\\eins.bin", 4096 + 17);
  t.File(L"a\\b\\c\\zwei.bin", 100000);
  t.File(L"a\\b\\drei", 0);
  t.Sparse(L"gross.img", 5LL << 30);
  t.File(L"Größe\\x", 3);
  t.Dir(L"leer\\leerer");
  if (test::PermissionsEnforced()) {
    t.File(L"zu\\e.bin", 1);
    t.Chmod(L"zu", "000");
  }
  Start({t.Root()});
  Click(kGadScan);
  const Totals scanned = TotalsBelow(Pfade, t.Root());
  ASSERT_GE(scanned.size(), 7u);
  const FileTuples scannedFiles = FilesBelow(Pfade, t.Root());
  ASSERT_EQ(scannedFiles.count(L"a\\b\\c\\"), 1u);
  EXPECT_EQ(std::get<1>(scannedFiles.at(L"a\\b\\c\\").at(0)), 100000);
  const std::wstring own = out.Path(L"own.json");
  Export(own, 2);

  // ncdu's view of the same tree, imported: every directory as the program's own scan.
  std::string dir = test::UnixPath(t.Root());
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  const std::string ncduFile = test::UnixPath(out.Path(L"ncdu.json"));
  ASSERT_EQ(test::RunUnix("ncdu -0 -o " + test::ShellQuote(ncduFile) + " " + test::ShellQuote(dir) +
                          " >/dev/null"),
            0);
  test::ResetDialogs();
  Import(out.Path(L"ncdu.json"));
  EXPECT_TRUE(Messages().empty()) << test::Narrow(Messages().empty() ? L"" : Messages()[0].text);
  std::wstring root = FromUtf8(dir) + L"\\";
  for (wchar_t& c : root) {
    if (c == L'/') c = L'\\';
  }
  EXPECT_EQ(GStartPath, root);
  EXPECT_EQ(ui::GetGadgetText(kGadPath), root);
  EXPECT_EQ(TotalsBelow(Pfade, root), scanned);
  // ncdu's files are the listing's, with their size on disk from the same blocks.
  EXPECT_EQ(FilesBelow(Pfade, root), scannedFiles);
  // A Linux root names no drive of this machine: no free space of whatever drive is current.
  const std::wstring summary = ui::GetGadgetText(kGadSummary);
  EXPECT_EQ(summary.substr(0, summary.find(L"\r\n")), L"Laufwerk MB frei: 0 / 0");

  // ncdu reads the program's export file by file, and what it writes of it again has the same
  // directory sizes and counts and the same files with their sizes on disk.
  const std::string back = test::UnixPath(out.Path(L"back.json"));
  ASSERT_EQ(test::RunUnix("ncdu -0 -f " + test::ShellQuote(test::UnixPath(own)) + " -o " +
                          test::ShellQuote(back) + " >/dev/null"),
            0);
  ImportResult fromNcdu;
  ImportError err;
  ASSERT_TRUE(ReadNcduJson(Bytes(out.Path(L"back.json")), fromNcdu, err)) << test::Narrow(err.Text);
  EXPECT_EQ(fromNcdu.Root, t.Root());
  const Totals again = TotalsBelow(fromNcdu.Records, t.Root());
  ASSERT_EQ(again.size(), scanned.size());
  for (const auto& [path, v] : scanned) {
    ASSERT_TRUE(again.count(path)) << test::Narrow(path);
    EXPECT_EQ(std::get<0>(again.at(path)), std::get<0>(v)) << test::Narrow(path);
    EXPECT_EQ(std::get<1>(again.at(path)), std::get<1>(v)) << test::Narrow(path);
    EXPECT_EQ(std::get<2>(again.at(path)), std::get<2>(v)) << test::Narrow(path);
  }
  EXPECT_EQ(FilesBelow(fromNcdu.Records, t.Root()), scannedFiles);
}

TEST_F(Exchange, CsvReadBackByPythonsCsvModule) {
  TempTree out;
  // Names a Windows folder cannot hold come from an import: a quote, a line break.
  out.Text(L"namen.json",
             "[1,2,{},[{\"name\":\"/daten\"},"
             "[{\"name\":\"semi;kolon\"},{\"name\":\"f\",\"asize\":5}],"
             "[{\"name\":\"zitat\\\"x\"},{\"name\":\"f\",\"asize\":7000}],"
             "[{\"name\":\"Größe\"},{\"name\":\"f\",\"asize\":2048}],"
             "[{\"name\":\"noten\xF0\x9D\x84\x9E\"},{\"name\":\"f\",\"asize\":1}],"
             "[{\"name\":\"zeile\\nzwei\"}],"
             "[{\"name\":\"zu\",\"read_error\":true}],"
             "{\"name\":\"lose\",\"asize\":10}]]");
  Start();
  Import(out.Path(L"namen.json"));
  ASSERT_EQ(Pfade.size(), 12u);
  const std::wstring csv = out.Path(L"namen");
  Export(csv, 1);  // without an extension: the chosen type's is added
  ASSERT_TRUE(Messages().empty());
  const std::string raw = Bytes(csv + L".csv");
  ASSERT_TRUE(raw.starts_with("\xEF\xBB\xBFPfad;Bytes;KBytes;Dateien;Verz;Fehler\r\n")) << raw;
  EXPECT_TRUE(raw.ends_with("\r\n"));

  // Python prints every field as hexadecimal UTF-8, fields by blanks, rows by line breaks.
  const std::string rows = test::UnixPath(out.Path(L"rows.txt"));
  const std::string script =
      "import csv,sys\n"
      "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f, open(sys.argv[2], 'w') as o:\n"
      "    for row in csv.reader(f, delimiter=';'):\n"
      "        o.write(' '.join(x.encode('utf-8').hex() for x in row) + '\\n')\n";
  ASSERT_EQ(test::RunUnix("/usr/bin/python3 -c " + test::ShellQuote(script) + " " +
                          test::ShellQuote(test::UnixPath(csv + L".csv")) + " " +
                          test::ShellQuote(rows)),
            0);
  std::vector<std::vector<std::wstring>> read;
  std::string text = Bytes(out.Path(L"rows.txt"));
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    std::vector<std::wstring> fields;
    const std::string line = text.substr(start, end - start);
    for (size_t f = 0; f <= line.size();) {
      const size_t blank = std::min(line.find(' ', f), line.size());
      std::string field;
      for (size_t k = f; k + 1 < blank; k += 2) {
        field += static_cast<char>(std::stoi(line.substr(k, 2), nullptr, 16));
      }
      fields.push_back(FromUtf8(field));
      f = blank + 1;
    }
    read.push_back(fields);
    start = end == std::string::npos ? text.size() : end + 1;
  }
  std::vector<std::vector<std::wstring>> expected = {
      {L"Pfad", L"Bytes", L"KBytes", L"Dateien", L"Verz", L"Fehler"}};
  for (size_t i = 0; i < Pfade.size(); ++i) {
    if (Pfade.Name(i) == kDateien) continue;
    const int64_t size = std::max<int64_t>(Pfade[i].Size, 0);
    expected.push_back({Pfade.FullPath(i) + L"\\", std::to_wstring(size),
                        std::to_wstring(size / 1024), std::to_wstring(Pfade[i].Files),
                        std::to_wstring(Pfade[i].Dirs), Pfade[i].Size < 0 ? L"1" : L"0"});
  }
  EXPECT_EQ(read, expected);
  EXPECT_EQ(read.size(), 8u);
  bool quote = false, umlaut = false, high = false, semi = false;
  for (const auto& r : read) {
    quote |= r[0] == L"\\daten\\zitat\"x\\";
    umlaut |= r[0] == L"\\daten\\Größe\\";
    high |= r[0] == L"\\daten\\noten\U0001D11E\\";
    semi |= r[0] == L"\\daten\\semi;kolon\\";
  }
  EXPECT_TRUE(quote && umlaut && high && semi);
}

TEST_F(Exchange, BadInputGivesLineAndColumnAndLeavesTheResults) {
  TempTree t, out;
  t.File(L"a\\x", 10);
  t.File(L"b\\y", 20);
  Start({t.Root()});
  Click(kGadScan);
  Export(out.Path(L"good.json"), 2);
  const std::string good = Bytes(out.Path(L"good.json"));
  out.Text(L"abgeschnitten.json", good.substr(0, good.size() * 6 / 10));
  out.Text(L"zahl.json", "[1,2,{},\n[{\"name\":\"/r\"},\n[{\"name\":12}]]]");
  out.Text(L"felder.json", "[1,2,{},[{\"name\":\"/r\"}," + std::string(10000, '[') +
                                      std::string(10000, ']') + "]]");
  std::string deep = "[1,2,{},[{\"name\":\"/r\"}";
  for (int i = 0; i < 300; ++i) deep += ",[{\"name\":\"d\"}";
  out.Text(L"tief.json", deep + std::string(300, ']') + "]]");
  out.Text(L"text.txt", "Hallo Welt\r\n");
  ASSERT_EQ(test::RunUnix("head -c 200M /dev/urandom > " +
                          test::ShellQuote(test::UnixPath(out.Path(L"zufall.bin")))),
            0);

  const std::vector<Pfad> before = All();
  const std::vector<std::wstring> rows = Column(2);
  const std::wstring summary = ui::GetGadgetText(kGadSummary);
  struct Case {
    std::wstring file;
    std::wstring says;
  };
  for (const Case& c : std::vector<Case>{
           {L"abgeschnitten.json", L": Die Datei endet mitten in den Daten."},
           {L"zahl.json", L"Zeile 3, Spalte 12: „name“ ist kein Text."},
           {L"felder.json", L"Zeile 1, Spalte 25: Ein Verzeichnis beginnt nicht mit seinen Angaben"},
           {L"tief.json", L"(mehr als 125 Ebenen)"},
           {L"text.txt", L"Zeile 1, Spalte 1: Die Datei ist kein gültiges JSON."},
           {L"zufall.bin", L"Zeile 1, Spalte "},
           {L"fehlt.json", L""},
       }) {
    test::ResetDialogs();
    Import(out.Path(c.file));
    const auto m = Messages();
    ASSERT_EQ(m.size(), 1u) << test::Narrow(c.file);
    EXPECT_EQ(m[0].title, L"Vardune Meldung");
    EXPECT_TRUE(m[0].text.starts_with(L"Konnte nicht importieren:\r\n" + out.Path(c.file) + L"\r\n"))
        << test::Narrow(m[0].text);
    EXPECT_NE(m[0].text.find(c.says), std::wstring::npos) << test::Narrow(m[0].text);
    EXPECT_TRUE(m[0].text.ends_with(L"\r\nDie bisherigen Ergebnisse bleiben erhalten."));
    EXPECT_EQ(All(), before) << test::Narrow(c.file);
    EXPECT_EQ(GStartPath, t.Root());
    EXPECT_EQ(ui::GetGadgetText(kGadPath), t.Root());
    EXPECT_EQ(Column(2), rows);
    EXPECT_EQ(ui::GetGadgetText(kGadSummary), summary);
    EXPECT_FALSE(ui::IsGadgetDisabled(kGadScan));
    EXPECT_TRUE(ui::IsGadgetDisabled(kGadStop));
  }
  DeleteFileW(out.Path(L"zufall.bin").c_str());
}

TEST_F(Exchange, ExportOverAFileThatIsHeldOpenReadOnlyOrHidden) {
  TempTree t, out;
  t.File(L"a\\x", 10);
  Start({t.Root()});
  // Nothing scanned yet: nothing to export, and no dialog asks for a file.
  ProgramMenu(L"Exportieren...");
  ASSERT_EQ(test::Dialogs().size(), 1u);
  EXPECT_EQ(test::Dialogs()[0].text, L"Es gibt noch keine Scan-Ergebnisse zum Exportieren.");
  Click(kGadScan);

  const std::wstring file = out.Path(L"bericht.csv");
  out.Text(L"bericht.csv", "alt");
  {
    test::HeldFile holder(file);  // as a spreadsheet holds the table it shows
    ASSERT_TRUE(holder.Held());
    test::ResetDialogs();
    Export(file, 1);
    const auto m = Messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_TRUE(m[0].text.starts_with(L"Konnte nicht exportieren:\r\n" + file + L"\r\n"))
        << test::Narrow(m[0].text);
    EXPECT_TRUE(m[0].text.ends_with(L"\r\nEine schon vorhandene Datei bleibt unverändert."));
    EXPECT_EQ(Bytes(file), "alt");
  }
  // No temporary file is left beside it.
  std::vector<std::wstring> names;
  for (os::DirListing l(out.Root()); l.Next();) {
    if (!l.IsDotOrDotDot()) names.push_back(l.Name());
  }
  EXPECT_EQ(names, std::vector<std::wstring>{L"bericht.csv"});

  // Let go of, it is replaced, and keeps its hidden attribute (where the file system keeps one).
  const bool hides = SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN) &&
                     (GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  test::ResetDialogs();
  Export(file, 1);
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(Bytes(file).starts_with("\xEF\xBB\xBFPfad;")) << Bytes(file);
  if (hides) {
    EXPECT_TRUE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  }

  // A read-only file is not overwritten.
  const std::string now = Bytes(file);
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  test::ResetDialogs();
  Export(file, 1);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].text.find(L"\r\nDie Datei ist schreibgeschützt.\r\n"), std::wstring::npos);
  EXPECT_EQ(Bytes(file), now);
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Exchange, NamesThatBecomeOneAreListedApartAndTheLogSaysWhich) {
  TempTree out;
  // ncdu 1.x writes the Latin-1 names of an old server as their bytes.
  out.Text(L"latin1.json",
           "[1,2,{\"progname\":\"ncdu\",\"progver\":\"1.15\",\"timestamp\":1},\n"
           "[{\"name\":\"/srv/alt\"},\n"
           "[{\"name\":\"caf\xe9\"},{\"name\":\"a\",\"asize\":3072}],\n"
           "[{\"name\":\"caf\xe8\"},{\"name\":\"b\",\"asize\":5120}],\n"
           "[{\"name\":\"Caf\xe9\"},{\"name\":\"c\",\"asize\":2048}]]]\n");
  Start();
  Import(out.Path(L"latin1.json"));
  EXPECT_TRUE(Messages().empty());
  const std::wstring cafe = L"caf\xFFFD";
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{cafe + L" (2)", cafe, L"Caf\xFFFD"}));
  EXPECT_EQ(Column(1), (std::vector<std::wstring>{L"5", L"3", L"2"}));
  const std::wstring log = LogText();
  EXPECT_EQ(log, L"Import: „caf\\xE8“ in \\srv\\alt\\ heißt jetzt „" + cafe + L" (2)“, weil „" + cafe +
                     L"“ dort schon vergeben ist.");
  EXPECT_TRUE(ui::IsWindowShown(kLogWindow));
  // Each has its own contents.
  DoubleClickRow(0);
  EXPECT_EQ(GStartPath, L"\\srv\\alt\\" + cafe + L" (2)\\");
  EXPECT_EQ(Column(2), std::vector<std::wstring>{L"<DATEIEN>"});
  EXPECT_EQ(Column(1), std::vector<std::wstring>{L"5"});

  // Exported and imported again: the same records, nothing doubled, nothing renamed.
  const std::vector<Pfad> imported = All();
  Export(out.Path(L"wieder.json"), 2);
  Import(out.Path(L"wieder.json"));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(All(), imported);
  EXPECT_EQ(LogText(), log);
}

// What ReplaceFileW leaves when it fails half-way, as Microsoft documents it, played by a
// stand-in for the replace call: no test volume makes the real call fail like this. Another
// program holding the new file (as a virus scanner holds a file just written) makes the
// program's own attempts to put things right fail too.
enum class Leaves {
  BothInPlace,  // 1175, 1176 with a backup name, any other error: both keep their names
  OldRemoved,   // 1176 as documented without a backup name: the old file no longer exists
  OldAsBackup,  // 1177: the old file under the backup name, nothing under its own
};
struct ReplaceStandIn {
  DWORD code = 0;
  Leaves leaves = Leaves::BothInPlace;
  bool holdNew = false, holdOld = false;
  std::wstring tmp, backup;  // the names the call was given
  std::vector<std::unique_ptr<test::HeldFile>> holders;
};
ReplaceStandIn gReplace;

BOOL WINAPI FailingReplace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD, LPVOID,
                           LPVOID) {
  gReplace.tmp = replacement;
  gReplace.backup = backup ? backup : L"";
  if (gReplace.leaves == Leaves::OldRemoved) DeleteFileW(replaced);
  if (gReplace.leaves == Leaves::OldAsBackup) MoveFileW(replaced, backup);
  if (gReplace.holdNew) gReplace.holders.push_back(std::make_unique<test::HeldFile>(replacement));
  if (gReplace.holdOld) gReplace.holders.push_back(std::make_unique<test::HeldFile>(backup));
  SetLastError(gReplace.code);
  return FALSE;
}

TEST_F(Exchange, AReplaceThatFailsHalfWayLosesNoDataAndSaysWhereItIs) {
  TempTree t, out;
  t.File(L"a\\x", 10);
  Start({t.Root()});
  Click(kGadScan);
  const std::wstring file = out.Path(L"bericht.csv");
  const auto names = [&]() {
    std::vector<std::wstring> v;
    for (os::DirListing l(out.Root()); l.Next();) {
      if (!l.IsDotOrDotDot()) v.push_back(out.Path(l.Name()));
    }
    std::sort(v.begin(), v.end());
    return v;
  };
  const auto isNew = [](const std::wstring& f) { return Bytes(f).starts_with("\xEF\xBB\xBFPfad;"); };
  constexpr wchar_t kUnchanged[] = L"Eine schon vorhandene Datei bleibt unverändert.";
  const std::wstring kNewAtTmp = L"\r\nDie neuen Daten stehen unter:\r\n<tmp>";
  enum At { Nothing, Old, New };
  struct Case {
    DWORD code;
    Leaves leaves;
    bool holdNew, holdOld;
    At atFile;                   // what is under the file's name in the end
    std::wstring says;           // the message after the system's text ("": none)
    bool oldAtBackup, newAtTmp;  // the files kept beside it, which the message names
  };
  const std::vector<Case> cases = {
      {ERROR_UNABLE_TO_REMOVE_REPLACED, Leaves::BothInPlace, false, false, Old, kUnchanged, false, false},
      {ERROR_UNABLE_TO_MOVE_REPLACEMENT, Leaves::BothInPlace, false, false, Old, kUnchanged, false, false},
      {ERROR_ACCESS_DENIED, Leaves::BothInPlace, true, false, Old, kUnchanged + kNewAtTmp, false, true},
      {ERROR_UNABLE_TO_MOVE_REPLACEMENT, Leaves::OldRemoved, false, false, New, L"", false, false},
      {ERROR_UNABLE_TO_MOVE_REPLACEMENT, Leaves::OldRemoved, true, false, Nothing,
       L"Die bisherige Datei gibt es nicht mehr." + kNewAtTmp, false, true},
      {ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, Leaves::OldAsBackup, false, false, New, L"", false, false},
      {ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, Leaves::OldAsBackup, true, false, Old, kUnchanged + kNewAtTmp,
       false, true},
      {ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, Leaves::OldAsBackup, true, true, Nothing,
       L"Die bisherige Datei ist gesichert unter:\r\n<backup>" + kNewAtTmp, true, true},
  };
  const auto real = os::GReplaceFile;
  os::GReplaceFile = FailingReplace;
  for (const Case& c : cases) {
    const std::string where = std::to_string(c.code) + " leaves " + std::to_string(int(c.leaves)) +
                              (c.holdNew ? ", new held" : "") + (c.holdOld ? ", old held" : "");
    out.Text(L"bericht.csv", "alt");
    gReplace = ReplaceStandIn{c.code, c.leaves, c.holdNew, c.holdOld};
    test::ResetDialogs();
    Export(file, 1);
    ASSERT_FALSE(gReplace.tmp.empty()) << where;
    ASSERT_FALSE(gReplace.backup.empty()) << where;  // with it, 1177 tells where the old file is
    std::wstring says = c.says;
    for (const auto& [mark, name] : {std::pair{L"<tmp>", gReplace.tmp}, {L"<backup>", gReplace.backup}}) {
      if (const size_t at = says.find(mark); at != std::wstring::npos) says.replace(at, wcslen(mark), name);
    }
    const auto m = Messages();
    if (says.empty()) {
      EXPECT_TRUE(m.empty()) << where << ": " << test::Narrow(m.empty() ? L"" : m[0].text);
    } else {
      ASSERT_EQ(m.size(), 1u) << where;
      EXPECT_EQ(m[0].text, L"Konnte nicht exportieren:\r\n" + file + L"\r\n" +
                               os::SystemErrorText(c.code) + L"\r\n" + says)
          << where;
    }
    // The data is where the message says, and nothing else is left beside the file.
    std::vector<std::wstring> expected;
    if (c.atFile != Nothing) expected.push_back(file);
    if (c.atFile == Old) {
      EXPECT_EQ(Bytes(file), "alt") << where;
    } else if (c.atFile == New) {
      EXPECT_TRUE(isNew(file)) << where;
    }
    if (c.oldAtBackup) {
      expected.push_back(gReplace.backup);
      EXPECT_EQ(Bytes(gReplace.backup), "alt") << where;
    }
    if (c.newAtTmp) {
      expected.push_back(gReplace.tmp);
      EXPECT_TRUE(isNew(gReplace.tmp)) << where;
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names(), expected) << where;
    gReplace.holders.clear();
    for (const std::wstring& f : names()) DeleteFileW(f.c_str());
  }
  os::GReplaceFile = real;

  // The real call, with its backup name: the file replaced, no backup left beside it.
  out.Text(L"bericht.csv", "alt");
  test::ResetDialogs();
  Export(file, 1);
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(isNew(file));
  EXPECT_EQ(names(), std::vector<std::wstring>{file});
}

TEST_F(Exchange, CommandsDuringAScanOrAnImportAreDropped) {
  TempTree t, out;
  t.File(L"a\\x", 10);
  Start({t.Root()});
  // Chosen while the scan runs: dropped with every other command.
  PostMessageW(ui::WindowID(kMainWindow), WM_COMMAND, MAKEWPARAM(kItemExport, 0), 0);
  PostMessageW(ui::WindowID(kMainWindow), WM_COMMAND, MAKEWPARAM(kItemImport, 0), 0);
  Click(kGadScan);
  EXPECT_TRUE(test::Dialogs().empty());
  ASSERT_FALSE(Pfade.empty());
  Export(out.Path(L"e.json"), 2);
  t.File(L"b\\z", 7);
  Click(kGadScan);  // results other than the file's

  // An import pumps the events as a scan does: what the user chooses meanwhile is dropped,
  // and "STOPP" gives up without touching the results or saying anything. The clicks come
  // while the file dialog closes, so that the import finds them waiting.
  const std::vector<Pfad> before = All();
  test::ResetDialogs();
  const auto recorder = ui::GDialogSeam.file;
  ui::GDialogSeam.file = [&](std::wstring_view title, const std::vector<ui::FileType>& types,
                             std::wstring_view initial, bool save) {
    PostMessageW(ui::WindowID(kMainWindow), WM_COMMAND, MAKEWPARAM(kItemExport, 0), 0);
    PostMessageW(ui::GadgetID(kGadStop), BM_CLICK, 0, 0);
    return recorder(title, types, initial, save);
  };
  Import(out.Path(L"e.json"));
  ui::GDialogSeam.file = recorder;
  ASSERT_EQ(test::Dialogs().size(), 1u);  // the open dialog, nothing after it
  EXPECT_EQ(test::Dialogs()[0].kind, L"open");
  EXPECT_EQ(All(), before);
  EXPECT_TRUE(ui::IsGadgetDisabled(kGadStop));
  EXPECT_EQ(ui::GetGadgetState(kGadStop), 0);
}

// The system's own file dialogs, answered the way a user does: a timer that runs inside the
// dialog's loop picks the file type, types the name and presses OK (or cancels).
struct FileDialogAnswer {
  int type = -1;  // index in the list of types, -1: leave it
  std::wstring name;
  bool cancel = false;
  std::wstring screenshot;  // name of the dialog's picture, if one is wanted
  // What the dialog showed.
  bool found = false;
  std::wstring title, types;
  int ticks = 0;
};
FileDialogAnswer gAnswer;

void CALLBACK AnswerFileDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dlg = test::VisibleDialog();
  if (!dlg) {
    if (++gAnswer.ticks > 300) KillTimer(nullptr, id);  // it never came: give up
    return;
  }
  KillTimer(nullptr, id);
  gAnswer.found = true;
  if (!gAnswer.screenshot.empty()) test::Screenshot(dlg, gAnswer.screenshot);
  wchar_t buf[512] = {0};
  GetWindowTextW(dlg, buf, 512);
  gAnswer.title = buf;
  HWND types = GetDlgItem(dlg, 0x470);  // cmb1, the file types
  const int count = types ? static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0)) : 0;
  for (int i = 0; i < count; ++i) {
    SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
    gAnswer.types += std::wstring(i ? L"|" : L"") + buf;
  }
  if (gAnswer.cancel) {
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDCANCEL)));
    return;
  }
  if (types && gAnswer.type >= 0) {
    // What a choice in the drop-down list tells its dialog.
    SendMessageW(types, CB_SETCURSEL, gAnswer.type, 0);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
  }
  HWND name = GetDlgItem(dlg, 0x47c);  // cmb13, the file name
  if (!name) name = GetDlgItem(dlg, 0x480);  // edt1 of the older layout
  SetWindowTextW(name, gAnswer.name.c_str());
  PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
}

TEST_F(Exchange, TheSystemsFileDialogsGiveTheChosenFileAndType) {
  TempTree t, out;
  t.File(L"a\\x", 10);
  Start({t.Root()});
  Click(kGadScan);
  const std::vector<Pfad> scanned = All();
  const auto seam = ui::GDialogSeam.file;
  ui::GDialogSeam.file = nullptr;

  // "ncdu-Export" chosen and a name typed without extension: the type's is added.
  gAnswer = FileDialogAnswer{};
  gAnswer.type = 1;
  gAnswer.name = out.Path(L"bericht");
  gAnswer.screenshot = L"export_dialog";
  SetTimer(nullptr, 0, 50, AnswerFileDialog);
  ProgramMenu(L"Exportieren...");
  EXPECT_TRUE(gAnswer.found);
  EXPECT_EQ(gAnswer.title, L"Scan-Ergebnisse exportieren");
  EXPECT_EQ(gAnswer.types, L"CSV-Tabelle (*.csv)|ncdu-Export (*.json)|CSV-Tabelle mit Dateien (*.csv)");
  EXPECT_TRUE(Bytes(out.Path(L"bericht.json")).starts_with("[1,2,{\"progname\":\"vardune\""));

  // Cancelled: nothing happens.
  gAnswer = FileDialogAnswer{};
  gAnswer.cancel = true;
  SetTimer(nullptr, 0, 50, AnswerFileDialog);
  ProgramMenu(L"Importieren...");
  EXPECT_TRUE(gAnswer.found);
  EXPECT_EQ(gAnswer.title, L"Scan-Ergebnisse importieren");
  EXPECT_EQ(gAnswer.types, L"ncdu-Export (*.json)|Alle Dateien (*.*)");
  EXPECT_EQ(All(), scanned);

  // The file opened: its results replace the others.
  t.File(L"b\\y", 20);
  Click(kGadScan);
  ASSERT_NE(All(), scanned);
  gAnswer = FileDialogAnswer{};
  gAnswer.name = out.Path(L"bericht.json");
  SetTimer(nullptr, 0, 50, AnswerFileDialog);
  ProgramMenu(L"Importieren...");
  ui::GDialogSeam.file = seam;
  EXPECT_TRUE(gAnswer.found);
  EXPECT_EQ(All(), scanned);
  EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace vardune
