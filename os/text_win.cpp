// The system's side of the text helpers in the Windows build: the case tables, code unit by
// code unit as CharUpperW / CharLowerW give them, and the OEM code page of console output.
#include <windows.h>

#include <string>
#include <string_view>

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

std::wstring DecodeOem(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(GetOEMCP(), 0, bytes.data(), static_cast<int>(bytes.size()),
                                    nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(GetOEMCP(), 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}
}  // namespace vardune::detail
