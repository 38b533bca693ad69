// Pure path logic of the deletion: the number of entries a deletion of a directory is expected
// to visit, taken from the scan results, and the test that a path is safe to hand to the engine.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "scan/model.h"

namespace vardune {

// The record that the lookup searches for directory D (absolute, ending with a backslash):
// Name is the n-th field of D split at its backslashes, n being the number of backslashes;
// Parent is D up to that field (empty when n is 1 or less). Both in lower case.
struct DelKey {
  std::wstring Parent;
  std::wstring Name;
};
DelKey DelLookupKey(std::wstring_view d);

// Dirs + Files of the first record whose Parent and Name equal D's key, ignoring letter case
// (the system's lower-casing, umlauts included); 0 when no record matches.
int32_t DelExpectedCount(const PfadListe& list, std::wstring_view d);
// The same over the scan results of this run.
int32_t _DelExpected(std::wstring_view d);

// True when the engine may act on the path: a drive path ("C:\...") or a network path
// ("\\server\share..."), optionally in the \\?\ form, with no "." or ".." component, no
// forward slash and no empty component inside. An empty or relative path would resolve
// against the working directory, so it is never deletable.
bool IsDeletablePath(std::wstring_view path);

// True when a listed name can be appended to a directory path as one entry: not empty, not
// "." or "..", without path separators or a drive colon.
bool IsPlainEntryName(std::wstring_view name);

}  // namespace vardune
