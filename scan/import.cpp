// The reader of ncdu's JSON export (see import.h): nlohmann/json's SAX parser over a byte
// stream that is read in chunks, and a handler that checks the shape of the export while it
// builds the records in post-order, as the scanner appends them.
#include "scan/import.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <limits>
#include <unordered_map>
#include <vector>

#include "os/text.h"
#include "scan/scanner.h"

namespace vardune {

namespace {

constexpr size_t kChunk = 1 << 20;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// nlohmann's parser takes only well-formed UTF-8 and only surrogate escapes that pair up, but
// names are not always so: ncdu 1.x writes the raw bytes a Linux name has on disk, and a
// Windows name may hold a surrogate without its other half, which the export writes as a
// "\uD800" escape. Inside strings the stream the parser reads carries such a code unit, and
// every byte that is not UTF-8, as the mark U+FDEF followed by a private-use character that
// says what it stands for; a real U+FDEF is written twice. Nothing else puts a mark into a
// string, so the name decoded from it is exactly the name of the file.
constexpr char32_t kMark = 0xFDEF;
constexpr char32_t kLoneUnitBase = 0xE000;  // + (unit - 0xD800): 0xE000 .. 0xE7FF
constexpr char32_t kRawByteBase = 0xE800;   // + byte: 0xE880 .. 0xE8FF

void PutUtf8(std::string& out, char32_t cp) {
  // Only ever called with code points of the Basic Multilingual Plane above U+07FF.
  out += static_cast<char>(0xE0 | (cp >> 12));
  out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (cp & 0x3F));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of the four hex digits at p, -1 when they are not four hex digits.
int Hex4(const char* p) {
  int v = 0;
  for (int k = 0; k < 4; ++k) {
    const int d = HexDigit(p[k]);
    if (d < 0) return -1;
    v = v * 16 + d;
  }
  return v;
}

// Bytes where the rewriting of the stream stops its run: bit 1 outside strings, bit 2 inside.
constexpr auto kStops = [] {
  std::array<uint8_t, 256> t{};
  for (int b = 0x80; b < 256; ++b) t[b] = 3;
  t['"'] = 3;
  t['\\'] = 2;
  return t;
}();

// Length of the well-formed UTF-8 sequence at in[i]; 0 when the byte starts none, and
// SIZE_MAX when the bytes end before it could be told.
size_t SequenceAt(std::string_view in, size_t i) {
  const auto c = static_cast<unsigned char>(in[i]);
  size_t need;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    need = 1;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 2;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 3;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  for (size_t k = 1; k <= need; ++k) {
    if (i + k >= in.size()) return SIZE_MAX;
    const auto b = static_cast<unsigned char>(in[i + k]);
    const bool ok = k == 1 ? (b >= lo && b <= hi) : (b >= 0x80 && b <= 0xBF);
    if (!ok) return 0;
  }
  return need + 1;
}

// The file as a stream of chunks that the parser takes (see kMark), with the line and column
// of what has been read, counted in the characters of the file itself.
class Source {
 public:
  // The buffer starts small and grows while the reads fill it, so that a small input costs
  // little.
  explicit Source(const ReadBytes& read) : read_(read), cap_(4096) { raw_.resize(cap_ + kCarryMax); }

  const char* data = nullptr;
  size_t len = 0;
  size_t pos = 0;

  // The next chunk; false at the end of the file or when reading failed.
  bool Fill() {
    if (ended_ || failed_) return false;
    Account(data, len, line_, column_);
    chunk_.clear();
    shifts_.clear();
    while (chunk_.empty()) {
      const size_t kept = carry_.size();
      std::memcpy(raw_.data(), carry_.data(), kept);
      carry_.clear();
      int64_t got = read_(raw_.data() + kept, cap_);
      if (got < 0 || static_cast<uint64_t>(got) > cap_) {
        failed_ = true;
        got = 0;
      } else if (static_cast<size_t>(got) == cap_ && cap_ < kChunk) {
        cap_ *= 2;
        raw_.resize(cap_ + kCarryMax);
      }
      const bool final = got == 0;
      Rewrite(std::string_view(raw_.data(), kept + static_cast<size_t>(got)), final);
      if (final) {
        ended_ = chunk_.empty();
        break;
      }
    }
    data = chunk_.data();
    len = chunk_.size();
    pos = 0;
    return len > 0;
  }

