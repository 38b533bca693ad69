// The shares of a network server, read from the German text output of "net.exe view": the
// column rule and the three literals that mark header, separator and closing line. Pure.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vardune {

inline constexpr std::wstring_view kNetHeader = L"Typ  ";
inline constexpr std::wstring_view kNetSeparator = L"------------";
inline constexpr std::wstring_view kNetClosing = L"Der Befehl wurde";

// Fed one line at a time, in order; collects prefix + name for every share line.
struct ShareListParser {
  std::wstring prefix;       // "\\" + server + "\"
  size_t headerColumn = 0;   // 1-based position of "Typ  " in the last line holding it
  bool collecting = false;
  std::vector<std::wstring> shares;

  void Line(std::wstring_view line);
};

// The parts of a path that decide how it is scanned: for a path beginning with "\\", the
// server prefix ("\\" + field 3 + "\") and the share (field 4, fields counted from 1 between
// backslashes); otherwise the share is "IsLokal".
struct ScanTarget {
  std::wstring serverPrefix;
  std::wstring share;
};
ScanTarget ClassifyScanPath(std::wstring_view p);

// "view " + server prefix: the parameter text of the share listing.
std::wstring NetViewParameters(std::wstring_view serverPrefix);

}  // namespace vardune
