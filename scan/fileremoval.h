// Taking files out of the scan results after they were moved away (to the recycle bin): they
// leave the file table, and the records that counted them are corrected as a new scan would
// give them, without scanning. Pure logic (no windows.h).
#pragma once
#include <cstdint>
#include <vector>

#include "scan/model.h"

namespace vardune {

// A file of the results: record `rec`'s own file number `ord` (in the order of its block).
struct FileAt {
  uint32_t rec;
  uint32_t ord;
  auto operator<=>(const FileAt&) const = default;
};

struct FilesRemoved {
  int64_t bytes = 0;
  int32_t files = 0;
};

// Removes the files (unknown ones and repeats are ignored). Each file's directory record and
// every record above it lose the file's bytes and its count ("Size" and "Files"); so does the
// directory's "<DATEIEN>" record, which goes when no bytes are left in it. ERROR records and
// "Dirs" stay as they are.
FilesRemoved RemoveFiles(PfadListe& list, std::vector<FileAt> files);

}  // namespace vardune
