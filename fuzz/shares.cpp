// The share listing on any output of "net.exe view": the bytes are cut into lines and decoded
// as the program reads the pipe, and fed to the parser. Besides not crashing, every share it
// collects must be the server prefix and a trimmed, non-empty name from the name column of a
// line after a separator. The first line also goes through the path classification.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "os/text.h"
#include "scan/shares.h"

using namespace vardune;

namespace {
void Fail(const char* what) {
  std::fprintf(stderr, "shares: %s\n", what);
  std::abort();
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

void CheckClassify(std::wstring_view p) {
  const ScanTarget t = ClassifyScanPath(p);
  if (!p.starts_with(L"\\\\")) {
    if (t.share != L"IsLokal" || !t.serverPrefix.empty()) Fail("local path misread");
    return;
  }
  if (!t.serverPrefix.starts_with(L"\\\\") || !t.serverPrefix.ends_with(L"\\")) Fail("bad prefix");
  const std::wstring_view server(t.serverPrefix.data() + 2, t.serverPrefix.size() - 3);
  if (server.find(L'\\') != std::wstring_view::npos) Fail("backslash in the server name");
  if (t.share.find(L'\\') != std::wstring::npos) Fail("backslash in the share");
  // The path is "\\" + server, then the end or "\" + share, then the end or a "\".
  const std::wstring_view head(t.serverPrefix.data(), t.serverPrefix.size() - 1);
  if (!p.starts_with(head)) Fail("prefix is not the start of the path");
  std::wstring_view rest = p.substr(head.size());
  if (!rest.empty()) {
    if (rest.front() != L'\\') Fail("server field does not end at a backslash");
    rest.remove_prefix(1);
    if (!rest.starts_with(t.share)) Fail("share is not the field after the server");
    rest.remove_prefix(t.share.size());
    if (!rest.empty() && rest.front() != L'\\') Fail("share field does not end at a backslash");
  } else if (!t.share.empty()) {
    Fail("share without a field");
  }
  if (NetViewParameters(t.serverPrefix) != L"view " + t.serverPrefix) Fail("parameter text");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ShareListParser parser;
  parser.prefix = L"\\\\Server\\";

  size_t lines = 0;
  bool first = true;
  size_t start = 0;
  while (start <= bytes.size()) {
    size_t end = bytes.find('\n', start);
    const bool last = end == std::string_view::npos;
    if (last) end = bytes.size();
    if (last && start == end) break;  // no unterminated rest
    std::string raw(bytes.substr(start, end - start));
    std::erase(raw, '\r');
    const std::wstring line = DecodeConsoleLine(raw);
    if (first) CheckClassify(line);
    first = false;

    const size_t before = parser.shares.size();
    const bool wasCollecting = parser.collecting;
    parser.Line(line);
    ++lines;

    // The column header of this line, if any, is the first "Typ  " in it.
    const size_t k = line.find(kNetHeader);
    if (k != std::wstring::npos && parser.headerColumn != k + 1) Fail("header column");
    if (parser.shares.size() > before + 1) Fail("more than one share from one line");
    if (parser.shares.size() == before + 1) {
      if (!wasCollecting || line.find(kNetClosing) != std::wstring::npos) {
        Fail("share taken outside the share lines");
      }
      const std::wstring& s = parser.shares.back();
      if (!s.starts_with(parser.prefix)) Fail("share without the server prefix");
      const std::wstring_view name = std::wstring_view(s).substr(parser.prefix.size());
      if (name.empty() || IsBlank(name.front()) || IsBlank(name.back())) Fail("untrimmed name");
      if (name.size() + 1 > parser.headerColumn) Fail("name reaches past the column");
      if (line.find(name) == std::wstring::npos) Fail("name not from the line");
    }
    if (line.find(kNetSeparator) != std::wstring::npos && !parser.collecting) {
      Fail("separator did not start the share lines");
    }
    if (last) break;
    start = end + 1;
  }
  if (parser.shares.size() > lines) Fail("more shares than lines");
  return 0;
}
