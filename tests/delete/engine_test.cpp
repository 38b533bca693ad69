// The deletion engine on real temporary trees: what goes, what stays, the counting and the
// count text, links, long paths and the cancel by a close request.
#include <gtest/gtest.h>

#include "delete/dialog.h"
#include "delete/engine.h"
#include "os/fs.h"
#include "tests/delete/deltest.h"
#include "tests/support/support.h"
#include "ui/platform/platform.h"

namespace vardune {
namespace {

using test::Entries;
using test::Exists;
using test::TempTree;

struct Seen {
  std::wstring count, entry, dir;
};
std::vector<Seen> gSeen;
std::function<void()> gThen;  // more to do at each entry, after the guard and the record

class DelEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    GDelCount = GDelTotal = 0;
    gSeen.clear();
    gThen = nullptr;
    GDelOnEntry = [] {
      test::CheckDeletionAllowed();
      gSeen.push_back({ui::GetGadgetText(43), ui::GetGadgetText(41), ui::GetGadgetText(44)});
      if (gThen) gThen();
    };
  }
  void TearDown() override {
    GDelOnEntry = nullptr;
    gThen = nullptr;
    ui::CloseWindow(39);
    ui::FlushEvents();
  }
  // The engine only ever on a path inside the tree.
  static int32_t DelIn(const TempTree& t, const std::wstring& path, uint8_t noRoot) {
    test::AllowDeletionIn({&t});
    const std::wstring_view root(t.Root().data(), t.Root().size() - 1);  // without its backslash
    if (!std::wstring_view(path).starts_with(root) ||
        (path.size() > root.size() && path[root.size()] != L'\\')) {
      ADD_FAILURE() << "not inside the tree: " << test::Narrow(path);
      return 0;
    }
    return _DelTree(path, noRoot);
  }
  static void Progress() { ASSERT_NE(Window_FormDelProgress(), nullptr); }

  // Five files and four directories below the root.
  static void Nested(const TempTree& t) {
    t.File(L"top.bin", 100);
    t.File(L"a\\one", 10);
    t.File(L"a\\zero", 0);
    t.File(L"a\\deep\\x", 1000);
    t.File(L"a\\deep\\deeper\\y", 7);
    t.Dir(L"empty");
  }
};

TEST_F(DelEngine, NestedTreeGoesAndEveryEntryIsCounted) {
  TempTree t;
  Nested(t);
  Progress();
  EXPECT_EQ(DelIn(t, t.Root(), 0), 1);
  EXPECT_FALSE(Exists(t.Root()));
  EXPECT_EQ(GDelCount, 9);
  EXPECT_EQ(gSeen.size(), 9u);
}

TEST_F(DelEngine, NoRootKeepsTheStartDirectoryEmpty) {
  TempTree t;
  Nested(t);
  Progress();
  // Without the trailing backslash the walk forms the same paths.
  std::wstring start = t.Root();
  start.pop_back();
  EXPECT_EQ(DelIn(t, start, 1), 1);
  EXPECT_TRUE(Exists(t.Root()));
  EXPECT_TRUE(Entries(t.Root()).empty());
  EXPECT_EQ(GDelCount, 9);
  for (const Seen& s : gSeen) {
    EXPECT_EQ(s.dir.back(), L'\\');
    EXPECT_EQ(s.dir.find(L"\\\\", 2), std::wstring::npos) << test::Narrow(s.dir);
  }
}

