// Reading the command line, and the scan that writes its report without a window (see
// commandline.h).
#include "app/commandline.h"

#include <windows.h>

#include <atomic>
#include <optional>
#include <cwctype>
#include <string_view>

#include "app/console.h"
#include "app/exchange.h"
#include "os/clock.h"
#include "os/files.h"
#include "os/text.h"
#include "scan/compare.h"
#include "scan/driver.h"
#include "scan/export.h"
#include "scan/model.h"
#include "scan/scanner.h"
#include "scan/scanui.h"

namespace vardune {

namespace {

constexpr std::wstring_view kUsage =
    L"Aufruf: vardune.exe /export=DATEI [/dateien] PFAD   oder   "
    L"vardune.exe /export=DATEI.csv /vergleich=VORHER.json PFAD   oder   vardune.exe /import=DATEI";

// The switches the program knows. One that takes a value is given as /name=value; the rules
// of which go together are in ParseCommandLine.
struct Switch {
  std::wstring_view name;
  std::wstring CommandLine::*value;  // the switch takes a value, stored here
  bool CommandLine::*flag;           // or it is a flag, set here
};
constexpr Switch kSwitches[] = {
    {L"export", &CommandLine::ExportFile, nullptr},
    {L"dateien", nullptr, &CommandLine::WithFiles},
    {L"import", &CommandLine::ImportFile, nullptr},
    {L"vergleich", &CommandLine::EarlierFile, nullptr},
};

struct SwitchArg {
  std::wstring name;  // in lower case
  bool hasValue = false;
  std::wstring value;
};

// "/" or "-", a word of letters, then the end or "=". A path such as /tmp/x or -a\b is none.
bool AsSwitch(const std::wstring& arg, SwitchArg& out) {
  if (arg.size() < 2 || (arg[0] != L'/' && arg[0] != L'-')) return false;
  size_t k = 1;
  while (k < arg.size() && std::iswalpha(arg[k]) && arg[k] < 128) ++k;
  if (k == 1 || (k < arg.size() && arg[k] != L'=')) return false;
  out.name = LowerText(std::wstring_view(arg).substr(1, k - 1));
  out.hasValue = k < arg.size();
  out.value = out.hasValue ? arg.substr(k + 1) : std::wstring();
  return true;
}

std::wstring Extension(const std::wstring& file) {
  const size_t slash = file.find_last_of(L"\\/");
  const size_t dot = file.rfind(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return {};
  return LowerText(std::wstring_view(file).substr(dot + 1));
}

CommandLine Invalid(std::wstring why) {
  CommandLine cl;
  cl.Mode = CommandMode::Invalid;
  cl.Error = std::move(why);
  return cl;
}

bool IsAbsolute(std::wstring_view p) {
  if (p.size() >= 2 && (p[0] == L'\\' || p[0] == L'/') && (p[1] == L'\\' || p[1] == L'/')) {
    return true;
  }
  return p.size() >= 3 && std::iswalpha(p[0]) && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/');
}

// ---- the scan without a window --------------------------------------------------------------

constexpr int64_t kProgressEveryMs = 1000;

std::atomic<bool> gInterrupted{false};
std::wstring gProgressPath;
int64_t gNextProgress = 0;

// Ctrl+C or Ctrl+Break in the console: the scan stops as with "STOPP", and nothing is written.
BOOL WINAPI OnConsoleBreak(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  gInterrupted = true;
  return TRUE;
}

// The counter field's text on one line: "MB:" and "Dateien:" each followed by one blank
// instead of the padding that right-aligns the numbers in the window, three between the two.
std::wstring OneLine(std::wstring_view text) {
  std::wstring out;
  bool gap = false;
  for (wchar_t c : text) {
    if (c == L' ' || c == L'\r' || c == L'\n') {
      gap = true;
      continue;
    }
    if (gap && !out.empty()) out += out.back() == L':' ? L" " : L"   ";
    gap = false;
    out += c;
  }
  return out;
}

// What the scan engine gets instead of the windows: progress lines, error lines, no "STOPP"
// but Ctrl+C, no backup sets, no list.
void ConnectConsoleScanUi() {
  GScanUi = ScanUi{};
  GScanUi.SetPathText = [](std::wstring_view text) {
    gProgressPath = std::wstring(text.substr(0, text.find(L'\r')));
  };
  GScanUi.SetCounterText = [](std::wstring_view text) {
    const int64_t now = os::Millis();
    if (now < gNextProgress) return;
    gNextProgress = now + kProgressEveryMs;
    ConsoleLine(ConsoleStream::Out, L"Scanne " + gProgressPath + L"   " + OneLine(text));
  };
  // No window to keep alive; the thread's queue is emptied all the same, and Ctrl+C is the
  // one way to stop.
  GScanUi.PumpEvents = [] {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    return gInterrupted.load();
  };
  GScanUi.LogError = [](std::wstring_view line) { ConsoleLine(ConsoleStream::Err, line); };
}

// Why a start path gave nothing to report.
std::wstring ScanFailure(const std::wstring& path) {
  // A file is named without the backslash that the start path was given; a drive root keeps
  // its own ("C:" alone is the current directory of the drive).
  std::wstring bare(StripBackslashes(path));
  if (bare.size() <= 2 || bare.back() == L':') bare = path;
  const DWORD attrs = GetFileAttributesW(bare.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) {
    const DWORD e = GetLastError();
    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == ERROR_BAD_NETPATH ||
        e == ERROR_BAD_NET_NAME || e == ERROR_INVALID_NAME) {
      return L"Konnte nicht scannen: " + path + L"\r\nDas Verzeichnis gibt es nicht.";
    }
    return L"Konnte nicht scannen: " + path + L"\r\n" + os::SystemErrorText(e);
  }
  if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
    return L"Konnte nicht scannen: " + path + L"\r\nDas ist kein Verzeichnis.";
  }
  return L"Konnte nicht scannen: " + path + L"\r\nDas Verzeichnis lässt sich nicht lesen.";
}

// The scan found something to report: the start's own record is readable, or (a server's
// shares, which have no record above them) at least one share was found.
bool ScanGaveReport(const std::wstring& path) {
  if (const size_t i = FindRecordOf(Pfade, path); i != PfadListe::npos) return Pfade[i].Size >= 0;
  return !Pfade.empty() && path.starts_with(L"\\\\");
}

void Fail(std::wstring_view text) { ConsoleLine(ConsoleStream::Err, text); }

std::wstring CompareFailure(const std::wstring& file, const std::wstring& why) {
  return L"Konnte nicht vergleichen:\r\n" + file + L"\r\n" + why;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::wstring>& args) {
  CommandLine cl;
  SwitchArg sw;
  bool anySwitch = false;
  for (const std::wstring& a : args) anySwitch = anySwitch || AsSwitch(a, sw);
  if (!anySwitch) return cl;

  std::vector<std::wstring> plain;
  std::vector<std::wstring> seen;
  for (const std::wstring& a : args) {
    if (!AsSwitch(a, sw)) {
      plain.push_back(a);
      continue;
    }
    const Switch* known = nullptr;
    for (const Switch& s : kSwitches) {
      if (s.name == sw.name) known = &s;
    }
    if (!known) return Invalid(L"Unbekannter Schalter: " + a);
    for (const std::wstring& n : seen) {
      if (n == sw.name) return Invalid(L"Der Schalter /" + sw.name + L" steht zweimal da.");
    }
    seen.push_back(sw.name);
    if (known->value) {
      if (sw.value.empty()) return Invalid(L"Nach /" + sw.name + L"= fehlt der Dateiname.");
      cl.*(known->value) = sw.value;
    } else {
      if (sw.hasValue) return Invalid(L"Der Schalter /" + sw.name + L" nimmt keinen Wert: " + a);
      cl.*(known->flag) = true;
    }
  }

  if (!cl.ImportFile.empty()) {
    if (!cl.ExportFile.empty()) return Invalid(L"/export und /import gehen nicht zusammen.");
    if (!plain.empty() || cl.WithFiles || !cl.EarlierFile.empty()) {
      return Invalid(L"/import=DATEI nimmt keinen Pfad und keinen weiteren Schalter.");
    }
    cl.Mode = CommandMode::Import;
    return cl;
  }
  if (cl.ExportFile.empty()) {
    return Invalid(cl.WithFiles ? L"/dateien gehört zu /export=DATEI."
                                : L"/vergleich=VORHER gehört zu /export=DATEI.");
  }
  const std::wstring ext = Extension(cl.ExportFile);
  if (ext != L"csv" && ext != L"json") {
    return Invalid(L"Die Exportdatei muss auf .csv oder .json enden: " + cl.ExportFile);
  }
  if (!cl.EarlierFile.empty() && ext != L"csv") {
    return Invalid(L"Die Änderungen werden als CSV geschrieben: die Exportdatei muss auf .csv enden: " +
                   cl.ExportFile);
  }
  if (plain.empty() || plain[0].empty()) return Invalid(L"Es fehlt der Pfad, der gescannt werden soll.");
  if (plain.size() > 1) return Invalid(L"Nur ein Pfad lässt sich scannen, nicht auch: " + plain[1]);
  cl.Path = plain[0];
  cl.Mode = CommandMode::Export;
  return cl;
}

std::wstring FullCommandLinePath(const std::wstring& given) {
  if (IsAbsolute(given)) return NormalizeEnteredPath(given);
  const DWORD n = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
  if (n == 0) return NormalizeEnteredPath(given);
  std::wstring full(n, L'\0');
  const DWORD k = GetFullPathNameW(given.c_str(), n, full.data(), nullptr);
  full.resize(k < n ? k : 0);
  return NormalizeEnteredPath(full.empty() ? given : full);
}

int RunWithoutWindow(const CommandLine& cl) {
  OpenConsoleOutput();
  if (cl.Mode != CommandMode::Export) {
    Fail(L"vardune: " + cl.Error);
    Fail(kUsage);
    return kExitBadArguments;
  }
  // No "insert a disk" or "cannot open" dialogs of the system: nobody may be there to answer.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  SetConsoleCtrlHandler(OnConsoleBreak, TRUE);

  const std::wstring file = FullCommandLinePath(cl.ExportFile);
  const std::wstring path = _AddBackslash(FullCommandLinePath(cl.Path));
  // The ncdu export always carries every file: /dateien changes nothing there.
  const ExportFormat format = Extension(file) == L"json" ? ExportFormat::NcduJson
                              : cl.WithFiles             ? ExportFormat::CsvWithFiles
                                                         : ExportFormat::Csv;
  // The earlier export is opened before the scan, so that a name mistyped is told at once and
  // not after an hour of scanning; it is read once the results are there.
  const std::wstring earlierFile = cl.EarlierFile.empty() ? std::wstring() : FullCommandLinePath(cl.EarlierFile);
  std::optional<os::FileReader> earlier;
  if (!earlierFile.empty()) {
    earlier.emplace(earlierFile);
    if (!earlier->IsOpen()) {
      Fail(CompareFailure(earlierFile, os::SystemErrorText(earlier->OpenError())));
      Fail(file + L" wurde nicht geschrieben.");
      return kExitFailed;
    }
  }
  ConnectConsoleScanUi();
  ConsoleLine(ConsoleStream::Out, L"Scanne " + path);
  const int64_t start = os::Millis();
  gNextProgress = start + kProgressEveryMs;
  _Scan(path);
  const int64_t took = os::Millis() - start;
  if (gInterrupted) {
    Fail(L"Abgebrochen. " + file + L" wurde nicht geschrieben.");
    return kExitFailed;
  }
  if (!ScanGaveReport(path)) {
    Fail(ScanFailure(path));
    Fail(file + L" wurde nicht geschrieben.");
    return kExitFailed;
  }
  std::wstring failure;
  if (earlier) {
    ConsoleLine(ConsoleStream::Out, L"Vergleiche mit " + earlierFile);
    Comparison cmp;
    ImportError err;
    const ReadBytes read = [&](char* buf, size_t cap) {
      return gInterrupted ? int64_t{-1} : earlier->Read(buf, cap);
    };
    if (!CompareWithExport(Pfade, read, cmp, err)) {
      if (gInterrupted) {
        Fail(L"Abgebrochen. " + file + L" wurde nicht geschrieben.");
      } else {
        Fail(CompareFailure(earlierFile, ImportErrorText(err)));
        Fail(file + L" wurde nicht geschrieben.");
      }
      return kExitFailed;
    }
    earlier.reset();
    if (!WriteReport(file, [&](const os::ByteSink& sink) { return WriteChangesCsv(Pfade, cmp, sink); },
                     L"", failure)) {
      Fail(failure);
      return kExitFailed;
    }
  } else if (!WriteExport(file, format, failure)) {
    Fail(failure);
    return kExitFailed;
  }
  int64_t bytes = 0;
  int32_t unreadable = 0;
  for (size_t i = 0; i < Pfade.size(); ++i) {
    if (Pfade[i].Size < 0) ++unreadable;
  }
  if (const size_t i = FindRecordOf(Pfade, path); i != PfadListe::npos) bytes = Pfade[i].Size;
  std::wstring done = L"Geschrieben: " + file + L"   Verzeichnisse: " + GroupThousands(GDirs) +
                      L"   Dateien: " + GroupThousands(GFiles) + L"   MB: " +
                      GroupThousands(bytes / 1024 / 1024);
  if (unreadable > 0) done += L"   nicht lesbar: " + GroupThousands(unreadable);
  ConsoleLine(ConsoleStream::Out, done + L"   " + ScanDurationText(took));
  return kExitWritten;
}

}  // namespace vardune
