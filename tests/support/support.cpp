// Helpers of the test programs (see support.h).
#include "tests/support/support.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <random>

#include "os/fs.h"
#include "os/text.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/platform.h"

namespace vardune::test {

std::string Narrow(std::wstring_view s) { return ToUtf8(s); }

// One argument in the quoting of the Windows command line, which Wine splits for the Linux
// program.
std::wstring WinArg(const std::wstring& a) {
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : a) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    if (c == L'"') {
      out.append(slashes * 2 + 1, L'\\');
    } else {
      out.append(slashes, L'\\');
    }
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, L'\\');
  return out + L"\"";
}

// Wine numbers the processes of each prefix alike, and /tmp is shared by every test run on the
// machine (those of other checkouts too): a random part keeps two runs' trees and exit-code
// markers apart, where the process id alone would let one run remove another's tree or take
// its exit code.
namespace {
const std::string& RunToken() {
  static const std::string token = [] {
    std::random_device r;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x", static_cast<unsigned>(r()));
    return std::string(buf);
  }();
  return token;
}
}  // namespace

namespace {

// Hands a command to scripts/unix-runner when the tests run under it (VARDUNE_RUNNER names
// its spool folder): written as NAME.tmp and renamed, so that the runner never sees half of
// it; it runs in the current directory of this process, as a shell started from here would.
bool RunThroughRunner(const std::string& full, const std::string& marker) {
  char spool[1024];
  const DWORD n = GetEnvironmentVariableA("VARDUNE_RUNNER", spool, sizeof spool);
  if (n == 0 || n >= sizeof spool) return false;
  wchar_t cwd[MAX_PATH] = {0};
  GetCurrentDirectoryW(MAX_PATH, cwd);
  const std::string here = UnixPath(cwd);
  const std::string script = (here.empty() ? std::string() : "cd " + ShellQuote(here) + " && ") + full + "\n";
  const std::string name = std::string(spool) + "/" + marker.substr(marker.rfind('/') + 1);
  const auto win = [](const std::string& unix) {
    std::wstring w = L"Z:" + FromUtf8(unix);
    for (auto& c : w) {
      if (c == L'/') c = L'\\';
    }
    return w;
  };
  const std::wstring tmp = win(name + ".tmp"), cmd = win(name + ".cmd");
  {
    os::Handle h(CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (!h || !WriteFile(h.get(), script.data(), static_cast<DWORD>(script.size()), &written, nullptr) ||
        written != script.size()) {
      return false;
    }
  }
  return MoveFileExW(tmp.c_str(), cmd.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// Starts /bin/sh with the command from this process (outside scripts/test).
bool StartShell(const std::string& full) {
  std::wstring cmd = L"/bin/sh -c " + WinArg(FromUtf8(full));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &si, &pi)) {
    return false;
  }
  // For a Linux program Wine hands back handle values that belong to nothing of the child:
  // closing them would close whatever handle of this process has that value (standard
  // output, say). Only handles that really name the child are closed.
  if (pi.hProcess && pi.dwProcessId && GetProcessId(pi.hProcess) == pi.dwProcessId) {
    CloseHandle(pi.hProcess);
  }
  if (pi.hThread && pi.dwThreadId && GetThreadId(pi.hThread) == pi.dwThreadId) {
    CloseHandle(pi.hThread);
  }
  return true;
}

}  // namespace

int RunUnix(const std::string& command) {
  // Wine starts a Linux program without a process handle to wait on: the command writes its
  // exit code into a marker file, which is awaited here.
  static std::atomic<int> counter{0};
  const std::string marker = "/tmp/vardune-run-" + std::to_string(GetCurrentProcessId()) + "-" +
                             RunToken() + "-" + std::to_string(counter++);
  const std::string full = "(" + command + "); echo $? > " + marker + ".tmp && mv " + marker +
                           ".tmp " + marker;
  if (!RunThroughRunner(full, marker) && !StartShell(full)) return -1;
  const std::wstring winMarker = L"Z:" + FromUtf8(marker);
  std::wstring m = winMarker;
  for (auto& c : m) {
    if (c == L'/') c = L'\\';
  }
  const DWORD start = GetTickCount();
  for (;;) {
    if (auto text = os::ReadWholeFile(m)) {
      DeleteFileW(m.c_str());
      return std::atoi(text->c_str());
    }
    if (GetTickCount() - start > 120000) return -1;
    Sleep(2);
  }
}

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

std::string UnixPath(const std::wstring& winPath) {
  using Fn = char*(CDECL*)(LPCWSTR);
  static Fn fn = reinterpret_cast<Fn>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
  if (!fn) return {};
  char* p = fn(winPath.c_str());
  if (!p) return {};
  std::string s(p);
  HeapFree(GetProcessHeap(), 0, p);
  return s;
}

namespace {
std::atomic<int> gTreeCounter{0};
}  // namespace

TempTree::TempTree() {
  root_ = L"Z:\\tmp\\vardune-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          FromUtf8(RunToken()) + L"-" + std::to_wstring(gTreeCounter++) + L"\\";
  RunUnix("rm -rf " + ShellQuote(UnixPath(root_)));
  CreateDirectoryW(root_.c_str(), nullptr);
}

TempTree::~TempTree() {
  const std::string u = UnixPath(root_);
  if (!u.empty() && u.find("/tmp/vardune-test-") == 0) {
    RunUnix("chmod -R u+rwx " + ShellQuote(u) + " 2>/dev/null; rm -rf " + ShellQuote(u));
  }
}

void TempTree::Dir(std::wstring_view rel) const {
  std::wstring p = root_;
  for (wchar_t c : rel) {
    if (c == L'\\') CreateDirectoryW(p.c_str(), nullptr);
    p += c;
  }
  CreateDirectoryW(p.c_str(), nullptr);
}

void TempTree::File(std::wstring_view rel, int64_t size) const {
  const size_t k = rel.rfind(L'\\');
  if (k != std::wstring_view::npos) Dir(rel.substr(0, k));
  const std::wstring p = Path(rel);
  os::Handle f(CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string block(static_cast<size_t>(std::min<int64_t>(size, 1 << 16)), 'v');
  for (int64_t left = size; left > 0;) {
    DWORD put = 0;
    const auto n = static_cast<DWORD>(std::min<int64_t>(left, static_cast<int64_t>(block.size())));
    WriteFile(f.get(), block.data(), n, &put, nullptr);
    left -= n;
  }
}

void TempTree::Text(std::wstring_view rel, std::string_view bytes) const {
  const size_t k = rel.rfind(L'\\');
  if (k != std::wstring_view::npos) Dir(rel.substr(0, k));
  const std::wstring p = Path(rel);
  os::Handle f(CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD put = 0;
  WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
}

void TempTree::Sparse(std::wstring_view rel, int64_t size) const {
  const size_t k = rel.rfind(L'\\');
  if (k != std::wstring_view::npos) Dir(rel.substr(0, k));
  RunUnix("truncate -s " + std::to_string(size) + " " + ShellQuote(UnixPath(Path(rel))));
}

void TempTree::Link(std::wstring_view rel, const std::wstring& target) const {
  RunUnix("ln -s " + ShellQuote(UnixPath(target)) + " " + ShellQuote(UnixPath(Path(rel))));
}

void TempTree::Chmod(std::wstring_view rel, const char* mode) const {
  RunUnix(std::string("chmod ") + mode + " " + ShellQuote(UnixPath(Path(rel))));
}

void TempTree::Remove(std::wstring_view rel) const {
  RunUnix("rm -rf " + ShellQuote(UnixPath(Path(rel))));
}

HeldFile::HeldFile(const std::wstring& path) {
  wchar_t exe[MAX_PATH] = {0};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring helper(exe);
  helper = helper.substr(0, helper.rfind(L'\\') + 1) + L"holdfile.exe";
  // A first start of the helper in a busy prefix has been seen to end without holding the
  // file; it is started again a few times before the holder gives up.
  for (int attempt = 0; attempt < 3 && !held_; ++attempt) {
    if (attempt) Sleep(200);
    held_ = Start(helper, path);
  }
}

bool HeldFile::Start(const std::wstring& helper, const std::wstring& path) {
  static int run = 0;
  const std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(run++);
  const std::wstring ready = L"vardune-hold-ready-" + tag;
  const std::wstring release = L"vardune-hold-release-" + tag;
  ready_ = CreateEventW(nullptr, TRUE, FALSE, ready.c_str());
  release_ = CreateEventW(nullptr, TRUE, FALSE, release.c_str());
  std::wstring cmd = L"\"" + helper + L"\" \"" + path + L"\" " + ready + L" " + release;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  bool held = false;
  if (ready_ && release_ &&
      CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                     nullptr, &si, &pi)) {
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    // Ready, or ended because it could not open the file.
    const HANDLE waits[] = {ready_, process_};
    held = WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
    if (!held) {
      DWORD code = 0;
      GetExitCodeProcess(process_, &code);
      fprintf(stderr, "holdfile.exe did not hold %ls (exit code %lu, error %lu)\n", path.c_str(),
              code, GetLastError());
    }
  } else {
    fprintf(stderr, "holdfile.exe did not start (error %lu)\n", GetLastError());
  }
  if (!held) Release();
  return held;
}

void HeldFile::Release() {
  if (release_) SetEvent(release_);
  if (process_) {
    WaitForSingleObject(process_, 30000);
    CloseHandle(process_);
  }
  if (ready_) CloseHandle(ready_);
  if (release_) CloseHandle(release_);
  process_ = ready_ = release_ = nullptr;
}

HeldFile::~HeldFile() { Release(); }

// Wine names its prefix in WINECONFIGDIR, as an NT path (\??\Z:\...).
std::string WinePrefixDir() {
  wchar_t config[MAX_PATH] = {0};
  if (!GetEnvironmentVariableW(L"WINECONFIGDIR", config, MAX_PATH)) return {};
  std::wstring p = config;
  if (p.starts_with(L"\\??\\")) p = p.substr(4);
  return UnixPath(p);
}

bool PermissionsEnforced() {
  static const bool enforced = [] {
    TempTree t;
    t.Dir(L"closed");
    t.File(L"closed\\f", 1);
    t.Chmod(L"closed", "000");
    os::DirListing l(t.Path(L"closed\\"));
    const bool failed = l.Failed();
    t.Chmod(L"closed", "755");
    return failed;
  }();
  return enforced;
}

// ---- network paths and the slow medium ---------------------------------------------------

namespace {
std::atomic<int> gShareCounter{0};

std::string EnvA(const char* name) {
  char buf[1024];
  const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}
}  // namespace

ShareLink::ShareLink(const std::string& unixTarget) {
  const int n = gShareCounter++;
  const std::string server = "vdsrv" + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(n);
  link_ = "\"${WINEPREFIX:-$HOME/.wine}/dosdevices/unc/" + server + "\"";
  RunUnix("mkdir -p " + link_ + " && ln -sfn " + ShellQuote(unixTarget) + " " + link_ + "/share");
  root_ = L"\\\\" + FromUtf8(server) + L"\\share\\";
}

ShareLink::~ShareLink() { RunUnix("rm -f " + link_ + "/share && rmdir " + link_); }

std::string NoFuseReason() {
  static const bool there = RunUnix("test -c /dev/fuse") == 0;
  return there ? std::string() : "no /dev/fuse";
}

SlowMedium::SlowMedium(const TempTree& backing, const std::string& options) {
  const std::string slowfs = EnvA("VARDUNE_SLOWFS");
  if (slowfs.empty() || RunUnix("test -x " + ShellQuote(slowfs)) != 0) {
    error_ = "slowfs is not built (" + slowfs + "): libfuse3-dev is missing";
    return;
  }
  std::string dir = EnvA("VARDUNE_MOUNTS");
  if (dir.empty()) dir = "/tmp";
  mount_ = dir + "/vardune-mnt-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(gShareCounter++);
  const std::string cmd = "mkdir -p " + ShellQuote(mount_) + " && " + ShellQuote(slowfs) + " " +
                          ShellQuote(UnixPath(backing.Root())) + " " + ShellQuote(mount_) + " " +
                          options + " --lifetime 600";
  if (RunUnix(cmd) != 0) {
    error_ = "slowfs did not mount: " + cmd;
    RunUnix("rmdir " + ShellQuote(mount_));
    mount_.clear();
    return;
  }
  link_ = new ShareLink(mount_);
}

SlowMedium::~SlowMedium() {
  delete link_;
  if (!mount_.empty()) {
    // Lazily: a listing that still sleeps in it keeps it until it ends.
    RunUnix("fusermount3 -u -z " + ShellQuote(mount_) + " 2>/dev/null || umount -l " +
            ShellQuote(mount_) + "; rmdir " + ShellQuote(mount_));
  }
}

const std::wstring& SlowMedium::Root() const {
  static const std::wstring none;
  return link_ ? link_->Root() : none;
}

int ThreadCount() {
  os::Handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snap) return -1;
  THREADENTRY32 te{};
  te.dwSize = sizeof te;
  int n = 0;
  for (BOOL ok = Thread32First(snap.get(), &te); ok; ok = Thread32Next(snap.get(), &te)) {
    if (te.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  }
  return n;
}

DWORD HandleCount() {
  // The system's table of every process's handles, counted for this one: Wine has it, where
  // GetProcessHandleCount gives 0.
  struct Entry {
    PVOID object;
    ULONG_PTR pid;
    ULONG_PTR handle;
    ULONG access;
    USHORT backtrace, type;
    ULONG attributes, reserved;
  };
  struct Table {
    ULONG_PTR count, reserved;
    Entry entries[1];
  };
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  static const auto query = reinterpret_cast<Query>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation"));
  constexpr ULONG kSystemExtendedHandleInformation = 64;
  std::vector<char> buf(1 << 20);
  for (int tries = 0; query && tries < 8; ++tries) {
    ULONG need = 0;
    const LONG status = query(kSystemExtendedHandleInformation, buf.data(),
                              static_cast<ULONG>(buf.size()), &need);
    if (status == 0) {
      const auto* t = reinterpret_cast<const Table*>(buf.data());
      DWORD n = 0;
      for (ULONG_PTR i = 0; i < t->count; ++i) {
        if (t->entries[i].pid == GetCurrentProcessId()) ++n;
      }
      return n;
    }
    buf.resize(std::max<size_t>(buf.size() * 2, need + 4096));
  }
  return 0;
}

bool CountsSettleTo(int threads, DWORD handles, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (ThreadCount() == threads && HandleCount() == handles) return true;
    if (GetTickCount() - start > ms) return false;
    Sleep(20);
  }
}

// ---- dialogs -----------------------------------------------------------------------------

bool gAnswerYes = false;
std::vector<std::wstring> gInputAnswers;
std::wstring gFolderAnswer;
ui::FileChoice gFileAnswer;

std::vector<DialogRecord>& Dialogs() {
  static std::vector<DialogRecord> d;
  return d;
}

void ResetDialogs() {
  Dialogs().clear();
  gAnswerYes = false;
  gInputAnswers.clear();
  gFolderAnswer.clear();
  gFileAnswer = ui::FileChoice{};
}

void InstallDialogRecorder() {
  ui::GDialogSeam.message = [](std::wstring_view title, std::wstring_view text, bool yesNo) {
    Dialogs().push_back({L"message", std::wstring(title), std::wstring(text), L"", yesNo});
    return yesNo && gAnswerYes ? 1 : 0;
  };
  ui::GDialogSeam.input = [](std::wstring_view title, std::wstring_view prompt,
                             std::wstring_view initial) {
    Dialogs().push_back({L"input", std::wstring(title), std::wstring(prompt),
                         std::wstring(initial), false});
    if (gInputAnswers.empty()) return std::wstring();
    std::wstring a = gInputAnswers.front();
    gInputAnswers.erase(gInputAnswers.begin());
    return a;
  };
  ui::GDialogSeam.folder = [](std::wstring_view title, std::wstring_view initial) {
    Dialogs().push_back({L"folder", std::wstring(title), L"", std::wstring(initial), false});
    return gFolderAnswer;
  };
  ui::GDialogSeam.file = [](std::wstring_view title, const std::vector<ui::FileType>& types,
                            std::wstring_view initial, bool save) {
    std::wstring offered;
    for (const ui::FileType& t : types) {
      if (!offered.empty()) offered += L'|';
      offered += t.Description + L'|' + t.Pattern;
    }
    Dialogs().push_back({save ? L"save" : L"open", std::wstring(title), offered,
                         std::wstring(initial), false});
    return gFileAnswer;
  };
}

// ---- events ------------------------------------------------------------------------------

void PumpMessages(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    if (ms) Sleep(5);
  } while (GetTickCount() - start < ms);
}

