// The reader of BackupSets.txt on any bytes: it must neither crash nor hang, and what it reads
// must survive a save: writing the entries and reading that file again gives the same entries,
// and writing those once more gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string_view>
#include <vector>

#include "sets/store.h"

using namespace vardune;

namespace {
void Fail(const char* what) {
  std::fprintf(stderr, "store_file: %s\n", what);
  std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  std::vector<Pfad> loaded;
  ParseSetsFile(bytes, loaded);
  // Every entry comes from a line of its own, and a line holds at least one byte.
  if (loaded.size() > size) Fail("more entries than bytes");
  for (const Pfad& e : loaded) {
    if (e.Dirs != 0 || e.Files != 0 || e.Bup != 0) Fail("unused field set");
    if (e.Parent.find(L'|') != std::wstring::npos || e.Name.find(L'|') != std::wstring::npos) {
      Fail("separator inside a field");
    }
  }

  const std::string saved = FormatSetsFile(loaded);
  std::vector<Pfad> reloaded;
  ParseSetsFile(saved, reloaded);
  if (reloaded != loaded) Fail("save then load changed the entries");
  if (FormatSetsFile(reloaded) != saved) Fail("saving twice gave other bytes");

  // Reading appends: what was there before stays in front.
  std::vector<Pfad> appended{Pfad{L"C:\\vorher", L"S", 1, 0, 0, 0}};
  ParseSetsFile(bytes, appended);
  if (appended.size() != loaded.size() + 1 || appended.front().Parent != L"C:\\vorher") {
    Fail("reading did not append");
  }
  return 0;
}
