// Stand-in for the system's net.exe in tests: appends its command line to the file named by
// VARDUNE_NET_LOG, waits VARDUNE_NET_DELAY_MS milliseconds, and writes the bytes of the file
// named by VARDUNE_NET_OUTPUT to standard output unchanged. Placed beside the test programs,
// it is found before the system's.
#include <windows.h>

#include <string>

int wmain() {
  wchar_t out[MAX_PATH] = {0};
  wchar_t log[MAX_PATH] = {0};
  if (GetEnvironmentVariableW(L"VARDUNE_NET_LOG", log, MAX_PATH)) {
    HANDLE f = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      std::wstring line = GetCommandLineW();
      line += L"\n";
      DWORD put = 0;
      WriteFile(f, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &put, nullptr);
      CloseHandle(f);
    }
  }
  // VARDUNE_NET_DELAY_MS: a slow server, answering only after that many milliseconds.
  wchar_t delay[32] = {0};
  if (GetEnvironmentVariableW(L"VARDUNE_NET_DELAY_MS", delay, 32)) Sleep(_wtoi(delay));
  if (!GetEnvironmentVariableW(L"VARDUNE_NET_OUTPUT", out, MAX_PATH)) return 2;
  HANDLE in = CreateFileW(out, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return 3;
  HANDLE std = GetStdHandle(STD_OUTPUT_HANDLE);
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(in, buf, sizeof buf, &got, nullptr) && got > 0) {
    // Written in pieces, as a console program does, so that lines arrive split.
    for (DWORD i = 0; i < got; i += 7) {
      DWORD put = 0;
      WriteFile(std, buf + i, got - i < 7 ? got - i : 7, &put, nullptr);
    }
  }
  CloseHandle(in);
  return 0;
}
