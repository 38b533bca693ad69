// What the views beside the result list compute from the file table, free of windows: the
// files below a directory (all levels), the largest of them, and their file types with the
// bytes each takes. Made for millions of files: one pass over the packed entries, names
// decoded only for what is shown.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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
};
// The `n` largest files of the records, largest first; of equal sizes the one met first.
std::vector<FileHit> LargestFiles(const PfadListe& list, const std::vector<uint32_t>& recs,
                                  size_t n);
// The file a hit names.
FileInfo FileOf(const PfadListe& list, const FileHit& hit);

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

}  // namespace vardune
