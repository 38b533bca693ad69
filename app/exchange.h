// Export and import of the scan results from the "Programm" menu: the file dialogs, the files
// and the messages around the formats of scan/export.h and scan/import.h.
#pragma once
#include <string>

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

}  // namespace vardune
