// The largest files and the file types below a directory (see filestats.h).
#include "view/filestats.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "os/text.h"

namespace vardune {

namespace {
// Imported sizes may come near the largest number: sums stop there instead of wrapping.
int64_t AddSat(int64_t a, int64_t b) { return a > INT64_MAX - b ? INT64_MAX : a + b; }
}  // namespace

std::vector<uint32_t> RecordsBelow(const PfadListe& list, std::wstring_view path) {
  const std::wstring withSlash = _AddBackslash(StripBackslashes(path));
  const PathSplit own = SplitRecordPath(path);
  // Whether a parent text lies below the path is the same for every record sharing it.
  std::vector<int8_t> below(list.ParentCount(), -1);
  std::vector<uint32_t> out;
  for (size_t i = 0; i < list.size(); ++i) {
    const PfadListe::Rec& r = list[i];
    if (r.FileBlock == FileTable::kNone) continue;
    int8_t& b = below[r.Parent];
    if (b < 0) b = list.Parent(i).starts_with(withSlash) ? 1 : 0;
    if (b == 1 || (list.Parent(i) == own.Parent && list.Name(i) == own.Name)) {
      out.push_back(static_cast<uint32_t>(i));
    }
  }
  return out;
}

std::vector<FileHit> LargestFiles(const PfadListe& list, const std::vector<uint32_t>& recs,
                                  size_t n) {
  std::vector<FileHit> heap;
  if (n == 0) return heap;
  heap.reserve(n);
  // A min-heap of the best n so far: its top is the one a newcomer has to beat. Files come in
  // the order they are met, so a newcomer of equal size never beats it.
  const auto worse = [](const FileHit& a, const FileHit& b) {
    if (a.size != b.size) return a.size > b.size;
    return a.rec != b.rec ? a.rec < b.rec : a.ord < b.ord;
  };
  int64_t floor = -1;
  for (const uint32_t rec : recs) {
    uint32_t ord = 0;
    list.ForEachFile(rec, [&](const FileRef& f) {
      if (heap.size() < n) {
        heap.push_back(FileHit{f.size, rec, ord});
        std::push_heap(heap.begin(), heap.end(), worse);
        if (heap.size() == n) floor = heap.front().size;
      } else if (f.size > floor) {
        std::pop_heap(heap.begin(), heap.end(), worse);
        heap.back() = FileHit{f.size, rec, ord};
        std::push_heap(heap.begin(), heap.end(), worse);
        floor = heap.front().size;
      }
      ++ord;
    });
  }
  std::sort(heap.begin(), heap.end(), worse);
  return heap;
}

FileInfo FileOf(const PfadListe& list, const FileHit& hit) {
  FileInfo out;
  uint32_t ord = 0;
  list.ForEachFile(hit.rec, [&](const FileRef& f) {
    if (ord++ == hit.ord) out = FileInfo{FileNameOf(f), f.size, f.allocated, f.time, f.flags};
  });
  return out;
}

namespace {

// Where the type of a generalised-UTF-8 name begins, or npos.
size_t TypeStart(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot + 1 == name.size()) return std::string_view::npos;
  return dot + 1;
}

// Types of up to 16 ASCII characters, the common case, are counted under a key of two
// numbers without making a text; others under their lower-case text.
struct ShortKey {
  uint64_t lo = 0, hi = 0;
  bool operator==(const ShortKey&) const = default;
};
struct ShortKeyHash {
  size_t operator()(const ShortKey& k) const {
    uint64_t h = k.lo * 0x9E3779B97F4A7C15ull ^ (k.hi + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<size_t>(h ^ (h >> 31));
  }
};
bool ShortKeyOf(std::string_view type, ShortKey& k) {
  if (type.size() > 16) return false;
  char buf[16] = {};
  for (size_t i = 0; i < type.size(); ++i) {
    char c = type[i];
    if (static_cast<unsigned char>(c) >= 0x80) return false;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    buf[i] = c;
  }
  std::memcpy(&k.lo, buf, 8);
  std::memcpy(&k.hi, buf + 8, 8);
  return true;
}

}  // namespace

std::wstring FileTypeOf(std::wstring_view name) {
  const size_t dot = name.rfind(L'.');
  if (dot == std::wstring_view::npos || dot + 1 == name.size()) return {};
  return LowerText(name.substr(dot + 1));
}

std::vector<TypeRow> FileTypes(const PfadListe& list, const std::vector<uint32_t>& recs) {
  std::vector<TypeRow> rows;
  std::unordered_map<ShortKey, uint32_t, ShortKeyHash> shortKeys;
  std::unordered_map<std::wstring, uint32_t> longKeys;
  shortKeys.reserve(1024);
  const auto rowFor = [&](std::wstring type) -> TypeRow& {
    rows.push_back(TypeRow{std::move(type)});
    return rows.back();
  };
  // One-entry memory: the files of one directory are often all of one type.
  ShortKey lastKey;
  uint32_t lastRow = UINT32_MAX;
  for (const uint32_t rec : recs) {
    list.ForEachFile(rec, [&](const FileRef& f) {
      const std::string_view name = f.Name8();
      const size_t start = TypeStart(name);
      const std::string_view type =
          start == std::string_view::npos ? std::string_view() : name.substr(start);
      uint32_t at;
      ShortKey k;
      if (ShortKeyOf(type, k)) {
        if (lastRow != UINT32_MAX && k == lastKey) {
          at = lastRow;
        } else {
          const auto [it, added] = shortKeys.try_emplace(k, static_cast<uint32_t>(rows.size()));
          if (added) {
            rowFor(LowerText(FromWtf8(type)));
          }
          at = it->second;
          lastKey = k;
          lastRow = at;
        }
      } else {
        std::wstring text = LowerText(FromWtf8(type));
        const auto [it, added] = longKeys.try_emplace(text, static_cast<uint32_t>(rows.size()));
        if (added) rowFor(std::move(text));
        at = it->second;
      }
      TypeRow& r = rows[at];
      r.bytes = AddSat(r.bytes, f.size);
      ++r.files;
      if (f.flags & kFileCloud) r.cloudBytes = AddSat(r.cloudBytes, f.size);
    });
  }
  std::sort(rows.begin(), rows.end(), [](const TypeRow& a, const TypeRow& b) {
    if (a.bytes != b.bytes) return a.bytes > b.bytes;
    return a.type < b.type;
  });
  return rows;
}

}  // namespace vardune
