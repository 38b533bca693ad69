// Reading an ncdu JSON export (ncdu 1.x and 2.x, gdu, this program's own export) into scan
// records, streamed: the file is never held whole in memory, and no document tree is built.
// Pure logic: the bytes come from a callback, the file handling belongs to the caller.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "scan/model.h"

namespace vardune {

// Fills `buf` with up to `cap` bytes of the file and returns their number: 0 at its end, -1
// when reading failed (or was given up).
using ReadBytes = std::function<int64_t(char* buf, size_t cap)>;

// Directory levels below the imported root: deeper than this no path can keep within the
// 250 characters of a scan (every level adds at least a name character and a backslash).
inline constexpr int kMaxImportDepth = 125;
// Nesting of JSON arrays and objects of any kind.
inline constexpr int kMaxJsonNesting = kMaxImportDepth + 5;

// An entry that got another name than its own, because an entry of its directory before it
// already had that name as the program keeps names (see ReadNcduJson).
struct ImportRename {
  std::wstring Parent;    // the path of its directory, with the trailing backslash
  std::wstring Original;  // its name as the file writes it: a byte that is no UTF-8 as \xE9,
                          // a surrogate without its other half as \uD800
  std::wstring Taken;     // the name it would have had, which the other entry has
  std::wstring Name;      // the name it has: Taken + " (2)", " (3)", ...
};

struct ImportResult {
  // The records in the order a scan appends them (post-order), not sorted yet.
  PfadListe Records;
  // The imported root's path with its trailing backslash: what the path field shows.
  std::wstring Root;
  // The directories and files that were renamed, in the order of the file.
  std::vector<ImportRename> Renamed;
  // When the export was written ("timestamp" of the writing program, seconds since 1970); 0
  // when the file does not say.
  int64_t Timestamp = 0;
};

struct ImportError {
  // Where reading stopped, counted from 1 (the column in characters); 0 when reading the file
  // failed.
  int64_t Line = 0;
  int64_t Column = 0;
  std::wstring Text;  // what is wrong, in German
};
// "Zeile L, Spalte C: what", or what alone when reading failed.
std::wstring ImportErrorText(const ImportError& err);

// Reads an ncdu JSON export. Directories become records whose sizes and counts are added up
// as a scan adds them (the apparent sizes of files; a directory's own size is not counted),
// the files of a directory its "<DATEIEN>" record and, one by one, the directory's files in the
// file table (size, size on disk "dsize", time "mtime", this program's attribute flags; what an
// entry does not give is 0; the program's own "<DATEIEN>" entries of an older export stand for
// files that are not known one by one), directories with read_error (and those
// whose path would pass 250 characters) ERROR records without anything below them; excluded
// entries and those of other file systems are left out. The root's name becomes a path with
// "/" turned into "\" (ImportRootPath). Bytes that are not UTF-8 read as U+FFFD, an escaped
// surrogate without its other half as that code unit (a Windows name may hold one); a
// backslash, slash or NUL inside a name becomes "_". No two entries of a directory get one
// name: one that would have the name of an entry before it gets a suffix (" (2)", " (3)",
// ...), and `out.Renamed` says so. False on input of any other shape, with `err` set; `out`
// is then of no use.
bool ReadNcduJson(const ReadBytes& read, ImportResult& out, ImportError& err);
bool ReadNcduJson(std::string_view bytes, ImportResult& out, ImportError& err);

// The path of an imported root from its name: the name as a typed path enters the program
// (NormalizeEnteredPath: "/" turned into "\", runs of separators made one, "." and ".."
// resolved below a drive or share) with a trailing backslash. Empty when the name cannot be
// a path.
std::wstring ImportRootPath(std::wstring_view name);

}  // namespace vardune
