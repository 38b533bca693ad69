// Reading and writing BackupSets.txt on disk. Saving goes through a temporary file in the
// data directory that replaces the old file only once it is completely written and flushed;
// whatever keeps the sets from their file, they are never dropped without a message that says
// where they are.
#include <windows.h>

#include <string>

#include "os/fs.h"
#include "sets/store.h"
#include "ui/platform/dialogs.h"

namespace vardune {

namespace {

bool gUnread = false;

// The attributes a new content takes over from the old file.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

std::wstring SetsFilePath() { return GDataDir + std::wstring(kSetsFileName); }

bool ReadAll(HANDLE h, std::string& out) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size) || size.QuadPart < 0 || size.QuadPart > (1LL << 31)) return false;
  out.resize(static_cast<size_t>(size.QuadPart));
  size_t got = 0;
  while (got < out.size()) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(out.size() - got, 1u << 24));
    if (!ReadFile(h, out.data() + got, want, &n, nullptr)) return false;
    if (n == 0) break;  // the file became shorter meanwhile
    got += n;
  }
  out.resize(got);
  return true;
}

bool WriteAll(HANDLE h, const std::string& bytes) {
  size_t put = 0;
  while (put < bytes.size()) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - put, 1u << 24));
    if (!WriteFile(h, bytes.data() + put, want, &n, nullptr) || n == 0) return false;
    put += n;
  }
  return true;
}

// The entries the file holds now; false when it is missing or cannot be read.
bool ReadSetsFile(const std::wstring& path, std::vector<Pfad>& out) {
  os::Handle f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  if (!f || !ReadAll(f.get(), bytes)) return false;
  ParseSetsFile(bytes, out);
  return true;
}

// Writes and flushes a file; `disposition` CREATE_ALWAYS, CREATE_NEW or OPEN_ALWAYS (then the
// content is written over from the start and the rest cut off).
bool WriteFileContent(const std::wstring& path, const std::string& bytes, DWORD disposition,
                      DWORD attributes) {
  os::Handle f(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, disposition, attributes ? attributes : FILE_ATTRIBUTE_NORMAL,
                           nullptr));
  bool ok = f && WriteAll(f.get(), bytes) && SetEndOfFile(f.get()) && FlushFileBuffers(f.get());
  if (f && !CloseHandle(f.release())) ok = false;
  return ok;
}

