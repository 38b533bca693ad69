// The backup-set lists and the line format of BackupSets.txt: "path|set|size", UTF-8 without
// byte-order mark, every line ended by CR LF.
#include "sets/store.h"

#include <algorithm>
#include <utility>

#include "os/text.h"

namespace vardune {

std::vector<Pfad> BupPfade;
std::vector<std::wstring> BupSets;
std::wstring GDataDir;

Pfad ParseSetsLine(std::wstring_view line) {
  Pfad e;
  std::wstring_view piece[3];
  size_t start = 0;
  for (int k = 0; k < 3; ++k) {
    const size_t bar = line.find(L'|', start);
    if (bar == std::wstring_view::npos) {
      piece[k] = line.substr(start);
      break;
    }
    piece[k] = line.substr(start, bar - start);
    start = bar + 1;
  }
  e.Parent = std::wstring(piece[0]);
  e.Name = std::wstring(piece[1]);
  e.Size = NumberValue(piece[2]);
  return e;
}

void ParseSetsFile(std::string_view bytes, std::vector<Pfad>& out) {
  // Another editor may have put a byte-order mark in front; it is not part of the first path.
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  size_t i = 0;
  while (i < bytes.size()) {
    // CR and LF never occur inside a UTF-8 sequence, so the lines are cut on the bytes and a
    // broken sequence cannot swallow a line end.
    size_t end = i;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    const std::string_view raw = bytes.substr(i, end - i);
    if (end < bytes.size()) {
      if (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ++end;
      ++end;
    }
    i = end;
    if (raw.empty()) continue;
    out.push_back(ParseSetsLine(FromUtf8(raw)));
  }
}

std::wstring FormatSetsLine(const Pfad& e) {
  std::wstring line = e.Parent;
  line += L'|';
  line += e.Name;
  line += L'|';
  line += std::to_wstring(e.Size);
  return line;
}

std::string FormatSetsFile(const std::vector<Pfad>& entries) {
  std::string out;
  // The reader skips a byte-order mark at the start of the file. A first path that itself
  // begins with U+FEFF (read from a later line of a file that had one there) would lose that
  // character on the next start; one mark in front keeps it.
  if (!entries.empty() && entries.front().Parent.starts_with(L'\xFEFF')) out = "\xEF\xBB\xBF";
  for (const Pfad& e : entries) {
    out += ToUtf8(FormatSetsLine(e));
    out += "\r\n";
  }
  return out;
}

bool SameSets(const std::vector<Pfad>& a, const std::vector<Pfad>& b) {
  if (a.size() != b.size()) return false;
  using Pair = std::pair<std::wstring_view, std::wstring_view>;
  const auto pairs = [](const std::vector<Pfad>& v) {
    std::vector<Pair> p;
    p.reserve(v.size());
    for (const Pfad& e : v) p.emplace_back(e.Parent, e.Name);
    std::sort(p.begin(), p.end());
    return p;
  };
  return pairs(a) == pairs(b);
}

void MergeSets(std::vector<Pfad>& into, const std::vector<Pfad>& added) {
  const size_t held = into.size();
  for (const Pfad& e : added) {
    // Only the entries that were there before count as the same: two equal new entries are
    // kept as the user made them, as a save without merging would keep them.
    size_t k = 0;
    while (k < held &&
           !(EqualNoCase(into[k].Parent, e.Parent) && EqualNoCase(into[k].Name, e.Name))) {
      ++k;
    }
    if (k < held) {
      into[k].Size = e.Size;
    } else {
      into.push_back(Pfad{e.Parent, e.Name, e.Size, 0, 0, 0});
    }
  }
}

}  // namespace vardune
