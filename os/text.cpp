// Text helpers shared by every layer (see text.h). No platform calls here: the case tables
// are filled by InitCaseTables, which lives in the platform-specific text_*.cpp.
#include "os/text.h"

#include <climits>
#include <type_traits>

namespace vardune {

namespace {
// A code unit as an unsigned value (wchar_t is 16 bits on Windows, 32 on the host).
inline uint32_t Unit(wchar_t c) { return static_cast<uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(c)); }
}  // namespace

namespace detail {
wchar_t gUpper[65536];
wchar_t gLower[65536];
bool gCaseReady = false;
void FillCaseTables();  // text_win.cpp or text_host.cpp
std::wstring DecodeOem(std::string_view bytes);  // likewise
}  // namespace detail

void InitCaseTables() {
  if (detail::gCaseReady) return;
  detail::FillCaseTables();
  detail::gCaseReady = true;
}

wchar_t UpperChar(wchar_t c) {
  if (!detail::gCaseReady) InitCaseTables();
  return Unit(c) < 65536 ? detail::gUpper[Unit(c)] : c;
}

wchar_t LowerChar(wchar_t c) {
  if (!detail::gCaseReady) InitCaseTables();
  return Unit(c) < 65536 ? detail::gLower[Unit(c)] : c;
}

std::wstring UpperText(std::wstring_view s) {
  std::wstring r(s);
  for (auto& c : r) c = UpperChar(c);
  return r;
}

std::wstring LowerText(std::wstring_view s) {
  std::wstring r(s);
  for (auto& c : r) c = LowerChar(c);
  return r;
}

int CompareNoCase(std::wstring_view a, std::wstring_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const uint32_t x = Unit(UpperChar(a[i]));
    const uint32_t y = Unit(UpperChar(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

std::string ToUtf8(std::wstring_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = Unit(s[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size()) {
      const uint32_t lo = Unit(s[i + 1]);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      } else {
        cp = 0xFFFD;
      }
    } else if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

namespace {
// Length of the well-formed sequence starting at s[i] and its code point; 0 when the byte at
// i does not start one (the caller then replaces just that byte).
size_t DecodeOne(std::string_view s, size_t i, uint32_t& cp) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t c = b(i);
  if (c < 0x80) { cp = c; return 1; }
  size_t n;
  uint32_t lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) { n = 2; cp = c & 0x1F; }
  else if (c >= 0xE0 && c <= 0xEF) {
    n = 3; cp = c & 0x0F;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4; cp = c & 0x07;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const uint8_t t = b(i + k);
    if (k == 1 ? (t < lo || t > hi) : (t < 0x80 || t > 0xBF)) return 0;
    cp = (cp << 6) | (t & 0x3F);
  }
  return n;
}
}  // namespace

std::wstring FromUtf8(std::string_view s) {
  std::wstring out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    uint32_t cp = 0;
    const size_t n = DecodeOne(s, i, cp);
    if (n == 0) {
      out += static_cast<wchar_t>(0xFFFD);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (cp >> 10));
      out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<wchar_t>(cp);
    }
    i += n;
  }
  return out;
}

namespace {

template <class Unit16>
void AppendWtf8Units(std::string& out, const Unit16* s, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    uint32_t cp = static_cast<uint32_t>(s[i]) & 0xFFFF;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n) {
      const uint32_t lo = static_cast<uint32_t>(s[i + 1]) & 0xFFFF;
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
}

}  // namespace

void AppendWtf8(std::string& out, std::wstring_view s) { AppendWtf8Units(out, s.data(), s.size()); }
void AppendWtf8(std::string& out, std::u16string_view s) { AppendWtf8Units(out, s.data(), s.size()); }

std::wstring FromWtf8(std::string_view s) {
  std::wstring out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<uint8_t>(s[i]);
    if (c < 0x80) {
      out += static_cast<wchar_t>(c);
      ++i;
      continue;
    }
    // The surrogates that UTF-8 leaves out: ED A0..BF xx.
    if (c == 0xED && i + 2 < s.size() && (static_cast<uint8_t>(s[i + 1]) & 0xE0) == 0xA0 &&
        (static_cast<uint8_t>(s[i + 2]) & 0xC0) == 0x80) {
      out += static_cast<wchar_t>(0xD000 | ((static_cast<uint8_t>(s[i + 1]) & 0x3F) << 6) |
                                  (static_cast<uint8_t>(s[i + 2]) & 0x3F));
      i += 3;
      continue;
    }
    uint32_t cp = 0;
    const size_t n = DecodeOne(s, i, cp);
    if (n == 0) {
      out += static_cast<wchar_t>(0xFFFD);
      ++i;
    } else if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (cp >> 10));
      out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
      i += n;
    } else {
      out += static_cast<wchar_t>(cp);
      i += n;
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    uint32_t cp;
    const size_t n = DecodeOne(s, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::wstring DecodeConsoleLine(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return FromUtf8(bytes);
  return detail::DecodeOem(bytes);
}

std::wstring GroupThousands(std::wstring_view s) {
  std::wstring out;
  out.reserve(s.size() + s.size() / 3);
  const size_t head = s.size() <= 3 ? s.size() : (s.size() % 3 == 0 ? 3 : s.size() % 3);
  out.append(s.substr(0, head));
  for (size_t i = head; i < s.size(); i += 3) {
    out += L'\'';
    out.append(s.substr(i, 3));
  }
  return out;
}

std::wstring GroupThousands(int64_t v) { return GroupThousands(std::to_wstring(v)); }

int64_t NumberValue(std::wstring_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) {
    neg = s[i] == L'-';
    ++i;
  }
  // Accumulate as a negative number so that INT64_MIN is representable.
  int64_t v = 0;
  for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {
    const int d = s[i] - L'0';
    if (v < (INT64_MIN + d) / 10) {
      v = INT64_MIN;
      for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {}
      break;
    }
    v = v * 10 - d;
  }
  if (neg) return v;
  return v == INT64_MIN ? INT64_MAX : -v;
}

size_t CountChar(std::wstring_view s, wchar_t c) {
  size_t n = 0;
  for (wchar_t x : s) n += x == c;
  return n;
}

}  // namespace vardune
