// The build date, fixed when the program is built (generated header).
#include "os/build.h"

#include "build_date.h"

namespace vardune {
const wchar_t GBuild[] = VARDUNE_BUILD_DATE;
}  // namespace vardune
