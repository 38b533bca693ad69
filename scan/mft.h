// The MFT engine: a scan of a directory on a local NTFS volume through one sequential read of
// the volume's master file table instead of a listing per directory. It gives the records,
// counters, progress texts, log lines and "STOPP" of the listing walk (_ScanDir). It is used
// when the volume's device can be opened for reading (on Windows: the program runs as
// administrator); otherwise, and whenever anything about the volume does not fit, the listing
// walk scans, as it always has. Whether it is the cheaper way is the engine choice's question
// (engine.h), which asks MftCostMicros.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vardune {

enum class MftMode {
  Auto,    // the MFT where it can be read and is the cheaper way (engine.h)
  Never,   // always the listing walk
  Always,  // the MFT wherever it can be read, however small the target
};
extern MftMode GMftMode;

// Dirs + Files of the scan target's record from an earlier scan, -1 when there is none. Set by
// the scan driver before it drops the old records: the engine choice predicts from it how long
// listing the rest of a rescan takes.
extern int64_t GRescanEntries;

// MFT bytes per read; large enough that a disk streams, small enough that the window stays
// alive between two reads.
extern size_t GMftBlockBytes;

// The phases of an MFT scan. Each of them pumps the window's events at least every
// GPumpIntervalMs and takes "STOPP"; GMftPhase names the one running (tests see from it where
// a pump came from).
enum class MftPhase { None, Layout, Read, Tags, Build, Locate, Check, Walk };
extern MftPhase GMftPhase;
// Steps of the tree's build between two looks at the window (a step costs nanoseconds).
extern uint32_t GMftBuildSteps;

// What the last call of _MftScanDir did, for the benchmark and the tests.
struct MftScanStats {
  bool used = false;           // the MFT engine gave the records
  uint64_t records = 0;        // records of the MFT
  uint64_t recordsInUse = 0;   // of them in use
  uint64_t recordsBroken = 0;  // of them in use but unreadable
  uint64_t bytesRead = 0;      // bytes read from the volume
  uint64_t mftBytesRead = 0;   // of them records of the MFT
  int64_t readMicros = 0;      // time spent in those reads
  int64_t micros = 0;          // the whole scan up to its walk
  size_t treeBytes = 0;        // memory of the built tree, before the walk
  int64_t listedMicros = 0;    // a listing walk ran this long before it handed over to the MFT
  std::wstring fallback;       // why the listing walk scans instead ("" when it does not)
};
extern MftScanStats GMftStats;

// Scans P through its volume's MFT, appending the records the listing walk would append, and
// sets `total` to the tree's byte total. False, with nothing appended, when the listing walk
// is to scan P instead.
bool _MftScanDir(std::wstring_view path, int64_t& total);

// What a scan of P through the MFT is expected to take up to its walk, in microseconds: as
// long as the last one of that volume took in this process, per record of its MFT; else, when
// `measure` is set, measured now by opening the volume and timing its first block. -1 when
// nothing is known (or, measured, the MFT of P cannot be read).
int64_t MftCostMicros(std::wstring_view path, bool measure);
// Forgets what earlier scans taught (benchmarks, tests).
void MftForgetCosts();

}  // namespace vardune
