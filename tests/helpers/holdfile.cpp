// A process that keeps a file open without delete sharing until it is told to let go, so that
// a test can delete a tree while an entry in it is in use by another program.
// holdfile.exe <file> <ready event> <release event>: opens the file (reading and writing
// shared, deleting not), signals the ready event and waits for the release event (at most
// two minutes), then closes the file.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  HANDLE f = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 3;
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
  HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
  if (!ready || !release) return 4;
  SetEvent(ready);
  WaitForSingleObject(release, 120000);
  CloseHandle(f);
  return 0;
}
