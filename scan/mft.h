// The MFT engine: a scan of a directory on a local NTFS volume through one sequential read of
// the volume's master file table instead of a listing per directory. It gives the records,
// counters, progress texts, log lines and "STOPP" of the listing walk (_ScanDir). It is used
// when the volume's device can be opened for reading (on Windows: the program runs as
// administrator); otherwise, and whenever anything about the volume does not fit, the listing
// walk scans, as it always has.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vardune {

enum class MftMode {
  Auto,    // the MFT where it can be read and is the cheaper way
  Never,   // always the listing walk
  Always,  // the MFT wherever it can be read, however small the target
};
extern MftMode GMftMode;

// Dirs + Files of the scan target's record from an earlier scan, -1 when there is none. Set by
// the scan driver before it drops the old records: a rescan of a small subtree lists it
// rather than reading the whole MFT.
extern int64_t GRescanEntries;

// MFT bytes per read; large enough that a disk streams, small enough that the window stays
// alive between two reads.
extern size_t GMftBlockBytes;

// What the last call of _MftScanDir did, for the benchmark and the tests.
struct MftScanStats {
  bool used = false;           // the MFT engine gave the records
  uint64_t records = 0;        // records of the MFT
  uint64_t recordsInUse = 0;   // of them in use
  uint64_t bytesRead = 0;      // bytes read from the volume
  uint64_t mftBytesRead = 0;   // of them records of the MFT
  int64_t readMicros = 0;      // time spent in those reads
  size_t treeBytes = 0;        // memory of the built tree, before the walk
  std::wstring fallback;       // why the listing walk scans instead ("" when it does not)
};
extern MftScanStats GMftStats;

// Scans P through its volume's MFT, appending the records the listing walk would append, and
// sets `total` to the tree's byte total. False, with nothing appended, when the listing walk
// is to scan P instead.
bool _MftScanDir(std::wstring_view path, int64_t& total);

// Whether reading an MFT of `records` records is cheaper than listing a target of `entries`
// entries (-1: unknown, which reads the MFT).
bool MftCheaper(int64_t entries, uint64_t records);

}  // namespace vardune
