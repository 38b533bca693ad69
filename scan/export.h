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

enum class ExportFormat { Csv, NcduJson };

// The extra keys of the ncdu JSON export, which ncdu ignores: the number of files a
// "<DATEIEN>" entry stands for, and the mark of a root that is no record (the server above
// the shares of a server scan).
inline constexpr std::string_view kJsonFilesKey = "vardune_files";
inline constexpr std::string_view kJsonVirtualKey = "vardune_virtual";

// UTF-8 with byte-order mark, ";" between fields, CR LF, the header
// Pfad;Bytes;KBytes;Dateien;Verz;Fehler and one line per directory record in list order
// (the full path with its trailing backslash; an ERROR record has 0 bytes and Fehler 1), each
// path once.
// Fields holding ";", quotes or line breaks are quoted as RFC 4180 says. False when the sink
// refused.
bool WriteCsv(const PfadListe& list, const WriteBytes& sink);

struct NcduMeta {
  std::string ProgVer;    // the program's version text
  int64_t Timestamp = 0;  // seconds since 1970
};

// Why an ncdu export could not be written.
enum class JsonExportResult { Ok, WriteFailed, NoCommonRoot };

// The directory tree of the records as ncdu's JSON export: every directory with its
// subdirectories nested, its own files as one entry "<DATEIEN>" (asize = dsize = their
// bytes, kJsonFilesKey = their number), ERROR directories with read_error. Several roots
// (the shares of a server) go below a root marked with kJsonVirtualKey. Each path is written
// once: of records that share one, the first (a directory with everything below its path;
// the "<DATEIEN>" records of a directory summed up). Names are UTF-8, a surrogate without its
// other half a \uXXXX escape. Reading the output back with ReadNcduJson gives the same
// records.
JsonExportResult WriteNcduJson(const PfadListe& list, const NcduMeta& meta, const WriteBytes& sink);

// The format of an export file: its extension when that is .csv or .json (in any letter
// case), otherwise the file type chosen in the dialog (`chosenType`, as the dialog's list has
// them: 1 CSV, 2 ncdu JSON). Without an extension, the chosen type's is appended to `path`.
ExportFormat ExportFormatFor(std::wstring& path, int chosenType);

}  // namespace vardune
