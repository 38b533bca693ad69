// Reading share names from "net view" output, and how a path is classified for scanning.
#include <gtest/gtest.h>

#include "scan/shares.h"

namespace vardune {
namespace {

std::vector<std::wstring> Parse(const std::vector<std::wstring>& lines) {
  ShareListParser p;
  p.prefix = L"\\\\Server\\";
  for (const auto& l : lines) p.Line(l);
  return p.shares;
}

TEST(ShareList, GermanListingBetweenSeparatorAndClosingLine) {
  ShareListParser p;
  p.prefix = L"\\\\Server\\";
  for (const std::wstring& l : {std::wstring(L"Freigegebene Ressourcen auf \\\\Server"), std::wstring(L""),
                                std::wstring(L"Name          Typ  Info"),
                                std::wstring(L"-------------------------------------"),
                                std::wstring(L"Daten         Disk"), std::wstring(L"Musik         Disk"),
                                std::wstring(L""),
                                std::wstring(L"Der Befehl wurde erfolgreich ausgeführt."),
                                std::wstring(L"Nachher       Disk")}) {
    p.Line(l);
  }
  EXPECT_EQ(p.headerColumn, 15u);
  EXPECT_EQ(p.shares, (std::vector<std::wstring>{L"\\\\Server\\Daten", L"\\\\Server\\Musik"}));
}

TEST(ShareList, NameFillingTheColumnIsCutAndTrimmed) {
  EXPECT_EQ(Parse({L"Name          Typ  Info", L"------------", L"EinSehrLangerNameDisk",
                   L"  Leer x      Disk   Kommentar mit Typ"}),
            (std::vector<std::wstring>{L"\\\\Server\\EinSehrLangerN", L"\\\\Server\\Leer x"}));
}

TEST(ShareList, WithoutSeparatorOrHeaderNothingIsTaken) {
  EXPECT_TRUE(Parse({L"Name          Typ  Info", L"Daten         Disk"}).empty());
  // English output: no "Typ  " header, so the column is 0 and no name is taken.
  EXPECT_TRUE(Parse({L"Share name   Type  Used as  Comment", L"-----------------------------",
                     L"Data         Disk", L"The command completed successfully."})
                  .empty());
}

TEST(ShareList, WithoutClosingLineCollectsToTheEnd) {
  EXPECT_EQ(Parse({L"Name     Typ  ", L"------------", L"A        Disk", L"B        Druck"}),
            (std::vector<std::wstring>{L"\\\\Server\\A", L"\\\\Server\\B"}));
}

TEST(ScanPath, ClassifiesLocalShareAndServerPaths) {
  EXPECT_EQ(ClassifyScanPath(L"C:\\Daten\\").share, L"IsLokal");
  auto t = ClassifyScanPath(L"\\\\Server\\Share\\Ordner\\");
  EXPECT_EQ(t.serverPrefix, L"\\\\Server\\");
  EXPECT_EQ(t.share, L"Share");
  t = ClassifyScanPath(L"\\\\Server");
  EXPECT_EQ(t.serverPrefix, L"\\\\Server\\");
  EXPECT_EQ(t.share, L"");
  t = ClassifyScanPath(L"\\\\Server\\");
  EXPECT_EQ(t.share, L"");
  EXPECT_EQ(NetViewParameters(t.serverPrefix), L"view \\\\Server\\");
  EXPECT_EQ(ClassifyScanPath(L"\\\\").serverPrefix, L"\\\\\\");
  EXPECT_EQ(ClassifyScanPath(L"\\\\Server\\\\\\\\").share, L"");
}

}  // namespace
}  // namespace vardune