std::vector<QueuedEvent> DrainEvents() {
  std::vector<QueuedEvent> out;
  for (;;) {
    const ui::Event e = ui::WindowEvent();
    if (e.Kind == ui::EventNone) break;
    out.push_back({e.Kind, e.Window, e.Gadget, e.Menu, e.Type});
  }
  return out;
}

HWND VisibleDialog() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM p) -> BOOL {
        wchar_t cls[32] = {0};
        GetClassNameW(h, cls, 32);
        if (std::wstring(cls) == L"#32770" && IsWindowVisible(h)) {
          *reinterpret_cast<HWND*>(p) = h;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// ---- screenshots -------------------------------------------------------------------------

namespace {

void PutBE32(std::string& s, uint32_t v) {
  s += static_cast<char>(v >> 24);
  s += static_cast<char>(v >> 16);
  s += static_cast<char>(v >> 8);
  s += static_cast<char>(v);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  PutBE32(png, static_cast<uint32_t>(data.size()));
  std::string td = std::string(type, 4) + data;
  png += td;
  PutBE32(png, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(td.data()),
                                           static_cast<uInt>(td.size()))));
}

}  // namespace

std::vector<uint32_t> Pixels(HDC dc, const RECT& r) {
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return {};
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp) return {};
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, dc, r.left, r.top, SRCCOPY);
  GdiFlush();
  const auto* px = static_cast<const uint32_t*>(bits);
  std::vector<uint32_t> out(px, px + static_cast<size_t>(w) * h);
  for (uint32_t& p : out) p &= 0xFFFFFF;
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  return out;
}

