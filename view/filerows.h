// The rows of the windows of the largest files and of the file types as texts, and their
// order after a click on a column title. Pure: no windows.h.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/fileremoval.h"
#include "scan/filetable.h"

namespace vardune {

// A file of the list of the largest. Cells by column: 0 "Name", 1 "KBytes", 2 "Verzeichnis"
// (the directory's path with its backslash), 3 "Geändert". The list shows "KBytes" first.
struct FileRow {
  std::array<std::wstring, 4> cells;
  int64_t size = 0;
  uint32_t time = 0;
  bool cloud = false;
  FileAt at{};
  std::wstring path;  // the file's full path
};

// A type of the list of types. Cells: 0 "Typ", 1 "KBytes", 2 "Anteil", 3 "Dateien".
struct TypeListRow {
  std::array<std::wstring, 4> cells;
  std::wstring type;  // as FileTypeOf gives it
  int64_t bytes = 0;
  int64_t files = 0;
  uint32_t rank = 0;  // in the ranking of the whole results
};

// What marks a file whose data is not on this computer (a cloud placeholder): it takes no
// space here.
inline constexpr std::wstring_view kCloudMark = L"  (nur online)";

// The row of a file that lies in directory `dir` (its path with the backslash); `date` is the
// file's time as the user's settings write it.
FileRow MakeFileRow(const FileInfo& file, std::wstring_view dir, FileAt at, std::wstring date);

// The kilobytes of a size as the result list writes them: bytes / 1024, grouped and padded
// to 9 characters above 999.
std::wstring KBytesText(int64_t bytes);
// A part of a whole in per cent with one decimal, as German writes it ("12,5 %"); "0,0 %" of
// nothing.
std::wstring ShareText(int64_t part, int64_t whole);
// A type as the list shows it: ".jpg", "(ohne)" for the files without one.
std::wstring TypeText(std::wstring_view type);

// The order of the rows under a sort order (column, or 10 + column for descending, as the
// result list counts them): sizes, shares, counts and times by their numbers, names,
// directories and types by their upper-case texts; equal keys keep the rows' order. Row
// indices, top first.
std::vector<size_t> OrderFileRows(const std::vector<FileRow>& rows, int sort);
std::vector<size_t> OrderTypeRows(const std::vector<TypeListRow>& rows, int sort);

}  // namespace vardune
