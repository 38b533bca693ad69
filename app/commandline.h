// The program's command line beyond a start path: a scan that writes its report to a file
// without any window (for scheduled tasks), and a start that opens an export.
//
//   vardune.exe /export=DATEI [/dateien] PFAD   scans PFAD, writes DATEI (.csv or .json), ends
//   vardune.exe /export=DATEI /vergleich=VORHER PFAD
//                                               scans PFAD, compares it with the earlier
//                                               export VORHER and writes what changed to
//                                               DATEI (.csv), ends
//   vardune.exe /import=DATEI                   starts as usual with DATEI imported
//
// A parameter is a switch when it begins with "/" or "-" followed by a word of letters, alone
// or followed by "=" and a value ("/EXPORT=x", "-dateien"); switch names are case-insensitive
// and may come in any order. A command line without any switch is the start of the Parts: its
// first parameter's directory goes to the path field.
#pragma once
#include <string>
#include <vector>

namespace vardune {

enum class CommandMode {
  Windows,  // the usual start, with a path parameter or none
  Import,   // the usual start, then the import of ImportFile
  Export,   // the scan without a window
  Invalid,  // arguments that do not parse: Error says why
};

struct CommandLine {
  CommandMode Mode = CommandMode::Windows;
  std::wstring ExportFile;  // as given
  bool WithFiles = false;   // /dateien
  std::wstring ImportFile;  // as given
  std::wstring EarlierFile; // /vergleich=: the earlier export, as given
  std::wstring Path;        // the one plain parameter of an export: the path to scan
  std::wstring Error;       // German, one line
};

// Reads the parameters (without the program name), as CommandLineToArgvW splits them.
CommandLine ParseCommandLine(const std::vector<std::wstring>& args);

// Exit codes of a run without a window.
inline constexpr int kExitWritten = 0;      // the file was written (ERROR records included)
inline constexpr int kExitFailed = 1;       // the scan, the comparison or the writing failed
inline constexpr int kExitBadArguments = 2; // arguments that do not parse

// Runs an Export or Invalid command line: no window, no message box, no backup set; what it
// has to say goes to the console it was started from, if any (console.h). Returns the exit
// code.
int RunWithoutWindow(const CommandLine& cl);

// A path of the command line as the program works with it: one relative to the current
// directory made full, then normalised as a typed path (NormalizeEnteredPath).
std::wstring FullCommandLinePath(const std::wstring& given);

}  // namespace vardune
