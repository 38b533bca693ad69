// What the scan engine needs from the windows, filled in by the program at start-up: the
// engine itself knows no window. Every member may be left empty (tests, benchmarks).
#pragma once
#include <string>
#include <string_view>

namespace vardune {

struct ScanUi {
  // Text field 4 (current path, summary) and field 5 (counters).
  void (*SetPathText)(std::wstring_view text) = nullptr;
  std::wstring (*GetPathText)() = nullptr;
  void (*SetCounterText)(std::wstring_view text) = nullptr;
  // Takes every pending window event, re-laying out resized windows and running no command;
  // returns true when "STOPP" was found pressed (it is released then).
  bool (*PumpEvents)() = nullptr;
  // The same, but a pressed "STOPP" stays pressed for the walk to take at its first look.
  void (*PumpEventsKeepStop)() = nullptr;
  // "STOPP": enabled or disabled, and released.
  void (*EnableStop)(bool enable) = nullptr;
  void (*ReleaseStop)() = nullptr;
  // The picture of the scan button (image 2 or 3). Called from the blink thread: it must not
  // wait for the user-interface thread.
  void (*SetScanImage)(int image) = nullptr;
  // An unreadable directory: the log line, and the log window shown.
  void (*LogError)(std::wstring_view line) = nullptr;
  // Stress test: a row at the top of the result list.
  void (*StressRow)(std::wstring_view kb, std::wstring_view name, std::wstring_view digest) =
      nullptr;
  // A Yes/No question (true for Yes).
  bool (*AskYesNo)(std::wstring_view question) = nullptr;
  // The results are about to change (a scan or an import begins): whatever was read from
  // them must be let go of before the first record changes. And the change did not come after
  // all (an import that failed or was stopped): the results are as they were.
  void (*ResultsChanging)() = nullptr;
  void (*ResultsUnchanged)() = nullptr;
  // The end of every scan, in this order: the backup-set sizes, the reconciliation, the
  // display of the scanned directory.
  void (*UpdateSetSizes)() = nullptr;
  void (*CheckSets)() = nullptr;
  void (*ShowDir)(std::wstring_view path) = nullptr;
};

extern ScanUi GScanUi;

}  // namespace vardune
