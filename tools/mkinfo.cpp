// Packs the help text of the info window at build time: reads the UTF-8 text, turns it into
// Windows-1252 bytes with CR LF line ends, packs it with zlib and writes a C++ source with
// the packed bytes as InfoText. Usage: mkinfo <info.txt> <info_text.cpp>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The program unpacks into a buffer of ten times the packed length; a text that does not fit
// there would show up as an unpacking error, so it must not get past the build.
constexpr unsigned long kUnpackFactor = 10;

// Windows-1252 at 0x80..0x9F; 0 marks the five positions that hold no character.
constexpr char32_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The Windows-1252 byte of a code point, or -1 when that code page cannot hold it.
int To1252(char32_t c) {
  if (c < 0x80) return static_cast<int>(c);
  if (c >= 0xA0 && c <= 0xFF) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i) {
    if (kHigh1252[i] != 0 && kHigh1252[i] == c) return 0x80 + i;
  }
  return -1;
}

struct Decoder {
  const std::string& in;
  size_t pos = 0;
  int line = 1;
  int column = 1;

  // The next code point, or -1 at the end; -2 for a malformed sequence.
  long Next() {
    if (pos >= in.size()) return -1;
    const auto b0 = static_cast<unsigned char>(in[pos]);
    int len = 0;
    char32_t c = 0;
    if (b0 < 0x80) {
      len = 1;
      c = b0;
    } else if ((b0 & 0xE0) == 0xC0) {
      len = 2;
      c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
      len = 3;
      c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
      len = 4;
      c = b0 & 0x07;
    } else {
      return -2;
    }
    if (pos + len > in.size()) return -2;
    for (int i = 1; i < len; ++i) {
      const auto b = static_cast<unsigned char>(in[pos + i]);
      if ((b & 0xC0) != 0x80) return -2;
      c = (c << 6) | (b & 0x3F);
    }
    // Overlong forms and surrogates are not UTF-8.
    static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return -2;
    pos += len;
    return static_cast<long>(c);
  }
};

bool Fail(const std::string& file, int line, int column, const std::string& what) {
  std::cerr << file << ":" << line << ":" << column << ": error: " << what << "\n";
  return false;
}

// UTF-8 text to Windows-1252 with CR LF line ends (a CR LF or a lone LF or CR in the input
// is one line end). Rejects what the code page cannot hold and control characters, a zero
// byte above all, at which the program would stop showing the text.
bool Convert(const std::string& file, const std::string& in, std::string& out) {
  Decoder d{in};
  if (in.compare(0, 3, "\xEF\xBB\xBF") == 0) d.pos = 3;  // an editor's byte-order mark
  bool afterCr = false;
  for (;;) {
    const long c = d.Next();
    if (c == -1) break;
    if (c == -2) return Fail(file, d.line, d.column, "not valid UTF-8");
    if (c == '\n' && afterCr) {
      afterCr = false;
      continue;
    }
    afterCr = false;
    if (c == '\r' || c == '\n') {
      out += "\r\n";
      afterCr = c == '\r';
      ++d.line;
      d.column = 1;
      continue;
    }
    if ((c < 0x20 && c != '\t') || c == 0x7F) {
      return Fail(file, d.line, d.column, "control character " + std::to_string(c));
    }
    const int b = To1252(static_cast<char32_t>(c));
    if (b < 0) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "U+%04lX", static_cast<unsigned long>(c));
      return Fail(file, d.line, d.column,
                  std::string("character ") + hex + " has no place in Windows-1252");
    }
    out += static_cast<char>(b);
    ++d.column;
  }
  if (out.empty()) return Fail(file, 1, 1, "the help text is empty");
  return true;
}

bool Pack(const std::string& text, std::vector<unsigned char>& packed) {
  uLongf len = compressBound(static_cast<uLong>(text.size()));
  packed.resize(len);
  // The default level gives the usual zlib header 78 9C.
  if (compress2(packed.data(), &len, reinterpret_cast<const Bytef*>(text.data()),
                static_cast<uLong>(text.size()), Z_DEFAULT_COMPRESSION) != Z_OK) {
    std::cerr << "mkinfo: compress2 failed\n";
    return false;
  }
  packed.resize(len);
  if (packed.size() < 2 || packed[0] != 0x78 || packed[1] != 0x9C) {
    std::cerr << "mkinfo: unexpected zlib header\n";
    return false;
  }
  // Unpack as the program will, into the same buffer size, and compare.
  std::vector<unsigned char> back(packed.size() * kUnpackFactor);
  uLongf backLen = static_cast<uLongf>(back.size());
  if (uncompress(back.data(), &backLen, packed.data(), static_cast<uLong>(packed.size())) !=
          Z_OK ||
      backLen != text.size() || std::memcmp(text.data(), back.data(), text.size()) != 0) {
    std::cerr << "mkinfo: the packed text (" << packed.size() << " bytes) does not unpack to "
              << text.size() << " bytes within " << kUnpackFactor
              << " times its packed length\n";
    return false;
  }
  return true;
}

std::string Source(const std::vector<unsigned char>& packed, size_t textSize) {
  std::ostringstream s;
  s << "// Generated at build time by tools/mkinfo from ui/help/info.txt: the help text of the\n"
       "// info window, Windows-1252 with CR LF line ends, packed with zlib ("
    << textSize << " bytes unpacked).\n"
    << "#include <cstddef>\n\nnamespace vardune {\n\n"
    << "extern const unsigned char InfoText[];\nextern const std::size_t InfoTextLength;\n\n"
    << "const unsigned char InfoText[] = {";
  for (size_t i = 0; i < packed.size(); ++i) {
    if (i % 16 == 0) s << "\n   ";
    char b[8];
    std::snprintf(b, sizeof b, " 0x%02X,", packed[i]);
    s << b;
  }
  s << "\n};\nconst std::size_t InfoTextLength = " << packed.size() << ";\n\n"
    << "}  // namespace vardune\n";
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: mkinfo <info.txt> <info_text.cpp>\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "mkinfo: cannot read " << argv[1] << "\n";
    return 1;
  }
  const std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string text;
  std::vector<unsigned char> packed;
  if (!Convert(argv[1], utf8, text) || !Pack(text, packed)) return 1;

  // Written beside and renamed, so that a failed run never leaves half a source behind.
  const std::string out = argv[2];
  const std::string tmp = out + ".tmp";
  {
    std::ofstream o(tmp, std::ios::binary | std::ios::trunc);
    o << Source(packed, text.size());
    if (!o.flush()) {
      std::cerr << "mkinfo: cannot write " << tmp << "\n";
      return 1;
    }
  }
  std::remove(out.c_str());
  if (std::rename(tmp.c_str(), out.c_str()) != 0) {
    std::cerr << "mkinfo: cannot write " << out << "\n";
    return 1;
  }
  return 0;
}