std::wstring Screenshot(HWND window, const std::wstring& name) {
  if (!window) return {};
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpMessages(200);
  RECT r;
  GetWindowRect(window, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return {};
  HDC screen = GetDC(nullptr);
  const std::vector<uint32_t> px = Pixels(screen, r);
  ReleaseDC(nullptr, screen);
  if (px.empty()) return {};
  std::string raw;
  raw.reserve(static_cast<size_t>(h) * (w * 3 + 1));
  for (int y = 0; y < h; ++y) {
    raw += '\0';
    for (int x = 0; x < w; ++x) {
      const uint32_t p = px[static_cast<size_t>(y) * w + x];
      raw += static_cast<char>(p >> 16);
      raw += static_cast<char>(p >> 8);
      raw += static_cast<char>(p);
    }
  }
  uLongf packedLen = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedLen, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &packedLen,
            reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 9);
  packed.resize(packedLen);
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  PutBE32(ihdr, static_cast<uint32_t>(w));
  PutBE32(ihdr, static_cast<uint32_t>(h));
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", packed);
  Chunk(png, "IEND", "");
  wchar_t dirBuf[MAX_PATH] = {0};
  std::wstring dir = GetEnvironmentVariableW(L"VARDUNE_SHOTS", dirBuf, MAX_PATH) ? dirBuf
                                                                               : L"screenshots";
  CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring file = dir + L"\\" + name + L".png";
  os::Handle f(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return {};
  DWORD put = 0;
  WriteFile(f.get(), png.data(), static_cast<DWORD>(png.size()), &put, nullptr);
  return file;
}

Box BoxOf(int gadget) {
  const RECT r = ui::GadgetRect(gadget);
  return Box{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void ClickHeader(HWND list, int column) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  RECT r{};
  if (!header || !SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column),
                               reinterpret_cast<LPARAM>(&r))) {
    ADD_FAILURE() << "no header item " << column;
    return;
  }
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(header, WM_MOUSEMOVE, 0, at);
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(header, WM_LBUTTONUP, 0, at);
  PumpMessages();
}

