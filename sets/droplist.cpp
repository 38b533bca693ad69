// The path list of a drag: joining, splitting, and the zero-separated text of CF_HDROP.
#include "sets/droplist.h"

namespace vardune {

std::wstring JoinDragList(const std::vector<std::wstring>& paths) {
  std::wstring s;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (i) s += L'|';
    s += paths[i];
  }
  const size_t first = s.find_first_not_of(L'|');
  if (first == std::wstring::npos) return {};
  const size_t last = s.find_last_not_of(L'|');
  s = s.substr(first, last - first + 1);
  for (wchar_t& c : s) {
    if (c == L'|') c = L'\n';
  }
  return s;
}

std::vector<std::wstring> SplitDragList(std::wstring_view list) {
  std::vector<std::wstring> out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(L'\n', start);
    if (end == std::wstring_view::npos) end = list.size();
    if (end > start) out.emplace_back(list.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

std::wstring DropFilesText(std::wstring_view list) {
  std::wstring t;
  for (const std::wstring& p : SplitDragList(list)) {
    // A zero inside a path would cut it in two for the receiver.
    std::wstring clean;
    for (wchar_t c : p) {
      if (c != L'\0') clean += c;
    }
    if (clean.empty()) continue;
    t += clean;
    t += L'\0';
  }
  t += L'\0';
  if (t.size() == 1) t += L'\0';  // no path at all: still two zeros
  return t;
}

}  // namespace vardune
