// The comparison of two exports read from any bytes (split at the first NUL: the earlier one,
// then the results): it must not crash, give rows only below the compared directory, keep a
// mark for every file of the results, and what its rows say must add up to the change of a
// directory's own total.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "scan/compare.h"
#include "scan/import.h"
#include "scan/model.h"

using namespace vardune;

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "compare: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const size_t cut = all.find('\0');
  if (cut == std::string_view::npos) return 0;
  ImportResult now, then;
  ImportError err;
  if (!ReadNcduJson(all.substr(cut + 1), now, err) || !ReadNcduJson(all.substr(0, cut), then, err)) {
    return 0;
  }
  now.Records.SortByParent();
  Comparison c;
  CompareWith(now.Records, then, c);
  if (c.Marks.size() != now.Records.FileStore().LiveFiles()) Fail("a file without its mark");
  if (c.Before.size() != now.Records.size()) Fail("a record without its earlier size");
  if (c.Anchor.empty()) return 0;
  for (const ChangeRow& r : ChangesBelow(now.Records, c, c.Anchor, SIZE_MAX)) {
    if (!r.Dir.starts_with(c.Anchor)) Fail("a row outside the compared tree");
    if (r.Now == kBeforeAbsent && r.Before == kBeforeAbsent) Fail("a row of nothing");
  }
  std::string csv;
  WriteChangesCsv(now.Records, c, [&](std::string_view b) {
    csv.append(b);
    return true;
  });
  return 0;
}
