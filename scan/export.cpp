// The CSV and ncdu JSON writers of the scan results (see export.h).
#include "scan/export.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdint>
#include <limits>
#include <numeric>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "os/text.h"

namespace vardune {

namespace {

// Collects the output and hands it to the sink in large pieces.
class Out {
 public:
  explicit Out(const WriteBytes& sink) : sink_(sink) { buf_.reserve(kChunk + 4096); }
  void Put(std::string_view s) {
    buf_.append(s);
    if (buf_.size() >= kChunk) Flush();
  }
  void Number(int64_t v) {
    char tmp[24];
    const auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
    Put(std::string_view(tmp, static_cast<size_t>(r.ptr - tmp)));
  }
  bool Flush() {
    if (ok_ && !buf_.empty()) ok_ = sink_(buf_);
    buf_.clear();
    return ok_;
  }
  bool Ok() const { return ok_; }

 private:
  static constexpr size_t kChunk = 1 << 20;
  const WriteBytes& sink_;
  std::string buf_;
  bool ok_ = true;
};

void CsvField(Out& out, std::string_view s) {
  if (s.find_first_of(";\"\r\n") == std::string_view::npos) {
    out.Put(s);
    return;
  }
  std::string q = "\"";
  for (char c : s) {
    if (c == '"') q += '"';
    q += c;
  }
  q += '"';
  out.Put(q);
}

// A name as a JSON string: UTF-8, but a surrogate without its other half (which a Windows
// name may hold and UTF-8 cannot) as a \uXXXX escape, so that the name reads back as it is.
void JsonString(Out& out, std::wstring_view s) {
  static const char kHex[] = "0123456789abcdef";
  std::string q = "\"";
  q.reserve(s.size() + 2);
  const auto escape = [&](uint32_t unit) {
    q += "\\u";
    for (int k = 3; k >= 0; --k) q += kHex[(unit >> (4 * k)) & 15];
  };
  const auto unit = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(s[i]));
  };
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = unit(i);
    if (cp == '"' || cp == '\\') {
      q += '\\';
      q += static_cast<char>(cp);
      continue;
    }
    if (cp < 0x20) {
      escape(cp);
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      const uint32_t next = i + 1 < s.size() ? unit(i + 1) : 0;
      if (cp > 0xDBFF || next < 0xDC00 || next > 0xDFFF) {
        escape(cp);
        continue;
      }
      cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
      ++i;
    }
    if (cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x80) {
      q += static_cast<char>(cp);
    } else if (cp < 0x800) {
      q += static_cast<char>(0xC0 | (cp >> 6));
      q += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      q += static_cast<char>(0xE0 | (cp >> 12));
      q += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      q += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      q += static_cast<char>(0xF0 | (cp >> 18));
      q += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      q += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      q += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  q += '"';
  out.Put(q);
}

// Sums of sizes stop at the largest size instead of wrapping.
int64_t AddSat(int64_t a, int64_t b) {
  if (b <= 0) return a;
  return a > std::numeric_limits<int64_t>::max() - b ? std::numeric_limits<int64_t>::max() : a + b;
}

// The records grouped by their exact Parent text, each group in list order.
struct Groups {
  std::unordered_map<std::wstring_view, uint32_t> index;
  std::vector<uint32_t> of;       // group of each record
  std::vector<uint32_t> start;    // members of group g: members[start[g] .. start[g + 1])
  std::vector<uint32_t> members;
  std::vector<uint32_t> children; // group whose Parent is a directory record's own path
  std::vector<uint8_t> owned;     // a directory record has the group's Parent as its path
  // Records of a path that an earlier record has too, which are not written: a directory is
  // written once, with everything below its path, and the "<DATEIEN>" records of one
  // directory as one entry, whose bytes and number of files are in `filesSum`.
  std::vector<uint8_t> repeat;
  std::unordered_map<uint32_t, std::pair<int64_t, int64_t>> filesSum;  // by the first record

  static constexpr uint32_t kNone = UINT32_MAX;

