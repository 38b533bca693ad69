// The choice of the engine that walks one path: the one place where a scan decides how the
// tree is read. Every engine appends exactly the records, counters, progress texts and log
// lines of the one-at-a-time walk (_ScanDir).
#pragma once
#include <cstdint>
#include <string_view>

namespace vardune {

enum class ScanEngine {
  Auto,          // the path decides: the MFT of a local NTFS volume where it can be read and
                 // is the cheaper way (mft.h), else listing ahead with the threads for its
                 // kind of medium
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

}  // namespace vardune
