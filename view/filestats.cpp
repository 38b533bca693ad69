// The largest files and the file types below a directory, and the ranking of the types (see
// filestats.h).
#include "view/filestats.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "os/text.h"

namespace vardune {

namespace {

// Imported sizes may come near the largest number: sums stop there instead of wrapping.
int64_t AddSat(int64_t a, int64_t b) { return a > INT64_MAX - b ? INT64_MAX : a + b; }

// Of two files, the one that a list of the largest puts further down: the smaller, and of
// equal sizes the one met later.
bool Worse(const FileHit& a, const FileHit& b) {
  if (a.size != b.size) return a.size > b.size;
  return a.rec != b.rec ? a.rec < b.rec : a.ord < b.ord;
}

// Where the type of a generalised-UTF-8 name begins, or npos.
size_t TypeStart(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot + 1 == name.size()) return std::string_view::npos;
  return dot + 1;
}

std::string_view TypeOfName8(std::string_view name) {
  const size_t start = TypeStart(name);
  return start == std::string_view::npos ? std::string_view() : name.substr(start);
}

// The key of a type of up to 16 ASCII characters, letters in lower case; false for others.
template <class Char>
bool ShortKeyOf(std::basic_string_view<Char> type, TypeKey& k) {
  if (type.size() > 16) return false;
  char buf[16] = {};
  for (size_t i = 0; i < type.size(); ++i) {
    const auto c = static_cast<uint32_t>(type[i]);
    if (c >= 0x80) return false;
    buf[i] = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  std::memcpy(&k.lo, buf, 8);
  std::memcpy(&k.hi, buf + 8, 8);
  return true;
}

std::wstring TextOfShortKey(const TypeKey& k) {
  char buf[16];
  std::memcpy(buf, &k.lo, 8);
  std::memcpy(buf + 8, &k.hi, 8);
  std::wstring s;
  for (char c : buf) {
    if (!c) break;
    s += static_cast<wchar_t>(c);
  }
  return s;
}

// The key of a type: short where it can be; otherwise its lower-case text, which may itself
// turn out short (a letter outside ASCII whose lower case is an ASCII one), so that one type
// never gets two keys.
struct AnyKey {
  bool isShort;
  TypeKey key;
  std::wstring text;
};
AnyKey KeyOfType8(std::string_view type) {
  AnyKey k{true, {}, {}};
  if (ShortKeyOf(type, k.key)) return k;
  k.text = LowerText(FromWtf8(type));
  if (ShortKeyOf(std::wstring_view(k.text), k.key)) {
    k.text.clear();
    return k;
  }
  k.isShort = false;
  return k;
}

}  // namespace

std::vector<uint32_t> RecordsBelow(const PfadListe& list, std::wstring_view path) {
  std::vector<uint32_t> out;
  const std::wstring withSlash = _AddBackslash(StripBackslashes(path));
  const PathSplit own = SplitRecordPath(path);
  std::vector<int8_t> below(list.ParentCount(), -1);
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

void FileStatsJob::Clear() {
  list_ = nullptr;
  next_ = 0;
  all_ = false;
  below_.clear();
  ownParent_.clear();
  ownName_.clear();
  parentBelow_.clear();
  want_ = 0;
  types_ = false;
  heap_.clear();
  floor_ = -1;
  bytes_ = files_ = 0;
  rows_.clear();
  shortKeys_.clear();
  longKeys_.clear();
  lastKey_ = TypeKey{};
  lastRow_ = UINT32_MAX;
}

void FileStatsJob::Start(const PfadListe& list, size_t largest, bool types) {
  Clear();
  list_ = &list;
  want_ = largest;
  types_ = types;
  heap_.reserve(std::min<size_t>(largest, 1 << 16));
  if (types) shortKeys_.reserve(1024);
}

void FileStatsJob::Begin(const PfadListe& list, std::wstring_view path, size_t largest,
                         bool types) {
  Start(list, largest, types);
  below_ = _AddBackslash(StripBackslashes(path));
  const PathSplit own = SplitRecordPath(path);
  ownParent_ = own.Parent;
  ownName_ = own.Name;
  parentBelow_.assign(list.ParentCount(), -1);
}

void FileStatsJob::BeginAll(const PfadListe& list, size_t largest, bool types) {
  Start(list, largest, types);
  all_ = true;
}

void FileStatsJob::Walk(const PfadListe& list, const std::vector<uint32_t>& recs, size_t largest,
                        bool types) {
  Start(list, largest, types);
  for (const uint32_t rec : recs) {
    if (rec < list.size()) Visit(rec);
  }
  next_ = list.size();
}

bool FileStatsJob::Below(size_t i) {
  const PfadListe& list = *list_;
  const PfadListe::Rec& r = list[i];
  if (r.FileBlock == FileTable::kNone) return false;
  if (all_) return true;
  // Whether a parent text lies below the path is the same for every record sharing it.
  int8_t& b = parentBelow_[r.Parent];
  if (b < 0) b = list.Parent(i).starts_with(below_) ? 1 : 0;
  return b == 1 || (list.Name(i) == ownName_ && list.Parent(i) == ownParent_);
}

void FileStatsJob::Visit(uint32_t rec) {
  const PfadListe& list = *list_;
  uint32_t ord = 0;
  list.ForEachFile(rec, [&](const FileRef& f) {
    bytes_ = AddSat(bytes_, f.size);
    ++files_;
    if (want_ > 0) {
      // A min-heap of the best so far: its top is the one a newcomer has to beat. Files come in
      // the order they are met, so a newcomer of equal size never beats it.
      if (heap_.size() < want_) {
        heap_.push_back(FileHit{f.size, rec, ord});
        std::push_heap(heap_.begin(), heap_.end(), Worse);
        if (heap_.size() == want_) floor_ = heap_.front().size;
      } else if (f.size > floor_) {
        std::pop_heap(heap_.begin(), heap_.end(), Worse);
        heap_.back() = FileHit{f.size, rec, ord};
        std::push_heap(heap_.begin(), heap_.end(), Worse);
        floor_ = heap_.front().size;
      }
    }
    if (types_) {
      const std::string_view type = TypeOfName8(f.Name8());
      uint32_t at;
      TypeKey k;
      if (ShortKeyOf(type, k)) {
        // The files of one directory are often all of one type.
        if (lastRow_ != UINT32_MAX && k == lastKey_) {
          at = lastRow_;
        } else {
          const auto [it, added] = shortKeys_.try_emplace(k, static_cast<uint32_t>(rows_.size()));
          if (added) rows_.push_back(TypeRow{TextOfShortKey(k)});
          at = it->second;
          lastKey_ = k;
          lastRow_ = at;
        }
      } else {
        AnyKey any = KeyOfType8(type);
        if (any.isShort) {
          const auto [it, added] =
              shortKeys_.try_emplace(any.key, static_cast<uint32_t>(rows_.size()));
          if (added) rows_.push_back(TypeRow{TextOfShortKey(any.key)});
          at = it->second;
        } else {
          const auto [it, added] =
              longKeys_.try_emplace(any.text, static_cast<uint32_t>(rows_.size()));
          if (added) rows_.push_back(TypeRow{std::move(any.text)});
          at = it->second;
        }
      }
      TypeRow& r = rows_[at];
      r.bytes = AddSat(r.bytes, f.size);
      ++r.files;
      if (f.flags & kFileCloud) r.cloudBytes = AddSat(r.cloudBytes, f.size);
    }
    ++ord;
  });
}

bool FileStatsJob::Step(size_t files) {
  if (!list_) return true;
  const PfadListe& list = *list_;
  size_t spent = 0;
  while (next_ < list.size() && spent < files) {
    const size_t i = next_++;
    ++spent;
    if (Below(i)) {
      Visit(static_cast<uint32_t>(i));
      spent += list.FileStore().Count(list[i].FileBlock);
    }
  }
  return next_ >= list.size();
}

std::vector<FileHit> FileStatsJob::Largest() const {
  std::vector<FileHit> out = heap_;
  std::sort(out.begin(), out.end(), Worse);
  return out;
}

std::vector<TypeRow> FileStatsJob::Types() const {
  std::vector<TypeRow> out = rows_;
  std::sort(out.begin(), out.end(), [](const TypeRow& a, const TypeRow& b) {
    if (a.bytes != b.bytes) return a.bytes > b.bytes;
    return a.type < b.type;
  });
  return out;
}

std::vector<FileHit> LargestFiles(const PfadListe& list, const std::vector<uint32_t>& recs,
                                  size_t n) {
  FileStatsJob job;
  job.Walk(list, recs, n, false);
  return job.Largest();
}

std::vector<TypeRow> FileTypes(const PfadListe& list, const std::vector<uint32_t>& recs) {
  FileStatsJob job;
  job.Walk(list, recs, 0, true);
  return job.Types();
}

FileInfo FileOf(const PfadListe& list, const FileHit& hit) {
  FileInfo out;
  if (hit.rec >= list.size()) return out;
  uint32_t ord = 0;
  list.ForEachFile(hit.rec, [&](const FileRef& f) {
    if (ord++ == hit.ord) out = FileInfo{FileNameOf(f), f.size, f.allocated, f.time, f.flags};
  });
  return out;
}

std::vector<FileInfo> FilesOf(const PfadListe& list, const std::vector<FileHit>& hits) {
  std::vector<FileInfo> out(hits.size());
  std::vector<uint32_t> order(hits.size());
  for (uint32_t k = 0; k < order.size(); ++k) order[k] = k;
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    return hits[a].rec != hits[b].rec ? hits[a].rec < hits[b].rec : hits[a].ord < hits[b].ord;
  });
  for (size_t k = 0; k < order.size();) {
    const uint32_t rec = hits[order[k]].rec;
    size_t end = k;
    while (end < order.size() && hits[order[end]].rec == rec) ++end;
    if (rec < list.size()) {
      uint32_t ord = 0;
      size_t next = k;
      list.ForEachFile(rec, [&](const FileRef& f) {
        while (next < end && hits[order[next]].ord == ord) {
          out[order[next++]] = FileInfo{FileNameOf(f), f.size, f.allocated, f.time, f.flags};
        }
        ++ord;
      });
    }
    k = end;
  }
  return out;
}

