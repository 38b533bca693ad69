// The command line as a user runs it: the real vardune.exe started under Wine from a Linux
// shell and with CreateProcessW. A report written without a window is held against the
// export of a scan of the same tree through the window; failures, arguments that do not
// parse, the absence of any window and of any backup-set file access, what reaches a
// redirected output; and /import=FILE opening an export in the window.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app.h"
#include "os/fs.h"
#include "os/text.h"
#include "scan/driver.h"
#include "scan/import.h"
#include "scan/model.h"
#include "tests/app/app_fixture.h"
#include "tests/support/compare.h"
#include "tests/support/program.h"
#include "tests/support/support.h"
#include "ui/mainwindow.h"
#include "ui/menus.h"

namespace vardune {
namespace {

using test::AppTest;
using test::ProgramRun;
using test::StartedAs;
using test::TempTree;

std::string Bytes(const std::wstring& path) { return os::ReadWholeFile(path).value_or("<none>"); }
bool Exists(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The names in a folder, "." and ".." left out.
std::vector<std::wstring> Names(const std::wstring& dir) {
  std::vector<std::wstring> v;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return v;
  do {
    const std::wstring n = fd.cFileName;
    if (n != L"." && n != L"..") v.push_back(n);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return v;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> v;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    v.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return v;
}

ImportResult ReadBack(const std::wstring& file) {
  ImportResult r;
  ImportError err;
  EXPECT_TRUE(ReadNcduJson(Bytes(file), r, err)) << test::Narrow(err.Text);
  return r;
}

std::vector<Pfad> Records(const PfadListe& list) {
  std::vector<Pfad> v;
  for (size_t i = 0; i < list.size(); ++i) v.push_back(list.Get(i));
  return v;
}

class CommandLineRun : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ASSERT_FALSE(test::ProgramPath().empty()) << "vardune.exe is not built";
  }
  // The tree of a report: nested directories, loose files, names with blanks, a ";", letters
  // beyond ASCII, an empty directory, and (where permissions hold) one that cannot be listed.
  static void FillTree(const TempTree& t, const std::wstring& top) {
    t.File(top + L"gross\\a.bin", 300 * 1024);
    t.File(top + L"gross\\innen\\b.bin", 100 * 1024);
    t.File(top + L"semi;kolon\\Größe.txt", 5000);
    t.File(top + L"mit Blank\\x y.txt", 10);
    t.File(top + L"lose.txt", 1234);
    t.Dir(top + L"leer");
    if (test::PermissionsEnforced()) {
      t.File(top + L"zu\\e.bin", 1);
      t.Chmod(top + L"zu", "000");
    }
  }
  // "Exportieren..." of the window, the dialog answered with that file and type.
  static void ExportThroughWindow(const std::wstring& file, int type) {
    test::gFileAnswer = ui::FileChoice{file, type};
    PostMessageW(ui::WindowID(kMainWindow), WM_COMMAND, MAKEWPARAM(kItemExport, 0), 0);
    RunPending();
  }
};

// The three kinds of report, each written once through the window and once by the command
// line with the switches in another order and letter case: the CSVs alike byte for byte (the
// one with files too), the ncdu export read back into the same records.
TEST_F(CommandLineRun, ReportsMatchTheWindowsScanOfTheSameTree) {
  TempTree t, out;
  FillTree(t, L"Ordner mit Blanks\\");
  const std::wstring target = t.Path(L"Ordner mit Blanks\\");
  Start({target});
  ASSERT_EQ(GStartPath, target);
  Click(kGadScan);
  ASSERT_NE(FindRecordOf(Pfade, target), PfadListe::npos);
  ExportThroughWindow(out.Path(L"fenster.csv"), 1);
  ExportThroughWindow(out.Path(L"fenster-dateien.csv"), 3);
  ExportThroughWindow(out.Path(L"fenster.json"), 2);
  ASSERT_TRUE(test::Dialogs().size() == 3u);  // the three file dialogs, no message

  struct Case {
    std::vector<std::wstring> args;
    std::wstring file, fromWindow;
  };
  const std::wstring noSlash = target.substr(0, target.size() - 1);
  const Case cases[] = {
      {{L"/export=" + out.Path(L"befehl.csv"), target}, L"befehl.csv", L"fenster.csv"},
      {{noSlash, L"-DATEIEN", L"/Export=" + out.Path(L"befehl-dateien.CSV")},
       L"befehl-dateien.CSV", L"fenster-dateien.csv"},
      {{L"-export=" + out.Path(L"befehl.JSON"), target}, L"befehl.JSON", L"fenster.json"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::Narrow(c.file));
    const ProgramRun r = test::RunFromShell(c.args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    ASSERT_TRUE(Exists(out.Path(c.file)));
    if (c.file.ends_with(L"JSON")) {
      const ImportResult cli = ReadBack(out.Path(c.file));
      const ImportResult window = ReadBack(out.Path(c.fromWindow));
      EXPECT_EQ(cli.Root, target);
      EXPECT_EQ(Records(cli.Records), Records(window.Records));
    } else {
      EXPECT_EQ(Bytes(out.Path(c.file)), Bytes(out.Path(c.fromWindow)));
    }
  }
  // The file lines are those of the window's scan, one per file the scan kept.
  const std::vector<std::string> withFiles = Lines(Bytes(out.Path(L"befehl-dateien.CSV")));
  size_t header = 0;
  while (header < withFiles.size() && withFiles[header] != "Pfad;Bytes;KBytes;Auf Datenträger;Geändert") {
    ++header;
  }
  ASSERT_LT(header, withFiles.size());
  size_t kept = 0;
  for (size_t i = 0; i < Pfade.size(); ++i) kept += Pfade.FilesOf(i).size();
  EXPECT_EQ(withFiles.size() - header - 1, kept);
}

// A scan that finds an empty directory is a good report: its one line. A path that is not
// there, is a file, or cannot be listed, and a report that cannot be written end with 1; no
// file is left behind, and an existing report stays as it was.
TEST_F(CommandLineRun, FailedScansAndWritesEndWithOneAndLeaveNoFile) {
  TempTree t, out;
  t.Dir(L"leer");
  t.File(L"datei.txt", 5);
  const ProgramRun empty = test::RunFromShell({L"/export=" + out.Path(L"leer.csv"), t.Path(L"leer")});
  EXPECT_EQ(empty.exitCode, 0) << empty.err;
  EXPECT_EQ(Lines(Bytes(out.Path(L"leer.csv"))),
            (std::vector<std::string>{"\xEF\xBB\xBFPfad;Bytes;KBytes;Dateien;Verz;Fehler",
                                      test::Narrow(t.Path(L"leer\\")) + ";0;0;0;0;0"}));

  out.Text(L"alt.csv", "alter Bericht");
  SetFileAttributesW(out.Path(L"alt.csv").c_str(), FILE_ATTRIBUTE_READONLY);
  struct Case {
    const char* what;
    std::wstring path, file;
    const char* says;
  };
  std::vector<Case> cases = {
      {"missing path", t.Path(L"gibt-es-nicht\\"), out.Path(L"a.csv"), "Das Verzeichnis gibt es nicht."},
      {"a file", t.Path(L"datei.txt"), out.Path(L"b.json"), "Das ist kein Verzeichnis."},
      {"no such folder for the file", t.Root(), out.Path(L"fehlt\\c.csv"), "Konnte nicht exportieren:"},
      {"read-only report", t.Root(), out.Path(L"alt.csv"), "Konnte nicht exportieren:"},
  };
  if (test::PermissionsEnforced()) {
    t.File(L"zu\\x", 1);
    t.Chmod(L"zu", "000");
    cases.push_back({"unreadable", t.Path(L"zu\\"), out.Path(L"d.csv"),
                     "Das Verzeichnis lässt sich nicht lesen."});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ProgramRun r = test::RunFromShell({L"/export=" + c.file, c.path});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  std::vector<std::wstring> left = Names(out.Root());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::wstring>{L"alt.csv", L"leer.csv"}));
  EXPECT_EQ(Bytes(out.Path(L"alt.csv")), "alter Bericht");
  SetFileAttributesW(out.Path(L"alt.csv").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// /vergleich=VORHER: a tree exported by the command line, changed, then compared by it; the
// report lists what grew, came and went with both sizes, in the order and with the rows of the
// window's comparison with the same export. An earlier export that is not there or is damaged
// ends with 1 and writes nothing, the damage named by line and column.
TEST_F(CommandLineRun, ComparisonWithAnEarlierExportWritesWhatChanged) {
  TempTree t, out;
  t.File(L"bleibt\\a", 1024);
  t.File(L"wächst\\g", 10 * 1024);
  t.File(L"geht\\x", 3 * 1024);
  t.File(L"lose", 100);
  const std::wstring before = out.Path(L"vorher.json");
  ASSERT_EQ(test::RunFromShell({L"/export=" + before, t.Root()}).exitCode, 0);
  t.File(L"wächst\\g", 30 * 1024);
  t.File(L"wächst\\n", 5 * 1024);
  t.Remove(L"geht");
  t.File(L"neu\\r", 2 * 1024);

  const std::wstring report = out.Path(L"änderungen.csv");
  const ProgramRun r = test::RunFromShell({L"/export=" + report, L"/VERGLEICH=" + before, t.Root()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Vergleiche mit " + test::Narrow(before)), std::string::npos) << r.out;
  const std::string root = test::Narrow(t.Root());
  const std::vector<std::string> lines = Lines(Bytes(report));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "\xEF\xBB\xBFPfad;Änderung Bytes;Jetzt Bytes;Vorher Bytes;Art",
                       root + "wächst\\;25600;35840;10240;gewachsen",
                       root + "wächst\\g;20480;30720;10240;gewachsen",
                       root + "wächst\\n;5120;5120;;neu",
                       root + "neu\\;2048;2048;;neu",
                       root + "geht\\;-3072;;3072;weg",
                   }));
  // The window's comparison with the same export: the same rows in the same order.
  Start({t.Root()});
  Click(kGadScan);
  test::gFileAnswer = ui::FileChoice{before, 1};
  Menu(kItemCompare);
  std::vector<std::wstring> fromReport;
  for (size_t i = 1; i < lines.size(); ++i) {
    fromReport.push_back(FromUtf8(lines[i].substr(root.size(), lines[i].find(';') - root.size())));
  }
  EXPECT_EQ(test::ChangeListPaths(t.Root()), fromReport);

  out.Text(L"kaputt.json", "[1,0,{\"progname\":\"x\"},\n[{\"name\":\"/a\"},\n{\"name\":");
  struct Case {
    const char* what;
    std::wstring earlier;
    const char* says;
  };
  const Case cases[] = {
      {"missing", out.Path(L"fehlt.json"), "Konnte nicht vergleichen:"},
      {"damaged", out.Path(L"kaputt.json"), "Zeile 3, Spalte "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ProgramRun f = test::RunFromShell({L"/export=" + out.Path(L"nie.csv"), L"/vergleich=" + c.earlier, t.Root()});
    EXPECT_EQ(f.exitCode, 1);
    EXPECT_NE(f.err.find(c.says), std::string::npos) << f.err;
    EXPECT_NE(f.err.find("nie.csv wurde nicht geschrieben."), std::string::npos) << f.err;
    EXPECT_FALSE(Exists(out.Path(L"nie.csv")));
  }
}

// Relative names count from the current directory, as at a command prompt.
TEST_F(CommandLineRun, RelativePathsCountFromTheCurrentDirectory) {
  TempTree t;
  t.File(L"gross\\a.bin", 2048);
  const ProgramRun r = test::RunFromShell({L"/export=bericht.csv", L"gross"}, t.Root());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Lines(Bytes(t.Path(L"bericht.csv"))),
            (std::vector<std::string>{"\xEF\xBB\xBFPfad;Bytes;KBytes;Dateien;Verz;Fehler",
                                      test::Narrow(t.Path(L"gross\\")) + ";2048;2;1;0;0"}));
}

// Arguments that do not parse end with 2 before anything is scanned or written, and say why,
// followed by how the program is called.
TEST_F(CommandLineRun, ArgumentsThatDoNotParseEndWithTwo) {
  TempTree t, out;
  t.File(L"a\\f", 1);
  const std::wstring p = t.Root();
  const std::wstring f = out.Path(L"r.csv");
  struct Case {
    std::vector<std::wstring> args;
    const char* says;
  };
  const Case cases[] = {
      {{L"/export=" + f}, "Es fehlt der Pfad"},
      {{L"/export=" + f, L""}, "Es fehlt der Pfad"},
      {{L"/export=", p}, "Nach /export= fehlt der Dateiname."},
      {{L"/export", p}, "Nach /export= fehlt der Dateiname."},
      {{L"/exprot=" + f, p}, "Unbekannter Schalter: /exprot="},
      {{L"-x"}, "Unbekannter Schalter: -x"},
      {{L"/export=" + f, p, t.Path(L"a")}, "Nur ein Pfad"},
      {{L"/export=" + out.Path(L"r.txt"), p}, "muss auf .csv oder .json enden"},
      {{L"/export=" + out.Path(L"r"), p}, "muss auf .csv oder .json enden"},
      {{L"/dateien", p}, "/dateien gehört zu /export=DATEI."},
      {{L"/export=" + f, L"/EXPORT=" + out.Path(L"s.csv"), p}, "steht zweimal da"},
      {{L"/dateien=ja", L"/export=" + f, p}, "nimmt keinen Wert"},
      {{L"/import=" + out.Path(L"x.json"), L"/export=" + f}, "gehen nicht zusammen"},
      {{L"/import=" + out.Path(L"x.json"), p}, "nimmt keinen Pfad"},
      {{L"/import="}, "Nach /import= fehlt der Dateiname."},
      {{L"/vergleich=" + out.Path(L"v.json"), p}, "/vergleich=VORHER gehört zu /export=DATEI."},
      {{L"/export=" + out.Path(L"r.json"), L"/vergleich=" + out.Path(L"v.json"), p},
       "die Exportdatei muss auf .csv enden"},
      {{L"/import=" + out.Path(L"x.json"), L"/vergleich=" + out.Path(L"v.json")}, "nimmt keinen Pfad"},
  };
  for (const Case& c : cases) {
    std::string trace;
    for (const auto& a : c.args) trace += std::string("[").append(test::Narrow(a)).append("] ");
    SCOPED_TRACE(trace);
    const ProgramRun r = test::RunFromShell(c.args);
    EXPECT_EQ(r.exitCode, 2);
    const std::vector<std::string> lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 2u) << r.err;
    EXPECT_TRUE(lines[0].starts_with("vardune: ")) << lines[0];
    EXPECT_NE(lines[0].find(c.says), std::string::npos) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("Aufruf: vardune.exe /export=DATEI [/dateien] PFAD"));
    EXPECT_EQ(r.out, "");
  }
  EXPECT_TRUE(Names(out.Root()).empty());
}

// Started as a scheduled task starts it (no console, no standard handles): the report is the
// only thing it writes. No window of the process exists at any time, the backup-set file is
// neither rewritten nor taken into the run (a set on a scanned directory with a size that a
// reconciliation would correct stays as it was), and nothing reaches the starter's own output.
TEST_F(CommandLineRun, AsScheduledTaskNoWindowNoBackupSetsNoOutput) {
  wchar_t appdata[MAX_PATH] = {0};
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, appdata, CSIDL_APPDATA, TRUE));
  const std::wstring dataDir = std::wstring(appdata) + L"\\Vardune\\";
  CreateDirectoryW(dataDir.c_str(), nullptr);
  const std::wstring store = dataDir + L"BackupSets.txt";
  TempTree t, out;
  FillTree(t, L"");
  for (int i = 0; i < 300; ++i) t.File(L"viele\\d" + std::to_wstring(i) + L"\\f", i);
  const std::string sets = test::Narrow(t.Path(L"gross")) + "|Nacht|1\r\n";
  out.Text(L"sets", sets);
  ASSERT_TRUE(CopyFileW(out.Path(L"sets").c_str(), store.c_str(), FALSE));
  const auto lastWrite = [&] {
    FILETIME w{};
    os::Handle h(CreateFileW(store.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             0, nullptr));
    GetFileTime(h.get(), nullptr, nullptr, &w);
    return (static_cast<uint64_t>(w.dwHighDateTime) << 32) | w.dwLowDateTime;
  };
  const uint64_t before = lastWrite();

  const std::wstring file = out.Path(L"nacht.csv");
  const ProgramRun task = test::RunProcess({L"/export=" + file, t.Root()}, StartedAs::NoConsole);
  EXPECT_EQ(task.exitCode, 0) << task.err;
  EXPECT_EQ(task.windowsSeen, 0);
  EXPECT_EQ(task.out, "");
  EXPECT_EQ(task.err, "");
  EXPECT_EQ(Names(out.Root()), (std::vector<std::wstring>{L"nacht.csv", L"sets"}));
  EXPECT_TRUE(Bytes(file).starts_with("\xEF\xBB\xBFPfad;")) << Bytes(file);
  EXPECT_EQ(Bytes(store), sets);
  EXPECT_EQ(lastWrite(), before);
  DeleteFileW(store.c_str());  // the next test starts without sets
}