  bool Failed() const { return failed_; }
  bool AtEnd() const { return ended_; }

  // Line and column (in characters) of the last character read.
  void Position(int64_t& line, int64_t& column) const {
    line = line_;
    column = column_;
    Account(data, std::min(pos, len), line, column);
  }

 private:
  // At most an escaped surrogate pair waits for the rest of its bytes.
  static constexpr size_t kCarryMax = 16;

  // Where the chunk has other characters than the file: from byte `at` of the chunk on, the
  // file has `more` characters more than the chunk up to there.
  struct Shift {
    size_t at;
    int more;
  };

  void Marked(char32_t what, int more) {
    PutUtf8(chunk_, kMark);
    PutUtf8(chunk_, what);
    shifts_.push_back(Shift{chunk_.size(), more});
  }

  // Appends `in` to the chunk as the parser is to read it: bytes that are no UTF-8 outside
  // strings become U+FFFD (the parser stops there), inside strings they and lone surrogate
  // escapes are marked. What could still turn out otherwise with the next bytes (a sequence
  // or an escape cut off) waits in carry_, unless this is the end.
  void Rewrite(std::string_view in, bool final) {
    const size_t n = in.size();
    size_t i = 0;
    const auto wait = [&]() {
      if (final) return false;
      carry_.assign(in.substr(i));
      return true;
    };
    while (i < n) {
      const auto c = static_cast<unsigned char>(in[i]);
      if (c < 0x80) {
        // The bytes that need no look, in one piece: ASCII, whose quotes begin and end
        // strings, up to a backslash in a string.
        size_t j = i;
        for (;;) {
          const uint8_t stop = inString_ ? 2 : 1;
          while (j < n && !(kStops[static_cast<unsigned char>(in[j])] & stop)) ++j;
          if (j == n || in[j] != '"') break;
          inString_ = !inString_;
          ++j;
        }
        chunk_.append(in.substr(i, j - i));
        i = j;
        if (i == n || static_cast<unsigned char>(in[i]) >= 0x80) continue;
        // An escape inside a string.
        if (i + 2 > n) {
          if (wait()) return;
          chunk_ += '\\';
          ++i;
          continue;
        }
        if (in[i + 1] != 'u') {
          chunk_.append(in.substr(i, 2));
          i += 2;
          continue;
        }
        if (i + 6 > n && wait()) return;
        const int unit = i + 6 <= n ? Hex4(in.data() + i + 2) : -1;
        if (unit < 0) {
          chunk_.append("\\u");  // the parser says what is wrong with the rest
          i += 2;
          continue;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
          if (i + 12 > n && wait()) return;
          const int low = i + 12 <= n && in[i + 6] == '\\' && in[i + 7] == 'u' ? Hex4(in.data() + i + 8) : -1;
          if (low >= 0xDC00 && low <= 0xDFFF) {
            chunk_.append(in.substr(i, 12));
            i += 12;
            continue;
          }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
          Marked(kLoneUnitBase + static_cast<char32_t>(unit - 0xD800), 4);
        } else if (unit == static_cast<int>(kMark)) {
          Marked(kMark, 4);
        } else {
          chunk_.append(in.substr(i, 6));
        }
        i += 6;
        continue;
      }
      const size_t seq = SequenceAt(in, i);
      if (seq == SIZE_MAX && wait()) return;
      if (seq != 0 && seq != SIZE_MAX) {
        if (inString_ && seq == 3 && in.substr(i, 3) == "\xEF\xB7\xAF") {
          Marked(kMark, -1);
        } else {
          chunk_.append(in.substr(i, seq));
        }
        i += seq;
        continue;
      }
      if (inString_) {
        Marked(kRawByteBase + c, -1);
      } else {
        chunk_.append(kReplacement);
      }
      ++i;
    }
  }

  // Adds the characters of p[0 .. n) of the chunk to line and column.
  void Account(const char* p, size_t n, int64_t& line, int64_t& column) const {
    size_t from = 0;
    for (const Shift& s : shifts_) {
      if (s.at > n) break;
      Count(p + from, s.at - from, line, column);
      column += s.more;
      from = s.at;
    }
    Count(p + from, n - from, line, column);
  }

  static void Count(const char* p, size_t n, int64_t& line, int64_t& column) {
    for (size_t i = 0; i < n; ++i) {
      const auto b = static_cast<unsigned char>(p[i]);
      if (b == '\n') {
        ++line;
        column = 0;
      } else if ((b & 0xC0) != 0x80) {
        ++column;
      }
    }
  }

