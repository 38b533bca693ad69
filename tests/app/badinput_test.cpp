// Bad input from the user, through the real program: over-long parameters and typed paths,
// drives and servers that do not exist, relative paths, device names, files given as
// directories, names outside the Basic Multilingual Plane and a huge store file. Each must
// give a clear result (an ERROR record with its log line, or nothing) and never a crash, a
// hang or a system dialog.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "os/fs.h"
#include "scan/driver.h"
#include "scan/model.h"
#include "sets/store.h"
#include "tests/app/app_fixture.h"
#include "tests/support/support.h"
#include "ui/logwindow.h"
#include "ui/mainwindow.h"
#include "view/resultlist.h"

namespace vardune {
namespace {

using test::AppTest;
using test::TempTree;

class BadInput : public AppTest {
 protected:
  // Scans `path` as if typed into the path field and the scan button pressed.
  void ScanTyped(const std::wstring& path) {
    ui::SetGadgetText(kGadPath, path);
    _PathFieldEvent(ui::TypeLostFocus);
    Click(kGadScan);
  }
  // The one record a scan of an unusable start path leaves: an ERROR record of the path,
  // with its log line, and no message box.
  void ExpectOneErrorRecord(const std::wstring& path) {
    ASSERT_EQ(Pfade.size(), 1u) << test::Narrow(path.substr(0, 80));
    EXPECT_EQ(Pfade.Get(0).Size, -1);
    EXPECT_EQ(std::wstring(Pfade.Parent(0)) + std::wstring(Pfade.Name(0)) + L"\\", path);
    EXPECT_NE(LogText().find(L"Error: " + path), std::wstring::npos);
    EXPECT_TRUE(test::Dialogs().empty());
    EXPECT_FALSE(ui::IsGadgetDisabled(kGadScan));
    EXPECT_TRUE(ui::IsGadgetDisabled(kGadStop));
  }
};

std::wstring LongPath(size_t length) {
  std::wstring p = L"C:\\";
  while (p.size() + 10 <= length) p += L"abcdefghi\\";
  return p;
}

TEST_F(BadInput, ParameterAndTypedPathOf40000Characters) {
  const std::wstring longPath = LongPath(40000);
  ASSERT_GE(longPath.size(), 39990u);
  // As a parameter: the path field holds all of it, the scan makes one ERROR record.
  Start({longPath});
  EXPECT_EQ(GStartPath, longPath);
  EXPECT_EQ(ui::GetGadgetText(kGadPath).size(), longPath.size());
  Click(kGadScan);
  ExpectOneErrorRecord(longPath);
  EXPECT_TRUE(ui::IsWindowShown(kLogWindow));

  // Typed, and the field left: nothing of it is cut either.
  const std::wstring typed = LongPath(40000) + L"xyz";
  ui::SetGadgetText(kGadPath, typed);
  SetFocus(ui::GadgetID(kGadPath));
  SetFocus(ui::GadgetID(kGadResults));
  RunPending();
  EXPECT_EQ(GStartPath, typed + L"\\");
  Click(kGadScan);
  ExpectOneErrorRecord(typed + L"\\");
  // The list of the path is empty: its only record, the error, belongs to the parent.
  EXPECT_EQ(ui::CountGadgetItems(kGadResults), 0);
}

TEST_F(BadInput, DriveThatDoesNotExistAndFileGivenAsDirectory) {
  TempTree t;
  t.File(L"datei.txt", 10);
  Start();
  // Wine maps only a few drive letters; find one that is not there.
  std::wstring drive;
  for (wchar_t c = L'Q'; c <= L'Y'; ++c) {
    const std::wstring root = std::wstring(1, c) + L":\\";
    if (GetDriveTypeW(root.c_str()) == DRIVE_NO_ROOT_DIR) {
      drive = root;
      break;
    }
  }
  ASSERT_FALSE(drive.empty());
  ScanTyped(drive + L"Daten\\");
  ExpectOneErrorRecord(drive + L"Daten\\");
  // The summary of a drive that cannot be asked shows zeros, without a system dialog.
  EXPECT_TRUE(ui::GetGadgetText(kGadSummary).starts_with(L"Laufwerk MB frei: 0 / 0"));

  Pfade.Clear();
  ScanTyped(t.Path(L"datei.txt"));
  ExpectOneErrorRecord(t.Path(L"datei.txt\\"));
}

TEST_F(BadInput, ServerPathsWithoutAServerName) {
  TempTree t;
  t.Text(L"net-output.txt", "");
  SetEnvironmentVariableW(L"VARDUNE_NET_OUTPUT", t.Path(L"net-output.txt").c_str());
  SetEnvironmentVariableW(L"VARDUNE_NET_LOG", t.Path(L"net-log.txt").c_str());
  Start();
  // No server to ask: no share listing runs; the path is an unreadable directory.
  for (const std::wstring p : {L"\\\\", L"\\\\\\\\\\\\"}) {
    Pfade.Clear();
    ScanTyped(p);
    ASSERT_EQ(Pfade.size(), 1u) << test::Narrow(p);
    EXPECT_EQ(Pfade.Get(0).Size, -1);
    EXPECT_FALSE(os::IsDirectory(t.Path(L"net-log.txt")));
    std::ifstream log(test::UnixPath(t.Path(L"net-log.txt")));
    EXPECT_FALSE(log.good()) << "net.exe was started for " << test::Narrow(p);
  }
  // Empty fields after a server name: the server's shares are asked for; it reports none.
  Pfade.Clear();
  ScanTyped(L"\\\\Server\\\\\\\\");
  std::ifstream log(test::UnixPath(t.Path(L"net-log.txt")), std::ios::binary);
  ASSERT_TRUE(log.good());
  const std::string bytes((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  const std::wstring line(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
  EXPECT_NE(line.find(L"view \\\\Server\\"), std::wstring::npos);
  EXPECT_EQ(Pfade.size(), 0u);
  EXPECT_TRUE(test::Dialogs().empty());
  SetEnvironmentVariableW(L"VARDUNE_NET_OUTPUT", nullptr);
  SetEnvironmentVariableW(L"VARDUNE_NET_LOG", nullptr);
}

TEST_F(BadInput, RelativePathsAndDeviceNamesAreNeverListed) {
  TempTree t;
  t.File(L"rel\\innen\\a.bin", 4096);
  Start();
  // Relative to the working directory a scan would succeed, and list a tree that the user
  // never named.
  SetCurrentDirectoryW(t.Root().c_str());
  for (const std::wstring p : {L"rel\\", L"CON\\", L"NUL\\", L"\\rel\\"}) {
    Pfade.Clear();
    ScanTyped(p);
    ExpectOneErrorRecord(p);
  }
  SetCurrentDirectoryW(L"C:\\");
  for (const std::wstring p : {L"\\\\.\\PhysicalDrive0\\", L"\\\\?\\GLOBALROOT\\"}) {
    Pfade.Clear();
    ScanTyped(p);
    // Whatever the system lists there, nothing hangs or asks; a record of the path exists.
    ASSERT_GE(Pfade.size(), 1u) << test::Narrow(p);
    EXPECT_TRUE(test::Dialogs().empty());
  }
}

TEST_F(BadInput, NamesOutsideTheBasicMultilingualPlane) {
  TempTree t;
  // U+1F4C1 (file folder) and U+10348 (Gothic hwair): surrogate pairs in UTF-16.
  const std::wstring folder = L"\U0001F4C1 Ordner";
  const std::wstring gothic = L"\U00010348";
  t.File(folder + L"\\" + gothic + L".bin", 8192);
  t.File(gothic + L"\\x.bin", 2048);
  Start({t.Root()});
  Click(kGadScan);
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{folder, gothic}));
  HeaderClick(2);  // by name, descending: U+D83D sorts after U+D800
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{folder, gothic}));
  HeaderClick(2);
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{gothic, folder}));
  DoubleClickRow(1);
  EXPECT_EQ(GStartPath, t.Path(folder + L"\\"));
  EXPECT_EQ(Column(2), std::vector<std::wstring>{L"<DATEIEN>"});
  EXPECT_EQ(Column(1), std::vector<std::wstring>{L"8"});

  // Such a path survives the store file.
  BupPfade.push_back(Pfad{t.Path(folder), L"Set \U0001F600", 8192, 0, 0, 0});
  _SetsSave();
  BupPfade.clear();
  _SetsLoad();
  ASSERT_EQ(BupPfade.size(), 1u);
  EXPECT_EQ(BupPfade[0].Parent, t.Path(folder));
  EXPECT_EQ(BupPfade[0].Name, L"Set \U0001F600");
  BupPfade.clear();
  _SetsSave();
}

