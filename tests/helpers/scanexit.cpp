// A program that ends while one of its listing threads still blocks: it scans a path with the
// listing threads, takes "STOPP" after the given milliseconds (a message to its own thread, as
// a click would come) and returns from its main function at once.
// scanexit.exe <path> <ms>; exit code: the threads it left in a blocked call, or 100 and more
// when something went wrong.
#include <windows.h>

#include <atomic>
#include <thread>

#include "scan/scanner.h"
#include "scan/scanui.h"

namespace {
std::atomic<bool> gStop{false};
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 100;
  using namespace vardune;
  MSG m;
  PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE);  // the thread's message queue
  GScanUi.PumpEvents = [] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    return gStop.load();
  };
  const DWORD self = GetCurrentThreadId();
  const DWORD ms = static_cast<DWORD>(_wtoi(argv[2]));
  std::thread stopper([self, ms] {
    Sleep(ms);
    gStop = true;
    PostThreadMessageW(self, WM_NULL, 0, 0);
  });
  ScanDirAhead(argv[1], 4);
  stopper.join();
  if (!GCancel) return 101;
  return GLastAheadStats.abandoned;
}