  explicit Groups(const PfadListe& list) {
    const size_t n = list.size();
    of.resize(n);
    for (size_t i = 0; i < n; ++i) {
      const auto it = index.try_emplace(list.Parent(i), static_cast<uint32_t>(index.size())).first;
      of[i] = it->second;
    }
    start.assign(index.size() + 1, 0);
    for (size_t i = 0; i < n; ++i) ++start[of[i] + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    members.resize(n);
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (size_t i = 0; i < n; ++i) members[fill[of[i]]++] = static_cast<uint32_t>(i);
    children.assign(n, kNone);
    owned.assign(index.size(), 0);
    std::wstring path;
    for (size_t i = 0; i < n; ++i) {
      if (list.Name(i) == kDateien) continue;
      path.assign(list.Parent(i));
      path.append(list.Name(i));
      path += L'\\';
      if (const auto it = index.find(path); it != index.end()) {
        children[i] = it->second;
        owned[it->second] = 1;
      }
    }
    repeat.assign(n, 0);
    for (size_t gi = 0; gi + 1 < start.size(); ++gi) {
      const uint32_t* first = members.data() + start[gi];
      const size_t count = start[gi + 1] - start[gi];
      if (count < 16) {
        for (size_t k = 1; k < count; ++k) {
          for (size_t j = 0; j < k; ++j) {
            if (!repeat[first[j]] && list.Name(first[j]) == list.Name(first[k])) {
              Repeats(list, first[j], first[k]);
              break;
            }
          }
        }
        continue;
      }
      std::unordered_map<std::wstring_view, uint32_t> seen;  // a fresh one: clearing costs its buckets
      seen.reserve(count);
      for (size_t k = 0; k < count; ++k) {
        const auto [it, fresh] = seen.try_emplace(list.Name(first[k]), first[k]);
        if (!fresh) Repeats(list, it->second, first[k]);
      }
    }
  }

 private:
  void Repeats(const PfadListe& list, uint32_t earlier, uint32_t r) {
    repeat[r] = 1;
    if (list.Name(r) != kDateien) return;
    auto& sum = filesSum.try_emplace(earlier, list[earlier].Size, list[earlier].Files).first->second;
    sum.first = AddSat(sum.first, list[r].Size);
    sum.second = std::min<int64_t>(sum.second + list[r].Files, INT32_MAX);
  }
};

// A root's name: its full path without the trailing backslash ("\" for the bare root).
std::wstring RootName(std::wstring_view path) {
  const std::wstring_view s = StripBackslashes(path);
  return s.empty() ? std::wstring(L"\\") : std::wstring(s);
}

// One file of the table as ncdu writes a file: its size, its size on disk and its time; the
// attribute flags under a key of this program's own, which ncdu passes over.
void FileEntry(Out& out, const FileRef& f, std::wstring& name) {
  name = FileNameOf(f);
  out.Put(",\r\n{\"name\":");
  JsonString(out, name);
  out.Put(",\"asize\":");
  out.Number(f.size);
  out.Put(",\"dsize\":");
  out.Number(f.allocated);
  out.Put(",\"mtime\":");
  out.Number(f.time);
  if (f.flags) {
    out.Put(",\"");
    out.Put(kJsonFlagsKey);
    out.Put("\":");
    out.Number(f.flags);
  }
  out.Put("}");
}

void FilesEntry(Out& out, int64_t bytes, int64_t files) {
  out.Put(",\r\n{\"name\":\"<DATEIEN>\",\"asize\":");
  out.Number(bytes);
  out.Put(",\"dsize\":");
  out.Number(bytes);
  out.Put(",\"");
  out.Put(kJsonFilesKey);
  out.Put("\":");
  out.Number(files);
  out.Put("}");
}

// One directory record and everything below it, depth first without recursion.
void WriteTree(Out& out, const PfadListe& list, const Groups& g, size_t root, bool fullName) {
  struct Frame {
    size_t rec;
    uint32_t next, end;
    int64_t childFiles;  // the files that the entries written into it carry
    // Its own files written one by one: a "<DATEIEN>" record stands for the rest.
    int64_t listedFiles, listedBytes;
  };
  std::vector<Frame> stack;
  std::wstring name;
  const auto open = [&](size_t rec, bool isRoot) {
    out.Put(isRoot ? "[{\"name\":" : ",\r\n[{\"name\":");
    if (isRoot && fullName) JsonString(out, RootName(list.FullPath(rec)));
    else JsonString(out, list.Name(rec));
    if (list[rec].Size < 0) {
      // An ERROR directory was never listed: nothing below it belongs to it.
      out.Put(",\"read_error\":true}]");
      return;
    }
    out.Put("}");
    int64_t files = 0, bytes = 0;
    list.ForEachFile(rec, [&](const FileRef& f) {
      FileEntry(out, f, name);
      ++files;
      bytes = AddSat(bytes, f.size);
    });
    const uint32_t c = g.children[rec];
    const uint32_t b = c == Groups::kNone ? 0 : g.start[c];
    const uint32_t e = c == Groups::kNone ? 0 : g.start[c + 1];
    stack.push_back(Frame{rec, b, e, files, files, bytes});
  };
  open(root, true);
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.next == f.end) {
      // Files that hold no bytes have no record when no file beside them holds any; their
      // number still belongs to the directory.
      const int64_t own = int64_t{list[f.rec].Files} - f.childFiles;
      if (own > 0) FilesEntry(out, 0, own);
      out.Put("]");
      const int64_t written = f.childFiles + std::max<int64_t>(own, 0);
      stack.pop_back();
      if (!stack.empty()) stack.back().childFiles += written;
      continue;
    }
    const size_t c = g.members[f.next++];
    if (g.repeat[c]) continue;
    if (list.Name(c) == kDateien) {
      int64_t bytes = list[c].Size, files = list[c].Files;
      if (const auto sum = g.filesSum.find(static_cast<uint32_t>(c)); sum != g.filesSum.end()) {
        bytes = sum->second.first;
        files = sum->second.second;
      }
      // The files the table holds are written already; what the record counts beyond them
      // (from an older export, whose files were not known one by one) stays one entry.
      files -= f.listedFiles;
      bytes -= f.listedBytes;
      if (files > 0 || bytes > 0) {
        files = std::max<int64_t>(files, 0);
        f.childFiles += files;
        FilesEntry(out, std::max<int64_t>(bytes, 0), files);
      }
    } else {
      open(c, false);  // may move the stack: f is not used after this
    }
  }
}

}  // namespace