TEST_F(DelEngine, ReadOnlyFilesGoExceptDirectlyInAKeptStart) {
  {
    TempTree t;
    t.File(L"sub\\ro.txt", 5);
    t.File(L"ro.txt", 5);
    ASSERT_TRUE(test::SetReadOnly(t.Path(L"sub\\ro.txt")));
    ASSERT_TRUE(test::SetReadOnly(t.Path(L"ro.txt")));
    // The walk's plain pass cannot delete it: the premise of the rule.
    ASSERT_FALSE(DeleteFileW(t.Path(L"ro.txt").c_str()));
    Progress();
    EXPECT_EQ(DelIn(t, t.Root(), 1), 1);
    EXPECT_FALSE(Exists(t.Path(L"sub")));  // the forced removal of sub reset and deleted it
    EXPECT_TRUE(Exists(t.Path(L"ro.txt")));  // no forced removal of the kept start
    EXPECT_EQ(GDelCount, 3);
  }
  {
    TempTree t;
    t.File(L"ro.txt", 5);
    t.File(L"sub\\ro.txt", 5);
    ASSERT_TRUE(test::SetReadOnly(t.Path(L"ro.txt")));
    ASSERT_TRUE(test::SetReadOnly(t.Path(L"sub\\ro.txt")));
    EXPECT_EQ(DelIn(t, t.Root(), 0), 1);
    EXPECT_FALSE(Exists(t.Root()));
  }
}

TEST_F(DelEngine, FileInUseStaysWithEveryDirectoryAboveIt) {
  TempTree t;
  t.File(L"a\\b\\held.txt", 10);
  t.File(L"a\\b\\other.txt", 10);
  t.File(L"a\\c\\x.txt", 10);
  t.File(L"top.txt", 10);

  test::HeldFile held(t.Path(L"a\\b\\held.txt"));
  ASSERT_TRUE(held.Held());

  Progress();
  EXPECT_EQ(DelIn(t, t.Root(), 0), 1);
  EXPECT_TRUE(Exists(t.Path(L"a\\b\\held.txt")));
  EXPECT_EQ(Entries(t.Path(L"a\\b\\")), std::vector<std::wstring>{L"held.txt"});
  EXPECT_EQ(Entries(t.Path(L"a\\")), std::vector<std::wstring>{L"b"});
  EXPECT_EQ(Entries(t.Root()), std::vector<std::wstring>{L"a"});
  EXPECT_EQ(GDelCount, 7);
}

TEST_F(DelEngine, EmptyAndMissingStartDirectories) {
  TempTree t;
  t.Dir(L"empty");
  t.File(L"keep.txt", 1);
  Progress();
  EXPECT_EQ(DelIn(t, t.Path(L"empty\\"), 0), 1);
  EXPECT_FALSE(Exists(t.Path(L"empty")));
  EXPECT_EQ(GDelCount, 0);
  EXPECT_EQ(DelIn(t, t.Path(L"missing\\"), 0), 1);
  EXPECT_EQ(DelIn(t, t.Path(L"missing\\"), 1), 1);
  EXPECT_EQ(GDelCount, 0);
  // A file handed over as a directory is not a directory to empty.
  EXPECT_EQ(DelIn(t, t.Path(L"keep.txt"), 0), 1);
  EXPECT_EQ(Entries(t.Root()), std::vector<std::wstring>{L"keep.txt"});
}

TEST_F(DelEngine, WithoutTheProgressWindowNothingIsCountedOrShown) {
  TempTree t;
  Nested(t);
  EXPECT_EQ(DelIn(t, t.Root(), 0), 1);
  EXPECT_FALSE(Exists(t.Root()));
  EXPECT_EQ(GDelCount, 0);
  EXPECT_TRUE(gSeen.empty());
}

