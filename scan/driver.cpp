// The scan driver and the blinking of the scan button (see driver.h).
#include "scan/driver.h"

#include <windows.h>

#include <cstdio>
#include <thread>

#include "os/clock.h"
#include "os/fs.h"
#include "os/text.h"
#include "scan/mft.h"
#include "scan/model.h"
#include "scan/scanner.h"
#include "scan/scanpath.h"
#include "scan/scanui.h"

namespace vardune {

std::wstring GStartPath;
std::atomic<int> GScanning{0};

namespace {

std::thread gBlink;
// Set when the scan has ended, so that the thread does not sleep out its 300 ms.
os::Handle gWake;

void StartBlinkThread() {
  StopBlinkThread();
  if (!gWake) gWake.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ResetEvent(gWake.get());
  gBlink = std::thread(_BlinkThread, 0);
}

int64_t SizeOrZero(int64_t size) { return size < 0 ? 0 : size; }

}  // namespace

void _BlinkThread(int) {
  bool toggle = false;
  while (GScanning.load()) {
    if (GScanUi.SetScanImage) GScanUi.SetScanImage(toggle ? 3 : 2);
    toggle = !toggle;
    if (gWake) WaitForSingleObject(gWake.get(), 300);
    else Sleep(300);
  }
  if (GScanUi.SetScanImage) GScanUi.SetScanImage(2);
}

void StopBlinkThread() {
  if (!gBlink.joinable()) return;
  GScanning = 0;
  if (gWake) SetEvent(gWake.get());
  gBlink.join();
}

bool BlinkThreadRunning() { return gBlink.joinable(); }

std::wstring ScanDurationText(int64_t ms) {
  const int64_t s = ms / 1000;
  const int64_t m = ms - s * 1000;
  wchar_t buf[64];
  std::swprintf(buf, 64, L"%02d:%02d:%02d %lldms", static_cast<int>((s / 3600) % 24),
                static_cast<int>((s / 60) % 60), static_cast<int>(s % 60),
                static_cast<long long>(m));
  return buf;
}

void _Scan(std::wstring_view path) {
  // The lookups below strip every trailing backslash, the walk's split only the last one: a
  // path ending in "\\" must reach both as the same directory.
  const std::wstring p = CollapseTrailingBackslashes(path);
  if (GScanUi.ResultsChanging) GScanUi.ResultsChanging();
  if (GScanUi.EnableStop) GScanUi.EnableStop(true);
  GScanning = 1;
  StartBlinkThread();

  const PathSplit target = SplitRecordPath(p);
  const std::wstring parent(target.Parent);
  const std::wstring name(target.Name);
  GBytes = 0;
  bool found = false;
  int64_t oldSize = 0;
  int32_t oldDirs = 0, oldFiles = 0;
  if (const size_t i = FindRecord(Pfade, parent, name); i != PfadListe::npos) {
    found = true;
    oldSize = Pfade[i].Size;
    oldDirs = Pfade[i].Dirs;
    oldFiles = Pfade[i].Files;
  }
  GRescanEntries = found ? int64_t{oldDirs} + oldFiles : -1;
  _ClearPfade(p);

  const int64_t start = os::Millis();
  GDirs = 0;
  GFiles = 0;
  GStressNotRead = 0;
  _ScanPath(p);
  if (GStress && GStressNotRead > 0 && GScanUi.LogError) {
    GScanUi.LogError(L"Stresstest: " + GroupThousands(GStressNotRead) +
                     L" Dateien nicht gelesen (nur in der Cloud oder offline)");
  }
  GStress = false;

  if (found) {
    int64_t dSize = 0;
    int32_t dDirs = 0, dFiles = 0;
    if (const size_t i = FindRecord(Pfade, parent, name); i != PfadListe::npos) {
      dSize = SizeOrZero(oldSize) - SizeOrZero(Pfade[i].Size);
      dDirs = oldDirs - Pfade[i].Dirs;
      dFiles = oldFiles - Pfade[i].Files;
    }
    // Every existing record between the target and the top, the drive root (empty parent)
    // and the server of a share (parent "\\") excluded.
    const int64_t walkStart = os::Millis();
    std::wstring current = parent;
    for (;;) {
      const PathSplit up = SplitRecordPath(current);
      if (up.Parent.empty() || up.Parent == L"\\\\") break;
      if (const size_t i = FindRecord(Pfade, up.Parent, up.Name); i != PfadListe::npos) {
        Pfade[i].Size -= dSize;
        Pfade[i].Dirs -= dDirs;
        Pfade[i].Files -= dFiles;
      }
      current = std::wstring(up.Parent);
      if (os::Millis() - walkStart > 10000) break;
    }
  }
  Pfade.SortByParent();

  if (GScanUi.UpdateSetSizes) GScanUi.UpdateSetSizes();
  if (GScanUi.CheckSets) GScanUi.CheckSets();
  if (GScanUi.ShowDir) GScanUi.ShowDir(p);

  const int64_t duration = os::Millis() - start;
  GScanning = 0;
  StopBlinkThread();
  if (GScanUi.SetPathText) {
    const std::wstring summary = GScanUi.GetPathText ? GScanUi.GetPathText() : std::wstring();
    GScanUi.SetPathText(summary + L"   " + ScanDurationText(duration));
  }
  if (GScanUi.ReleaseStop) GScanUi.ReleaseStop();
  if (GScanUi.EnableStop) GScanUi.EnableStop(false);
}

void _StressScan() {
  if (!GScanUi.AskYesNo || !GScanUi.AskYesNo(L"Mit Stresstest scannen (Heavy Dateilesezugriff!)?")) {
    return;
  }
  GStress = true;
  _Scan(GStartPath);
}

}  // namespace vardune