// From a command prompt the run tells where it is now and then (at most once a second, on a
// medium slow enough to take seconds) and what it could not read, in its console; the same
// lines go to standard output and error when they are redirected. The last line sums up
// with the counts of the report's line of the scanned directory.
TEST_F(CommandLineRun, ConsoleAndRedirectedOutputTellProgressAndErrors) {
  if (!test::NoFuseReason().empty()) GTEST_SKIP() << test::NoFuseReason();
  TempTree backing, out;
  FillTree(backing, L"");
  for (int i = 0; i < 30; ++i) backing.File(L"viele\\d" + std::to_wstring(i) + L"\\f", 1000);
  test::SlowMedium slow(backing, "--delay 100");
  ASSERT_EQ(slow.Error(), "");
  const std::wstring root = slow.Root();
  const bool closed = test::PermissionsEnforced();

  // The counts of the scanned directory as its report's line has them.
  const auto counts = [&](const std::wstring& report) {
    for (const std::string& l : Lines(Bytes(report))) {
      if (!l.starts_with(test::Narrow(root) + ";")) continue;
      std::vector<std::string> f;
      for (size_t a = 0, b; a <= l.size(); a = b + 1) {
        b = l.find(';', a);
        if (b == std::string::npos) b = l.size();
        f.push_back(l.substr(a, b - a));
      }
      if (f.size() == 6) return "   Verzeichnisse: " + f[4] + "   Dateien: " + f[3] + "   MB: 0";
    }
    return std::string("<no line>");
  };

  const std::wstring shownFile = out.Path(L"konsole.csv");
  const int64_t begin = GetTickCount64();
  const ProgramRun shown = test::RunInConsole({L"/export=" + shownFile, root});
  const int64_t seconds = (GetTickCount64() - begin) / 1000;
  EXPECT_EQ(shown.exitCode, 0) << shown.out;
  const std::vector<std::string> lines = Lines(shown.out);
  ASSERT_GE(lines.size(), 3u) << shown.out;
  EXPECT_EQ(lines.front(), "Scanne " + test::Narrow(root));
  EXPECT_TRUE(lines.back().starts_with("Geschrieben: " + test::Narrow(shownFile) + counts(shownFile)))
      << lines.back();
  int progress = 0, errors = 0;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    if (lines[i].starts_with("Scanne " + test::Narrow(root)) &&
        lines[i].find("   MB: 0   Dateien: ") != std::string::npos) {
      ++progress;
    } else if (lines[i] == "Error: " + test::Narrow(root + L"zu\\")) {
      ++errors;
    } else {
      ADD_FAILURE() << lines[i];
    }
  }
  EXPECT_GE(progress, 1);
  EXPECT_LE(progress, seconds + 1);
  EXPECT_EQ(errors, closed ? 1 : 0);
  if (closed) {
    EXPECT_NE(lines.back().find("   nicht lesbar: 1   "), std::string::npos) << lines.back();
  }

  const std::wstring redirectedFile = out.Path(L"umgeleitet.csv");
  const ProgramRun redirected =
      test::RunProcess({L"/export=" + redirectedFile, root}, StartedAs::Redirected);
  EXPECT_EQ(redirected.exitCode, 0) << redirected.err;
  EXPECT_EQ(redirected.windowsSeen, 0);
  const std::vector<std::string> outLines = Lines(redirected.out);
  ASSERT_GE(outLines.size(), 2u) << redirected.out;
  EXPECT_EQ(outLines.front(), "Scanne " + test::Narrow(root));
  EXPECT_TRUE(outLines.back().starts_with("Geschrieben: " + test::Narrow(redirectedFile) +
                                          counts(redirectedFile)))
      << outLines.back();
  EXPECT_EQ(redirected.err, closed ? "Error: " + test::Narrow(root + L"zu\\") + "\r\n" : "");
}

