// Benchmark of the comparison with an earlier export: results of a million files in 50,000
// leaf directories (imported from a generated ncdu export, as bench/import makes it), compared
// with an export of the same tree in which 1 % of the files had another size, 1 % were not
// yet there and 1 % are gone since, from the chosen file to the filled window of the changes.
// Prints compare_1m_seconds (median of three), compare_1m_import_seconds (the import of the
// results, once, in the same run) and their ratio compare_vs_import, compare_extra_bytes_per_file
// (what the comparison keeps, per file of the results) and compare_1m_rows (the rows of the top).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/exchange.h"
#include "bench/bench.h"
#include "os/clock.h"
#include "os/fs.h"
#include "scan/model.h"
#include "view/changeswindow.h"

using namespace vardune;
using bench::Median;

namespace {

// The tree of bench/import; `earlier`: as it was, with the files that changed since as they
// were then.
bool Generate(const std::wstring& path, bool earlier) {
  os::Handle f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  std::string out;
  const auto flush = [&]() {
    DWORD put = 0;
    const bool ok = WriteFile(f.get(), out.data(), static_cast<DWORD>(out.size()), &put, nullptr) &&
                    put == out.size();
    out.clear();
    return ok;
  };
  long long k = 0;
  char line[200];
  out += "[1,2,{\"progname\":\"ncdu\",\"progver\":\"2.3\",\"timestamp\":1700000000},\n"
         "[{\"name\":\"/bench\",\"asize\":4096,\"dsize\":4096}";
  for (int top = 0; top < 100; ++top) {
    std::snprintf(line, sizeof line, ",\n[{\"name\":\"top%02d\",\"asize\":4096}", top);
    out += line;
    for (int mid = 0; mid < 10; ++mid) {
      std::snprintf(line, sizeof line, ",\n[{\"name\":\"mid%d\",\"asize\":4096}", mid);
      out += line;
      for (int leaf = 0; leaf < 50; ++leaf) {
        std::snprintf(line, sizeof line, ",\n[{\"name\":\"leaf%02d\",\"asize\":4096}", leaf);
        out += line;
        for (int file = 0; file < 20; ++file, ++k) {
          long long size = (file + 1) * 3001LL + leaf;
          const int kind = static_cast<int>(k % 100);
          if (kind == 1 && earlier) size += 1000;       // resized since
          if (kind == 2 && !earlier) continue;          // gone since
          std::snprintf(line, sizeof line,
                        ",\n{\"name\":\"file-%02d.dat\",\"asize\":%lld,\"dsize\":%lld,\"mtime\":1700000000}",
                        file, size, (size + 4095) / 4096 * 4096);
          out += line;
          if (kind == 3 && !earlier) {                  // new since
            std::snprintf(line, sizeof line, ",\n{\"name\":\"new-%02d.dat\",\"asize\":%lld}", file, size);
            out += line;
          }
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

}  // namespace

int wmain() {
  wchar_t tmp[MAX_PATH + 1] = {0};
  GetTempPathW(MAX_PATH, tmp);
  const std::wstring now = std::wstring(tmp) + L"vardune-bench-compare-now.json";
  const std::wstring then = std::wstring(tmp) + L"vardune-bench-compare-then.json";
  if (!Generate(now, false) || !Generate(then, true)) {
    std::fprintf(stderr, "cannot write the export files\n");
    return 1;
  }
  if (!StartUp({})) return 1;
  // The import of the results themselves, in the same run: the yardstick on a noisy machine.
  const int64_t i0 = os::Millis();
  if (!ImportResults(now)) {
    std::fprintf(stderr, "import failed\n");
    return 1;
  }
  bench::Pump();
  const double importSeconds = static_cast<double>(os::Millis() - i0) / 1000.0;
  std::vector<double> seconds;
  for (int r = 0; r < 3; ++r) {
    EndComparison();
    const int64_t t0 = os::Millis();
    if (!CompareWithFile(then)) {
      std::fprintf(stderr, "comparison failed\n");
      break;
    }
    bench::Pump();
    seconds.push_back(static_cast<double>(os::Millis() - t0) / 1000.0);
  }
  const size_t files = Pfade.FileStore().LiveFiles();
  std::printf("compare_1m_seconds: %.3f\n", Median(seconds));
  std::printf("compare_1m_import_seconds: %.3f\n", importSeconds);
  std::printf("compare_vs_import: %.2f\n", importSeconds > 0 ? Median(seconds) / importSeconds : 0.0);
  std::printf("compare_extra_bytes_per_file: %.2f\n",
              files ? static_cast<double>(CurrentComparison().MemoryBytes()) / static_cast<double>(files) : 0.0);
  std::printf("compare_1m_files: %zu\n", files);
  std::printf("compare_1m_rows: %zu\n", ChangesShown().size());
  ShutDown();
  DeleteFileW(now.c_str());
  DeleteFileW(then.c_str());
  return 0;
}
