// The backup privilege of an elevated process (see privilege.h).
#include "os/privilege.h"

#include <windows.h>

#include "os/fs.h"

namespace vardune::os {

namespace {

bool IsElevatedProcess() {
  Handle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

bool EnableBackupPrivilege() {
  Handle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                        token.put())) {
    return false;
  }
  TOKEN_PRIVILEGES tp{};
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &tp.Privileges[0].Luid)) return false;
  // Succeeds also when the token does not hold the privilege; then the last error says so.
  if (!AdjustTokenPrivileges(token.get(), FALSE, &tp, sizeof tp, nullptr, nullptr)) return false;
  return GetLastError() == ERROR_SUCCESS;
}

}  // namespace

bool (*GIsElevated)() = IsElevatedProcess;
bool (*GEnableBackupPrivilege)() = EnableBackupPrivilege;

void PrepareListing() {
  if (GIsElevated && GIsElevated() && GEnableBackupPrivilege) GEnableBackupPrivilege();
}

}  // namespace vardune::os
