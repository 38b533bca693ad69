// Processes and pipes over Win32 (see process.h).
#include "os/process.h"

#include <windows.h>
#include <shellapi.h>

#include "os/fs.h"
#include "os/text.h"

namespace vardune::os {

StartSeam GStartSeam;

bool RunAndReadLines(const std::wstring& commandLine,
                     const std::function<void(std::string_view line)>& onLine,
                     const std::function<void()>& onIdle) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  Handle readEnd, writeEnd;
  if (!CreatePipe(readEnd.put(), writeEnd.put(), &sa, 0)) return false;
  // Only the child's end is inherited.
  SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  si.hStdInput = nullptr;
  si.hStdOutput = writeEnd.get();
  si.hStdError = nullptr;
  PROCESS_INFORMATION pi{};
  std::wstring cmd = commandLine;
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &si, &pi)) {
    return false;
  }
  Handle process(pi.hProcess);
  Handle thread(pi.hThread);
  // Without our copy of the writing end, the pipe reports its end once the child is gone.
  writeEnd.reset();
  if (onIdle) onIdle();

  std::string pending;
  char buf[4096];
  for (;;) {
    DWORD avail = 0;
    const BOOL peeked = PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &avail, nullptr);
    if (peeked && avail > 0) {
      DWORD got = 0;
      if (!ReadFile(readEnd.get(), buf, std::min<DWORD>(avail, sizeof buf), &got, nullptr) ||
          got == 0) {
        break;
      }
      pending.append(buf, got);
      size_t start = 0;
      for (size_t k; (k = pending.find('\n', start)) != std::string::npos; start = k + 1) {
        std::string line = pending.substr(start, k - start);
        std::erase(line, '\r');
        onLine(line);
      }
      pending.erase(0, start);
    } else {
      const bool ended = WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
      if (!peeked || ended) {
        // One last look: output written just before the end may still be in the pipe.
        DWORD last = 0;
        if (peeked && PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &last, nullptr) &&
            last > 0) {
          continue;
        }
        break;
      }
      if (onIdle) onIdle();
      // Wait a little for the child, without spinning.
      WaitForSingleObject(process.get(), 10);
    }
    if (onIdle) onIdle();
  }
  if (!pending.empty()) {
    std::erase(pending, '\r');
    onLine(pending);
  }
  return true;
}

void StartProgram(const std::wstring& program, const std::wstring& parameters,
                  const std::wstring& workDir) {
  if (GStartSeam.start) {
    GStartSeam.start(program, parameters, workDir);
    return;
  }
  std::wstring cmd = L"\"" + program + L"\" \"" + parameters + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     workDir.empty() ? nullptr : workDir.c_str(), &si, &pi)) {
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
}

void ShellOpen(const std::wstring& path) {
  if (GStartSeam.open) {
    GStartSeam.open(path);
    return;
  }
  ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace vardune::os
