// What the views beside the result list compute from the file table, free of windows: the
// files below a directory (all levels), the largest of them, and their file types with the
// bytes each takes; and the ranking of the types of the whole results that gives each its
// colour. Made for millions of files: one pass over the packed entries, names decoded only
// for what is shown, and a walk that can stop after any number of files and go on later, so
// that the user-interface thread does it in pieces between its messages.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scan/model.h"

namespace vardune {

// The records whose own files lie below `path` (a directory path with its trailing
// backslash): its own record and every record whose Parent begins with it, in list order.
std::vector<uint32_t> RecordsBelow(const PfadListe& list, std::wstring_view path);

// A file of the results: the record whose own file it is and its place among them.
struct FileHit {
  int64_t size;
  uint32_t rec;
  uint32_t ord;
  bool operator==(const FileHit&) const = default;
};
// The `n` largest files of the records, largest first; of equal sizes the one met first.
std::vector<FileHit> LargestFiles(const PfadListe& list, const std::vector<uint32_t>& recs,
                                  size_t n);
// The file a hit names.
FileInfo FileOf(const PfadListe& list, const FileHit& hit);
// The files of many hits, in their order: one walk through each record's files, however
// many of its files the hits name.
std::vector<FileInfo> FilesOf(const PfadListe& list, const std::vector<FileHit>& hits);

// The type of a file: the part of its name after the last ".", in lower case; empty when there
// is none (no dot, or a dot at the end).
std::wstring FileTypeOf(std::wstring_view name);

struct TypeRow {
  std::wstring type;  // as FileTypeOf gives it; empty for the files without one
  int64_t bytes = 0;
  int64_t files = 0;
  int64_t cloudBytes = 0;  // of them in cloud placeholders: not on this machine
  bool operator==(const TypeRow&) const = default;
};
// One row per type of the records' files, the most bytes first (equal bytes: by type text).
std::vector<TypeRow> FileTypes(const PfadListe& list, const std::vector<uint32_t>& recs);

// The key under which a type is counted: types of up to 16 ASCII characters (nearly all) as
// two numbers, made without a text; others by their lower-case text.
struct TypeKey {
  uint64_t lo = 0, hi = 0;
  bool operator==(const TypeKey&) const = default;
};
struct TypeKeyHash {
  size_t operator()(const TypeKey& k) const {
    const uint64_t h = k.lo * 0x9E3779B97F4A7C15ull ^ (k.hi + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<size_t>(h ^ (h >> 31));
  }
};

// The files below a directory (or of the whole results) walked once for the largest of them
// and their types, in steps: each Step goes on for about as many files as it is given and
// says whether the walk is done. The list must not change between Begin and the last Step.
class FileStatsJob {
 public:
  // `path` a directory path with its trailing backslash; `largest` how many of the largest
  // files to keep (0: none); `types` whether to count the types.
  void Begin(const PfadListe& list, std::wstring_view path, size_t largest, bool types);
  // The same over every record of the list.
  void BeginAll(const PfadListe& list, size_t largest, bool types);
  // The same over the given records only, walked at once (no Step needed).
  void Walk(const PfadListe& list, const std::vector<uint32_t>& recs, size_t largest, bool types);
  // True when the walk is done (at once for a job never begun).
  bool Step(size_t files);
  bool Done() const { return !list_ || next_ >= list_->size(); }
  void Clear();

  // When done: the largest files, largest first (of equal sizes the one met first); the types,
  // most bytes first; the bytes and the number of all files walked.
  std::vector<FileHit> Largest() const;
  std::vector<TypeRow> Types() const;
  int64_t Bytes() const { return bytes_; }
  int64_t Files() const { return files_; }

 private:
  void Start(const PfadListe& list, size_t largest, bool types);
  bool Below(size_t rec);
  void Visit(uint32_t rec);

  const PfadListe* list_ = nullptr;
  size_t next_ = 0;
  bool all_ = false;
  std::wstring below_;  // the path with its backslash
  std::wstring ownParent_, ownName_;
  std::vector<int8_t> parentBelow_;
  size_t want_ = 0;
  bool types_ = false;
  std::vector<FileHit> heap_;
  int64_t floor_ = -1;
  int64_t bytes_ = 0;
  int64_t files_ = 0;
  std::vector<TypeRow> rows_;
  std::unordered_map<TypeKey, uint32_t, TypeKeyHash> shortKeys_;
  std::unordered_map<std::wstring, uint32_t> longKeys_;
  TypeKey lastKey_;
  uint32_t lastRow_ = UINT32_MAX;
};

// The types of the whole results ranked by their bytes, most first, so that a type's rank
// picks its colour: the first ranks get the colours of a palette, the others one grey. A
// type is found from a file name as it lies in the table, without making a text.
class TypeRanking {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;
  void Assign(const std::vector<TypeRow>& mostBytesFirst);
  void Clear();
  bool Empty() const { return types_.empty(); }
  size_t Count() const { return types_.size(); }
  // The rank of a type as FileTypeOf gives it, kNone for a type the results do not hold.
  uint32_t RankOf(std::wstring_view type) const;
  // The rank of the type of a file name in generalised UTF-8 (FileRef::Name8).
  uint32_t RankOfName8(std::string_view name) const;
  const std::wstring& TypeAt(uint32_t rank) const { return types_[rank]; }

 private:
  std::vector<std::wstring> types_;
  std::unordered_map<TypeKey, uint32_t, TypeKeyHash> shortKeys_;
  std::unordered_map<std::wstring, uint32_t> longKeys_;
};

// The colour of a rank: palette[rank] for the first `count` ranks, `grey` for the others.
uint32_t TypeColour(uint32_t rank, const uint32_t* palette, size_t count, uint32_t grey);

}  // namespace vardune
