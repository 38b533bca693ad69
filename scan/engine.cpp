// The choice of the scan engine (see engine.h).
#include "scan/engine.h"

#include "os/fs.h"
#include "scan/mft.h"
#include "scan/scanner.h"

namespace vardune {

ScanEngine GScanEngine = ScanEngine::Auto;
int GListingThreadsLocal = 2;
int GListingThreadsNetwork = 16;

int ListingThreadsFor(std::wstring_view path) {
  return os::IsNetworkPath(path) ? GListingThreadsNetwork : GListingThreadsLocal;
}

int64_t ScanTree(std::wstring_view path) {
  switch (GScanEngine) {
    case ScanEngine::OneAtATime:
      return _ScanDir(path);
    case ScanEngine::ListingAhead:
      return ScanDirAhead(path, ListingThreadsFor(path));
    case ScanEngine::Auto:
      break;
  }
  // A local directory on an NTFS volume that this process may read directly: its MFT.
  if (int64_t total = 0; !path.starts_with(L"\\\\") && _MftScanDir(path, total)) return total;
  return ScanDirAhead(path, ListingThreadsFor(path));
}

}  // namespace vardune
