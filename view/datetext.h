// The last-write time of a file as the user's settings write a date and a time.
#pragma once
#include <cstdint>
#include <string>

namespace vardune {

// The time as the file table keeps it (seconds since 1970, UTC) in the local time of this
// computer, as the user's short date and the time without seconds; "" for 0 (not known).
std::wstring FileDateText(uint32_t seconds);

}  // namespace vardune
