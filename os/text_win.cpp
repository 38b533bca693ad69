// Case tables of the Windows build: the system's own mapping, code unit by code unit, as
// CharUpperW / CharLowerW give it.
#include <windows.h>

namespace vardune::detail {
extern wchar_t gUpper[65536];
extern wchar_t gLower[65536];

void FillCaseTables() {
  for (unsigned i = 0; i < 65536; ++i) gUpper[i] = gLower[i] = static_cast<wchar_t>(i);
  // Surrogate halves are not letters; a lone half must not be changed by a string call.
  CharUpperBuffW(gUpper + 1, 0xD800 - 1);
  CharUpperBuffW(gUpper + 0xE000, 0x10000 - 0xE000);
  CharLowerBuffW(gLower + 1, 0xD800 - 1);
  CharLowerBuffW(gLower + 0xE000, 0x10000 - 0xE000);
}
}  // namespace vardune::detail
