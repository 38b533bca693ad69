// Processes: running a command hidden with its standard output read through a pipe, and
// starting programs without waiting (behind a seam that tests can observe).
#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace vardune::os {

// Runs the command line hidden, in the current directory, with its standard output in an
// anonymous pipe. Every complete line (bytes up to a line feed, carriage returns dropped) goes
// to onLine as it arrives, the last unterminated one at the end; onIdle runs once the process
// has started and then between reads.
// Returns when the process has ended and the pipe is empty; false when it could not start.
bool RunAndReadLines(const std::wstring& commandLine,
                     const std::function<void(std::string_view line)>& onLine,
                     const std::function<void()>& onIdle);

// Starts a program with parameters and working directory, without waiting; the outcome is
// not reported. A test can see the request instead through GStartSeam.
void StartProgram(const std::wstring& program, const std::wstring& parameters,
                  const std::wstring& workDir);
// Hands a path to the shell to open (a folder opens in the file manager); no waiting.
void ShellOpen(const std::wstring& path);

struct StartSeam {
  std::function<void(const std::wstring& program, const std::wstring& parameters,
                     const std::wstring& workDir)>
      start;
  std::function<void(const std::wstring& path)> open;
};
extern StartSeam GStartSeam;

}  // namespace vardune::os
