// Export and import of the scan results from the "Programm" menu: the file dialogs, the files
// and the messages around the formats of scan/export.h and scan/import.h.
#pragma once
#include <functional>
#include <string>

#include "os/files.h"

#include "scan/export.h"
#include "scan/import.h"

namespace vardune {

// "Exportieren...": asks for a file and its type (CSV or ncdu JSON) and writes every record.
void _Export();
// "Importieren...": asks for an ncdu JSON file and replaces the results with its records.
void _Import();

// The two behind their dialogs. Export: `chosenType` is the file type chosen in the dialog
// (1 CSV, 2 ncdu JSON). Both report a failure by message and return false then; the results
// stay as they were, and an export's message says where an existing file and the new data are.
bool ExportResults(std::wstring path, int chosenType);
bool ImportResults(const std::wstring& path);

// The export without a window: every record written to `path` in `format`. On failure false,
// and `failure` holds the message the menu would show (the file named, where an existing
// file and the new data are); nothing is shown.
bool WriteExport(const std::wstring& path, ExportFormat format, std::wstring& failure);
// Any report written as the export writes its file (the old one replaced only once the new
// one is whole), with the export's message on failure; `refusedBecause` (read once the write
// is over) says why when `write` gave up.
bool WriteReport(const std::wstring& path, const std::function<bool(const os::ByteSink&)>& write,
                 const std::wstring& refusedBecause, std::wstring& failure);
// The reading of an import without touching the results: false with the message the menu
// would show in `failure`, or with `failure` empty when "STOPP" gave it up.
bool ReadExport(const std::wstring& path, ImportResult& result, std::wstring& failure);

}  // namespace vardune
