// Text output of a program that has no console of its own (it is a GUI program). What it
// writes goes, per stream, to the standard handle its starter redirected (a file, a pipe,
// NUL), else to the console of the process that started it (AttachConsole), else nowhere: a
// scheduled task gives neither, and the program then writes nothing.
#pragma once
#include <string_view>

namespace vardune {

enum class ConsoleStream { Out, Err };

// Looks once for the redirected handles and the parent's console. Call before any line.
void OpenConsoleOutput();
// True when a line of this stream reaches anything.
bool ConsoleReaches(ConsoleStream s);
// One line (CR LF added): UTF-16 to a console, UTF-8 to a file or a pipe.
void ConsoleLine(ConsoleStream s, std::wstring_view line);

}  // namespace vardune
