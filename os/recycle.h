// Moving files and directories to the recycle bin, through the shell: the bin can give them
// back, which the program's own deletion cannot.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace vardune::os {

// Which call of the shell did the work.
enum class RecycleVia {
  None,               // nothing was handed over (no paths, or the shell refused the request)
  FileOperation,      // IFileOperation with FOFX_RECYCLEONDELETE
  ShellFileOperation  // SHFileOperationW with FOF_ALLOWUNDO
};

// Hands every path (absolute; a directory with or without its trailing backslash) to the
// shell to move it into the recycle bin, with `owner` as the owner of anything the shell shows
// (its progress, its question before an item that the bin cannot take is deleted for good).
// Nothing is asked before: the caller has asked. Items that cannot be moved stay where they
// are without a message; the caller looks what is left.
RecycleVia MoveToRecycleBin(const std::vector<std::wstring>& paths, HWND owner);

}  // namespace vardune::os
