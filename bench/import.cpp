// Benchmark of the import and the export: a generated ncdu JSON export of a million files (in
// 50,000 leaf directories below 1,100 others, with the extended fields of ncdu 2.x) imported
// through the program's own handler in the real main window, as "Importieren..." does it:
// reading, records and the file table, sorting, backup sets, the display; then the results
// written again as the program's own ncdu export. Prints import_1m_seconds and
// export_1m_seconds (medians of three), import_1m_file_mb, import_1m_records_mb (the memory
// the imported list holds, its file table included), import_1m_files (the files it keeps) and
// import_1m_peak_mb (how far the peak working set of the process rose over the import).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/exchange.h"
#include "bench/bench.h"
#include "os/clock.h"
#include "os/fs.h"
#include "scan/model.h"

using namespace vardune;
using bench::Median;

namespace {

bool Generate(const std::wstring& path, int64_t& bytes) {
  os::Handle f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  std::string out;
  bytes = 0;
  const auto flush = [&]() {
    DWORD put = 0;
    const bool ok = WriteFile(f.get(), out.data(), static_cast<DWORD>(out.size()), &put, nullptr) &&
                    put == out.size();
    bytes += put;
    out.clear();
    return ok;
  };
  long long ino = 1000;
  char line[160];
  out += "[1,2,{\"progname\":\"ncdu\",\"progver\":\"2.3\",\"timestamp\":1700000000},\n"
         "[{\"name\":\"/bench\",\"asize\":4096,\"dsize\":4096,\"dev\":2049,\"ino\":2}";
  for (int top = 0; top < 100; ++top) {
    std::snprintf(line, sizeof line, ",\n[{\"name\":\"top%02d\",\"asize\":4096,\"dsize\":4096,\"ino\":%lld}", top, ++ino);
    out += line;
    for (int mid = 0; mid < 10; ++mid) {
      std::snprintf(line, sizeof line, ",\n[{\"name\":\"mid%d\",\"asize\":4096,\"dsize\":4096,\"ino\":%lld}", mid, ++ino);
      out += line;
      for (int leaf = 0; leaf < 50; ++leaf) {
        std::snprintf(line, sizeof line, ",\n[{\"name\":\"leaf%02d\",\"asize\":4096,\"dsize\":4096,\"ino\":%lld}", leaf, ++ino);
        out += line;
        for (int file = 0; file < 20; ++file) {
          const long long size = (file + 1) * 3001LL + leaf;
          std::snprintf(line, sizeof line,
                        ",\n{\"name\":\"file-%02d.dat\",\"asize\":%lld,\"dsize\":%lld,\"ino\":%lld,"
                        "\"mtime\":1700000000}",
                        file, size, (size + 4095) / 4096 * 4096, ++ino);
          out += line;
        }
        out += "]";
      }
      out += "]";
      if (!flush()) return false;
    }
    out += "]";
  }
  out += "]]\n";
  return flush();
}

double PeakMb() {
  PROCESS_MEMORY_COUNTERS c{};
  c.cb = sizeof c;
  GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
  return static_cast<double>(c.PeakWorkingSetSize) / 1048576.0;
}

double WorkingSetMb() {
  PROCESS_MEMORY_COUNTERS c{};
  c.cb = sizeof c;
  GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
  return static_cast<double>(c.WorkingSetSize) / 1048576.0;
}

}  // namespace

int wmain() {
  wchar_t tmp[MAX_PATH + 1] = {0};
  GetTempPathW(MAX_PATH, tmp);
  const std::wstring file = std::wstring(tmp) + L"vardune-bench-import-1m.json";
  int64_t bytes = 0;
  if (!Generate(file, bytes)) {
    std::fprintf(stderr, "cannot write the import file\n");
    return 1;
  }
  if (!StartUp({})) return 1;

  const double before = WorkingSetMb();
  const double peakBefore = PeakMb();
  std::vector<double> seconds, exportSeconds;
  double recordsMb = 0;
  size_t files = 0;
  const std::wstring exported = std::wstring(tmp) + L"vardune-bench-export-1m.json";
  for (int r = 0; r < 3; ++r) {
    const int64_t t0 = os::Millis();
    if (!ImportResults(file)) {
      std::fprintf(stderr, "import failed\n");
      break;
    }
    bench::Pump();
    seconds.push_back(static_cast<double>(os::Millis() - t0) / 1000.0);
    recordsMb = static_cast<double>(Pfade.MemoryBytes()) / 1048576.0;
    files = Pfade.FileStore().LiveFiles();
    const int64_t t1 = os::Millis();
    if (!ExportResults(exported, 2)) {
      std::fprintf(stderr, "export failed\n");
      break;
    }
    exportSeconds.push_back(static_cast<double>(os::Millis() - t1) / 1000.0);
    // 51,101 directories and the "<DATEIEN>" records of the 50,000 leaves.
    if (r == 0 && Pfade.size() != 101101) {
      std::fprintf(stderr, "records: %zu\n", Pfade.size());
    }
  }
  const double peak = PeakMb();
  std::printf("import_1m_seconds: %.3f\n", Median(seconds));
  std::printf("export_1m_seconds: %.3f\n", Median(exportSeconds));
  std::printf("import_1m_files: %zu\n", files);
  std::printf("import_1m_file_mb: %.1f\n", static_cast<double>(bytes) / 1048576.0);
  std::printf("import_1m_records_mb: %.1f\n", recordsMb);
  std::printf("import_1m_peak_mb: %.1f\n", peak - (peakBefore > before ? peakBefore : before));
  ShutDown();
  DeleteFileW(file.c_str());
  DeleteFileW(exported.c_str());
  return 0;
}
