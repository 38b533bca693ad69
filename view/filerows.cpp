// Rows of the file views: texts and order (see filerows.h).
#include "view/filerows.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "os/text.h"
#include "view/rows.h"

namespace vardune {

FileRow MakeFileRow(const FileInfo& f, std::wstring_view dir, FileAt at, std::wstring date) {
  FileRow r;
  r.cloud = (f.Flags & kFileCloud) != 0;
  r.cells[0] = r.cloud ? f.Name + std::wstring(kCloudMark) : f.Name;
  r.cells[1] = KBytesText(f.Size);
  r.cells[2] = dir;
  r.cells[3] = std::move(date);
  r.size = f.Size;
  r.time = f.Time;
  r.at = at;
  r.path = std::wstring(dir) + f.Name;
  return r;
}

std::wstring KBytesText(int64_t bytes) {
  const int64_t kb = bytes / 1024;
  const std::wstring digits = std::to_wstring(kb);
  return kb > 999 ? _PadKB(GroupThousands(digits)) : digits;
}

std::wstring ShareText(int64_t part, int64_t whole) {
  const double share = whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0;
  wchar_t buf[32];
  std::swprintf(buf, 32, L"%.1f %%", share);
  std::wstring s = buf;
  std::replace(s.begin(), s.end(), L'.', L',');
  return s;
}

std::wstring TypeText(std::wstring_view type) {
  if (type.empty()) return L"(ohne)";
  return L"." + std::wstring(type);
}

namespace {

template <class Row, class Less>
std::vector<size_t> Order(const std::vector<Row>& rows, bool descending, Less less) {
  std::vector<size_t> order(rows.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return descending ? less(rows[b], rows[a]) : less(rows[a], rows[b]);
  });
  return order;
}

}  // namespace

std::vector<size_t> OrderFileRows(const std::vector<FileRow>& rows, int sort) {
  const SortOrder s = DecodeSort(sort);
  switch (s.column) {
    case 1:
      return Order(rows, s.descending, [](const FileRow& a, const FileRow& b) { return a.size < b.size; });
    case 3:
      return Order(rows, s.descending, [](const FileRow& a, const FileRow& b) { return a.time < b.time; });
    default: {
      const size_t c = s.column == 2 ? 2 : 0;
      return Order(rows, s.descending, [c](const FileRow& a, const FileRow& b) {
        return CompareNoCase(a.cells[c], b.cells[c]) < 0;
      });
    }
  }
}

std::vector<size_t> OrderTypeRows(const std::vector<TypeListRow>& rows, int sort) {
  const SortOrder s = DecodeSort(sort);
  switch (s.column) {
    case 1:
    case 2:
      return Order(rows, s.descending, [](const TypeListRow& a, const TypeListRow& b) { return a.bytes < b.bytes; });
    case 3:
      return Order(rows, s.descending, [](const TypeListRow& a, const TypeListRow& b) { return a.files < b.files; });
    default:
      return Order(rows, s.descending, [](const TypeListRow& a, const TypeListRow& b) {
        return CompareNoCase(a.cells[0], b.cells[0]) < 0;
      });
  }
}

}  // namespace vardune
