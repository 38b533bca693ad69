// Writing the scan results out: a CSV table of the directories for spreadsheets, and ncdu's
// JSON export format (version 1.2), which ncdu, gdu and this program's import read. Pure
// logic: the bytes go to a sink, the file handling belongs to the caller.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "scan/model.h"

namespace vardune {

// Receives the output piece by piece; false stops the writing (a write error).
using WriteBytes = std::function<bool(std::string_view bytes)>;

// The CSV of the directories, the same followed by one line per file, ncdu's JSON.
enum class ExportFormat { Csv, CsvWithFiles, NcduJson };

// The extra keys of the ncdu JSON export, which ncdu ignores: the number of files a
// "<DATEIEN>" entry stands for, and the mark of a root that is no record (the server above
// the shares of a server scan).
inline constexpr std::string_view kJsonFilesKey = "vardune_files";
inline constexpr std::string_view kJsonVirtualKey = "vardune_virtual";
// The attribute flags of a file (filetable.h), when it has any.
inline constexpr std::string_view kJsonFlagsKey = "vardune_flags";

// UTF-8 with byte-order mark, ";" between fields, CR LF, the header
// Pfad;Bytes;KBytes;Dateien;Verz;Fehler and one line per directory record in list order
// (the full path with its trailing backslash; an ERROR record has 0 bytes and Fehler 1), each
// path once.
// Fields holding ";", quotes or line breaks are quoted as RFC 4180 says. With `withFiles` the
// header Pfad;Bytes;KBytes;Auf Datenträger;Geändert follows, and one line per file of the file
// table, directory by directory in the order of their lines: its full path, its size in bytes
// and in KB, its size on disk in bytes, its last write as ISO 8601 in UTC
// (2024-05-01T08:30:00Z). False when the sink refused.
bool WriteCsv(const PfadListe& list, const WriteBytes& sink, bool withFiles = false);

struct NcduMeta {
  std::string ProgVer;    // the program's version text
  int64_t Timestamp = 0;  // seconds since 1970
};

// Why an ncdu export could not be written.
enum class JsonExportResult { Ok, WriteFailed, NoCommonRoot };

// The directory tree of the records as ncdu's JSON export: every directory with its
// subdirectories nested and its own files of the file table one by one (name, asize, dsize,
// mtime and, where there are any, the attribute flags under kJsonFlagsKey); files the records
// count beyond the table (imported from an older export) as one entry "<DATEIEN>" (asize =
// dsize = their bytes, kJsonFilesKey = their number); ERROR directories with read_error. Several roots
// (the shares of a server) go below a root marked with kJsonVirtualKey. Each path is written
// once: of records that share one, the first (a directory with everything below its path;
// the "<DATEIEN>" records of a directory summed up). Names are UTF-8, a surrogate without its
// other half a \uXXXX escape. Reading the output back with ReadNcduJson gives the same
// records.
JsonExportResult WriteNcduJson(const PfadListe& list, const NcduMeta& meta, const WriteBytes& sink);

// The format of an export file: its extension when that is .csv or .json (in any letter
// case; .csv with the files when that type is chosen), otherwise the file type chosen in the
// dialog (`chosenType`, as the dialog's list has them: 1 CSV, 2 ncdu JSON, 3 CSV with the
// files). Without an extension, the chosen type's is appended to `path`.
ExportFormat ExportFormatFor(std::wstring& path, int chosenType);

}  // namespace vardune
