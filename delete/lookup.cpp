// The expected-count lookup of a deletion and the checks of the paths the engine is given.
#include "delete/lookup.h"

#include <limits>
#include <vector>

#include "os/text.h"

namespace vardune {

namespace {

// Compares a record's text with an already lower-cased key, code unit by code unit, through
// the same table that LowerText uses, without building a copy of every record's text.
bool EqualLowered(std::wstring_view text, std::wstring_view lowered) {
  if (text.size() != lowered.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (LowerChar(text[i]) != lowered[i]) return false;
  }
  return true;
}

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

DelKey DelLookupKey(std::wstring_view d) {
  DelKey key;
  const size_t n = CountChar(d, L'\\');
  if (n == 0) return key;
  // The n-th field: the text after the (n-1)-th backslash up to the n-th.
  size_t start = 0;
  for (size_t seen = 0; seen + 1 < n; ++seen) start = d.find(L'\\', start) + 1;
  const size_t end = d.find(L'\\', start);
  const std::wstring_view name = d.substr(start, end - start);
  key.Name = LowerText(name);
  if (n > 1 && d.size() >= name.size() + 1) {
    key.Parent = LowerText(d.substr(0, d.size() - name.size() - 1));
  }
  return key;
}

int32_t DelExpectedCount(const PfadListe& list, std::wstring_view d) {
  const DelKey key = DelLookupKey(d);
  // Records share their parent texts: decide once per parent text whether it matches.
  std::vector<char> parentMatches(list.ParentCount(), 0);
  for (PfadListe::ParentId p = 0; p < list.ParentCount(); ++p) {
    parentMatches[p] = EqualLowered(list.ParentText(p), key.Parent) ? 1 : 0;
  }
  for (size_t i = 0; i < list.size(); ++i) {
    if (!parentMatches[list[i].Parent]) continue;
    if (!EqualLowered(list.Name(i), key.Name)) continue;
    // Counts of a scan are never negative; a sum past the 32-bit range is held at its top
    // rather than wrapping into a negative expectation.
    const int64_t sum = static_cast<int64_t>(list[i].Dirs) + list[i].Files;
    if (sum > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (sum < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(sum);
  }
  return 0;
}

int32_t _DelExpected(std::wstring_view d) { return DelExpectedCount(Pfade, d); }

bool IsDeletablePath(std::wstring_view p) {
  if (p.find(L'/') != std::wstring_view::npos) return false;
  if (p.find(L'\0') != std::wstring_view::npos) return false;
  // The \\?\ forms name the same paths without the system's normalisation.
  std::wstring rest;
  if (p.starts_with(L"\\\\?\\UNC\\")) {
    rest = L"\\\\" + std::wstring(p.substr(8));
  } else if (p.starts_with(L"\\\\?\\")) {
    rest = std::wstring(p.substr(4));
  } else {
    rest = std::wstring(p);
  }
  std::wstring_view r = rest;
  size_t pos = 0;
  if (r.size() >= 3 && IsLetter(r[0]) && r[1] == L':' && r[2] == L'\\') {
    pos = 3;
  } else if (r.starts_with(L"\\\\")) {
    // \\server\share: both parts present.
    const size_t server = r.find(L'\\', 2);
    if (server == std::wstring_view::npos || server == 2) return false;
    const size_t shareEnd = r.find(L'\\', server + 1);
    const size_t shareLen =
        (shareEnd == std::wstring_view::npos ? r.size() : shareEnd) - (server + 1);
    if (shareLen == 0) return false;
    pos = 2;
  } else {
    return false;
  }
  // Every component after the root: not empty (except a trailing backslash), not "." or "..",
  // no colon (an alternate data stream or a second drive).
  while (pos < r.size()) {
    size_t end = r.find(L'\\', pos);
    if (end == std::wstring_view::npos) end = r.size();
    const std::wstring_view c = r.substr(pos, end - pos);
    if (c.empty()) return false;
    if (c == L"." || c == L"..") return false;
    if (c.find(L':') != std::wstring_view::npos) return false;
    pos = end + 1;
  }
  return true;
}

bool IsPlainEntryName(std::wstring_view name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  for (wchar_t c : name) {
    if (c == L'\\' || c == L'/' || c == L':' || c == L'\0') return false;
  }
  return true;
}

}  // namespace vardune
