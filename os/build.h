// The build date of the program, two-digit year, month and day ("%yy%mm%dd").
#pragma once

namespace vardune {
extern const wchar_t GBuild[];
}  // namespace vardune
