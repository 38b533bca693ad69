// The choice of the engine that walks one path: the one place where a scan decides how the
// tree is read. Every engine appends exactly the records, counters, progress texts and log
// lines of the one-at-a-time walk (_ScanDir).
#pragma once
#include <cstdint>
#include <string_view>

namespace vardune {

enum class ScanEngine {
  Auto,          // the path decides: a drive root of a local NTFS volume through its MFT where
                 // it can be read (mft.h); any other local directory listed ahead with the
                 // threads, handed to the MFT as soon as that is expected to end sooner; a
                 // network path listed ahead with the threads for its kind of medium
  OneAtATime,    // _ScanDir: the reference
  ListingAhead,  // ScanDirAhead
};
// Auto in the program; tests and benchmarks pin an engine.
extern ScanEngine GScanEngine;

// Listing threads for a local path and for a network path (a share, a mapped drive); the
// README gives the measurements behind them.
extern int GListingThreadsLocal;
extern int GListingThreadsNetwork;
int ListingThreadsFor(std::wstring_view path);

// Walks the tree of one path (a local directory or a share) with the chosen engine and
// returns its byte total, as _ScanDir does.
int64_t ScanTree(std::wstring_view path);

// What the choice between listing on and reading the MFT rests on, at one look during the
// listing walk.
struct ChoiceFacts {
  int64_t listedMicros = 0;  // spent listing so far
  int64_t listed = 0;        // entries (files and directories) counted so far
  int64_t expected = -1;     // entries of the target at its last scan, -1 for a first scan
  int64_t mftMicros = 0;     // what the MFT is expected to take (MftCostMicros)
};
// True when reading the MFT now is expected to end sooner than listing the rest. The rest of
// a rescan takes as long as the entries still to come at the rate so far; the rest of a first
// scan, or of a tree grown past its last count, is unknown and taken to be as long as what is
// behind (so that a scan never takes more than twice the better engine's time).
bool MftSooner(const ChoiceFacts& facts);
// The choice as the walk asks it; tests replace it to hand a walk over where they want.
extern bool (*GHandOverToMft)(const ChoiceFacts& facts);
// How long a first scan lists before it measures what the MFT would take (when no earlier
// scan of the volume in this process tells it): a walk that ends within it costs nothing
// more, and a measurement costs about as much (70 to 90 ms on the benchmark volume under
// Wine: opening the volume, its layout, two blocks of the MFT).
extern int64_t GMftMeasureAfterMicros;

}  // namespace vardune
