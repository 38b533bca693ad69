// Starting the real program (see program.h).
#include "tests/support/program.h"

#include <thread>

#include "os/fs.h"
#include "os/text.h"
#include "tests/support/support.h"

namespace vardune::test {

namespace {

bool IsFile(const std::wstring& p) {
  const DWORD a = GetFileAttributesW(p.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

struct WindowCount {
  DWORD pid;
  int count;
};

BOOL CALLBACK CountWindow(HWND w, LPARAM lp) {
  auto* c = reinterpret_cast<WindowCount*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == c->pid) ++c->count;
  return TRUE;
}

// Reads a pipe to its end on a thread of its own, so that a child that writes much never
// blocks on a full pipe.
class PipeReader {
 public:
  PipeReader() {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    CreatePipe(&read_, &write_, &sa, 0);
    SetHandleInformation(read_, HANDLE_FLAG_INHERIT, 0);
    thread_ = std::thread([this] {
      char buf[4096];
      DWORD got = 0;
      while (ReadFile(read_, buf, sizeof buf, &got, nullptr) && got > 0) text_.append(buf, got);
    });
  }
  ~PipeReader() { Finish(); }
  HANDLE WriteEnd() const { return write_; }
  // Closes this process's write end and waits for every other to be gone.
  std::string Finish() {
    if (write_) CloseHandle(write_);
    write_ = nullptr;
    if (thread_.joinable()) thread_.join();
    if (read_) CloseHandle(read_);
    read_ = nullptr;
    return text_;
  }

 private:
  HANDLE read_ = nullptr, write_ = nullptr;
  std::thread thread_;
  std::string text_;
};

}  // namespace

std::wstring ProgramPath() {
  wchar_t exe[MAX_PATH] = {0};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  dir = dir.substr(0, dir.rfind(L'\\') + 1);
  if (IsFile(dir + L"vardune.exe")) return dir + L"vardune.exe";
  const std::wstring up = dir.substr(0, dir.rfind(L'\\', dir.size() - 2) + 1);
  if (IsFile(up + L"vardune.exe")) return up + L"vardune.exe";
  return {};
}

ProgramRun RunFromShell(const std::vector<std::wstring>& args, const std::wstring& workDir) {
  ProgramRun r;
  const std::wstring exe = ProgramPath();
  if (exe.empty()) return r;
  const TempTree io;
  std::string cmd = "cd ";
  cmd += ShellQuote(UnixPath(workDir.empty() ? exe.substr(0, exe.rfind(L'\\') + 1) : workDir));
  cmd += " && wine ";
  cmd += ShellQuote(UnixPath(exe));
  for (const std::wstring& a : args) cmd.append(" ").append(ShellQuote(Narrow(a)));
  cmd += std::string(" >") + ShellQuote(UnixPath(io.Path(L"out")));
  cmd += std::string(" 2>") + ShellQuote(UnixPath(io.Path(L"err")));
  r.exitCode = RunUnix(cmd);
  r.out = os::ReadWholeFile(io.Path(L"out")).value_or("");
  r.err = os::ReadWholeFile(io.Path(L"err")).value_or("");
  return r;
}

namespace {

ProgramRun Run(const std::wstring& exe, const std::vector<std::wstring>& args, StartedAs how) {
  ProgramRun r;
  if (exe.empty()) return r;
  std::wstring cmd = WinArg(exe);
  for (const std::wstring& a : args) cmd += L" " + WinArg(a);
  PipeReader out, err;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  DWORD flags = 0;
  BOOL inherit = FALSE;
  const HANDLE oldOut = GetStdHandle(STD_OUTPUT_HANDLE), oldErr = GetStdHandle(STD_ERROR_HANDLE);
  if (how == StartedAs::Redirected) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = out.WriteEnd();
    si.hStdError = err.WriteEnd();
    inherit = TRUE;
  } else {
    flags = DETACHED_PROCESS;
    SetStdHandle(STD_OUTPUT_HANDLE, out.WriteEnd());
    SetStdHandle(STD_ERROR_HANDLE, err.WriteEnd());
  }
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, inherit, flags,
                                      nullptr, nullptr, &si, &pi);
  if (how == StartedAs::NoConsole) {
    SetStdHandle(STD_OUTPUT_HANDLE, oldOut);
    SetStdHandle(STD_ERROR_HANDLE, oldErr);
  }
  if (!started) return r;
  CloseHandle(pi.hThread);
  // Every top-level window of the process, hidden ones too, as long as it runs.
  const DWORD begin = GetTickCount();
  int most = 0;
  for (;;) {
    WindowCount c{pi.dwProcessId, 0};
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&c));
    if (c.count > most) most = c.count;
    if (WaitForSingleObject(pi.hProcess, 5) == WAIT_OBJECT_0) break;
    if (GetTickCount() - begin > 120000) {
      TerminateProcess(pi.hProcess, 99);
      WaitForSingleObject(pi.hProcess, 5000);
      CloseHandle(pi.hProcess);
      return r;
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  r.exitCode = static_cast<int>(code);
  r.windowsSeen = most;
  r.out = out.Finish();
  r.err = err.Finish();
  return r;
}

}  // namespace

ProgramRun RunProcess(const std::vector<std::wstring>& args, StartedAs how) {
  return Run(ProgramPath(), args, how);
}

ProgramRun RunInConsole(const std::vector<std::wstring>& args) {
  wchar_t self[MAX_PATH] = {0};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring helper(self);
  helper = helper.substr(0, helper.rfind(L'\\') + 1) + L"inconsole.exe";
  const std::wstring exe = ProgramPath();
  if (exe.empty()) return {};
  std::vector<std::wstring> all = {exe};
  all.insert(all.end(), args.begin(), args.end());
  return Run(helper, all, StartedAs::Redirected);
}

}  // namespace vardune::test
