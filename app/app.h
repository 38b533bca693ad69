// The application shell: start-up in its fixed order, the main event loop that dispatches
// every event to the subsystem that handles it, and shut-down.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "ui/platform/platform.h"

namespace vardune {

// Directory of the running program, with a trailing backslash.
extern std::wstring GProgDir;
// Ends the main loop when set.
extern int GQuit;

// Start-up up to the main loop, with the command-line parameters (without the program name).
// False when the main window cannot be built: the program then ends at once.
bool StartUp(const std::vector<std::wstring>& args);
// Waits for events and dispatches them until GQuit is set.
void MainLoop();
// One event of the main loop.
void DispatchMainEvent(const ui::Event& e);
// Makes the keys of the main window reach the main loop (Enter, Backspace, Alt+Up, F5, Entf,
// Ctrl+C, Ctrl+A, Shift+F10 and the context-menu key, Esc).
void InstallMainKeys();
// Shut-down after the loop: the backup sets saved, the windows closed, threads ended.
void ShutDown();
// The whole program: start-up, loop, shut-down. Returns the process exit code.
int RunVardune(const std::vector<std::wstring>& args);

// The path field lost the focus: its text, with a backslash appended, becomes GStartPath.
void _PathFieldEvent(int type);
// Path of a special folder (CSIDL) without trailing backslash, or "" when it has none.
std::wstring _SpecialFolder(int csidl);
// Makes a column of a report list right-aligned.
void _RightAlignColumn(int gadget, int column);
// The start path from the first command-line parameter: everything up to and including its
// last "\" or "/"; GProgDir when that is empty.
std::wstring StartPathFromParameter(std::wstring_view parameter, std::wstring_view progDir);

}  // namespace vardune