TEST_F(DelEngine, RelativeAndEmptyPathsNeverReachTheFileSystem) {
  TempTree t;
  t.File(L"sub\\f.txt", 1);
  t.File(L"g.txt", 1);
  test::AllowDeletionIn({&t});
  // Relative paths would resolve into the tree.
  ASSERT_TRUE(SetCurrentDirectoryW(t.Root().c_str()));
  Progress();
  EXPECT_EQ(_DelTree(L"sub", 0), 1);
  EXPECT_EQ(_DelTree(L"sub\\", 1), 1);
  EXPECT_EQ(_DelTree(L".", 1), 1);
  EXPECT_EQ(_DelTree(t.Path(L"sub\\..\\"), 1), 1);
  EXPECT_TRUE(Exists(t.Path(L"sub\\f.txt")));
  EXPECT_TRUE(Exists(t.Path(L"g.txt")));
  EXPECT_EQ(GDelCount, 0);

  // An empty path would name the root of the working directory's drive. Give the tree a
  // drive letter of its own and work there, so that even a fault could reach nothing else.
  char prefix[MAX_PATH] = {0};
  if (!GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH)) GTEST_SKIP() << "no Wine prefix";
  const std::string link = std::string(prefix) + "/dosdevices/t:";
  test::RunUnix("rm -f " + test::ShellQuote(link) + "; ln -s " +
                test::ShellQuote(test::UnixPath(t.Root())) + " " + test::ShellQuote(link));
  const bool mapped = Exists(L"T:\\g.txt") && SetCurrentDirectoryW(L"T:\\sub\\");
  if (mapped) {
    wchar_t cwd[MAX_PATH] = {0};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    ASSERT_EQ(std::wstring(cwd).substr(0, 3), L"T:\\");
    EXPECT_EQ(_DelTree(L"", 1), 1);
    EXPECT_EQ(_DelTree(L"", 0), 1);
    EXPECT_EQ(_DelTree(L"\\", 1), 1);
    EXPECT_TRUE(Exists(t.Path(L"sub\\f.txt")));
    EXPECT_TRUE(Exists(t.Path(L"g.txt")));
    EXPECT_EQ(GDelCount, 0);
  }
  test::AllowDeletionIn({});  // back to the sandbox
  test::RunUnix("rm -f " + test::ShellQuote(link));
  if (!mapped) GTEST_SKIP() << "no drive letter for the tree";
}

