// The backup sets in memory (BupPfade, BupSets) and their store file BackupSets.txt in the data
// directory: the pure reading and writing of its lines, and loading/saving the file.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/model.h"

namespace vardune {

// One entry per path of each set: Parent = the path (a directory without trailing backslash,
// or a directory with backslash + "<DATEIEN>" for its loose files), Name = the set, Size = the
// bytes last taken from a scan. Dirs, Files and Bup stay 0.
extern std::vector<Pfad> BupPfade;
// The set names known while the program runs (the selector of the Backup Sets window).
extern std::vector<std::wstring> BupSets;
// The data directory with its trailing backslash; set at start-up.
extern std::wstring GDataDir;

inline constexpr std::wstring_view kSetsFileName = L"BackupSets.txt";

// One line of the file (without its line end): split at every "|" into path, set name and
// size; missing pieces are empty (size 0), pieces after the third are ignored.
Pfad ParseSetsLine(std::wstring_view line);
// Appends the entries of a whole file's bytes: lines end in CR LF, lone CR or lone LF, empty
// lines are skipped, each line is decoded from UTF-8 with invalid bytes as U+FFFD, and a UTF-8
// byte-order mark at the very start is skipped.
void ParseSetsFile(std::string_view bytes, std::vector<Pfad>& out);
// "path|set|size" of one entry, without line end.
std::wstring FormatSetsLine(const Pfad& e);
// The whole file: every entry's line in UTF-8, each ended by CR LF (with a byte-order mark in
// front only when the first path begins with U+FEFF, so that reading the file gives it back).
std::string FormatSetsFile(const std::vector<Pfad>& entries);

// True when both lists hold the same paths in the same sets, whatever their order and sizes:
// sizes and order are taken from the scan results again, the pairs are what the user made.
bool SameSets(const std::vector<Pfad>& a, const std::vector<Pfad>& b);
// Adds the entries of `added` to `into`: a path that `into` already holds in the same set
// (letter case ignored) takes the added entry's size, every other entry is appended in order.
void MergeSets(std::vector<Pfad>& into, const std::vector<Pfad>& added);

// Appends the entries of GDataDir + "BackupSets.txt" to BupPfade (the file is created empty
// when it is missing). A file that is there but cannot be read is named in a message.
void _SetsLoad();
// Writes all of BupPfade to GDataDir + "BackupSets.txt": into a temporary file first, which
// then replaces the old file with its attributes; where another program keeps the old file
// from being replaced, the content is written into it in place. A file that could not be read
// at start-up gets the entries made since then added to what it holds now; a read-only file is
// never written. Whenever sets would be lost that way, they go to a second file instead
// ("BackupSets (2).txt" ..., in the data directory, else in the temporary folder), and a
// message names both files.
void _SetsSave();

// True when the last _SetsLoad found the file present but could not read it.
bool SetsFileUnread();

}  // namespace vardune
