// Helpers of the deletion tests (see deltest.h).
#include "tests/delete/deltest.h"

#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

#include "delete/engine.h"
#include "os/fs.h"
#include "os/text.h"
#include "ui/platform/platform.h"

namespace vardune::test {

namespace {

std::vector<std::wstring> gAllowed;

// The working directory of the deletion tests: a tree of its own, so that a relative path
// could only ever resolve into it, and so that no tree under test is held open as the
// working directory (which keeps the system from removing it).
TempTree* gSandbox = nullptr;

class SandboxEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    SetCurrentDirectoryW(L"Z:\\tmp\\");
    delete gSandbox;
    gSandbox = nullptr;
  }
};
[[maybe_unused]] const auto* const kSandboxEnvironment =
    ::testing::AddGlobalTestEnvironment(new SandboxEnvironment);

}  // namespace

void AllowDeletionIn(const std::vector<const TempTree*>& trees) {
  gAllowed.clear();
  for (const TempTree* t : trees) gAllowed.push_back(t->Root());
  if (!gSandbox) {
    gSandbox = new TempTree;
    gSandbox->File(L"sub\\decoy.txt", 1);
  }
  SetCurrentDirectoryW(gSandbox->Path(L"sub\\").c_str());
}

void CheckDeletionAllowed() {
  const std::wstring dir = ui::GetGadgetText(44);
  for (const std::wstring& root : gAllowed) {
    if (dir.size() >= root.size() && EqualNoCase(std::wstring_view(dir).substr(0, root.size()), root) &&
        dir.find(L"\\..\\") == std::wstring::npos) {
      return;
    }
  }
  // Something outside the test's trees is about to be deleted: stop everything now.
  fprintf(stderr, "deletion outside the test trees: %s\n", Narrow(dir).c_str());
  fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 99);
}

void InstallGuard() { GDelOnEntry = [] { CheckDeletionAllowed(); }; }

bool Exists(const std::wstring& path) {
  std::wstring p = path;
  while (p.size() > 3 && p.back() == L'\\') p.pop_back();
  return GetFileAttributesW(os::LongPathForm(p).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> Entries(const std::wstring& dir) {
  std::vector<std::wstring> out;
  os::DirListing l(os::LongPathForm(dir));
  while (l.Next()) {
    if (!l.IsDotOrDotDot()) out.emplace_back(l.Name());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string UnixOf(const std::wstring& winPath) {
  if (winPath.size() >= 3 && (winPath[0] == L'Z' || winPath[0] == L'z') && winPath[1] == L':' &&
      winPath[2] == L'\\') {
    std::string u = "/" + Narrow(std::wstring_view(winPath).substr(3));
    for (char& c : u) {
      if (c == '\\') c = '/';
    }
    return u;
  }
  return UnixPath(winPath);
}

void UnixFile(const std::wstring& winPath, int size) {
  ASSERT_EQ(RunUnix("head -c " + std::to_string(size) + " /dev/zero > " + ShellQuote(UnixOf(winPath))), 0);
}

void UnixMkdir(const std::wstring& winPath) {
  ASSERT_EQ(RunUnix("mkdir -p " + ShellQuote(UnixOf(winPath))), 0);
}

bool SetReadOnly(const std::wstring& path) {
  return SetFileAttributesW(os::LongPathForm(path).c_str(), FILE_ATTRIBUTE_READONLY) != 0;
}

bool LinksOpenAsLinks(const std::wstring& link) {
  os::Handle h(CreateFileW(link.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                           nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  return h && GetFileInformationByHandle(h.get(), &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace vardune::test
