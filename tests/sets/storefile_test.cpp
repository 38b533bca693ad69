// BackupSets.txt on disk: created on the first start, read and written back with its
// attributes, written in place while another program holds it, and never lost without a
// message that names where the sets are.
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
    test::ResetDialogs();
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
  // The texts of the message boxes shown so far, all titled "Vardune Meldung".
  static std::vector<std::wstring> Messages() {
    std::vector<std::wstring> v;
    for (const test::DialogRecord& d : test::Dialogs()) {
      EXPECT_EQ(d.kind, L"message");
      EXPECT_EQ(d.title, L"Vardune Meldung");
      v.push_back(d.text);
    }
    return v;
  }
  // The second file a message names after "Sie stehen jetzt in:", with its content.
  static std::wstring NamedSecondFile(const std::wstring& message) {
    const std::wstring mark = L"Sie stehen jetzt in: \r\n";
    const size_t k = message.find(mark);
    return k == std::wstring::npos ? L"" : message.substr(k + mark.size());
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

// Another program holds the file open, sharing reading and writing but not deletion: the
// replace cannot take the name, so the content is written into the file itself.
TEST_F(SetsFile, AFileHeldByAnotherProgramIsWrittenInPlace) {
  tree.Text(L"data\\BackupSets.txt", "C:\\alt|Alt|1\r\nC:\\b|Alt|2\r\nC:\\c|Alt|3\r\n");
  _SetsLoad();
  BupPfade.erase(BupPfade.begin() + 1, BupPfade.end());
  BupPfade.push_back(Pfad{L"C:\\neu", L"Neu", 3, 0, 0, 0});
  {
    test::HeldFile held(File());
    ASSERT_TRUE(held.Held());
    _SetsSave();
  }
  // Shorter than before: nothing of the old content is left behind the new one.
  EXPECT_EQ(Bytes(), "C:\\alt|Alt|1\r\nC:\\neu|Neu|3\r\n");
  EXPECT_EQ(Listing(), (std::vector<std::wstring>{L"BackupSets.txt"}));
  EXPECT_TRUE(test::Dialogs().empty());
}

// Held with no sharing at all, the file can be neither replaced nor written: it stays byte for
// byte, the sets go to a second file, and a message names both.
TEST_F(SetsFile, AFileThatCannotBeWrittenKeepsItsContentAndTheSetsGoBeside) {
  const std::string old = "C:\\alt|Alt|1\nC:\\b|Alt|2\r\n";
  tree.Text(L"data\\BackupSets.txt", old);
  tree.Text(L"data\\BackupSets (2).txt", "earlier\r\n");  // never written over
  BupPfade = {Pfad{L"C:\\neu", L"Neu", 3, 0, 0, 0}};
  {
    os::Handle hold(CreateFileW(File().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(hold);
    _SetsSave();
  }
  EXPECT_EQ(Bytes(), old);
  const std::wstring second = GDataDir + L"BackupSets (3).txt";
  EXPECT_EQ(os::ReadWholeFile(second).value_or(""), "C:\\neu|Neu|3\r\n");
  EXPECT_EQ(os::ReadWholeFile(GDataDir + L"BackupSets (2).txt").value_or(""), "earlier\r\n");
  // No temporary file is left.
  EXPECT_EQ(Listing().size(), 3u);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], L"Err - Konnte Backup Sets nicht speichern: \r\n" + File() +
                               L"\r\n\r\nSie stehen jetzt in: \r\n" + second);
  // Once the file is free, the same save goes through.
  test::ResetDialogs();
  _SetsSave();
  EXPECT_EQ(Bytes(), "C:\\neu|Neu|3\r\n");
  EXPECT_TRUE(test::Dialogs().empty());
}

// A hidden (and system) store stays so, whether it is replaced or written in place.
TEST_F(SetsFile, SavingKeepsTheAttributesOfTheFile) {
  tree.Text(L"data\\BackupSets.txt", "C:\\a|S|1\r\n");
  const DWORD hidden = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  ASSERT_TRUE(SetFileAttributesW(File().c_str(), hidden));
  ASSERT_EQ(GetFileAttributesW(File().c_str()) & hidden, hidden);
  _SetsLoad();
  ASSERT_EQ(BupPfade.size(), 1u);
  BupPfade.push_back(Pfad{L"C:\\b", L"S", 2, 0, 0, 0});
  _SetsSave();
  EXPECT_EQ(Bytes(), "C:\\a|S|1\r\nC:\\b|S|2\r\n");
  EXPECT_EQ(GetFileAttributesW(File().c_str()) & hidden, hidden);
  EXPECT_EQ(Listing(), (std::vector<std::wstring>{L"BackupSets.txt"}));
  {
    test::HeldFile held(File());
    ASSERT_TRUE(held.Held());
    BupPfade.pop_back();
    _SetsSave();
  }
  EXPECT_EQ(Bytes(), "C:\\a|S|1\r\n");
  EXPECT_EQ(GetFileAttributesW(File().c_str()) & hidden, hidden);
  EXPECT_TRUE(test::Dialogs().empty());
  SetFileAttributesW(File().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A file that is there but cannot be read at start-up is named then. At the end the sets made
// meanwhile are added to what it holds by then; while it still cannot be read they go to a
// second file; with none made nothing is said and nothing written.
TEST_F(SetsFile, AFileUnreadAtStartUpGetsTheNewSetsAddedOrSavedBeside) {
  const std::string old = "C:\\wichtig|Set|1\r\nC:\\auch|Set|2\r\n";
  const std::wstring loadMessage =
      L"Err - Konnte Backup Sets nicht lesen: \r\n" + File() +
      L"\r\n\r\nDie gespeicherten Sets fehlen bis zum nächsten Start. Neue Sets werden beim "
      L"Beenden zu ihnen gespeichert.";
  tree.Text(L"data\\BackupSets.txt", old);
  for (const int end : {0, 1, 2}) {  // nothing made; made, file free; made, file still held
    SCOPED_TRACE(end);
    test::ResetDialogs();
    BupPfade.clear();
    os::Handle hold(CreateFileW(File().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(hold);
    _SetsLoad();
    EXPECT_TRUE(BupPfade.empty());
    EXPECT_TRUE(SetsFileUnread());
    EXPECT_EQ(Messages(), std::vector<std::wstring>{loadMessage});
    test::ResetDialogs();
    if (end > 0) {
      BupPfade = {Pfad{L"C:\\NEU", L"Neu", 5, 0, 0, 0}, Pfad{L"c:\\WICHTIG", L"set", 9, 0, 0, 0}};
    }
    if (end < 2) hold.reset();
    _SetsSave();
    hold.reset();
    if (end == 0) {
      EXPECT_EQ(Bytes(), old);
      EXPECT_TRUE(test::Dialogs().empty());
    } else if (end == 1) {
      // An entry the file already holds takes the new size; nothing is there twice.
      EXPECT_EQ(Bytes(), "C:\\wichtig|Set|9\r\nC:\\auch|Set|2\r\nC:\\NEU|Neu|5\r\n");
      EXPECT_TRUE(test::Dialogs().empty());
      tree.Text(L"data\\BackupSets.txt", old);
    } else {
      EXPECT_EQ(Bytes(), old);
      ASSERT_EQ(Messages().size(), 1u);
      const std::wstring second = NamedSecondFile(Messages()[0]);
      EXPECT_EQ(second, GDataDir + L"BackupSets (2).txt");
      const std::wstring why = L"Err - Konnte Backup Sets nicht lesen und nicht ergänzen: \r\n";
      EXPECT_EQ(Messages()[0].rfind(why + File() + L"\r\n", 0), 0u);
      EXPECT_EQ(os::ReadWholeFile(second).value_or(""), "C:\\NEU|Neu|5\r\nc:\\WICHTIG|set|9\r\n");
    }
  }
}

// A read-only store is read but never written over. What the user changed goes to a second
// file with a message; new sizes and a new order alone are no change worth a word.
TEST_F(SetsFile, AReadOnlyFileIsNeverWrittenAndChangesGoBeside) {
  const std::string old = "C:\\ro|S|4\nC:\\a|S|1\n";
  tree.Text(L"data\\BackupSets.txt", old);
  ASSERT_TRUE(SetFileAttributesW(File().c_str(), FILE_ATTRIBUTE_READONLY));
  _SetsLoad();
  ASSERT_EQ(BupPfade.size(), 2u);
  EXPECT_EQ(BupPfade[0].Parent, L"C:\\ro");
  std::swap(BupPfade[0], BupPfade[1]);
  BupPfade[0].Size = 77;
  _SetsSave();
  EXPECT_EQ(Bytes(), old);
  EXPECT_TRUE(test::Dialogs().empty());
  EXPECT_EQ(Listing(), (std::vector<std::wstring>{L"BackupSets.txt"}));

  BupPfade.push_back(Pfad{L"C:\\neu", L"S", 0, 0, 0, 0});
  _SetsSave();
  EXPECT_EQ(Bytes(), old);
  EXPECT_TRUE(GetFileAttributesW(File().c_str()) & FILE_ATTRIBUTE_READONLY);
  ASSERT_EQ(Messages().size(), 1u);
  const std::wstring second = NamedSecondFile(Messages()[0]);
  EXPECT_EQ(Messages()[0].rfind(
                L"Err - Backup Sets nicht gespeichert, die Datei ist schreibgeschützt: \r\n" +
                    File() + L"\r\n",
                0),
            0u);
  EXPECT_EQ(os::ReadWholeFile(second).value_or(""), "C:\\a|S|77\r\nC:\\ro|S|4\r\nC:\\neu|S|0\r\n");
  SetFileAttributesW(File().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Without a data directory the sets made go to the temporary folder, and the message says so;
// with none made nothing is said.
TEST_F(SetsFile, NoDataDirectoryMeansTheSetsGoToTheTemporaryFolder) {
  GDataDir = tree.Path(L"missing\\");
  _SetsLoad();
  EXPECT_TRUE(BupPfade.empty());
  _SetsSave();
  EXPECT_TRUE(test::Dialogs().empty());
  BupPfade = {Pfad{L"C:\\x", L"S", 1, 0, 0, 0}};
  _SetsSave();
  EXPECT_EQ(GetFileAttributesW(GDataDir.c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(Messages().size(), 1u);
  const std::wstring second = NamedSecondFile(Messages()[0]);
  wchar_t temp[MAX_PATH + 1] = {0};
  ASSERT_TRUE(GetTempPathW(MAX_PATH + 1, temp));
  EXPECT_EQ(second.rfind(std::wstring(temp) + L"BackupSets (", 0), 0u) << test::Narrow(second);
  EXPECT_EQ(os::ReadWholeFile(second).value_or(""), "C:\\x|S|1\r\n");
  DeleteFileW(second.c_str());
}

}  // namespace
}  // namespace vardune
