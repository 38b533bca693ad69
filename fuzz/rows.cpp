// The number texts of the result list: GroupThousands, the numeric value of a cell, the padded
// kilobyte cell, and the order of rows. The grouping and the value are compared with their
// rules applied literally (the value with exact 128-bit arithmetic); the order of the rows with
// the list's own way of inserting one row after the other.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "os/text.h"
#include "view/rows.h"

using namespace vardune;

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "rows: %s\n", what);
  std::abort();
}

constexpr wchar_t kAlphabet[] = {L'0', L'1', L'2', L'3', L'4', L'5', L'6', L'7', L'8', L'9',
                                 L' ', L'\t', L'-', L'+', L'\'', L'E', L'ä', L'\xD800'};

std::wstring Text(FuzzedDataProvider& in, size_t maxLen) {
  std::wstring s;
  const size_t n = in.ConsumeIntegralInRange<size_t>(0, maxLen);
  for (size_t i = 0; i < n && in.remaining_bytes() > 0; ++i) {
    s += kAlphabet[in.ConsumeIntegral<uint8_t>() % std::size(kAlphabet)];
  }
  return s;
}

// "While the rest is longer than 3 characters, move its last three to the front of the result,
// preceded by "'"; then put the rest in front."
std::wstring PlainGroup(std::wstring rest) {
  std::wstring out;
  while (rest.size() > 3) {
    out = L"'" + rest.substr(rest.size() - 3) + out;
    rest.resize(rest.size() - 3);
  }
  return rest + out;
}

int64_t PlainValue(const std::wstring& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) neg = s[i++] == L'-';
  __int128 v = 0;
  for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {
    v = v * 10 + (s[i] - L'0');
    if (v > (static_cast<__int128>(1) << 64)) v = static_cast<__int128>(1) << 64;  // stays past the range
  }
  if (neg) v = -v;
  if (v > INT64_MAX) return INT64_MAX;
  if (v < INT64_MIN) return INT64_MIN;
  return static_cast<int64_t>(v);
}

void CheckText(const std::wstring& s) {
  const std::wstring g = GroupThousands(s);
  if (g != PlainGroup(s)) Fail("GroupThousands");
  if (NumberValue(s) != PlainValue(s)) Fail("NumberValue");
  const std::wstring p = _PadKB(s);
  if (p.size() != std::max<size_t>(9, s.size())) Fail("_PadKB length");
  if (p.substr(p.size() - s.size()) != s || p.find_first_not_of(L' ') < p.size() - s.size()) {
    Fail("_PadKB content");
  }
}

void CheckNumber(int64_t v) {
  const std::wstring digits = std::to_wstring(v);
  if (GroupThousands(v) != PlainGroup(digits)) Fail("GroupThousands of a number");
  if (NumberValue(digits) != v || NumberValue(L" \t+" + std::to_wstring(v < 0 ? 0 : v)) != (v < 0 ? 0 : v)) {
    Fail("NumberValue of a number");
  }
  // A grouped cell reads as its first group: the grouping must come after the sorting.
  const std::wstring g = GroupThousands(v);
  if (NumberValue(g) != PlainValue(g.substr(0, g.find(L'\'')))) Fail("value of a grouped cell");
}

// Texts of numbers around the ends of the 64-bit range, where reading must saturate: the
// digits of a limit cut anywhere, a few digits more, a sign, blanks in front, junk behind.
void CheckNearLimits(FuzzedDataProvider& in) {
  std::wstring digits = in.ConsumeBool() ? L"9223372036854775807" : L"9223372036854775808";
  digits.resize(in.ConsumeIntegralInRange<size_t>(0, digits.size()));
  const size_t more = in.ConsumeIntegralInRange<size_t>(0, 3);
  for (size_t k = 0; k < more; ++k) digits += static_cast<wchar_t>(L'0' + in.ConsumeIntegralInRange<int>(0, 9));
  const std::wstring sign = in.PickValueInArray({L"", L"-", L"+"});
  CheckText(std::wstring(in.ConsumeIntegralInRange<size_t>(0, 2), L' ') + sign + digits + Text(in, 3));
}

// The list's own way: each row in turn at the first place that does not sort before it.
std::vector<size_t> InsertedOrder(const std::vector<ResultRow>& rows, int sort) {
  std::vector<ResultRow> list;
  std::vector<size_t> order;
  for (size_t i = 0; i < rows.size(); ++i) {
    const size_t at = InsertionIndex(list, rows[i], sort);
    for (size_t k = 0; k < at; ++k) {
      if (!SortsBefore(list[k], rows[i], sort)) Fail("rows above the new one do not sort before it");
    }
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), rows[i]);
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), i);
  }
  return order;
}

void CheckRows(FuzzedDataProvider& in) {
  std::vector<ResultRow> rows;
  const size_t n = in.ConsumeIntegralInRange<size_t>(0, 40);
  for (size_t i = 0; i < n && in.remaining_bytes() > 0; ++i) {
    int64_t size = in.ConsumeBool() ? in.ConsumeIntegralInRange<int64_t>(-1, 4 * 1024 * 1024)
                                    : in.ConsumeIntegral<int64_t>();
    Pfad p{L"C:\\", Text(in, 4), size, in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<int32_t>(),
           static_cast<uint8_t>(in.ConsumeBool())};
    ResultRow r = MakeRow(p, in.ConsumeBool());
    if (r.cells[1] != (size == -1 ? std::wstring(L"ERROR") : std::to_wstring(size / 1024))) Fail("KBytes cell");
    rows.push_back(std::move(r));
  }
  const int sort = in.PickValueInArray({0, 1, 2, 3, 4, 10, 11, 12, 13, 14});
  if (OrderRows(rows, sort) != InsertedOrder(rows, sort)) Fail("OrderRows differs from inserting");

  std::vector<ResultRow> formatted = rows;
  FormatKBColumn(formatted);
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::wstring& before = rows[i].cells[1];
    const std::wstring& after = formatted[i].cells[1];
    if (NumberValue(before) > 999) {
      if (after != _PadKB(GroupThousands(before))) Fail("kilobyte cell not grouped and padded");
    } else if (after != before) {
      Fail("small kilobyte cell changed");
    }
    for (int c : {0, 2, 3, 4}) {
      if (formatted[i].cells[c] != rows[i].cells[c]) Fail("formatting touched another column");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      CheckText(Text(in, 40));
      break;
    case 1:
      CheckNumber(in.ConsumeIntegral<int64_t>());
      break;
    case 2:
      CheckNearLimits(in);
      break;
    default:
      CheckRows(in);
      break;
  }
  return 0;
}
