// The rows of the window of the changes (see changerows.h).
#include "view/changerows.h"

#include <algorithm>
#include <numeric>

#include "os/text.h"
#include "view/rows.h"

namespace vardune {

std::wstring SignedKBText(int64_t bytes) {
  const uint64_t magnitude = bytes < 0 ? 0 - static_cast<uint64_t>(bytes) : static_cast<uint64_t>(bytes);
  return (bytes < 0 ? L"-" : L"+") + GroupThousands(std::to_wstring(magnitude / 1024));
}

std::wstring SizeKBText(int64_t size, const wchar_t* absent) {
  if (size == kBeforeAbsent) return absent;
  if (size < 0) return L"ERROR";
  return GroupThousands(std::to_wstring(size / 1024));
}

ChangeListRow MakeChangeListRow(ChangeRow change) {
  ChangeListRow r;
  r.cells[0] = SignedKBText(change.Growth());
  r.cells[1] = SizeKBText(change.Now, L"weg");
  r.cells[2] = SizeKBText(change.Before, L"neu");
  // A directory's name ends with its backslash, as its path does: beside the files, it is
  // seen for what it is.
  r.cells[3] = change.Name + (change.IsDir ? L"\\" : L"");
  r.cells[4] = change.Dir;
  r.change = std::move(change);
  return r;
}

namespace {

// A size as it sorts: what is not there below an empty or unreadable one.
int64_t SortSize(int64_t size) {
  if (size == kBeforeAbsent) return -2;
  return size < 0 ? -1 : size;
}

}  // namespace

std::vector<size_t> OrderChangeRows(const std::vector<ChangeListRow>& rows, int sort) {
  const SortOrder o = DecodeSort(sort);
  const auto key = [&](const ChangeListRow& r) -> int64_t {
    switch (o.column) {
      case 0: return r.change.Growth();
      case 1: return SortSize(r.change.Now);
      case 2: return SortSize(r.change.Before);
      default: return 0;
    }
  };
  std::vector<size_t> order(rows.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const ChangeListRow& x = rows[a];
    const ChangeListRow& y = rows[b];
    int c = 0;
    if (o.column == 3 || o.column == 4) {
      c = CompareNoCase(x.cells[static_cast<size_t>(o.column)], y.cells[static_cast<size_t>(o.column)]);
    } else {
      const int64_t kx = key(x), ky = key(y);
      c = kx < ky ? -1 : kx > ky ? 1 : 0;
    }
    return o.descending ? c > 0 : c < 0;
  });
  return order;
}

}  // namespace vardune
