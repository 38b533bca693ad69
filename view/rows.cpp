// Rows of the result list: building, ordering, formatting (see rows.h).
#include "view/rows.h"

#include <algorithm>
#include <numeric>

#include "os/text.h"

namespace vardune {

ResultRow MakeRow(std::wstring_view parent, std::wstring_view name, int64_t size, int32_t dirs,
                  int32_t files, uint8_t bup, bool fullPath) {
  ResultRow r;
  r.cells[0] = bup ? L"X" : L"";
  r.cells[1] = size == -1 ? std::wstring(L"ERROR") : std::to_wstring(size / 1024);
  if (fullPath) {
    r.cells[2].reserve(parent.size() + name.size());
    r.cells[2].append(parent);
  }
  r.cells[2].append(name);
  r.cells[3] = std::to_wstring(files);
  r.cells[4] = std::to_wstring(dirs);
  return r;
}

ResultRow MakeRow(const Pfad& p, bool fullPath) {
  return MakeRow(p.Parent, p.Name, p.Size, p.Dirs, p.Files, p.Bup, fullPath);
}

SortOrder DecodeSort(int sort) {
  if (sort > 9) return {sort - 10, true};
  return {sort, false};
}

int NextSort(int sort, int column) {
  const SortOrder old = DecodeSort(sort);
  int next = column;
  if (column == old.column) {
    if (!old.descending) next += 10;
  } else if (old.descending) {
    next += 10;
  }
  return next;
}

namespace {

// Sort keys of a column: numbers for 0, 1, 3, 4, upper-cased texts for 2.
struct Keys {
  bool text = false;
  std::vector<int64_t> numbers;
  std::vector<std::wstring> texts;
};

Keys KeysOf(const std::vector<ResultRow>& rows, int column) {
  Keys k;
  k.text = column == 2;
  if (k.text) {
    k.texts.reserve(rows.size());
    for (const auto& r : rows) k.texts.push_back(UpperText(r.cells[2]));
  } else {
    k.numbers.reserve(rows.size());
    for (const auto& r : rows) {
      k.numbers.push_back(column >= 0 && column <= 4 ? NumberValue(r.cells[column]) : 0);
    }
  }
  return k;
}

// Unsigned code-unit order, a prefix being the smaller.
int CompareUnits(std::wstring_view a, std::wstring_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<std::make_unsigned_t<wchar_t>>(a[i]);
    const auto y = static_cast<std::make_unsigned_t<wchar_t>>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

std::vector<size_t> OrderRows(const std::vector<ResultRow>& rows, int sort) {
  const SortOrder o = DecodeSort(sort);
  const Keys k = KeysOf(rows, o.column);
  std::vector<size_t> order(rows.size());
  // Later rows first among equals: start from the reversed order and keep it stable.
  for (size_t i = 0; i < rows.size(); ++i) order[i] = rows.size() - 1 - i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const int c = k.text ? CompareUnits(k.texts[a], k.texts[b])
                         : (k.numbers[a] < k.numbers[b] ? -1 : (k.numbers[a] > k.numbers[b] ? 1 : 0));
    return o.descending ? c > 0 : c < 0;
  });
  return order;
}

bool SortsBefore(const ResultRow& a, const ResultRow& b, int sort) {
  const SortOrder o = DecodeSort(sort);
  int c;
  if (o.column == 2) {
    c = CompareUnits(UpperText(a.cells[2]), UpperText(b.cells[2]));
  } else {
    const bool valid = o.column >= 0 && o.column <= 4;
    const int64_t v = valid ? NumberValue(a.cells[o.column]) : 0;
    const int64_t key = valid ? NumberValue(b.cells[o.column]) : 0;
    c = v < key ? -1 : (v > key ? 1 : 0);
  }
  return o.descending ? c > 0 : c < 0;
}

std::wstring _PadKB(std::wstring_view s) {
  if (s.size() >= 9) return std::wstring(s);
  return std::wstring(9 - s.size(), L' ') + std::wstring(s);
}

void FormatKBColumn(std::vector<ResultRow>& rows) {
  for (auto& r : rows) {
    if (NumberValue(r.cells[1]) > 999) r.cells[1] = _PadKB(GroupThousands(r.cells[1]));
  }
}

std::wstring SummaryText(int64_t driveFree, int64_t driveTotal, int64_t bytes, int32_t dirs,
                         int32_t files) {
  return L"Laufwerk MB frei: " + GroupThousands(driveFree / 1048576) + L" / " +
         GroupThousands(driveTotal / 1048576) + L"\r\n" + L"Verzeichnis:   " +
         GroupThousands(bytes / 1024 / 1024) + L" MB   " + GroupThousands(dirs) + L" Verz   " +
         GroupThousands(files) + L" Dateien";
}

std::wstring SelectionText(int64_t kb, int32_t dirs, int32_t files) {
  return L"Auswahl:  " + GroupThousands(kb / 1024) + L" MB   " + GroupThousands(dirs) +
         L" Verz   " + GroupThousands(files) + L" Dateien";
}

std::wstring ParentDirOf(std::wstring_view startPath) {
  const long n = static_cast<long>(CountChar(startPath, L'\\')) - 1;
  if (n <= 0) return {};
  std::wstring out;
  size_t start = 0;
  for (long f = 0; f < n; ++f) {
    const size_t k = startPath.find(L'\\', start);
    out.append(startPath.substr(start, k - start));
    out += L'\\';
    start = k + 1;
  }
  return out;
}

}  // namespace vardune