  const ReadBytes& read_;
  size_t cap_;
  std::string raw_;
  std::string chunk_;
  std::string carry_;
  std::vector<Shift> shifts_;
  bool inString_ = false;
  bool ended_ = false;
  bool failed_ = false;
  int64_t line_ = 1;
  int64_t column_ = 0;
};

// An input iterator over the Source, for the parser's iterator input.
struct ByteIterator {
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  Source* src = nullptr;  // null: the end

  const char& operator*() const { return src->data[src->pos]; }
  ByteIterator& operator++() {
    ++src->pos;
    return *this;
  }
  ByteIterator operator++(int) {
    ByteIterator old = *this;
    ++src->pos;
    return old;
  }
  bool Done() const { return !src || (src->pos >= src->len && !src->Fill()); }
  bool operator==(const ByteIterator& o) const { return Done() == o.Done(); }
  bool operator!=(const ByteIterator& o) const { return !(*this == o); }
};

// Sums of sizes, which are never negative, stop at the largest size instead of wrapping.
int64_t AddSat(int64_t a, int64_t b) {
  return a > std::numeric_limits<int64_t>::max() - b ? std::numeric_limits<int64_t>::max() : a + b;
}

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::min<int64_t>(v, std::numeric_limits<int32_t>::max()));
}

// Names longer than any path can be are cut here, not by the list (which cuts at 65,535),
// so that a suffix that keeps two of them apart survives.
constexpr size_t kMaxNameUnits = 32767;

// A name from the parser's stream (see kMark) as UTF-16 into `name`: lone surrogates as the
// code units they are, bytes that are no UTF-8 as U+FFFD. `shown` receives it as the file
// writes it, for messages: such a byte as \xE9, a lone surrogate as \uD800, control
// characters escaped.
void DecodeName(std::string_view stream, std::wstring& name, std::wstring* shown = nullptr) {
  name.clear();
  if (!shown && stream.size() <= kMaxNameUnits &&
      std::all_of(stream.begin(), stream.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    name.assign(stream.begin(), stream.end());  // most names: no mark, nothing to convert
    return;
  }
  const std::wstring w = FromUtf8(stream);
  name.reserve(w.size());
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  const auto escape = [&](const wchar_t* prefix, uint32_t v, int digits) {
    shown->append(prefix);
    for (int k = digits - 1; k >= 0; --k) *shown += kHex[(v >> (4 * k)) & 15];
  };
  for (size_t i = 0; i < w.size(); ++i) {
    auto c = static_cast<uint32_t>(w[i]);
    if (c == kMark && i + 1 < w.size()) {
      const auto what = static_cast<uint32_t>(w[++i]);
      if (what >= kRawByteBase && what <= kRawByteBase + 0xFF) {
        name += static_cast<wchar_t>(0xFFFD);
        if (shown) escape(L"\\x", what - kRawByteBase, 2);
        continue;
      }
      if (what >= kLoneUnitBase && what < kLoneUnitBase + 0x800) {
        c = 0xD800 + (what - kLoneUnitBase);
        name += static_cast<wchar_t>(c);
        if (shown) escape(L"\\u", c, 4);
        continue;
      }
      if (what != kMark) --i;  // (never written so) the mark stands for itself
      c = kMark;               // the mark written twice: the mark itself
    }
    name += static_cast<wchar_t>(c);
    if (!shown) continue;
    if (c < 0x20) {
      escape(L"\\u", c, 4);
    } else {
      *shown += static_cast<wchar_t>(c);
    }
  }
  if (name.size() > kMaxNameUnits) name.resize(kMaxNameUnits);
}

std::wstring DecodeName(std::string_view stream) {
  std::wstring name;
  DecodeName(stream, name);
  return name;
}

std::wstring ShownName(std::string_view stream) {
  std::wstring name, shown;
  DecodeName(stream, name, &shown);
  return shown;
}

// An entry's name as the program keeps it: a backslash, slash or NUL would make the name a
// path, and a directory called "<DATEIEN>" (which Windows cannot have) would pass for the
// files of its parent.
void RecordName(std::string_view stream, std::wstring& name) {
  DecodeName(stream, name);
  for (wchar_t& c : name) {
    if (c == L'\\' || c == L'/' || c == 0) c = L'_';
  }
  if (name.size() == kDateien.size() && name == kDateien) name = L"_DATEIEN_";
}

// The names the entries of one directory have taken. What the conversions above make of
// different names can be one name (two names that are no UTF-8, "a\b" beside "a_b"), as can
// a file that repeats a name; every entry takes its name here, so that no two entries of a
// directory are kept under one path. Letter case counts: "A" and "a" are two names. Every
// file of a directory passes through here: the names lie in one buffer, found through a
// table of their places, without a heap block per name.
class EntryNames {
 public:
  // The name for an entry called `name` (never empty): that name if it is free, else the
  // first free one of "name (2)", "name (3)", ... Good until the next call.
  const std::wstring& Take(std::wstring_view name) {
    taken_.assign(name);
    if (Insert(taken_)) return taken_;
    uint64_t& next = next_[taken_];  // where the search for this name goes on
    if (next < 2) next = 2;
    for (;; ++next) {
      taken_.assign(name);
      taken_ += L" (" + std::to_wstring(next) + L")";
      if (Insert(taken_)) {
        ++next;
        return taken_;
      }
    }
  }

 private:
  struct Slot {
    uint64_t off = 0;
    uint32_t len = 0;  // 0: empty
  };

  // FNV-1a over the code units: names are short, and this is the cost every file pays.
  static size_t Hash(std::wstring_view s) {
    uint64_t h = 14695981039346656037ull;
    for (wchar_t c : s) h = (h ^ static_cast<uint64_t>(c)) * 1099511628211ull;
    return static_cast<size_t>(h ^ (h >> 29));
  }

  // False when the name is taken already.
  bool Insert(std::wstring_view name) {
    if (2 * (count_ + 1) > slots_.size()) Grow();
    const size_t mask = slots_.size() - 1;
    for (size_t i = Hash(name) & mask;; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (s.len == 0) {
        s.off = arena_.size();
        s.len = static_cast<uint32_t>(name.size());
        arena_.append(name);
        ++count_;
        return true;
      }
      if (At(s) == name) return false;
    }
  }

  std::wstring_view At(const Slot& s) const { return std::wstring_view(arena_).substr(s.off, s.len); }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{});
    const size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
      if (s.len == 0) continue;
      size_t i = Hash(At(s)) & mask;
      while (slots_[i].len != 0) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }

  std::wstring arena_;
  std::wstring taken_;
  std::vector<Slot> slots_;
  size_t count_ = 0;
  std::unordered_map<std::wstring, uint64_t> next_;
};