// Whether the file's name can be taken away from it, as a replace must: not while another
// program holds it without sharing its deletion. Asked first because some systems (Wine) leave
// a stray file of their own in the directory when a replace fails that way.
bool NameCanGo(const std::wstring& path) {
  return static_cast<bool>(os::Handle(CreateFileW(
      path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

// Puts the new content in place of the file. `attrs` are the file's attributes now
// (INVALID_FILE_ATTRIBUTES: there is none).
bool WriteStore(const std::wstring& path, const std::string& bytes, DWORD attrs) {
  const bool exists = attrs != INVALID_FILE_ATTRIBUTES;
  const DWORD keep = exists ? attrs & kKeptAttributes : 0;
  wchar_t tmp[MAX_PATH + 1] = {0};
  bool written = GetTempFileNameW(GDataDir.c_str(), L"Bup", 0, tmp) != 0;
  // Created with the old file's attributes, so that they stay whichever way it gets in place.
  if (written && !WriteFileContent(tmp, bytes, CREATE_ALWAYS, keep)) {
    DeleteFileW(tmp);
    written = false;
  }
  if (written) {
    bool placed = exists ? NameCanGo(path) &&
                               ReplaceFileW(path.c_str(), tmp, nullptr,
                                            REPLACEFILE_IGNORE_MERGE_ERRORS |
                                                REPLACEFILE_IGNORE_ACL_ERRORS,
                                            nullptr, nullptr) != 0
                         : MoveFileExW(tmp, path.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    // A replace that failed half-way may have taken the old file away without putting the
    // new one in its place.
    if (!placed && exists && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      placed = MoveFileExW(tmp, path.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    }
    if (placed) {
      const DWORD now = GetFileAttributesW(path.c_str());
      if (now != INVALID_FILE_ATTRIBUTES && (now & keep) != keep) {
        SetFileAttributesW(path.c_str(), now | keep);
      }
      return true;
    }
  }
  // Another program holds the file open and does not share its deletion (an editor, a sync
  // tool): a replace cannot take its name away, but the content can be written into it.
  const bool inPlace = WriteFileContent(path, bytes, OPEN_ALWAYS, 0);
  if (written) DeleteFileW(tmp);
  return inPlace;
}

// Writes the content into a new file beside the store ("BackupSets (2).txt" ...), else into
// the temporary folder. The name of the file written, or "" when none could be.
std::wstring SaveElsewhere(const std::string& bytes) {
  std::wstring dirs[2] = {GDataDir, L""};
  wchar_t temp[MAX_PATH + 1] = {0};
  if (GetTempPathW(MAX_PATH + 1, temp)) dirs[1] = temp;
  const std::wstring stem(kSetsFileName.substr(0, kSetsFileName.rfind(L'.')));
  for (const std::wstring& dir : dirs) {
    if (dir.empty()) continue;
    for (int n = 2; n < 100; ++n) {
      const std::wstring name = dir + stem + L" (" + std::to_wstring(n) + L").txt";
      // Never over an earlier one: it may hold sets saved the same way.
      os::Handle f(CreateFileW(name.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!f) {
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS) continue;
        break;
      }
      if (WriteAll(f.get(), bytes) && FlushFileBuffers(f.get())) return name;
      FILE_DISPOSITION_INFO gone{TRUE};  // half a file is no place to point the user to
      SetFileInformationByHandle(f.get(), FileDispositionInfo, &gone, sizeof gone);
      break;
    }
  }
  return {};
}

// Whether leaving the file as it is would lose sets: the entries differ from what it holds in
// their paths or sets. A file that cannot be read is taken to differ unless there is nothing to
// keep.
bool WouldLose(const std::wstring& path, const std::vector<Pfad>& entries) {
  std::vector<Pfad> held;
  if (!ReadSetsFile(path, held)) return !entries.empty();
  return !SameSets(held, entries);
}

// The sets could not go into their file: they go to a second file, and the user learns why
// and where they are.
void Rescue(const std::wstring& why, const std::wstring& path, const std::vector<Pfad>& entries) {
  const std::wstring second = SaveElsewhere(FormatSetsFile(entries));
  std::wstring text = why + L" \r\n" + path + L"\r\n\r\n";
  if (second.empty()) {
    text += L"Sie konnten auch in keiner anderen Datei gespeichert werden und sind verloren.";
  } else {
    text += L"Sie stehen jetzt in: \r\n" + second;
  }
  ui::_Msg(text);
}

}  // namespace

bool SetsFileUnread() { return gUnread; }

void _SetsLoad() {
  gUnread = false;
  // Without a data directory the name would be relative to whatever the current directory is.
  if (GDataDir.empty()) return;
  const std::wstring path = SetsFilePath();
  // Opened for writing too, so that a missing file is created empty on the first start.
  os::Handle f(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) {
    // A read-only file (or one another program holds open for writing) is still readable.
    f.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  std::string bytes;
  if (!f || !ReadAll(f.get(), bytes)) {
    gUnread = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (gUnread) {
      ui::_Msg(L"Err - Konnte Backup Sets nicht lesen: \r\n" + path +
               L"\r\n\r\nDie gespeicherten Sets fehlen bis zum nächsten Start. Neue Sets werden "
               L"beim Beenden zu ihnen gespeichert.");
    }
    return;
  }
  ParseSetsFile(bytes, BupPfade);
}

void _SetsSave() {
  if (GDataDir.empty()) return;
  const std::wstring path = SetsFilePath();
  const std::vector<Pfad>* entries = &BupPfade;
  std::vector<Pfad> merged;
  if (gUnread) {
    // The stored sets were never in memory: writing the list alone would erase them.
    if (!ReadSetsFile(path, merged)) {
      if (!BupPfade.empty()) {
        Rescue(L"Err - Konnte Backup Sets nicht lesen und nicht ergänzen:", path, BupPfade);
      }
      return;
    }
    MergeSets(merged, BupPfade);
    entries = &merged;
  }
  const DWORD attrs = GetFileAttributesW(path.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY)) {
    // A read-only file is never written over, nor replaced by a new one (that would undo the
    // protection).
    if (WouldLose(path, *entries)) {
      Rescue(L"Err - Backup Sets nicht gespeichert, die Datei ist schreibgeschützt:", path,
             *entries);
    }
    return;
  }
  if (!WriteStore(path, FormatSetsFile(*entries), attrs) && WouldLose(path, *entries)) {
    Rescue(L"Err - Konnte Backup Sets nicht speichern:", path, *entries);
  }
}

}  // namespace vardune
