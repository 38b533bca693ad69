// The import of ncdu's JSON export on any bytes, fed in chunks of varying size: it must
// neither crash nor hang, a failure must say where, and what it reads must be records a scan
// could leave: names without backslashes, no two records of one path, sizes and counts that
// add up, no path past 250 characters but an ERROR record's, files of a directory under names
// of their own. Writing those records with the
// program's own export and reading them again must give the same records.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scan/export.h"
#include "scan/import.h"
#include "scan/model.h"

using namespace vardune;

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "ncdu_import: %s\n", what);
  std::abort();
}

std::vector<Pfad> All(const PfadListe& l) {
  std::vector<Pfad> v;
  for (size_t i = 0; i < l.size(); ++i) v.push_back(l.Get(i));
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte chooses the chunk size, so that sequences and tokens split anywhere.
  if (size == 0) return 0;
  const size_t chunk = 1 + data[0] % 16;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  size_t at = 0;
  ImportResult r;
  ImportError e;
  const bool ok = ReadNcduJson(
      [&](char* buf, size_t cap) -> int64_t {
        const size_t n = std::min({cap, chunk, bytes.size() - at});
        std::memcpy(buf, bytes.data() + at, n);
        at += n;
        return static_cast<int64_t>(n);
      },
      r, e);
  if (!ok) {
    if (e.Text.empty() || e.Line < 1 || e.Column < 1) Fail("a failure without its place");
    if (e.Line > static_cast<int64_t>(bytes.size()) + 1) Fail("line past the input");
    return 0;
  }

  bool saturated = false;
  std::set<std::pair<std::wstring, std::wstring>> seen;
  for (size_t i = 0; i < r.Records.size(); ++i) {
    const Pfad p = r.Records.Get(i);
    if (p.Name.find(L'\\') != std::wstring::npos) Fail("backslash in a name");
    if (!seen.emplace(p.Parent, p.Name).second) Fail("two records of one path");
    if (p.Size < -1 || p.Dirs < 0 || p.Files < 0) Fail("negative size or count");
    if (p.Size == std::numeric_limits<int64_t>::max() ||
        p.Files == std::numeric_limits<int32_t>::max() ||
        p.Dirs == std::numeric_limits<int32_t>::max()) {
      saturated = true;
    }
    if (p.Name == kDateien) {
      if (p.Size <= 0 || p.Dirs != 0) Fail("file-sum record without bytes");
      continue;
    }
    if (p.Size < 0 && (p.Dirs != 0 || p.Files != 0)) Fail("ERROR record with counts");
    std::set<std::wstring> files;
    for (const FileInfo& f : p.FileList) {
      if (f.Name.empty() || f.Name.find(L'\\') != std::wstring::npos) Fail("bad file name");
      if (!files.insert(f.Name).second) Fail("two files of one name in a directory");
      if (f.Size < 0 || f.Allocated < 0) Fail("negative file size");
      if (seen.count({p.Parent + p.Name + L"\\", f.Name})) Fail("a file with a directory's name");
    }
    if (p.FileList.size() > static_cast<size_t>(p.Files)) Fail("more files kept than counted");
    if (p.Size >= 0 && p.Parent.size() + p.Name.size() + 1 > 250) Fail("long path not an error");
  }

  // Totals that saturated cannot come back the same.
  if (saturated || r.Records.empty()) return 0;
  r.Records.SortByParent();
  std::string json;
  const JsonExportResult w = WriteNcduJson(r.Records, NcduMeta{"fuzz", 0}, [&](std::string_view b) {
    json.append(b);
    return true;
  });
  if (w != JsonExportResult::Ok) Fail("the import's records could not be exported");
  ImportResult again;
  if (!ReadNcduJson(json, again, e)) Fail("the own export did not read back");
  again.Records.SortByParent();
  if (All(again.Records) != All(r.Records)) Fail("export and import changed the records");
  return 0;
}
