// Runs a program in a console of its own, as a user's command prompt would, and then prints
// what that console shows: the lines the program wrote to it, one a line, in UTF-8.
// inconsole.exe <program> [arguments...]; exit code: the program's, or 100 and more when
// something went wrong.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& s) {
  if (s.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 100;
  // The rest of this program's own command line, as it was quoted.
  std::wstring cmd = GetCommandLineW();
  const bool quoted = !cmd.empty() && cmd[0] == L'"';
  size_t k = quoted ? cmd.find(L'"', 1) + 1 : cmd.find(L' ');
  while (k < cmd.size() && cmd[k] == L' ') ++k;
  cmd = k < cmd.size() ? cmd.substr(k) : std::wstring();

  // What this program writes goes to the standard handles it was given, which stay; the
  // program run gets none of them, so that its text can only reach the new console.
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  FreeConsole();
  if (!AllocConsole()) return 101;
  const HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
  if (screen == INVALID_HANDLE_VALUE) return 102;
  // Wide enough that no line of a long path wraps.
  SetConsoleScreenBufferSize(screen, COORD{500, 200});
  SetStdHandle(STD_INPUT_HANDLE, nullptr);
  SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
  SetStdHandle(STD_ERROR_HANDLE, nullptr);

  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(argv[1], cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return 103;
  }
  if (WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0) {
    TerminateProcess(pi.hProcess, 1);
    return 104;
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);

  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(screen, &info)) return 105;
  std::string text;
  for (SHORT y = 0; y < info.dwCursorPosition.Y; ++y) {
    std::wstring line(static_cast<size_t>(info.dwSize.X), L' ');
    DWORD got = 0;
    ReadConsoleOutputCharacterW(screen, line.data(), static_cast<DWORD>(line.size()), COORD{0, y}, &got);
    line.resize(got);
    while (!line.empty() && line.back() == L' ') line.pop_back();
    text += Utf8(line) + "\r\n";
  }
  DWORD put = 0;
  WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
  return static_cast<int>(code);
}
