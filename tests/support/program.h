// The real vardune.exe of the build, started as a user starts it: from a Linux shell through
// `wine` (standard output and error into files), or with CreateProcessW as a console program,
// a scheduled task or Explorer starts it, with its top-level windows watched while it runs.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace vardune::test {

// vardune.exe beside the test programs or in the build folder above them; "" when neither.
std::wstring ProgramPath();

struct ProgramRun {
  int exitCode = -1;     // -1: it could not be started, or did not end within two minutes
  std::string out, err;  // what reached standard output and error (UTF-8 as written)
  int windowsSeen = 0;   // top-level windows of the process seen while it ran (CreateProcessW)
};

// `wine vardune.exe ARGS > out 2> err` from /bin/sh in the folder of the program, or in
// `workDir` when one is given.
ProgramRun RunFromShell(const std::vector<std::wstring>& args, const std::wstring& workDir = L"");

// How CreateProcessW starts the program.
enum class StartedAs {
  Redirected,  // standard output and error are pipes of this test (cmd's "> file" and the like)
  NoConsole,   // DETACHED_PROCESS and no handles, as the task scheduler starts a GUI program;
               // this test's own standard handles point into pipes meanwhile, so that anything
               // that leaked into them would be seen in out and err
};
ProgramRun RunProcess(const std::vector<std::wstring>& args, StartedAs how);

// The program started from a console of its own without any redirection, as from a command
// prompt (by inconsole.exe beside the test programs): `out` holds the lines that console
// shows when the program has ended.
ProgramRun RunInConsole(const std::vector<std::wstring>& args);

// One argument in the quoting of the Windows command line (CommandLineToArgvW reads it back).
std::wstring WinArg(const std::wstring& a);

}  // namespace vardune::test
