// Comparing the results with an earlier export (this program's ncdu JSON, or one of ncdu or
// gdu): which directories and files grew, shrank, came or went since. The earlier export is
// read through the import's own reader, so that its names are exactly those an import of it
// would give, and matched against the results by path, directory by directory, names compared
// as the listing compares them: the same name first, then the same name in another letter
// case. What the comparison keeps is small: per record of the results its earlier size, per
// file of the results one byte, and of what is gone its name and size alone; the earlier
// export's own records and files go once the comparison is made. Pure logic (no windows.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/export.h"
#include "scan/import.h"
#include "scan/model.h"

namespace vardune {

// The earlier size of a record that did not exist then ("neu"), and of one outside the tree
// that the export covers.
inline constexpr int64_t kBeforeAbsent = INT64_MIN;
inline constexpr int64_t kBeforeUncovered = INT64_MIN + 1;

// What became of a file of the results since the export.
enum FileChange : uint8_t {
  kFileSame = 0,
  kFileNew = 1,
  kFileGrown = 2,
  kFileShrunk = 3,
  // Not compared one by one (outside the tree, or one side knows the directory's files only
  // as their sum).
  kFileUnknown = 4,
};

// What the export had and the results have no more, hung on the record of the directory that
// held it (kGoneAtAnchor: on the compared directory, which has no record of its own, as the
// server above the shares of a server scan).
enum class GoneKind : uint8_t { Dir, File, FileSum };
inline constexpr uint32_t kGoneAtAnchor = UINT32_MAX;
struct GoneEntry {
  uint32_t Rec;
  uint32_t NameOff;  // into Comparison::GoneNames
  int64_t Size;      // -1: an ERROR directory then
  uint16_t NameLen;
  GoneKind Kind;
};

struct Comparison {
  // The directory of the results that the export's root stands for, with its trailing
  // backslash, and the export's root as the file names it.
  std::wstring Anchor;
  std::wstring EarlierRoot;
  // The export is of another tree (neither path lies within the other): its root stands for
  // the root of the results.
  bool OtherTree = false;
  int64_t Timestamp = 0;  // when the export was written (seconds since 1970), 0 unknown
  // The results the comparison holds for (PfadListe::Changes()).
  uint64_t Changes = 0;

  // Per record of the results: its size then (-1 ERROR, kBeforeAbsent, kBeforeUncovered).
  std::vector<int64_t> Before;
  // Per file of the results a FileChange, record by record in list order, each record's files
  // in their order (MarkOffsets says where a record's begin).
  std::vector<uint8_t> Marks;
  // Per "<DATEIEN>" record: its directory's files were compared one by one (then the files
  // stand for it).
  std::vector<bool> OneByOne;
  // The earlier sizes of the files that grew or shrank, by their place in Marks (there are
  // few of them: a mark per file is what every file pays).
  struct Resized {
    uint32_t Ord;
    int64_t Before;
  };
  std::vector<Resized> ResizedFiles;  // ordered by Ord
  std::vector<GoneEntry> Gone;        // ordered by Rec
  std::string GoneNames;              // generalised UTF-8 (os/text.h)

  // Whether a directory path (with its trailing backslash) lies in the compared tree.
  bool Covers(std::wstring_view dir) const;
  // The earlier size of file `ord` (its place in Marks) of a grown or shrunk file.
  int64_t ResizedBefore(uint32_t ord) const;
  std::wstring GoneName(const GoneEntry& g) const;
  // Bytes the comparison holds (capacity included).
  size_t MemoryBytes() const;
};

// Where each record's files begin in Comparison::Marks (made when needed, not kept).
std::vector<uint32_t> MarkOffsets(const PfadListe& now);

// Compares the results with the records of an earlier export (as ReadNcduJson gives them).
void CompareWith(const PfadListe& now, const ImportResult& earlier, Comparison& out);
// Reads the earlier export and compares; false with the reader's error (line and column) on
// a file that is not such an export, and `out` is then left as it was.
bool CompareWithExport(const PfadListe& now, const ReadBytes& read, Comparison& out,
                       ImportError& err);

// One change below a directory, as the window of the changes lists it.
struct ChangeRow {
  std::wstring Name;
  std::wstring Dir;        // the directory that holds it, with its trailing backslash
  int64_t Now = 0;         // bytes; -1 ERROR; kBeforeAbsent: gone
  int64_t Before = 0;      // bytes; -1 ERROR; kBeforeAbsent: new
  bool IsDir = false;
  // Where it is: a record of the results (a directory, or a "<DATEIEN>" record), a file
  // (record and its place among the record's files), or something gone (-1).
  int64_t Rec = -1;
  int64_t File = -1;
  // How much it grew, in bytes (what is gone or unreadable counts as 0 bytes).
  int64_t Growth() const;
};

// The changed directories and files below `dir` (all levels, with its trailing backslash),
// most growth first, at most `max` of them (those that changed most, either way). The
// contents of a directory that is new or gone are not repeated below it. Nothing for a
// directory outside the compared tree, or when the comparison is not of these results.
std::vector<ChangeRow> ChangesBelow(const PfadListe& now, const Comparison& cmp,
                                    std::wstring_view dir, size_t max);

// Every change of the compared tree as CSV, as the export writes CSV (UTF-8 with byte-order
// mark, ";", CR LF, RFC 4180 quotes, a "'" before a path that a spreadsheet would take for a
// formula): the header Pfad;Änderung Bytes;Jetzt Bytes;Vorher Bytes;Art and one line per row
// of ChangesBelow for the compared directory, without a limit (a directory's path with its
// trailing backslash; a size that is not there or cannot be read is empty; Art is "neu",
// "weg", "gewachsen", "geschrumpft" or "ERROR"). False when the sink refused.
bool WriteChangesCsv(const PfadListe& now, const Comparison& cmp, const WriteBytes& sink);

}  // namespace vardune
