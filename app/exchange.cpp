// Export and import of the scan results (see exchange.h).
#include "app/exchange.h"

#include <windows.h>

#include <ctime>
#include <functional>
#include <vector>

#include "os/build.h"
#include "os/clock.h"
#include "os/files.h"
#include "os/text.h"
#include "scan/driver.h"
#include "scan/export.h"
#include "scan/import.h"
#include "scan/model.h"
#include "scan/progressread.h"
#include "scan/scanui.h"
#include "sets/ops.h"
#include "ui/logwindow.h"
#include "ui/mainwindow.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/platform.h"
#include "view/resultlist.h"

namespace vardune {

namespace {

// The hourglass while the program is busy without pumping events.
class WaitCursor {
 public:
  WaitCursor() : old_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(old_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR old_;
};

const std::vector<ui::FileType>& ExportTypes() {
  static const std::vector<ui::FileType> types = {
      {L"CSV-Tabelle (*.csv)", L"*.csv"},
      {L"ncdu-Export (*.json)", L"*.json"},
      {L"CSV-Tabelle mit Dateien (*.csv)", L"*.csv"},
  };
  return types;
}

const std::vector<ui::FileType>& ImportTypes() {
  static const std::vector<ui::FileType> types = {
      {L"ncdu-Export (*.json)", L"*.json"},
      {L"Alle Dateien (*.*)", L"*.*"},
  };
  return types;
}

std::string Narrow(const wchar_t* s) { return ToUtf8(s); }

std::wstring ImportFailureText(const std::wstring& path, const std::wstring& why) {
  return L"Konnte nicht importieren:\r\n" + path + L"\r\n" + why +
         L"\r\nDie bisherigen Ergebnisse bleiben erhalten.";
}

}  // namespace

bool WriteReport(const std::wstring& path, const std::function<bool(const os::ByteSink&)>& write,
                 const std::wstring& refusedBecause, std::wstring& failure) {
  const os::WriteOutcome written = os::WriteFileReplacing(path, write);
  if (written.Ok) return true;
  std::wstring text = L"Konnte nicht exportieren:\r\n" + path + L"\r\n";
  // Why the writer gave up, when it says so (it is read after the write).
  text += !refusedBecause.empty() ? refusedBecause : written.Error;
  // Where the old file and the new data are now, as the write left them.
  if (written.OldFileGone) {
    text += L"\r\nDie bisherige Datei gibt es nicht mehr.";
  } else if (!written.OldFileAt.empty()) {
    text += L"\r\nDie bisherige Datei ist gesichert unter:\r\n" + written.OldFileAt;
  } else {
    text += L"\r\nEine schon vorhandene Datei bleibt unverändert.";
  }
  if (!written.NewDataAt.empty()) {
    text += L"\r\nDie neuen Daten stehen unter:\r\n" + written.NewDataAt;
  }
  failure = std::move(text);
  return false;
}

bool WriteExport(const std::wstring& path, ExportFormat format, std::wstring& failure) {
  std::wstring why;
  return WriteReport(
      path,
      [&](const os::ByteSink& sink) {
        if (format != ExportFormat::NcduJson) {
          return WriteCsv(Pfade, sink, format == ExportFormat::CsvWithFiles);
        }
        const JsonExportResult json = WriteNcduJson(
            Pfade, NcduMeta{Narrow(GBuild), static_cast<int64_t>(std::time(nullptr))}, sink);
        if (json == JsonExportResult::NoCommonRoot) {
          why = L"Die Ergebnisse haben kein gemeinsames Wurzelverzeichnis.";
        }
        return json == JsonExportResult::Ok;
      },
      why, failure);
}

bool ExportResults(std::wstring path, int chosenType) {
  const ExportFormat format = ExportFormatFor(path, chosenType);
  std::wstring failure;
  bool ok = false;
  {
    WaitCursor busy;
    ok = WriteExport(path, format, failure);
  }
  if (!ok) ui::_Msg(failure);
  return ok;
}

void _Export() {
  if (Pfade.empty()) {
    ui::_Msg(L"Es gibt noch keine Scan-Ergebnisse zum Exportieren.");
    return;
  }
  const ui::FileChoice c =
      ui::FileRequester(L"Scan-Ergebnisse exportieren", ExportTypes(), L"Vardune-Export", true);
  if (c.Path.empty()) return;
  ExportResults(c.Path, c.Type);
}

bool ReadExport(const std::wstring& path, ImportResult& result, std::wstring& failure) {
  failure.clear();
  os::FileReader file(path);
  if (!file.IsOpen()) {
    failure = ImportFailureText(path, os::SystemErrorText(file.OpenError()));
    return false;
  }
  // The import of a large file takes seconds: the window stays alive as during a scan (every
  // command dropped), shows how far it is, and "STOPP" gives up without touching the results.
  if (GScanUi.ResultsChanging) GScanUi.ResultsChanging();
  ImportError err;
  bool stopped = false;
  {
    ProgressRead progress(file, L"Importiere", path);
    const bool ok = ReadNcduJson(progress.Reader(), result, err);
    stopped = progress.Stopped();
    if (ok) {
      progress.KeepPathText();
      return true;
    }
  }
  if (GScanUi.ResultsUnchanged) GScanUi.ResultsUnchanged();
  if (stopped) return false;
  failure = ImportFailureText(path, ImportErrorText(err));
  return false;
}

bool ImportResults(const std::wstring& path) {
  ImportResult result;
  std::wstring failure;
  if (!ReadExport(path, result, failure)) {
    if (!failure.empty()) ui::_Msg(failure);
    return false;
  }

  // The results are replaced as a scan of the imported root replaces them, and what follows
  // a scan follows.
  Pfade = std::move(result.Records);
  Pfade.SortByParent();
  GStartPath = result.Root;
  ui::SetGadgetText(kGadPath, GStartPath);
  _SetsUpdateSizes();
  _SetsCheckBIP();
  _ShowDir(GStartPath);
  // Two names of the file that the program keeps as one: the second got a suffix.
  for (const ImportRename& r : result.Renamed) {
    _Log(L"Import: „" + r.Original + L"“ in " + r.Parent + L" heißt jetzt „" + r.Name +
         L"“, weil „" + r.Taken + L"“ dort schon vergeben ist.");
  }
  if (!result.Renamed.empty()) ShowLogWindow();
  return true;
}

void _Import() {
  const ui::FileChoice c =
      ui::FileRequester(L"Scan-Ergebnisse importieren", ImportTypes(), L"", false);
  if (c.Path.empty()) return;
  ImportResults(c.Path);
}

}  // namespace vardune