namespace {

// A path as a CSV field. A leading "=", "+", "-" or "@" would make a spreadsheet run the path
// as a formula.
void CsvPath(Out& out, std::string path) {
  if (path.find_first_of("=+-@\t\r") == 0) path.insert(0, 1, '\'');
  CsvField(out, path);
}

// Seconds since 1970 as ISO 8601 in UTC (days to a civil date after Howard Hinnant).
void IsoTime(Out& out, uint32_t seconds) {
  const int64_t days = seconds / 86400;
  const int64_t secs = seconds % 86400;
  const int64_t z = days + 719468;
  const int64_t era = z / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ",
                static_cast<long long>(y), static_cast<long long>(m), static_cast<long long>(d),
                static_cast<long long>(secs / 3600), static_cast<long long>(secs / 60 % 60),
                static_cast<long long>(secs % 60));
  out.Put(buf);
}

}  // namespace

bool WriteCsv(const PfadListe& list, const WriteBytes& sink, bool withFiles) {
  const Groups g(list);
  Out out(sink);
  out.Put("\xEF\xBB\xBF" "Pfad;Bytes;KBytes;Dateien;Verz;Fehler\r\n");
  for (size_t i = 0; i < list.size() && out.Ok(); ++i) {
    if (list.Name(i) == kDateien || g.repeat[i]) continue;
    std::string path = ToUtf8(list.FullPath(i));
    path += '\\';
    CsvPath(out, std::move(path));
    const PfadListe::Rec& r = list[i];
    const bool error = r.Size < 0;
    const int64_t bytes = error ? 0 : r.Size;
    out.Put(";");
    out.Number(bytes);
    out.Put(";");
    out.Number(bytes / 1024);
    out.Put(";");
    out.Number(r.Files);
    out.Put(";");
    out.Number(r.Dirs);
    out.Put(error ? ";1\r\n" : ";0\r\n");
  }
  if (!withFiles) return out.Flush();
  out.Put("Pfad;Bytes;KBytes;Auf Datenträger;Geändert\r\n");
  std::string dir, path;
  for (size_t i = 0; i < list.size() && out.Ok(); ++i) {
    if (list.Name(i) == kDateien || g.repeat[i] || list[i].FileBlock == FileTable::kNone) continue;
    dir = ToUtf8(list.FullPath(i));
    dir += '\\';
    list.ForEachFile(i, [&](const FileRef& f) {
      path = dir;
      path += ToUtf8(FileNameOf(f));
      CsvPath(out, std::move(path));
      out.Put(";");
      out.Number(f.size);
      out.Put(";");
      out.Number(f.size / 1024);
      out.Put(";");
      out.Number(f.allocated);
      out.Put(";");
      IsoTime(out, f.time);
      out.Put("\r\n");
    });
  }
  return out.Flush();
}

