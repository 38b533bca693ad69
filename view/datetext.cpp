// Dates of files in the user's format (see datetext.h).
#include "view/datetext.h"

#include <windows.h>

#include "scan/filetable.h"

namespace vardune {

std::wstring FileDateText(uint32_t seconds) {
  if (seconds == 0) return {};
  const uint64_t t = FileTimeOfSeconds(seconds);
  FILETIME ft{static_cast<DWORD>(t & 0xFFFFFFFFu), static_cast<DWORD>(t >> 32)};
  SYSTEMTIME utc{}, local{};
  if (!FileTimeToSystemTime(&ft, &utc)) return {};
  // The local time of that day, with the daylight saving time it had then.
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  wchar_t date[80] = {0}, time[80] = {0};
  if (!GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, 80,
                       nullptr)) {
    return {};
  }
  if (!GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, time, 80)) {
    return date;
  }
  return std::wstring(date) + L" " + time;
}

}  // namespace vardune
