// Text helpers shared by every layer: letter case by code unit, UTF-8 <-> UTF-16, the digit
// grouping of all size displays. Pure C++: no windows.h, so it also builds for the host.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vardune {

// Upper and lower case of one UTF-16 code unit. In the Windows build the tables are filled
// from CharUpperBuffW / CharLowerBuffW, so they give exactly the system's mapping; the host
// build fills them from the C library.
wchar_t UpperChar(wchar_t c);
wchar_t LowerChar(wchar_t c);
std::wstring UpperText(std::wstring_view s);
std::wstring LowerText(std::wstring_view s);

// Compares upper-cased code units as unsigned values; a prefix is the smaller text.
int CompareNoCase(std::wstring_view a, std::wstring_view b);
bool EqualNoCase(std::wstring_view a, std::wstring_view b);

// Fills the case tables; called once by the platform before anything compares texts.
void InitCaseTables();

// UTF-8 of a UTF-16 text (unpaired surrogates become U+FFFD).
std::string ToUtf8(std::wstring_view s);
// Decodes UTF-8; every invalid byte becomes U+FFFD. Never fails.
std::wstring FromUtf8(std::string_view s);
// The code units of a UTF-16 text as generalised UTF-8 (WTF-8): pairs as UTF-8 does, an
// unpaired surrogate as its own three bytes, so that every name Windows allows keeps its
// identity; FromWtf8 gives the code units back. Bytes that are not of that form (from outside
// the program) become U+FFFD there.
void AppendWtf8(std::string& out, std::wstring_view s);
void AppendWtf8(std::string& out, std::u16string_view s);
std::wstring FromWtf8(std::string_view s);
// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view s);
// Text of a line of a console program: UTF-8 when it is valid UTF-8, else the OEM code page,
// which the system's console programs write into a pipe (the host build reads code page 850,
// the OEM code page of German Windows).
std::wstring DecodeConsoleLine(std::string_view bytes);

// Groups the characters of a number's text in threes from the right with "'":
// 1234567 -> 1'234'567. Works on characters, so a leading "-" counts like a digit.
std::wstring GroupThousands(std::wstring_view s);
std::wstring GroupThousands(int64_t v);

// Leading blanks and tabs skipped, optional sign, digits up to the first other character;
// no digits give 0. Saturates instead of overflowing.
int64_t NumberValue(std::wstring_view s);

// Number of occurrences of c in s.
size_t CountChar(std::wstring_view s, wchar_t c);

}  // namespace vardune
