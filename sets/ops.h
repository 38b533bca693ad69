// The operations on the backup sets: creating, renaming and deleting sets, adding the rows
// selected in the result list and removing paths, filling the Backup Sets window, taking the
// entries' sizes from the scan results, and the reconciliation that marks covered records.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scan/model.h"

namespace vardune {

// Window 11 and its controls.
inline constexpr int kSetsWin = 11;
inline constexpr int kSetsLabel = 12;
inline constexpr int kSetsSelector = 13;
inline constexpr int kSetsDelete = 14;
inline constexpr int kSetsNew = 15;
inline constexpr int kSetsRename = 16;
inline constexpr int kSetsStatus = 17;
inline constexpr int kSetsPaths = 18;
inline constexpr int kSetsDragBox = 19;
inline constexpr int kSetsDragArea = 20;
inline constexpr int kSetsPathsLabel = 21;
inline constexpr int kSetsAdd = 22;
inline constexpr int kSetsRemove = 23;
// The message window shown while the marks are recomputed, and its text.
inline constexpr int kBusyWin = 90;
inline constexpr int kBusyText = 91;

inline constexpr std::wstring_view kSetsHint =
    L"Pfade hinzufügen mit <Hinzu> (ggfs.erst Set erstellen...)";

// ---- set names and entries (no window) ---------------------------------------------------

// 1 when BupSets holds the name ignoring letter case; that name becomes the current one.
int _SetExists(std::wstring_view name);
// Creates the set `newName` (old empty) unless it exists ignoring case, or renames the set
// `old` (found ignoring case) to `newName`, with all of its entries (matched ignoring case).
void _SetAddRename(std::wstring_view newName, std::wstring_view old);
// 1 when an entry of exactly that set has exactly that path.
int _SetHasPath(std::wstring_view set, std::wstring_view path);
// Removes the name from BupSets (ignoring case) and every entry whose set equals it ignoring
// case; the window part of _SetDelete.
void DeleteSetAndEntries(std::wstring_view name);
// Removes the first entry of exactly that set and path; false when there is none.
bool RemoveSetEntry(std::wstring_view set, std::wstring_view path);
// An answer of the name input as a set name: "|" would split the stored line, and so would a
// line break, so both are removed.
std::wstring CleanSetName(std::wstring_view answer);
// BupSets ascending ignoring case (stable).
void SortSetNames();
// Every set name used by an entry and not yet known (ignoring case) is added, in entry order.
void CollectSetNames();

// The size refresh without the window: BupPfade sorted by path ignoring case (stable), then
// every entry takes the Size of the first record whose Parent and Name are the entry's path
// split after its last "\" or "/" (exact); entries without a record keep their size.
void TakeSizesFrom(const PfadListe& list, std::vector<Pfad>& entries);

// What the window shows for one set: a row per entry of exactly that set (path, KB grouped)
// and the status text (the total in MB, or the hint when the total is 0).
struct SetView {
  std::vector<std::pair<std::wstring, std::wstring>> Rows;
  std::wstring Status;
};
SetView ViewOfSet(std::wstring_view set);

// ---- with the windows ----------------------------------------------------------------------

// Deletes the set and its entries, then shows the first set.
void _SetDelete(std::wstring_view name);
// Asks for a set name ("Vardune" / "Name für Backupset:", pre-filled with old) and creates
// (old empty) or renames the set.
void _SetNameInput(std::wstring_view old);
// Fills the selector with the sorted set names, selects `set` ("" = the first one) and lists
// its paths with their sizes and the total.
void _SetsRefresh(std::wstring_view set);
// After a scan (and after paths were added or removed): the entries' sizes from Pfade, and
// the window refreshed when it is open.
void _SetsUpdateSizes();
// "Hinzu": the selected rows of the result list join the selected set.
void _SetsAddSelected();
// "Löschen" under "Pfad(e):": the selected paths leave the selected set.
void _SetsRemoveSelected();
// Recomputes the Bup mark of every record of Pfade, with the message "Liste abgleichen..."
// shown meanwhile.
void _SetsCheckBIP();

}  // namespace vardune
