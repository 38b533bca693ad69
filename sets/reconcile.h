// The reconciliation of the backup entries with the scan results: which records the sets
// cover. Pure logic; the window part is _SetsCheckBIP (sets/ops.h).
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "scan/model.h"

namespace vardune {

// Directories found covered in full by the last reconciliation (paths without trailing
// backslash), in the order they were found.
extern std::vector<std::wstring> BipDirs;

// 1 when BipDirs holds exactly this text.
int _BipHas(std::wstring_view text);
// 1 when the path of some entry of BupPfade (any set) contains the text (case-sensitive); an
// empty text is never found.
int _SetsPathContains(std::wstring_view text);
// The same over any list of entries.
bool EntriesContain(const std::vector<Pfad>& entries, std::wstring_view text);

// Rewrites the Bup flag of every record of the list, and BipDirs. A record is marked when
//  (a) its full path Parent + Name contains the path of some entry, or
//  (b) walking the list from the last record to the first in its runs of equal Parent, the
//      group of its children was all marked and some entry's path contains that group's
//      Parent; such a directory joins BipDirs and marks its own record when it is reached.
// The group visited last (the smallest Parent) is not evaluated. The result is exactly that
// of this step-by-step rule; the substring tests run through one automaton of all entry paths
// and each parent text is matched once for all its records.
void MarkCovered(PfadListe& list, const std::vector<Pfad>& entries);

}  // namespace vardune
