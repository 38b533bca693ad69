// Reading the share list of a server from the lines of "net.exe view" (see shares.h).
#include "scan/shares.h"

namespace vardune {

namespace {
std::wstring_view TrimBlanks(std::wstring_view s) {
  while (!s.empty() && (s.front() == L' ' || s.front() == L'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.remove_suffix(1);
  return s;
}
}  // namespace

void ShareListParser::Line(std::wstring_view line) {
  // The order of the tests matters: neither the separator nor the closing line is a share.
  if (const size_t k = line.find(kNetHeader); k != std::wstring_view::npos) headerColumn = k + 1;
  if (line.find(kNetClosing) != std::wstring_view::npos) collecting = false;
  if (collecting && headerColumn > 1) {
    const std::wstring_view name = TrimBlanks(line.substr(0, headerColumn - 1));
    if (!name.empty()) shares.push_back(prefix + std::wstring(name));
  }
  if (line.find(kNetSeparator) != std::wstring_view::npos) collecting = true;
}

ScanTarget ClassifyScanPath(std::wstring_view p) {
  if (!p.starts_with(L"\\\\")) return {L"", L"IsLokal"};
  // Fields between backslashes, from 1: fields 1 and 2 are the empty pieces of the "\\".
  std::vector<std::wstring_view> fields;
  size_t start = 0;
  for (;;) {
    const size_t k = p.find(L'\\', start);
    if (k == std::wstring_view::npos) {
      fields.push_back(p.substr(start));
      break;
    }
    fields.push_back(p.substr(start, k - start));
    start = k + 1;
  }
  const auto field = [&](size_t n) { return n <= fields.size() ? fields[n - 1] : std::wstring_view(); };
  return {L"\\\\" + std::wstring(field(3)) + L"\\", std::wstring(field(4))};
}

std::wstring NetViewParameters(std::wstring_view serverPrefix) {
  return L"view " + std::wstring(serverPrefix);
}

}  // namespace vardune