// /import=FILE, as a double click on an exported file starts the program: the window opens
// with the file imported as "Importieren..." imports it, and the path field shows its root; a
// file that is no export gives the import's message and the start of a program without a
// parameter.
TEST_F(CommandLineRun, ImportSwitchOpensAnExportInTheWindow) {
  TempTree t, out;
  FillTree(t, L"");
  const std::wstring file = out.Path(L"bericht.json");
  ASSERT_EQ(test::RunFromShell({L"/export=" + file, t.Root()}).exitCode, 0);
  ImportResult written = ReadBack(file);
  written.Records.SortByParent();
  out.Text(L"kaputt.json", "[1,2,{},[{\"name\":");

  Start({L"/IMPORT=" + file});
  EXPECT_TRUE(test::Dialogs().empty());
  EXPECT_EQ(Records(Pfade), Records(written.Records));
  EXPECT_EQ(GStartPath, t.Root());
  EXPECT_EQ(ui::GetGadgetText(kGadPath), t.Root());
  EXPECT_GE(RowOf(L"gross"), 0);
  ShutDown();
  started_ = false;

  Pfade.Clear();
  Start({L"-import=" + out.Path(L"kaputt.json")});
  ASSERT_EQ(test::Dialogs().size(), 1u);
  EXPECT_TRUE(test::Dialogs()[0].text.starts_with(L"Konnte nicht importieren:\r\n" +
                                                  out.Path(L"kaputt.json") + L"\r\nZeile 1, Spalte"))
      << test::Narrow(test::Dialogs()[0].text);
  EXPECT_TRUE(Pfade.empty());
  EXPECT_EQ(GStartPath, GProgDir);
}

