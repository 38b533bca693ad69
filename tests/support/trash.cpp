// The XDG trash that Wine's recycle bin uses (see trash.h).
#include "tests/support/trash.h"

#include <cstdlib>

#include "os/fs.h"
#include "os/text.h"
#include "tests/support/support.h"

namespace vardune::test {

namespace {

std::wstring WindowsPath(const std::string& unixPath) {
  std::wstring p = L"Z:" + FromUtf8(unixPath);
  for (auto& c : p) {
    if (c == L'/') c = L'\\';
  }
  return p;
}

// The Path= value of a trashinfo note is URL-encoded.
std::string Decoded(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      out += static_cast<char>(std::strtol(s.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

std::string TrashDir() {
  static std::string dir;
  if (!dir.empty()) return dir;
  TempTree t;
  const std::string out = UnixPath(t.Path(L"trash.txt"));
  RunUnix("printf %s \"${XDG_DATA_HOME:-$HOME/.local/share}/Trash\" > " + ShellQuote(out));
  if (auto text = os::ReadWholeFile(t.Path(L"trash.txt"))) dir = *text;
  return dir;
}

std::string TrashUnusableFor(const std::wstring& dir) {
  const std::string trash = TrashDir();
  if (trash.empty()) return "the trash folder of the user cannot be named";
  const std::string t = ShellQuote(trash);
  if (RunUnix("mkdir -p " + t + "/files " + t + "/info && [ \"$(stat -c %d " + t +
              ")\" = \"$(stat -c %d " + ShellQuote(UnixPath(dir)) + ")\" ]") != 0) {
    return "the trash " + trash + " lies on another file system than " + UnixPath(dir);
  }
  return {};
}

std::vector<Trashed> TrashedBelow(const std::string& prefix) {
  std::vector<Trashed> items;
  const std::string trash = TrashDir();
  if (trash.empty()) return items;
  const std::wstring info = WindowsPath(trash + "/info/");
  os::DirListing l(info);
  if (l.Failed()) return items;
  const std::wstring suffix = L".trashinfo";
  while (l.Next()) {
    const std::wstring name = l.Name();
    if (l.IsDirectory() || !name.ends_with(suffix)) continue;
    const auto text = os::ReadWholeFile(info + name);
    if (!text) continue;
    const size_t at = text->find("\nPath=");
    if (at == std::string::npos) continue;
    const size_t end = text->find('\n', at + 6);
    const std::string original = Decoded(text->substr(at + 6, end - (at + 6)));
    if (original.rfind(prefix, 0) != 0) continue;
    items.push_back(
        {original, trash + "/files/" + ToUtf8(name.substr(0, name.size() - suffix.size()))});
  }
  return items;
}

void EmptyTrashBelow(const std::string& prefix) {
  const std::string trash = TrashDir();
  for (const Trashed& t : TrashedBelow(prefix)) {
    const std::string base = t.stored.substr(t.stored.rfind('/') + 1);
    RunUnix("rm -rf " + ShellQuote(t.stored) + " " +
            ShellQuote(trash + "/info/" + base + ".trashinfo"));
  }
}

}  // namespace vardune::test