JsonExportResult WriteNcduJson(const PfadListe& list, const NcduMeta& meta, const WriteBytes& sink) {
  const Groups g(list);
  // The roots: directory records whose Parent is no directory of the results.
  std::vector<uint32_t> roots;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list.Name(i) != kDateien && !g.owned[g.of[i]] && !g.repeat[i]) {
      roots.push_back(static_cast<uint32_t>(i));
    }
  }
  if (roots.empty()) return JsonExportResult::NoCommonRoot;
  const uint32_t rootGroup = g.of[roots.front()];
  for (uint32_t r : roots) {
    if (g.of[r] != rootGroup) return JsonExportResult::NoCommonRoot;
  }
  // Drive roots (their Parent is empty) have nothing above them to gather them; the root "\"
  // of a Linux tree does.
  if (roots.size() > 1 && list.Parent(roots.front()).empty()) return JsonExportResult::NoCommonRoot;

  Out out(sink);
  out.Put("[1,2,{\"progname\":\"vardune\",\"progver\":");
  JsonString(out, FromUtf8(meta.ProgVer));
  out.Put(",\"timestamp\":");
  out.Number(meta.Timestamp);
  out.Put("},\r\n");
  if (roots.size() == 1) {
    WriteTree(out, list, g, roots.front(), true);
  } else {
    out.Put("[{\"name\":");
    JsonString(out, RootName(list.Parent(roots.front())));
    out.Put(",\"");
    out.Put(kJsonVirtualKey);
    out.Put("\":true}");
    for (uint32_t r : roots) {
      out.Put(",\r\n");
      WriteTree(out, list, g, r, false);
    }
    out.Put("]");
  }
  out.Put("]\r\n");
  return out.Flush() ? JsonExportResult::Ok : JsonExportResult::WriteFailed;
}

ExportFormat ExportFormatFor(std::wstring& path, int chosenType) {
  const size_t slash = path.find_last_of(L"\\/");
  const size_t dot = path.rfind(L'.');
  const bool hasExt = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
  if (hasExt) {
    const std::wstring ext = LowerText(std::wstring_view(path).substr(dot + 1));
    if (ext == L"csv") return chosenType == 3 ? ExportFormat::CsvWithFiles : ExportFormat::Csv;
    if (ext == L"json") return ExportFormat::NcduJson;
  }
  const ExportFormat f = chosenType == 2   ? ExportFormat::NcduJson
                         : chosenType == 3 ? ExportFormat::CsvWithFiles
                                           : ExportFormat::Csv;
  if (!hasExt) path += f == ExportFormat::NcduJson ? L".json" : L".csv";
  return f;
}

}  // namespace vardune
