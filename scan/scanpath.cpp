// Scanning a path, and every share of a bare server path (see scanpath.h).
#include "scan/scanpath.h"

#include "os/process.h"
#include "os/text.h"
#include "scan/engine.h"
#include "scan/scanner.h"
#include "scan/scanui.h"
#include "scan/shares.h"

namespace vardune {

int64_t _ScanPath(std::wstring_view path) {
  const ScanTarget target = ClassifyScanPath(path);
  if (!target.share.empty()) return ScanTree(path);
  // "\\" and the like name no server: there is nobody to ask for shares, and the path itself
  // is an unreadable directory.
  if (target.serverPrefix == L"\\\\\\") return ScanTree(path);

  ShareListParser parser;
  parser.prefix = target.serverPrefix;
  const std::wstring params = NetViewParameters(target.serverPrefix);
  bool textShown = false;
  bool stopped = false;
  const auto showText = [&] {
    if (!textShown && GScanUi.SetPathText) GScanUi.SetPathText(L"net " + params);
    textShown = true;
  };
  os::RunAndReadLines(
      L"net.exe " + params,
      [&](std::string_view line) {
        parser.Line(DecodeConsoleLine(line));
      },
      [&] {
        showText();
        // The window stays alive. A "STOPP" pressed meanwhile stays pressed: the walk of the
        // first share takes it at its first look and the whole scan ends there.
        if (GScanUi.PumpEventsKeepStop) GScanUi.PumpEventsKeepStop();
        else if (GScanUi.PumpEvents && GScanUi.PumpEvents()) stopped = true;
      });

  int64_t total = 0;
  if (stopped) return total;
  for (const std::wstring& share : parser.shares) {
    total += ScanTree(share);
    // "STOPP" ends the whole scan, not only the share in hand.
    if (GCancel) break;
  }
  return total;
}

}  // namespace vardune
