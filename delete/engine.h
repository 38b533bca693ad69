// The deletion engine: the recursive walk that deletes a directory tree without asking and
// without the recycle bin, going on past what it cannot remove, counting what it visits into
// the progress window (39) and stopping when any window is asked to close.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vardune {

// Entries visited since the operation began (raised before each entry is deleted, so entries
// that stay are counted too) and the number expected from the scan results (0: not known,
// the display counts up; otherwise it counts down and may go below zero).
extern int32_t GDelCount;
extern int32_t GDelTotal;

// Deletes everything in `path` and, when noRoot is 0, `path` itself. 1 when the walk went
// through to the end (whatever could or could not be removed), -1 when it was cancelled by a
// close request. A path that is empty, relative or otherwise not plainly absolute is not
// touched (result 1). A directory that is a link (junction, mount point, symbolic link) is
// never entered: only the link itself is removed, and only where the system can remove it
// without acting on its target.
int32_t _DelTree(std::wstring_view path, uint8_t noRoot);

// Deletes one file without touching its attributes (a read-only file stays), and only when
// the object the path opens is the entry itself and not the target of a link. True when it
// is gone.
bool DelFile(const std::wstring& fullPath);

// The text of control 43 for the current counters: the remaining count while GDelTotal is
// set, else the count, grouped in threes with "'".
std::wstring DelCountText();

// Called after the progress window has shown an entry (tests watch the walk through it).
extern void (*GDelOnEntry)();

}  // namespace vardune
