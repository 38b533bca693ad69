// Digit grouping, numeric values of texts, UTF-8 and letter case.
#include <gtest/gtest.h>

#include "os/text.h"

namespace vardune {
namespace {

TEST(GroupThousands, GroupsCharactersFromTheRight) {
  EXPECT_EQ(GroupThousands(L""), L"");
  EXPECT_EQ(GroupThousands(L"7"), L"7");
  EXPECT_EQ(GroupThousands(L"999"), L"999");
  EXPECT_EQ(GroupThousands(L"1000"), L"1'000");
  EXPECT_EQ(GroupThousands(L"1234567"), L"1'234'567");
  EXPECT_EQ(GroupThousands(L"123456"), L"123'456");
  // The minus sign is grouped like a digit.
  EXPECT_EQ(GroupThousands(L"-123456"), L"-'123'456");
  EXPECT_EQ(GroupThousands(L"-12345"), L"-12'345");
  EXPECT_EQ(GroupThousands(int64_t{12345678}), L"12'345'678");
}

TEST(NumberValue, ReadsLikeTheCellReader) {
  EXPECT_EQ(NumberValue(L"ERROR"), 0);
  EXPECT_EQ(NumberValue(L""), 0);
  EXPECT_EQ(NumberValue(L"X"), 0);
  EXPECT_EQ(NumberValue(L"    1'234"), 1);
  EXPECT_EQ(NumberValue(L" \t-42abc"), -42);
  EXPECT_EQ(NumberValue(L"+17"), 17);
  EXPECT_EQ(NumberValue(L"12abc"), 12);
  EXPECT_EQ(NumberValue(L"- 5"), 0);
  EXPECT_EQ(NumberValue(L"99999999999999999999999"), INT64_MAX);
  EXPECT_EQ(NumberValue(L"-99999999999999999999999"), INT64_MIN);
  EXPECT_EQ(NumberValue(L"-9223372036854775808"), INT64_MIN);
}

TEST(Utf8, RoundTripsAndReplacesInvalidBytes) {
  const std::wstring s = L"B\u00fccher \u00df \u20ac";
  EXPECT_EQ(FromUtf8(ToUtf8(s)), s);
  EXPECT_EQ(ToUtf8(L"\u00e4"), "\xc3\xa4");
  EXPECT_TRUE(IsValidUtf8("B\xc3\xbc" "cher"));
  EXPECT_FALSE(IsValidUtf8("B\x81" "cher"));   // code page 850 u-umlaut
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));       // overlong
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));   // surrogate
  EXPECT_FALSE(IsValidUtf8("\xe2\x82"));       // cut short
  EXPECT_EQ(FromUtf8("a\xff" "b"), L"a\ufffdb");
  EXPECT_EQ(FromUtf8("\xe2\x82"), L"\ufffd\ufffd");
  // Outside the Basic Multilingual Plane: a surrogate pair on Windows.
  const std::wstring clef = FromUtf8("\xf0\x9d\x84\x9e");
  EXPECT_EQ(ToUtf8(clef), "\xf0\x9d\x84\x9e");
}

TEST(ConsoleLine, Utf8WhenValidElseTheOemCodePage) {
  EXPECT_EQ(DecodeConsoleLine("B\xC3\xBC" "cher        Platte"), L"Bücher        Platte");
  // The console programs of a German system write code page 850 (0x81 is u-umlaut there and
  // in code page 437 alike): the closing line of "net view" must still be recognised.
  EXPECT_EQ(DecodeConsoleLine("Der Befehl wurde erfolgreich ausgef\x81hrt."),
            L"Der Befehl wurde erfolgreich ausgeführt.");
  EXPECT_EQ(DecodeConsoleLine("\x84\x94\x9A\xE1"), L"äöÜß");
  EXPECT_EQ(DecodeConsoleLine(""), L"");
  EXPECT_EQ(DecodeConsoleLine("Name          Typ  Info"), L"Name          Typ  Info");
}

TEST(Case, ComparesUpperCasedCodeUnits) {
  EXPECT_EQ(UpperChar(L'a'), L'A');
  EXPECT_EQ(UpperChar(L'\u00e4'), L'\u00c4');
  EXPECT_EQ(LowerChar(L'\u00d6'), L'\u00f6');
  EXPECT_TRUE(EqualNoCase(L"C:\\Daten\\", L"c:\\DATEN\\"));
  EXPECT_FALSE(EqualNoCase(L"abc", L"abcd"));
  EXPECT_LT(CompareNoCase(L"abc", L"ABCD"), 0);  // a prefix is smaller
  EXPECT_GT(CompareNoCase(L"b", L"A"), 0);
  // "_" (0x5F) lies between upper- and lower-case letters: upper-casing decides.
  EXPECT_LT(CompareNoCase(L"a", L"_"), 0);
  EXPECT_EQ(LowerText(L"\\\\Server\\Share\\"), L"\\\\server\\share\\");
}

}  // namespace
}  // namespace vardune
