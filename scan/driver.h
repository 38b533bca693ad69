// The scan driver: one complete scan of a path, from the press of the scan button to the
// refreshed result list, and the thread that makes the scan button blink meanwhile.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace vardune {

// The current directory of the view and the path the next scan starts from (path field 3);
// it ends with a backslash once normalised.
extern std::wstring GStartPath;
// 1 while _Scan runs; the blink thread runs while it is non-zero.
extern std::atomic<int> GScanning;

void _Scan(std::wstring_view path);
// The menu's stress test: asks first, then scans GStartPath reading every file.
void _StressScan();
// Alternates images 2 and 3 on the scan button every 300 ms while GScanning is set.
void _BlinkThread(int unused);
// Ends a blink thread that is still running (program end); returns when it has ended.
void StopBlinkThread();
bool BlinkThreadRunning();

// "%hh:%ii:%ss " + milliseconds + "ms" of a duration (days wrap).
std::wstring ScanDurationText(int64_t ms);

}  // namespace vardune
