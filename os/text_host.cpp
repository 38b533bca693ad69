// Case tables of the host build (sanitizer and fuzzing runs of the pure logic): the C
// library's wide-character mapping.
#include <clocale>
#include <cwctype>

namespace vardune::detail {
extern wchar_t gUpper[65536];
extern wchar_t gLower[65536];

void FillCaseTables() {
  std::setlocale(LC_CTYPE, "C.UTF-8");
  for (unsigned i = 0; i < 65536; ++i) {
    const bool surrogate = i >= 0xD800 && i < 0xE000;
    const auto u = surrogate ? i : static_cast<unsigned>(std::towupper(static_cast<wint_t>(i)));
    const auto l = surrogate ? i : static_cast<unsigned>(std::towlower(static_cast<wint_t>(i)));
    gUpper[i] = static_cast<wchar_t>(u < 65536 ? u : i);
    gLower[i] = static_cast<wchar_t>(l < 65536 ? l : i);
  }
}
}  // namespace vardune::detail
