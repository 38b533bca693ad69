// Between the scan driver and the scanner: a local or share path is scanned as it is; a bare
// server path scans every share that "net.exe view" lists for the server.
#pragma once
#include <cstdint>
#include <string_view>

namespace vardune {
int64_t _ScanPath(std::wstring_view path);
}  // namespace vardune