// The SAX handler: the nesting of the export as a stack of what each open array or object is.
class Handler {
 public:
  explicit Handler(ImportResult& out) : out_(out) {}

  const std::wstring& Problem() const { return problem_; }

  // ---- the parser's callbacks -------------------------------------------------------------
  bool null() { return Scalar(Kind::Null); }
  bool boolean(bool v) {
    bool_ = v;
    return Scalar(Kind::Bool);
  }
  bool number_integer(int64_t v) {
    if (v < 0) return Scalar(Kind::Negative);
    unsigned_ = static_cast<uint64_t>(v);
    return Scalar(Kind::Unsigned);
  }
  bool number_unsigned(uint64_t v) {
    unsigned_ = v;
    return Scalar(Kind::Unsigned);
  }
  bool number_float(double, const std::string&) { return Scalar(Kind::Float); }
  bool string(std::string& v) {
    if (!stack_.empty() && stack_.back().ctx == Ctx::Info && info_.key == Key::Name) {
      info_.name = std::move(v);
    }
    return Scalar(Kind::String);
  }
  bool binary(nlohmann::json::binary_t&) { return Scalar(Kind::Float); }
  bool start_object(size_t) { return Open(false); }
  bool start_array(size_t) { return Open(true); }
  bool key(std::string& k) {
    if (!stack_.empty() && stack_.back().ctx == Ctx::Info) info_.key = KeyOf(k);
    // The object of the program that wrote the file, right inside the top list.
    if (stack_.size() == 2 && stack_.back().ctx == Ctx::Skip) timestampKey_ = k == "timestamp";
    return true;
  }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }
  bool parse_error(size_t, const std::string&, const nlohmann::detail::exception&) {
    syntax_ = true;
    return false;
  }
  bool SyntaxError() const { return syntax_; }

 private:
  enum class Ctx : uint8_t { Top, Dir, Info, Skip };
  enum class Kind : uint8_t { Null, Bool, Unsigned, Negative, Float, String, Structure };
  enum class Key : uint8_t {
    Other, Name, Asize, Dsize, Mtime, ReadError, Excluded, Files, Virtual, Flags
  };
  struct Level {
    Ctx ctx;
    uint32_t index;  // elements begun so far (Top, Dir)
  };
  struct Info {
    bool forDir = false;
    Key key = Key::Other;
    std::string name;
    bool hasName = false;
    int64_t asize = 0;
    int64_t dsize = 0;
    uint32_t mtime = 0;
    uint8_t flags = 0;
    bool readError = false;
    bool excluded = false;
    bool hasFiles = false;
    int64_t files = 0;
    bool isVirtual = false;
  };
  enum class Mode : uint8_t { Pending, Normal, Error, Ignored };
  struct DirFrame {
    Mode mode = Mode::Pending;
    bool isVirtual = false;
    PfadListe::ParentId own = 0;
    PfadListe::ParentId asParent = 0;
    size_t pathLen = 0;
    std::wstring name;
    int64_t size = 0;
    int64_t dirs = 0, files = 0;
    // The files directly in it: their bytes and number, and the "<DATEIEN>" record that holds
    // them once they have one (at the place of the program's own entry for them, if any).
    int64_t ownBytes = 0, ownFiles = 0;
    size_t filesRecord = PfadListe::npos;
    EntryNames names;
    // Its files one by one, as the entries of the export name them.
    FileBlockBuilder fileList;
  };

  static Key KeyOf(std::string_view k) {
    if (k == "name") return Key::Name;
    if (k == "asize") return Key::Asize;
    if (k == "dsize") return Key::Dsize;
    if (k == "mtime") return Key::Mtime;
    if (k == kFlagsKey) return Key::Flags;
    if (k == "read_error") return Key::ReadError;
    if (k == "excluded") return Key::Excluded;
    if (k == kFilesKey) return Key::Files;
    if (k == kVirtualKey) return Key::Virtual;
    return Key::Other;
  }
  static constexpr std::string_view kFilesKey = "vardune_files";
  static constexpr std::string_view kVirtualKey = "vardune_virtual";
  static constexpr std::string_view kFlagsKey = "vardune_flags";

  bool Fail(std::wstring text) {
    problem_ = std::move(text);
    return false;
  }
  bool NotNcdu(std::wstring_view what) { return Fail(L"Kein ncdu-Export: " + std::wstring(what)); }

  bool Scalar(Kind k) {
    if (stack_.empty()) return NotNcdu(L"Die Datei beginnt nicht mit einer Liste.");
    Level& top = stack_.back();
    switch (top.ctx) {
      case Ctx::Top: {
        const uint32_t i = top.index++;
        if (i == 0) {
          if (k != Kind::Unsigned) return NotNcdu(L"Die Versionsnummer fehlt.");
          if (unsigned_ != 1) {
            return Fail(L"Version " + std::to_wstring(unsigned_) +
                        L" des ncdu-Exports wird nicht unterstützt.");
          }
          return true;
        }
        if (i == 1) {
          return k == Kind::Unsigned || NotNcdu(L"Die zweite Versionsnummer fehlt.");
        }
        if (i == 2) return NotNcdu(L"Die Angaben zum Programm (ein Objekt) fehlen.");
        if (i == 3) return NotNcdu(L"Das Wurzelverzeichnis fehlt.");
        return NotNcdu(L"Nach dem Wurzelverzeichnis folgt noch etwas.");
      }
      case Ctx::Dir:
        if (top.index++ == 0) return BadDirStart();
        return Fail(L"In einem Verzeichnis steht ein Wert, der kein Eintrag ist.");
      case Ctx::Info:
        return InfoValue(k);
      case Ctx::Skip:
        if (stack_.size() == 2 && timestampKey_ && k == Kind::Unsigned) {
          out_.Timestamp = static_cast<int64_t>(std::min<uint64_t>(unsigned_, INT64_MAX));
        }
        return true;
    }
    return true;
  }

  bool BadDirStart() {
    return Fail(L"Ein Verzeichnis beginnt nicht mit seinen Angaben (einem Objekt mit „name“).");
  }

  bool InfoValue(Kind k) {
    switch (info_.key) {
      case Key::Name:
        if (k != Kind::String) return Fail(L"„name“ ist kein Text.");
        info_.hasName = true;
        return true;
      case Key::Asize:
        if (k != Kind::Unsigned || unsigned_ > static_cast<uint64_t>(INT64_MAX)) {
          return Fail(L"„asize“ ist keine gültige Größe.");
        }
        info_.asize = static_cast<int64_t>(unsigned_);
        return true;
      case Key::Dsize:
        if (k != Kind::Unsigned || unsigned_ > static_cast<uint64_t>(INT64_MAX)) {
          return Fail(L"„dsize“ ist keine gültige Größe.");
        }
        info_.dsize = static_cast<int64_t>(unsigned_);
        return true;
      case Key::Mtime:
        // Seconds since 1970; ncdu 2 may write a fraction, gdu and older ncdu whole seconds.
        // A time before 1970 or past 2106 is kept as the nearest the table can hold.
        if (k == Kind::Negative || k == Kind::Float) return true;
        if (k != Kind::Unsigned) return Fail(L"„mtime“ ist keine gültige Zeit.");
        info_.mtime = static_cast<uint32_t>(std::min<uint64_t>(unsigned_, UINT32_MAX));
        return true;
      case Key::Flags:
        if (k != Kind::Unsigned || unsigned_ > 0xFF) {
          return Fail(L"„vardune_flags“ ist keine gültige Angabe.");
        }
        info_.flags = static_cast<uint8_t>(unsigned_);
        return true;
      case Key::ReadError:
        if (k != Kind::Bool) return Fail(L"„read_error“ ist weder true noch false.");
        info_.readError = bool_;
        return true;
      case Key::Excluded:
        // ncdu writes why ("pattern", "otherfs", "kernfs", "frmlnk").
        info_.excluded = k == Kind::String || (k == Kind::Bool && bool_);
        return true;
      case Key::Files:
        if (k != Kind::Unsigned || unsigned_ > static_cast<uint64_t>(INT32_MAX)) {
          return Fail(L"„vardune_files“ ist keine gültige Anzahl.");
        }
        info_.hasFiles = true;
        info_.files = static_cast<int64_t>(unsigned_);
        return true;
      case Key::Virtual:
        if (k != Kind::Bool) return Fail(L"„vardune_virtual“ ist weder true noch false.");
        info_.isVirtual = bool_;
        return true;
      case Key::Other:
        return true;
    }
    return true;
  }

  bool Push(Ctx c) {
    if (stack_.size() >= static_cast<size_t>(kMaxJsonNesting)) {
      return Fail(L"Die Daten sind zu tief verschachtelt.");
    }
    stack_.push_back(Level{c, 0});
    return true;
  }

  bool Open(bool isArray) {
    if (stack_.empty()) {
      if (!isArray) return NotNcdu(L"Die Datei beginnt nicht mit einer Liste.");
      return Push(Ctx::Top);
    }
    Level& top = stack_.back();
    switch (top.ctx) {
      case Ctx::Top: {
        const uint32_t i = top.index++;
        if (i == 0) return NotNcdu(L"Die Versionsnummer fehlt.");
        if (i == 1) return NotNcdu(L"Die zweite Versionsnummer fehlt.");
        if (i == 2) {
          if (isArray) return NotNcdu(L"Die Angaben zum Programm (ein Objekt) fehlen.");
          return Push(Ctx::Skip);
        }
        if (i == 3) {
          if (!isArray) return NotNcdu(L"Das Wurzelverzeichnis ist kein Verzeichnis.");
          return OpenDir();
        }
        return NotNcdu(L"Nach dem Wurzelverzeichnis folgt noch etwas.");
      }
      case Ctx::Dir: {
        const uint32_t i = top.index++;
        if (i == 0) {
          if (isArray) return BadDirStart();
          info_ = Info{};
          info_.forDir = true;
          return Push(Ctx::Info);
        }
        if (isArray) return OpenDir();
        info_ = Info{};
        return Push(Ctx::Info);
      }
      case Ctx::Info:
        // An array or object where a known key wants a plain value is of the wrong shape;
        // the values of other keys are passed over whatever they hold.
        if (info_.key != Key::Other && info_.key != Key::Excluded) {
          return InfoValue(Kind::Structure);
        }
        return Push(Ctx::Skip);
      case Ctx::Skip:
        return Push(Ctx::Skip);
    }
    return true;
  }

  bool Close() {
    const Level top = stack_.back();
    stack_.pop_back();
    switch (top.ctx) {
      case Ctx::Top:
        if (top.index < 4) return NotNcdu(L"Das Wurzelverzeichnis fehlt.");
        return true;
      case Ctx::Dir:
        if (top.index == 0) return BadDirStart();
        CloseDir();
        return true;
      case Ctx::Info:
        return info_.forDir ? FinishDirInfo() : FinishFileInfo();
      case Ctx::Skip:
        return true;
    }
    return true;
  }

  bool OpenDir() {
    if (dirs_.size() > static_cast<size_t>(kMaxImportDepth)) {
      return Fail(L"Die Verzeichnisse sind tiefer verschachtelt, als Pfade bis 250 Zeichen es "
                  L"zulassen (mehr als " + std::to_wstring(kMaxImportDepth) + L" Ebenen).");
    }
    if (!Push(Ctx::Dir)) return false;
    dirs_.emplace_back();
    return true;
  }

  bool CheckName() {
    if (!info_.hasName) return Fail(L"Ein Eintrag hat keinen Namen.");
    if (info_.name.empty() || info_.name == "." || info_.name == "..") {
      return Fail(L"Ein Eintrag hat den ungültigen Namen „" + ShownName(info_.name) + L"“.");
    }
    return true;
  }

  bool FinishDirInfo() {
    if (!CheckName()) return false;
    DirFrame& d = dirs_.back();
    DirFrame* parent = dirs_.size() > 1 ? &dirs_[dirs_.size() - 2] : nullptr;
    if (parent && (parent->mode != Mode::Normal || info_.excluded)) {
      d.mode = Mode::Ignored;
      if (parent) d.pathLen = parent->pathLen;
      return true;
    }
    if (!parent) {
      out_.Root = ImportRootPath(DecodeName(info_.name));
      if (out_.Root.empty()) {
        return Fail(L"Der Name des Wurzelverzeichnisses ist kein Pfad: „" + ShownName(info_.name) +
                    L"“.");
      }
      path_ = out_.Root;
      d.isVirtual = info_.isVirtual;
      const PathSplit s = SplitRecordPath(out_.Root);
      d.name.assign(s.Name);
      d.own = out_.Records.AddParent(s.Parent);
    } else {
      RecordName(info_.name, name_);
      d.name = parent->names.Take(name_);
      path_.resize(parent->pathLen);
      if (d.name != name_) {
        out_.Renamed.push_back(ImportRename{path_, ShownName(info_.name), name_, d.name});
      }
      path_ += d.name;
      path_ += L'\\';
      d.own = parent->asParent;
    }
    d.pathLen = path_.size();
    if (!d.isVirtual && (info_.readError || path_.size() > kMaxScanPath)) {
      d.mode = Mode::Error;
      return true;
    }
    d.mode = Mode::Normal;
    d.asParent = out_.Records.AddParent(path_);
    return true;
  }

  bool FinishFileInfo() {
    if (!CheckName()) return false;
    DirFrame& d = dirs_.back();
    if (d.mode != Mode::Normal || d.isVirtual || info_.excluded) return true;
    const int64_t bytes = info_.asize;
    d.size = AddSat(d.size, bytes);
    d.ownBytes = AddSat(d.ownBytes, bytes);
    if (info_.hasFiles && info_.name == "<DATEIEN>") {
      // This program's own export: the files of the directory as one entry, whose record
      // keeps its place among the records of the directory's contents.
      d.files += info_.files;
      d.ownFiles += info_.files;
      if (bytes > 0 && d.filesRecord == PfadListe::npos) {
        d.filesRecord = out_.Records.size();
        out_.Records.Append(d.asParent, kDateien, 0, 0, 0);  // its numbers when the directory ends
      }
    } else {
      RecordName(info_.name, name_);
      const std::wstring& name = d.names.Take(name_);
      if (name != name_) {
        path_.resize(d.pathLen);
        out_.Renamed.push_back(ImportRename{path_, ShownName(info_.name), name_, name});
      }
      d.fileList.Add(name, bytes, info_.dsize, info_.mtime, info_.flags);
      d.files += 1;
      d.ownFiles += 1;
    }
    return true;
  }

  void CloseDir() {
    const DirFrame d = std::move(dirs_.back());
    dirs_.pop_back();
    DirFrame* parent = dirs_.empty() ? nullptr : &dirs_.back();
    if (d.mode == Mode::Error) {
      out_.Records.Append(d.own, d.name, -1, 0, 0);
      if (parent) parent->dirs += 1;
    } else if (d.mode == Mode::Normal) {
      if (!d.isVirtual) {
        out_.Records.Append(d.own, d.name, d.size, Clamp32(d.dirs), Clamp32(d.files),
                            out_.Records.FileStore().Add(d.fileList));
        if (d.filesRecord != PfadListe::npos) {
          out_.Records[d.filesRecord].Size = d.ownBytes;
          out_.Records[d.filesRecord].Files = Clamp32(d.ownFiles);
        } else if (d.ownBytes > 0) {
          out_.Records.Append(d.asParent, kDateien, d.ownBytes, 0, Clamp32(d.ownFiles));
        }
      }
      if (parent) {
        parent->size = AddSat(parent->size, d.size);
        parent->dirs += 1 + d.dirs;
        parent->files += d.files;
      }
    }
    if (parent) path_.resize(parent->pathLen);
  }

  ImportResult& out_;
  std::vector<Level> stack_;
  std::vector<DirFrame> dirs_;
  Info info_;
  std::wstring path_;
  std::wstring name_;  // the last entry's name, its buffer kept from one entry to the next
  std::wstring problem_;
  bool bool_ = false;
  uint64_t unsigned_ = 0;
  bool syntax_ = false;
  bool timestampKey_ = false;
};

}  // namespace

