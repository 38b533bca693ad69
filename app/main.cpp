// Entry point of vardune.exe.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The parameters with the quoting of the Windows command line removed.
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::wstring> args;
  for (int i = 1; argv && i < argc; ++i) args.emplace_back(argv[i]);
  if (argv) LocalFree(argv);
  return vardune::RunVardune(args);
}