TEST_F(BadInput, StoreFileOf50MegabytesWithALineOf10) {
  // Written before start-up, into the data directory that start-up uses.
  Start();
  ShutDown();
  started_ = false;
  const std::wstring file = GDataDir + L"BackupSets.txt";
  std::string content;
  content.reserve(52u << 20);
  int lines = 0;
  while (content.size() < (40u << 20)) {
    content += "C:\\Daten\\Ordner " + std::to_string(lines) + "\\Unterordner mit Namen|Set " +
               std::to_string(lines % 17) + "|" + std::to_string(lines * 4096LL) + "\r\n";
    ++lines;
  }
  std::string huge = "C:\\";
  huge.append(10u << 20, 'x');
  content += huge + "|Riesig|1\r\n";
  ++lines;
  while (content.size() < (50u << 20)) {
    content += "D:\\" + std::to_string(lines) + "|Set D|0\r\n";
    ++lines;
  }
  {
    std::ofstream out(std::filesystem::path(file), std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    ASSERT_TRUE(out.good());
  }
  BupPfade.clear();
  Start();
  ASSERT_EQ(BupPfade.size(), static_cast<size_t>(lines));
  size_t at = 0;
  for (; at < BupPfade.size() && BupPfade[at].Name != L"Riesig"; ++at) {
  }
  ASSERT_LT(at, BupPfade.size());
  EXPECT_EQ(BupPfade[at].Parent.size(), huge.size());
  EXPECT_EQ(BupPfade[at].Size, 1);
  // Saved at shut-down as it was read: the file comes back byte for byte.
  ShutDown();
  started_ = false;
  std::string back;
  {
    std::ifstream in(std::filesystem::path(file), std::ios::binary);
    back.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  EXPECT_TRUE(back == content) << back.size() << " vs " << content.size();
  BupPfade.clear();
  BupSets.clear();
  EXPECT_TRUE(DeleteFileW(file.c_str()));
}

}  // namespace
}  // namespace vardune

