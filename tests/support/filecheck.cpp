#include "tests/support/filecheck.h"

#include <windows.h>

#include <map>

#include "os/fs.h"
#include "scan/filetable.h"
#include "scan/model.h"
#include "tests/support/support.h"

namespace vardune::test {

namespace {

void Problem(FileTableCheck& c, const std::string& line) {
  if (c.problems.size() < 4000) c.problems += line + "\n";
}

}  // namespace

FileTableCheck CheckFilesAgainstTheSystem() {
  FileTableCheck c;
  // The bytes and count of each directory's "<DATEIEN>" record, by the directory's path.
  std::map<std::wstring, std::pair<int64_t, int32_t>> dateien;
  for (size_t i = 0; i < Pfade.size(); ++i) {
    if (Pfade.Name(i) == kDateien) {
      dateien[std::wstring(Pfade.Parent(i))] = {Pfade[i].Size, Pfade[i].Files};
    }
  }
  for (size_t i = 0; i < Pfade.size(); ++i) {
    if (Pfade.Name(i) == kDateien) continue;
    const std::wstring dir = _AddBackslash(Pfade.FullPath(i));
    int64_t bytes = 0;
    int32_t count = 0;
    Pfade.ForEachFile(i, [&](const FileRef& f) {
      ++count;
      bytes += f.size;
      const FileInfo info{FileNameOf(f), f.size, f.allocated, f.time, f.flags};
      const std::wstring path = dir + info.Name;
      const std::string where = Narrow(path);
      HANDLE h = CreateFileW(os::LongPathForm(path).c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                             nullptr);
      FILE_BASIC_INFO basic{};
      FILE_STANDARD_INFO standard{};
      if (h == INVALID_HANDLE_VALUE ||
          !GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic) ||
          !GetFileInformationByHandleEx(h, FileStandardInfo, &standard, sizeof standard)) {
        Problem(c, where + ": cannot be asked (" + std::to_string(GetLastError()) + ")");
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        return;
      }
      CloseHandle(h);
      const int64_t size = standard.EndOfFile.QuadPart;
      const int64_t allocated = standard.AllocationSize.QuadPart;
      const uint32_t time = FileTimeSeconds(static_cast<uint64_t>(basic.LastWriteTime.QuadPart));
      const uint8_t flags = FileFlagsOf(basic.FileAttributes);
      if (info.Size != size || info.Allocated != allocated || info.Time != time ||
          info.Flags != flags) {
        Problem(c, where + ": kept " + std::to_string(info.Size) + "/" +
                       std::to_string(info.Allocated) + "/" + std::to_string(info.Time) + "/" +
                       std::to_string(info.Flags) + ", the system says " + std::to_string(size) +
                       "/" + std::to_string(allocated) + "/" + std::to_string(time) + "/" +
                       std::to_string(flags));
      }
    });
    c.files += count;
    const auto d = dateien.find(dir);
    const int64_t wantBytes = d == dateien.end() ? 0 : d->second.first;
    if (bytes != wantBytes) {
      Problem(c, Narrow(dir) + ": files of " + std::to_string(bytes) + " bytes kept, " +
                     std::to_string(wantBytes) + " counted");
    }
    if (d != dateien.end() && count != d->second.second) {
      Problem(c, Narrow(dir) + ": " + std::to_string(count) + " files kept, " +
                     std::to_string(d->second.second) + " counted");
    }
  }
  return c;
}

}  // namespace vardune::test
