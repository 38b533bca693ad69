// Checks of the file table that a scan left: every file it keeps is what the system reports
// for that path, and every file the records count is kept.
#pragma once
#include <cstdint>
#include <string>

namespace vardune::test {

// What the check found; empty `problems` when the table holds.
struct FileTableCheck {
  int64_t files = 0;     // files kept in the table
  std::string problems;  // one line per difference, the first few
};

// Holds every kept file of the results against GetFileAttributesExW and the file's standard
// information (size, size on disk, last write to the second, attributes as flags), each
// directory's kept bytes against its "<DATEIEN>" record, and its kept count against the
// counts of its record and its subdirectories' records.
FileTableCheck CheckFilesAgainstTheSystem();

}  // namespace vardune::test