struct FoundWindow {
  DWORD pid;
  HWND main;
};

BOOL CALLBACK FindMainWindow(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<FoundWindow*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t title[64] = {0};
  GetWindowTextW(w, title, 64);
  if (pid == f->pid && IsWindowVisible(w) && std::wstring(title).starts_with(L"Vardune ") &&
      GetDlgItem(w, kGadPath)) {
    f->main = w;
    return FALSE;
  }
  return TRUE;
}

// The same through the real program, as Explorer starts it for a double click: its main
// window comes up with the imported root in the path field, and closing it ends the program.
TEST_F(CommandLineRun, ImportSwitchOfTheRealProgramShowsTheExport) {
  TempTree t, out;
  t.File(L"gross\\a.bin", 4096);
  const std::wstring file = out.Path(L"Bericht mit Blank.json");
  ASSERT_EQ(test::RunFromShell({L"/export=" + file, t.Root()}).exitCode, 0);
  std::wstring cmd = test::WinArg(test::ProgramPath()) + L" " + test::WinArg(L"/import=" + file);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  CloseHandle(pi.hThread);
  FoundWindow f{pi.dwProcessId, nullptr};
  std::wstring shown;
  for (int i = 0; i < 400 && shown != t.Root(); ++i) {
    Sleep(50);
    f.main = nullptr;
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&f));
    if (!f.main) continue;
    wchar_t text[MAX_PATH] = {0};
    SendMessageTimeoutW(GetDlgItem(f.main, kGadPath), WM_GETTEXT, MAX_PATH,
                        reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    shown = text;
  }
  EXPECT_EQ(shown, t.Root());
  if (f.main) PostMessageW(f.main, WM_CLOSE, 0, 0);
  const bool ended = WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(pi.hProcess, 99);
  DWORD code = 99;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  EXPECT_TRUE(ended);
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace vardune