std::wstring FileTypeOf(std::wstring_view name) {
  const size_t dot = name.rfind(L'.');
  if (dot == std::wstring_view::npos || dot + 1 == name.size()) return {};
  return LowerText(name.substr(dot + 1));
}

void TypeRanking::Clear() {
  types_.clear();
  shortKeys_.clear();
  longKeys_.clear();
}

void TypeRanking::Assign(const std::vector<TypeRow>& rows) {
  Clear();
  types_.reserve(rows.size());
  for (const TypeRow& r : rows) {
    const auto rank = static_cast<uint32_t>(types_.size());
    types_.push_back(r.type);
    TypeKey k;
    if (ShortKeyOf(std::wstring_view(r.type), k)) shortKeys_.try_emplace(k, rank);
    else longKeys_.try_emplace(r.type, rank);
  }
}

uint32_t TypeRanking::RankOf(std::wstring_view type) const {
  TypeKey k;
  if (ShortKeyOf(type, k)) {
    const auto it = shortKeys_.find(k);
    return it == shortKeys_.end() ? kNone : it->second;
  }
  const std::wstring lower = LowerText(type);
  if (ShortKeyOf(std::wstring_view(lower), k)) {
    const auto it = shortKeys_.find(k);
    return it == shortKeys_.end() ? kNone : it->second;
  }
  const auto it = longKeys_.find(lower);
  return it == longKeys_.end() ? kNone : it->second;
}

uint32_t TypeRanking::RankOfName8(std::string_view name) const {
  const std::string_view type = TypeOfName8(name);
  TypeKey k;
  if (ShortKeyOf(type, k)) {
    const auto it = shortKeys_.find(k);
    return it == shortKeys_.end() ? kNone : it->second;
  }
  const AnyKey any = KeyOfType8(type);
  if (any.isShort) {
    const auto it = shortKeys_.find(any.key);
    return it == shortKeys_.end() ? kNone : it->second;
  }
  const auto it = longKeys_.find(any.text);
  return it == longKeys_.end() ? kNone : it->second;
}

uint32_t TypeColour(uint32_t rank, const uint32_t* palette, size_t count, uint32_t grey) {
  return rank < count ? palette[rank] : grey;
}

}  // namespace vardune
