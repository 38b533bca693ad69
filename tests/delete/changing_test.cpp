// A deletion while another process keeps adding files to the tree: a Linux shell loop creates
// files on request, in step with the walk, so that it is known for every file whether the walk
// had already passed its directory when it appeared.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <set>

#include "delete/dialog.h"
#include "delete/engine.h"
#include "os/fs.h"
#include "os/text.h"
#include "tests/delete/deltest.h"
#include "tests/support/support.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

using test::Entries;
using test::Exists;
using test::TempTree;

// The other process. It looks for request files req.N in its control directory, creates every
// path listed in one (with its parent directories), and answers by renaming it to done.N. It
// ends on a file "stop", when its script is gone, or after a minute at most.
class Adder {
 public:
  Adder() {
    ctrl_.Text(L"loop.sh",
               "n=0\n"
               "while [ ! -e stop ] && [ -e loop.sh ] && [ $n -lt 6000 ]; do\n"
               "  for r in req.*; do\n"
               "    [ -e \"$r\" ] || continue\n"
               "    while IFS= read -r p; do\n"
               "      mkdir -p \"$(dirname \"$p\")\" && echo neu > \"$p\"\n"
               "    done < \"$r\"\n"
               "    mv \"$r\" \"done.${r#req.}\"\n"
               "  done\n"
               "  sleep 0.01\n"
               "  n=$((n+1))\n"
               "done\n"
               "touch stopped\n");
    test::RunUnix("cd " + test::ShellQuote(test::UnixPath(ctrl_.Root())) +
                  " && sh loop.sh >/dev/null 2>&1 &");
  }
  ~Adder() { Stop(); }

  // Has the loop create the files and waits until it has; false when they are not there.
  bool Add(const std::vector<std::wstring>& winPaths) {
    std::string lines;
    for (const std::wstring& p : winPaths) {
      const std::string u = test::UnixOf(p);
      if (u.empty()) return false;
      lines += u + "\n";
    }
    const std::wstring n = std::to_wstring(next_++);
    ctrl_.Text(L"part." + n, lines);
    if (!MoveFileW(ctrl_.Path(L"part." + n).c_str(), ctrl_.Path(L"req." + n).c_str())) return false;
    if (!WaitFor(ctrl_.Path(L"done." + n))) return false;
    return std::all_of(winPaths.begin(), winPaths.end(), [](const std::wstring& p) { return Exists(p); });
  }
  bool Stop() {
    if (stopped_) return true;
    stopped_ = true;
    ctrl_.Text(L"stop", "");
    return WaitFor(ctrl_.Path(L"stopped"));
  }

 private:
  static bool WaitFor(const std::wstring& path) {
    for (int i = 0; i < 2000; ++i) {
      if (Exists(path)) return true;
      Sleep(10);
    }
    return false;
  }
  TempTree ctrl_;
  int next_ = 0;
  bool stopped_ = false;
};

struct Seen {
  std::wstring dir, entry;
};
std::function<void()> gAtEntry;

TEST(DelChanging, FilesAddedDuringTheWalkGoUnlessTheirDirectoryWasAlreadyPassed) {
  TempTree t;
  const std::vector<std::wstring> dirs = {L"d1", L"d2", L"d3"};
  for (const std::wstring& d : dirs) {
    for (int i = 0; i < 5; ++i) t.File(d + L"\\f" + std::to_wstring(i), 10);
  }
  Adder adder;
  test::AllowDeletionIn({&t});
  ASSERT_NE(Window_FormDelProgress(), nullptr);

  // The walk's order is the file system's: the directories are told apart by the order in
  // which the walk enters them.
  std::vector<std::wstring> entered;
  std::vector<Seen> seen;
  bool requestsOk = true;
  GDelCount = GDelTotal = 0;
  GDelOnEntry = [] { gAtEntry(); };
  gAtEntry = [&] {
    test::CheckDeletionAllowed();
    const std::wstring dir = ui::GetGadgetText(44);
    seen.push_back({dir, ui::GetGadgetText(41)});
    if (dir == t.Root()) return;
    const std::wstring name = dir.substr(t.Root().size(), dir.size() - t.Root().size() - 1);
    if (std::find(entered.begin(), entered.end(), name) != entered.end()) return;
    entered.push_back(name);
    std::vector<std::wstring> add;
    if (entered.size() == 1) {
      // In the first directory: the two not reached yet get three files each.
      for (const std::wstring& d : dirs) {
        if (d == name) continue;
        for (int i = 0; i < 3; ++i) add.push_back(t.Path(d + L"\\added" + std::to_wstring(i)));
      }
    } else if (entered.size() == 2) {
      // In the second: the first, passed and removed by now, comes back with two files, and
      // the directory being walked gets three after its listing began.
      for (int i = 0; i < 2; ++i) add.push_back(t.Path(entered[0] + L"\\late" + std::to_wstring(i)));
      for (int i = 0; i < 3; ++i) add.push_back(t.Path(name + L"\\inside" + std::to_wstring(i)));
    }
    if (!add.empty()) requestsOk = adder.Add(add) && requestsOk;
  };
  const int32_t result = _DelTree(t.Root(), 1);
  GDelOnEntry = nullptr;
  gAtEntry = nullptr;
  EXPECT_TRUE(adder.Stop());
  ui::CloseWindow(39);
  ui::FlushEvents();

  EXPECT_TRUE(requestsOk) << "the adding process did not answer";
  EXPECT_EQ(result, 1);
  ASSERT_EQ(entered.size(), 3u);
  // Only what came after the walk had passed is left.
  EXPECT_EQ(Entries(t.Root()), std::vector<std::wstring>{entered[0]});
  EXPECT_EQ(Entries(t.Path(entered[0] + L"\\")), (std::vector<std::wstring>{L"late0", L"late1"}));

  // Files added to a directory before the walk reached it were visited and counted there.
  for (size_t k = 1; k < 3; ++k) {
    std::set<std::wstring> names;
    for (const Seen& s : seen) {
      if (s.dir == t.Path(entered[k] + L"\\")) names.insert(s.entry);
    }
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(names.count(L"added" + std::to_wstring(i))) << k << " " << i;
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(names.count(L"f" + std::to_wstring(i))) << k << " " << i;
  }
  EXPECT_EQ(GDelCount, static_cast<int32_t>(seen.size()));
  // Three directories, fifteen files, six added before their directory was reached, and
  // those of the three added inside the second directory that its listing still showed
  // (the rest went in its final removal, uncounted).
  EXPECT_GE(GDelCount, 3 + 15 + 6);
  EXPECT_LE(GDelCount, 3 + 15 + 6 + 3);
}

}  // namespace
}  // namespace vardune