POINT ListRowPoint(HWND list, int row) {
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  RECT r{};
  if (row >= 0) {
    r.left = LVIR_LABEL;
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    return POINT{r.left + 10, (r.top + r.bottom) / 2};
  }
  RECT client{};
  GetClientRect(list, &client);
  int y = client.bottom - 4;
  if (count > 0) {
    r.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&r));
    y = r.bottom + 4;
  }
  EXPECT_LT(y, client.bottom) << "no empty area below the rows";
  return POINT{40, y};
}

void ClickListRow(HWND list, int row, WPARAM keys) {
  const POINT p = ListRowPoint(list, row);
  const LPARAM at = MAKELPARAM(p.x, p.y);
  SendMessageW(list, WM_MOUSEMOVE, keys, at);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
  SendMessageW(list, WM_LBUTTONUP, keys, at);
  PumpMessages();
}

void RightClickListRow(HWND list, int row) {
  const POINT p = ListRowPoint(list, row);
  const LPARAM at = MAKELPARAM(p.x, p.y);
  SendMessageW(list, WM_MOUSEMOVE, 0, at);
  // The release waits in the queue, as the mouse leaves it: the list watches for it while it
  // handles the press, to tell a click from a drag.
  PostMessageW(list, WM_RBUTTONUP, 0, at);
  SendMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, at);
  PumpMessages();
}

std::vector<int> SelectedRows(HWND list) {
  std::vector<int> rows;
  for (int i = -1;;) {
    i = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED));
    if (i < 0) break;
    rows.push_back(i);
  }
  return rows;
}

int FocusedRow(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

}  // namespace vardune::test
