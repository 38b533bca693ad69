// BackupSets.txt on disk: created on the first start, read and written back, and never lost
// when the new content cannot replace it.
#include <windows.h>

#include <gtest/gtest.h>

#include "os/fs.h"
#include "sets/store.h"
#include "tests/support/support.h"

namespace vardune {
namespace {

using test::TempTree;

class SetsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    BupPfade.clear();
    BupSets.clear();
    GDataDir = tree.Path(L"data\\");
    tree.Dir(L"data");
  }
  void TearDown() override {
    BupPfade.clear();
    GDataDir.clear();
  }
  std::wstring File() const { return GDataDir + L"BackupSets.txt"; }
  std::string Bytes() const { return os::ReadWholeFile(File()).value_or("<missing>"); }
  // Names in the data directory.
  std::vector<std::wstring> Listing() const {
    std::vector<std::wstring> v;
    os::DirListing l(GDataDir);
    while (l.Next()) {
      if (!l.IsDotOrDotDot()) v.emplace_back(l.Name());
    }
    return v;
  }
  TempTree tree;
};

TEST_F(SetsFile, AMissingFileIsCreatedEmpty) {
  _SetsLoad();
  EXPECT_TRUE(BupPfade.empty());
  EXPECT_EQ(Bytes(), "");
  EXPECT_FALSE(SetsFileUnread());
  // Saving no entries writes an empty file and leaves nothing else behind.
  _SetsSave();
  EXPECT_EQ(Bytes(), "");
  EXPECT_EQ(Listing(), (std::vector<std::wstring>{L"BackupSets.txt"}));
}

TEST_F(SetsFile, LoadThenSaveNormalisesTheLines) {
  tree.Text(L"data\\BackupSets.txt",
            "C:\\Daten\\Fotos|Urlaub|5120\n"
            "C:\\Daten\\<DATEIEN>|Urlaub|0\r"
            "no separator\r\n"
            "two|fields\r\n"
            "\r\n"
            "C:\\x|S|12abc\r\n"
            "C:\\err|S|-1\r\n"
            "C:\\dup|S|5\r\n"
            "C:\\dup|S|5\r\n"
            "C:\\many|S|7|8|9");
  _SetsLoad();
  ASSERT_EQ(BupPfade.size(), 9u);
  EXPECT_EQ(BupPfade[0], (Pfad{L"C:\\Daten\\Fotos", L"Urlaub", 5120, 0, 0, 0}));
  EXPECT_EQ(BupPfade[2], (Pfad{L"no separator", L"", 0, 0, 0, 0}));
  EXPECT_TRUE(BupSets.empty());  // loading does not touch the names
  _SetsSave();
  EXPECT_EQ(Bytes(),
            "C:\\Daten\\Fotos|Urlaub|5120\r\n"
            "C:\\Daten\\<DATEIEN>|Urlaub|0\r\n"
            "no separator||0\r\n"
            "two|fields|0\r\n"
            "C:\\x|S|12\r\n"
            "C:\\err|S|-1\r\n"
            "C:\\dup|S|5\r\n"
            "C:\\dup|S|5\r\n"
            "C:\\many|S|7\r\n");
  EXPECT_EQ(Listing(), (std::vector<std::wstring>{L"BackupSets.txt"}));
}

TEST_F(SetsFile, ByteOrderMarkAndInvalidUtf8) {
  tree.Text(L"data\\BackupSets.txt",
            "\xEF\xBB\xBF" "C:\\M\xC3\xBCll|S|1\r\nC:\\bad\xFF|S|2\r\nC:\\after|S|3\r\n");
  _SetsLoad();
  ASSERT_EQ(BupPfade.size(), 3u);
  EXPECT_EQ(BupPfade[0].Parent, L"C:\\Müll");
  EXPECT_EQ(BupPfade[1].Parent, L"C:\\bad\xFFFD");
  EXPECT_EQ(BupPfade[2].Parent, L"C:\\after");
  // Written back without the mark, the replacement character in UTF-8.
  _SetsSave();
  EXPECT_EQ(Bytes(), "C:\\M\xC3\xBCll|S|1\r\nC:\\bad\xEF\xBF\xBD|S|2\r\nC:\\after|S|3\r\n");
}

TEST_F(SetsFile, AFailedReplaceKeepsTheOldFileByteForByte) {
  const std::string old = "C:\\alt|Alt|1\nC:\\b|Alt|2\r\n";
  tree.Text(L"data\\BackupSets.txt", old);
  BupPfade = {Pfad{L"C:\\neu", L"Neu", 3, 0, 0, 0}};
  {
    // Another program holds the file open without sharing it: the replace fails.
    os::Handle hold(CreateFileW(File().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(hold);
    _SetsSave();
  }
  EXPECT_EQ(Bytes(), old);
  // The temporary file is gone again.
  EXPECT_EQ(Listing(), (std::vector<std::wstring>{L"BackupSets.txt"}));
  // Once the file is free, the same save goes through.
  _SetsSave();
  EXPECT_EQ(Bytes(), "C:\\neu|Neu|3\r\n");
}

TEST_F(SetsFile, AFileThatCouldNotBeReadIsNotOverwritten) {
  const std::string old = "C:\\wichtig|Set|1\r\n";
  tree.Text(L"data\\BackupSets.txt", old);
  {
    // Held by another program with no sharing at all while the program starts.
    os::Handle hold(CreateFileW(File().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(hold);
    _SetsLoad();
  }
  EXPECT_TRUE(BupPfade.empty());
  EXPECT_TRUE(SetsFileUnread());
  _SetsSave();
  EXPECT_EQ(Bytes(), old);
}

TEST_F(SetsFile, AReadOnlyFileIsReadButNotReplaced) {
  const std::string old = "C:\\ro|S|4\n";
  tree.Text(L"data\\BackupSets.txt", old);
  ASSERT_TRUE(SetFileAttributesW(File().c_str(), FILE_ATTRIBUTE_READONLY));
  _SetsLoad();
  ASSERT_EQ(BupPfade.size(), 1u);
  EXPECT_EQ(BupPfade[0].Parent, L"C:\\ro");
  BupPfade.push_back(Pfad{L"C:\\neu", L"S", 0, 0, 0, 0});
  _SetsSave();
  EXPECT_EQ(Bytes(), old);
  EXPECT_TRUE(GetFileAttributesW(File().c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Listing(), (std::vector<std::wstring>{L"BackupSets.txt"}));
  SetFileAttributesW(File().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(SetsFile, NoDataDirectoryMeansNothingHappens) {
  GDataDir = tree.Path(L"missing\\");
  _SetsLoad();
  EXPECT_TRUE(BupPfade.empty());
  BupPfade = {Pfad{L"C:\\x", L"S", 1, 0, 0, 0}};
  _SetsSave();
  EXPECT_EQ(GetFileAttributesW(GDataDir.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace vardune
