// Output to a redirected standard handle or the starter's console (see console.h).
#include "app/console.h"

#include <windows.h>

#include <string>

#include "os/text.h"

namespace vardune {

namespace {

struct Target {
  HANDLE h = nullptr;
  bool console = false;  // WriteConsoleW; else WriteFile with UTF-8
};

Target gOut, gErr;
HANDLE gConOut = nullptr;

// A handle the starter gave the program on purpose: a file, a pipe or a character device that
// is no console (NUL). A GUI program started from a console without redirection inherits no
// usable handle (Microsoft: the standard handles of such a program "may be invalid at
// startup until AttachConsole is called").
Target Redirected(DWORD which) {
  const HANDLE h = GetStdHandle(which);
  if (!h || h == INVALID_HANDLE_VALUE) return {};
  const DWORD type = GetFileType(h);
  DWORD mode = 0;
  if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) return {h, false};
  if (type == FILE_TYPE_CHAR) return {h, GetConsoleMode(h, &mode) != 0};
  return {};
}

Target& Of(ConsoleStream s) { return s == ConsoleStream::Out ? gOut : gErr; }

}  // namespace

void OpenConsoleOutput() {
  // The redirected handles are taken before attaching: AttachConsole may replace handles
  // that are not valid with those of the console.
  gOut = Redirected(STD_OUTPUT_HANDLE);
  gErr = Redirected(STD_ERROR_HANDLE);
  if (gOut.h && gErr.h) return;
  // Windows gives a GUI program no console; Wine hands it that of its starter, and
  // AttachConsole then answers ERROR_ACCESS_DENIED, which Microsoft documents for "already
  // attached to a console": that console is used alike.
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return;
  gConOut = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
  if (gConOut == INVALID_HANDLE_VALUE) gConOut = nullptr;
  if (!gConOut) return;
  if (!gOut.h) gOut = {gConOut, true};
  if (!gErr.h) gErr = {gConOut, true};
}

bool ConsoleReaches(ConsoleStream s) { return Of(s).h != nullptr; }

void ConsoleLine(ConsoleStream s, std::wstring_view line) {
  const Target& t = Of(s);
  if (!t.h) return;
  std::wstring text(line);
  text += L"\r\n";
  if (t.console) {
    DWORD put = 0;
    WriteConsoleW(t.h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
    return;
  }
  const std::string bytes = ToUtf8(text);
  DWORD put = 0;
  WriteFile(t.h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
}

}  // namespace vardune
