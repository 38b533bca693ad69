// Benchmark of what the results keep of every file: scans (_Scan, the engine the program
// chooses) of the benchmark tree and of the tree with the names of /usr, and the memory the file
// table takes there. Prints "name: value" lines: bytes_per_file (the real-names tree: the file
// table's bytes, capacity included, over its files), bytes_per_file_bench_tree, the files and
// megabytes behind them, and the records' own bytes per record for comparison.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/bench.h"
#include "scan/driver.h"
#include "scan/model.h"

using namespace vardune;

namespace {

void Measure(const wchar_t* label, const std::wstring& tree) {
  Pfade.Clear();
  _Scan(tree);
  const FileTable& t = Pfade.FileStore();
  const size_t files = t.LiveFiles();
  const double tableBytes = static_cast<double>(t.MemoryBytes());
  const double all = static_cast<double>(Pfade.MemoryBytes());
  std::printf("%ls: %.1f\n", label, files ? tableBytes / static_cast<double>(files) : 0.0);
  std::printf("%ls_files: %zu\n", label, files);
  std::printf("%ls_table_mb: %.1f\n", label, tableBytes / 1048576.0);
  std::printf("%ls_records_bytes_per_record: %.1f\n", label,
              Pfade.size() ? (all - tableBytes) / static_cast<double>(Pfade.size()) : 0.0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_files <tree with real names> <benchmark tree>\n");
    return 2;
  }
  bench::OpenWindowForPumping();
  Measure(L"bytes_per_file", argv[1]);
  Measure(L"bytes_per_file_bench_tree", argv[2]);
  return 0;
}
