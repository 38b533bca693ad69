// Helpers of the test programs: real temporary directory trees (through the Linux side of
// Wine where Windows has no call for it: symbolic links, permissions), the recorder of
// blocking dialogs, event pumping and screenshots.
#pragma once
#include <windows.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "ui/platform/dialogs.h"

namespace vardune::test {

// Runs a Linux shell command (Wine starts Linux programs directly); returns its exit code.
int RunUnix(const std::string& command);
// The Linux path of a Windows path ("" when it has none).
std::string UnixPath(const std::wstring& winPath);
// Quotes for /bin/sh.
std::string ShellQuote(const std::string& s);
// The Linux path of the Wine prefix the test runs in ("" when not under Wine).
std::string WinePrefixDir();

// A fresh directory below the Linux /tmp (Z:\tmp\...), removed with everything in it at the
// end of the test, whatever permissions the test left behind.
class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // The root, with a trailing backslash.
  const std::wstring& Root() const { return root_; }
  std::wstring Path(std::wstring_view rel) const { return root_ + std::wstring(rel); }

  void Dir(std::wstring_view rel) const;                          // with all parents
  void File(std::wstring_view rel, int64_t size) const;           // written bytes
  void Text(std::wstring_view rel, std::string_view bytes) const; // exact content
  void Sparse(std::wstring_view rel, int64_t size) const;         // a hole of that size
  void Link(std::wstring_view rel, const std::wstring& target) const;  // Linux symlink
  // chmod through Linux, for unreadable directories (root ignores it unless the test run
  // dropped the capability to override permissions, as the test command does).
  void Chmod(std::wstring_view rel, const char* mode) const;
  void Remove(std::wstring_view rel) const;  // rm -rf

 private:
  std::wstring root_;
};

// Another program (holdfile.exe beside the test programs) that holds a file open, sharing
// reading and writing but not deletion, as an editor or a sync tool does, until the holder is
// destroyed. Held() is false when the program could not open the file.
class HeldFile {
 public:
  explicit HeldFile(const std::wstring& path);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool Held() const { return held_; }

 private:
  bool Start(const std::wstring& helper, const std::wstring& path);
  void Release();
  HANDLE process_ = nullptr, ready_ = nullptr, release_ = nullptr;
  bool held_ = false;
};

// True when a directory with mode 000 really cannot be listed by this process.
bool PermissionsEnforced();

// \\server\share\ made to reach a Linux folder through a link in the Wine prefix's
// dosdevices/unc (a server and share name of its own); the link goes at the end.
class ShareLink {
 public:
  explicit ShareLink(const std::string& unixTarget);
  ~ShareLink();
  ShareLink(const ShareLink&) = delete;
  ShareLink& operator=(const ShareLink&) = delete;
  const std::wstring& Root() const { return root_; }  // with its trailing backslash

 private:
  std::string link_;
  std::wstring root_;
};

// A slow medium: the tree `backing` seen through slowfs, the project's FUSE passthrough that
// sleeps before every directory listing (`options` as slowfs takes them: "--delay 10",
// "--block slow:3000"), reached as a share. Unmounted at the end; a mount that a dead test
// left behind ends by itself (slowfs --lifetime) and with the test run.
class SlowMedium {
 public:
  SlowMedium(const TempTree& backing, const std::string& options);
  ~SlowMedium();
  SlowMedium(const SlowMedium&) = delete;
  SlowMedium& operator=(const SlowMedium&) = delete;
  // Empty when mounted, otherwise what went wrong.
  const std::string& Error() const { return error_; }
  const std::wstring& Root() const;  // \\server\share\ of the mount

 private:
  std::string mount_;
  ShareLink* link_ = nullptr;
  std::string error_;
};
// Empty when FUSE can be used here; otherwise the reason (no /dev/fuse).
std::string NoFuseReason();

// Threads of this process (a Toolhelp snapshot) and its open handles.
int ThreadCount();
DWORD HandleCount();
// Waits up to `ms` for both to come down to the given counts; true when they did.
bool CountsSettleTo(int threads, DWORD handles, DWORD ms);

// The dialog seam answers every question: message boxes with `gAnswerYes` (default No),
// inputs with the next of `gInputAnswers` (default cancel), the folder picker with
// `gFolderAnswer` (default cancel), the file dialogs with `gFileAnswer` (default cancel).
// Everything asked is recorded.
struct DialogRecord {
  std::wstring kind;  // "message", "input", "folder", "save", "open"
  std::wstring title;
  std::wstring text;  // file dialogs: description|pattern of each file type, joined by |
  std::wstring initial;
  bool yesNo = false;
};
void InstallDialogRecorder();
std::vector<DialogRecord>& Dialogs();
void ResetDialogs();
extern bool gAnswerYes;
extern std::vector<std::wstring> gInputAnswers;
extern std::wstring gFolderAnswer;
extern ui::FileChoice gFileAnswer;

// Pumps window messages for about `ms` milliseconds (events stay queued).
void PumpMessages(DWORD ms = 0);
// Processes every pending message and returns the events they queued, in order.
struct QueuedEvent {
  int kind, window, gadget, menu, type;
};
std::vector<QueuedEvent> DrainEvents();

// The visible dialog-manager window (class #32770) of this thread, 0 when none is open: a
// modal dialog found from a timer while it runs its own loop.
HWND VisibleDialog();

// Saves a picture of a window as PNG into the screenshot folder of the test run
// (VARDUNE_SHOTS, else .\screenshots); returns the file written, or "".
std::wstring Screenshot(HWND window, const std::wstring& name);
// The pixels of the rectangle r of a device context as they are now (0x00RRGGBB, the top row
// first); of a window's device context, what the window shows without painting it anew.
std::vector<uint32_t> Pixels(HDC dc, const RECT& r);

std::string Narrow(std::wstring_view s);

// A control's rectangle in its window's client area, as the tests compare it.
struct Box {
  int x, y, w, h;
  bool operator==(const Box&) const = default;
  friend void PrintTo(const Box& b, std::ostream* os) {
    *os << b.x << "," << b.y << " " << b.w << "x" << b.h;
  }
};
Box BoxOf(int gadget);

// Mouse clicks on a report list as the mouse gives them (button down and up at a point of the
// control): on the header of a column, which reports it to the list and the list to its
// window; on a row, with MK_CONTROL or MK_SHIFT held when asked; row -1 is the empty area below
// the last row. The messages are processed; the events they queue stay queued.
void ClickHeader(HWND list, int column);
void ClickListRow(HWND list, int row, WPARAM keys = 0);
void RightClickListRow(HWND list, int row);
// The client point of a row's label (row -1: the empty area below the last row).
POINT ListRowPoint(HWND list, int row);
// Selected rows of a list, and the focused row (-1 none), as the control holds them.
std::vector<int> SelectedRows(HWND list);
int FocusedRow(HWND list);

}  // namespace vardune::test
