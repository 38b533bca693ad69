// The recursive directory scanner (see scanner.h).
#include "scan/scanner.h"

#include "os/clock.h"
#include "os/fs.h"
#include "os/text.h"
#include "scan/model.h"
#include "scan/scanui.h"

namespace vardune {

ScanUi GScanUi;

int32_t GFiles = 0;
int32_t GDirs = 0;
int64_t GBytes = 0;
int64_t GNextRefresh = 0;
bool GCancel = false;
bool GStress = false;
int64_t GPumpIntervalMs = 10;

namespace {

int64_t gLastPump = 0;

// P (ending with "\") split at its backslashes: the own name is the last non-final piece,
// the parent everything before it (C:\Daten\ -> C:\ + Daten; C:\ -> "" + C:).
struct ScanSplit {
  std::wstring_view parent;
  std::wstring_view name;
};
ScanSplit SplitScanPath(std::wstring_view p) {
  const size_t last = p.size() >= 2 ? p.rfind(L'\\', p.size() - 2) : std::wstring_view::npos;
  if (last == std::wstring_view::npos) return {{}, p.substr(0, p.empty() ? 0 : p.size() - 1)};
  return {p.substr(0, last + 1), p.substr(last + 1, p.size() - last - 2)};
}

// Pumps the window events when the last pump is at least GPumpIntervalMs ago. Called after
// every file and at every directory; the clock is cheap, the look at the queue is not.
inline void MaybePump() {
  if (!GScanUi.PumpEvents) return;
  const int64_t now = os::Millis();
  if (now - gLastPump < GPumpIntervalMs) return;
  gLastPump = now;
  if (GScanUi.PumpEvents()) GCancel = true;
  gLastPump = os::Millis();
}

// A drive path (C:\...) or a network path with a server name (\\Server\...). A relative
// path, a path from the root of the current drive (\Daten\), a device name (CON\) or a
// network path without a server (\\\) would list whatever the working directory, the device
// or the network provider happens to offer, not a tree the user named.
bool IsAbsoluteScanPath(std::wstring_view p) {
  if (p.starts_with(L"\\\\")) return p.size() > 2 && p[2] != L'\\';
  return p.size() >= 3 && p[1] == L':' && p[2] == L'\\' &&
         ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z'));
}

// `listable` false: P is recorded as unreadable without being listed.
int64_t ScanDir(std::wstring& p, PfadListe::ParentId ownParent, bool listable) {
  const int32_t filesAtEntry = GFiles;
  const int32_t dirsAtEntry = GDirs;
  bool error = !listable || p.size() > kMaxScanPath;

  const int64_t now = os::Millis();
  if (GNextRefresh < now) {
    if (GScanUi.SetPathText) GScanUi.SetPathText(ProgressPathText(p));
    if (GScanUi.SetCounterText) GScanUi.SetCounterText(ProgressCounterText(GBytes, GFiles));
    GNextRefresh = now + 100;
  }

  GCancel = false;
  int64_t total = 0;
  int64_t ownBytes = 0;
  int32_t ownFiles = 0;
  MaybePump();

  // The records of P's contents share P as their Parent.
  const PfadListe::ParentId asParent = Pfade.AddParent(p);
  const size_t base = p.size();
  if (!error) {
    // The \\?\ form takes every name as it is: a directory "dot." is not trimmed into its
    // twin "dot", and paths past MAX_PATH are reached like any other.
    os::DirListing list(os::LongPathForm(p));
    if (list.Failed()) {
      error = true;
    } else {
      while (list.Next() && !GCancel) {
        if (list.IsDotOrDotDot()) continue;
        if (!list.IsDirectory()) {
          ++GFiles;
          ++ownFiles;
          total += list.Size();
          ownBytes += list.Size();
          if (GStress) {
            p.append(list.Name());
            const std::wstring digest = os::Md5OfFile(os::LongPathForm(p));
            p.resize(base);
            if (GScanUi.StressRow) {
              GScanUi.StressRow(std::to_wstring(list.Size() / 1024), list.Name(), digest);
            }
          }
          MaybePump();
        } else if (!list.IsReparsePoint()) {
          ++GDirs;
          p.append(list.Name());
          p += L'\\';
          total += ScanDir(p, asParent, true);
          p.resize(base);
        }
      }
    }
  }

  const std::wstring_view name = SplitScanPath(p).name;
  if (error) {
    Pfade.Append(ownParent, name, -1, GDirs - dirsAtEntry, GFiles - filesAtEntry);
    if (GScanUi.LogError) GScanUi.LogError(L"Error: " + p);
    return 0;
  }
  Pfade.Append(ownParent, name, total, GDirs - dirsAtEntry, GFiles - filesAtEntry);
  if (ownBytes > 0) {
    Pfade.Append(asParent, kDateien, ownBytes, 0, ownFiles);
    GBytes += ownBytes;
  }
  return total;
}

}  // namespace

int64_t _ScanDir(std::wstring_view path) {
  std::wstring p(path);
  if (p.empty() || p.back() != L'\\') p += L'\\';
  // The record of P itself has P's parent text: everything before its own name.
  const PfadListe::ParentId ownParent = Pfade.AddParent(SplitScanPath(p).parent);
  // Below an absolute start every path is absolute: the start alone needs the look.
  return ScanDir(p, ownParent, IsAbsoluteScanPath(p));
}

std::wstring RightAlign(std::wstring_view s, size_t width) {
  if (s.size() >= width) return std::wstring(s.substr(0, width));
  return std::wstring(width - s.size(), L' ') + std::wstring(s);
}

std::wstring ProgressPathText(std::wstring_view p) {
  if (p.size() <= 70) return std::wstring(p);
  return std::wstring(p) + L"\r\n..." + std::wstring(p.substr(p.size() - 50));
}

std::wstring ProgressCounterText(int64_t bytes, int32_t files) {
  return L"MB: " + RightAlign(GroupThousands(bytes / 1024 / 1024), 20) + L"      Dateien: " +
         RightAlign(GroupThousands(files), 20);
}

}  // namespace vardune