std::wstring ImportRootPath(std::wstring_view name) {
  // A root's name enters the program as a typed path does.
  std::wstring n(name);
  std::replace(n.begin(), n.end(), L'\0', L'_');
  const std::wstring p = _AddBackslash(NormalizeEnteredPath(n));
  if (n.empty() || p == L"\\\\") return {};
  // "." and ".." left over (outside a drive or share, where nothing resolves them) would make
  // the records of one directory stand for another.
  for (size_t start = 0; start < p.size();) {
    const size_t end = p.find(L'\\', start);
    const std::wstring_view piece = std::wstring_view(p).substr(start, end - start);
    if (piece == L"." || piece == L"..") return {};
    start = end + 1;
  }
  return p;
}

std::wstring ImportErrorText(const ImportError& err) {
  if (err.Line <= 0) return err.Text;
  return L"Zeile " + std::to_wstring(err.Line) + L", Spalte " + std::to_wstring(err.Column) +
         L": " + err.Text;
}

bool ReadNcduJson(const ReadBytes& read, ImportResult& out, ImportError& err) {
  out.Records.Clear();
  out.Root.clear();
  out.Renamed.clear();
  out.Timestamp = 0;
  err = ImportError{};
  Source src(read);
  Handler h(out);
  bool ok = false;
  try {
    ok = nlohmann::json::sax_parse(ByteIterator{&src}, ByteIterator{}, &h,
                                   nlohmann::json::input_format_t::json, true);
  } catch (const std::bad_alloc&) {
    out.Records.Clear();
    err.Text = L"Zu wenig Speicher für die Daten der Datei.";
    return false;
  }
  // A read that failed leaves it open whether the file ended there: no records from it.
  if (ok && !src.Failed()) return true;
  if (src.Failed()) {
    out.Records.Clear();
    err.Text = L"Die Datei konnte nicht gelesen werden.";
    return false;
  }
  src.Position(err.Line, err.Column);
  const bool atEnd = src.AtEnd();
  if (atEnd) ++err.Column;
  if (err.Column < 1) err.Column = 1;
  if (!h.Problem().empty()) {
    err.Text = h.Problem();
  } else if (atEnd) {
    err.Text = L"Die Datei endet mitten in den Daten.";
  } else {
    err.Text = L"Die Datei ist kein gültiges JSON.";
  }
  out.Records.Clear();
  return false;
}

bool ReadNcduJson(std::string_view bytes, ImportResult& out, ImportError& err) {
  size_t at = 0;
  const ReadBytes read = [&](char* buf, size_t cap) -> int64_t {
    const size_t n = std::min(cap, bytes.size() - at);
    std::memcpy(buf, bytes.data() + at, n);
    at += n;
    return static_cast<int64_t>(n);
  };
  return ReadNcduJson(read, out, err);
}

}  // namespace vardune