TEST_F(DelEngine, LinkToADirectoryIsNeverEntered) {
  TempTree t;
  TempTree outside;
  outside.File(L"f1.txt", 10);
  outside.File(L"sub\\f2.txt", 10);
  outside.Text(L"f3.txt", "bleibt");
  TempTree emptyTarget;
  t.File(L"own.txt", 1);
  t.Link(L"link", outside.Root());
  t.Link(L"elink", emptyTarget.Root());
  t.File(L"d\\x.txt", 1);
  t.Link(L"d\\inner", outside.Root());
  ASSERT_TRUE(GetFileAttributesW(t.Path(L"link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);

  const bool removable = test::LinksOpenAsLinks(t.Path(L"link"));
  Progress();
  EXPECT_EQ(DelIn(t, t.Root(), 0), 1);
  for (const Seen& s : gSeen) {
    EXPECT_EQ(s.dir.find(L"link\\"), std::wstring::npos) << "entered " << test::Narrow(s.dir);
    EXPECT_EQ(s.dir.find(L"inner\\"), std::wstring::npos) << "entered " << test::Narrow(s.dir);
  }
  // The targets are untouched, even the empty one (which a removal of the link by its path
  // would take on Wine).
  EXPECT_EQ(Entries(outside.Root()), (std::vector<std::wstring>{L"f1.txt", L"f3.txt", L"sub"}));
  EXPECT_EQ(Entries(outside.Path(L"sub\\")), std::vector<std::wstring>{L"f2.txt"});
  EXPECT_EQ(os::ReadWholeFile(outside.Path(L"f3.txt")).value_or(""), "bleibt");
  EXPECT_TRUE(Exists(emptyTarget.Root()));
  EXPECT_FALSE(Exists(t.Path(L"own.txt")));
  EXPECT_FALSE(Exists(t.Path(L"d\\x.txt")));
  if (removable) {
    EXPECT_FALSE(Exists(t.Root()));
  } else {
    // Where the system cannot open a link as itself, the link stays, and so does every
    // directory that holds one.
    EXPECT_EQ(Entries(t.Root()), (std::vector<std::wstring>{L"d", L"elink", L"link"}));
    EXPECT_EQ(Entries(t.Path(L"d\\")), std::vector<std::wstring>{L"inner"});
  }

  // Handed over itself (a selected linked directory): only the link is at stake.
  if (Exists(t.Path(L"link"))) {
    EXPECT_EQ(DelIn(t, t.Path(L"link"), 0), 1);
    EXPECT_EQ(DelIn(t, t.Path(L"link\\"), 0), 1);
    EXPECT_EQ(Entries(outside.Root()), (std::vector<std::wstring>{L"f1.txt", L"f3.txt", L"sub"}));
    EXPECT_EQ(Exists(t.Path(L"link")), !removable);
  }
}

// Another program renames a directory while the walk is inside it and puts a link to an empty
// directory outside the tree in its place. The directory's removal at the end of its walk then
// meets the link: neither the link's target nor anything else outside the tree may go. Done for
// a subdirectory and for the start directory itself.
TEST_F(DelEngine, DirectorySwappedForALinkDuringItsWalkKeepsTheLinkTarget) {
  for (const bool startItself : {false, true}) {
    TempTree t;
    TempTree outside;  // empty: a removal by path would take it
    t.File(L"a\\f1", 1);
    t.File(L"a\\f2", 1);
    t.File(L"a\\sub\\f3", 1);
    t.File(L"b\\g", 1);
    const std::string swap = "cd " + test::ShellQuote(test::UnixPath(t.Root())) +
                             " && mv a a-moved && ln -s " +
                             test::ShellQuote(test::UnixPath(outside.Root())) + " a";
    bool swapped = false;
    gThen = [&] {
      if (!swapped && gSeen.back().dir == t.Path(L"a\\")) {
        swapped = true;
        ASSERT_EQ(test::RunUnix(swap), 0);
      }
    };
    Progress();
    EXPECT_EQ(DelIn(t, startItself ? t.Path(L"a\\") : t.Root(), 0), 1);
    gThen = nullptr;
    ASSERT_TRUE(swapped) << startItself;
    EXPECT_TRUE(os::IsDirectory(outside.Root()))
        << "link target removed, start itself: " << startItself;
    EXPECT_TRUE(Entries(outside.Root()).empty());
    // The link is no directory of the tree to remove: it stays, and so does its parent.
    EXPECT_TRUE(GetFileAttributesW(t.Path(L"a").c_str()) != INVALID_FILE_ATTRIBUTES);
    if (!startItself) {
      EXPECT_FALSE(Exists(t.Path(L"b")));
    }
  }
}

// Read-only, hidden and system directories go like any other: their attributes are reset
// through the handle that removes them. A kept start directory keeps its attributes.
TEST_F(DelEngine, ProtectedDirectoriesAreRemovedThroughTheirHandle) {
  TempTree t;
  t.File(L"ro\\f", 1);
  t.File(L"ro\\inner\\g", 1);
  t.File(L"hid\\h", 1);
  t.Dir(L"emptyro");
  ASSERT_TRUE(SetFileAttributesW(t.Path(L"ro").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW(t.Path(L"ro\\inner").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW(t.Path(L"emptyro").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW(t.Path(L"hid").c_str(),
                                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(GetFileAttributesW(t.Path(L"hid").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  Progress();
  EXPECT_EQ(DelIn(t, t.Path(L"hid\\"), 1), 1);
  EXPECT_TRUE(GetFileAttributesW(t.Path(L"hid").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(Entries(t.Path(L"hid\\")).empty());
  EXPECT_EQ(DelIn(t, t.Root(), 0), 1);
  EXPECT_FALSE(Exists(t.Root()));
  EXPECT_EQ(GDelCount, 1 + 6);
}

TEST_F(DelEngine, LinkToAFileNeverTakesItsTarget) {
  TempTree t;
  TempTree outside;
  outside.Text(L"target.txt", "Ziel");
  t.Link(L"flink.txt", outside.Path(L"target.txt"));
  t.File(L"plain.txt", 3);
  Progress();
  EXPECT_EQ(DelIn(t, t.Root(), 1), 1);
  EXPECT_EQ(os::ReadWholeFile(outside.Path(L"target.txt")).value_or(""), "Ziel");
  EXPECT_FALSE(Exists(t.Path(L"plain.txt")));
  DelFile(t.Path(L"flink.txt"));
  EXPECT_EQ(os::ReadWholeFile(outside.Path(L"target.txt")).value_or(""), "Ziel");
}

TEST_F(DelEngine, PathsPastMaxPathAreDeletedThroughTheirFullForm) {
  TempTree t;
  std::wstring deep = t.Root();
  for (int i = 0; i < 5; ++i) deep += std::wstring(60, static_cast<wchar_t>(L'a' + i)) + L"\\";
  ASSERT_GT(deep.size(), 300u);
  test::UnixMkdir(deep);
  test::UnixFile(deep + L"file-at-the-bottom.txt", 100);
  test::UnixFile(deep.substr(0, deep.size() - 61) + L"middle.txt", 10);
  const std::wstring below = deep + std::wstring(200, L'n');  // one name, far past the limit
  test::UnixFile(below, 1);
  ASSERT_TRUE(Exists(deep + L"file-at-the-bottom.txt"));
  ASSERT_TRUE(Exists(below));
  Progress();
  // Started on the long directory itself, then on the whole tree.
  EXPECT_EQ(DelIn(t, deep, 1), 1);
  EXPECT_TRUE(Exists(deep));
  EXPECT_TRUE(Entries(deep).empty());
  EXPECT_EQ(DelIn(t, t.Root(), 0), 1);
  EXPECT_FALSE(Exists(t.Root()));
  EXPECT_EQ(GDelCount, 2 + 1 + 5);
}

TEST_F(DelEngine, NamesEndingInADotAreNotTrimmedIntoOthers) {
  TempTree t;
  test::UnixFile(t.Path(L"name."), 1);
  test::UnixFile(t.Path(L"name"), 1);
  test::UnixMkdir(t.Path(L"dir. "));
  test::UnixFile(t.Path(L"dir. \\inner"), 1);
  test::UnixMkdir(t.Path(L"dir"));
  test::UnixFile(t.Path(L"dir\\keep"), 1);
  ASSERT_EQ(Entries(t.Root()), (std::vector<std::wstring>{L"dir", L"dir. ", L"name", L"name."}));
  EXPECT_TRUE(DelFile(t.Path(L"name.")));
  Progress();
  EXPECT_EQ(DelIn(t, t.Path(L"dir. \\"), 0), 1);
  EXPECT_EQ(Entries(t.Root()), (std::vector<std::wstring>{L"dir", L"name"}));
  EXPECT_EQ(Entries(t.Path(L"dir\\")), std::vector<std::wstring>{L"keep"});

  // Now "name." is a link to "name": the system reports its handle under the trimmed name,
  // which this time really is the other entry, and that entry stays.
  ASSERT_EQ(test::RunUnix("cd " + test::ShellQuote(test::UnixPath(t.Root())) + " && ln -s name name."), 0);
  ASSERT_EQ(Entries(t.Root()), (std::vector<std::wstring>{L"dir", L"name", L"name."}));
  DelFile(t.Path(L"name."));
  EXPECT_TRUE(Exists(t.Path(L"name")));
}

TEST_F(DelEngine, CountsDownFromTheExpectedTotalAndPastZero) {
  TempTree t;
  for (int i = 0; i < 12; ++i) t.File(L"f" + std::to_wstring(i), 1);
  Progress();
  GDelTotal = 10;
  bool shot = false;
  gThen = [&shot] {
    if (!shot && gSeen.size() == 6) {
      shot = true;
      test::Screenshot(ui::WindowID(39), L"delete_progress");
    }
  };
  EXPECT_EQ(DelIn(t, t.Root(), 1), 1);
  std::vector<std::wstring> counts;
  for (const Seen& s : gSeen) {
    counts.push_back(s.count);
    EXPECT_EQ(s.dir, t.Root());
    EXPECT_EQ(s.entry.substr(0, 1), L"f");
  }
  EXPECT_EQ(counts, (std::vector<std::wstring>{L"9", L"8", L"7", L"6", L"5", L"4", L"3", L"2",
                                               L"1", L"0", L"-1", L"-2"}));
  EXPECT_TRUE(Entries(t.Root()).empty());
}

TEST_F(DelEngine, CountsUpWithoutAnExpectedTotal) {
  TempTree t;
  test::RunUnix("cd " + test::ShellQuote(test::UnixPath(t.Root())) + " && seq 1500 | xargs touch");
  ASSERT_EQ(Entries(t.Root()).size(), 1500u);
  Progress();
  EXPECT_EQ(DelIn(t, t.Root(), 1), 1);
  ASSERT_EQ(gSeen.size(), 1500u);
  EXPECT_EQ(gSeen[0].count, L"1");
  EXPECT_EQ(gSeen[999].count, L"1'000");
  EXPECT_EQ(gSeen.back().count, L"1'500");
  EXPECT_EQ(ui::GetGadgetText(43), L"1'500");
}

TEST(DelCountText, GroupsTheNumberWithItsSign) {
  GDelTotal = 0;
  GDelCount = 1234567;
  EXPECT_EQ(DelCountText(), L"1'234'567");
  GDelTotal = 10;
  GDelCount = 133;
  EXPECT_EQ(DelCountText(), L"-'123");
  GDelCount = 12;
  EXPECT_EQ(DelCountText(), L"-2");
  GDelCount = 100010;
  EXPECT_EQ(DelCountText(), L"-'100'000");
  GDelTotal = 1000;
  GDelCount = 0;
  EXPECT_EQ(DelCountText(), L"1'000");
  GDelTotal = GDelCount = 0;
}

// A tree whose walk order is known only from the listing: the cancel is checked against what
// the walk had visited.
TEST_F(DelEngine, CloseRequestCancelsAtOnceAndLeavesTheRest) {
  for (int target : {39, 59}) {
    TempTree t;
    for (int i = 0; i < 10; ++i) t.File(L"d1\\f" + std::to_wstring(i), 1);
    for (int i = 0; i < 5; ++i) t.File(L"d2\\g" + std::to_wstring(i), 1);
    for (int i = 0; i < 5; ++i) t.File(L"top" + std::to_wstring(i), 1);
    gSeen.clear();
    GDelCount = 0;
    Progress();
    if (target == 59) {
      // Any other window of the program: a close request for it cancels as well.
      ASSERT_NE(ui::OpenWindow(59, 50, 50, 200, 100, L"Log", ui::WinSystemMenu), nullptr);
    }
    int inD1 = 0;
    std::wstring closedAt;
    gThen = [&] {
      if (gSeen.back().dir == t.Path(L"d1\\") && ++inD1 == 3) {
        closedAt = gSeen.back().entry;
        PostMessageW(ui::WindowID(target), WM_CLOSE, 0, 0);
      }
    };
    EXPECT_EQ(DelIn(t, t.Root(), 0), -1);
    gThen = nullptr;
    ASSERT_FALSE(closedAt.empty());
    // The entry shown when the request came was the last one touched.
    EXPECT_EQ(gSeen.back().entry, closedAt);
    EXPECT_EQ(GDelCount, static_cast<int32_t>(gSeen.size()));
    // The directories on the way down stay, and so does everything not yet visited.
    EXPECT_TRUE(Exists(t.Root()));
    EXPECT_TRUE(Exists(t.Path(L"d1")));
    EXPECT_EQ(Entries(t.Path(L"d1\\")).size(), 7u);
    size_t visitedAtTop = 0;
    for (const Seen& s : gSeen) {
      if (s.dir == t.Root()) ++visitedAtTop;
    }
    // At the top only what was visited before d1 can be gone (d1 itself stays).
    EXPECT_EQ(Entries(t.Root()).size(), 7u - (visitedAtTop - 1));
    for (const std::wstring& name : Entries(t.Root())) {
      if (name == L"d2") {
        EXPECT_EQ(Entries(t.Path(L"d2\\")).size(), 5u);
      }
    }
    ui::CloseWindow(59);
    ui::CloseWindow(39);
  }
}

}  // namespace
}  // namespace vardune
