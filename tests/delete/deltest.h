// What the deletion tests share: a guard that ends the test program before the engine could
// touch anything outside the test's own temporary trees, and small looks at the disk.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/support.h"

namespace vardune::test {

// Only paths below these roots may be deleted; the engine's progress view shows every
// directory before anything in it is touched, and the guard ends the program at once when
// it shows any other. Also sets the working directory into a sandbox tree of the test
// program, so that a relative path could only ever resolve inside that.
void AllowDeletionIn(const std::vector<const TempTree*>& trees);
// The guard's check, for tests that install a progress hook of their own.
void CheckDeletionAllowed();
// Installs the guard as the progress hook.
void InstallGuard();

bool Exists(const std::wstring& path);
// Names in a directory ("." and ".." left out), sorted.
std::vector<std::wstring> Entries(const std::wstring& dir);
// The Linux path of a Windows path, formed by hand for paths on Z: (the Linux root): the
// system's conversion fails past MAX_PATH and below a missing directory, and trims names
// that end in a dot or a blank.
std::string UnixOf(const std::wstring& winPath);
// Creates a file of `size` bytes through Linux (for paths past MAX_PATH and names that end
// in a dot or a blank).
void UnixFile(const std::wstring& winPath, int size);
void UnixMkdir(const std::wstring& winPath);
bool SetReadOnly(const std::wstring& path);

// True when the system removes a directory link through a handle to the link itself; Wine 8
// opens the target of a Unix symbolic link instead, so there a link cannot be removed
// without acting on its target.
bool LinksOpenAsLinks(const std::wstring& link);

}  // namespace vardune::test
