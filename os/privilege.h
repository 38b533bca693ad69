// The backup privilege of an elevated process: with it, and directories opened for backup
// intent, the listing shows what the administrator's own tools see and what the disk holds
// (System Volume Information with its shadow copies among it), as the MFT engine does.
// Without elevation nothing changes: what the user may not list stays an ERROR record.
#pragma once

namespace vardune::os {

// The two steps, replaceable so that a test can see when the privilege is asked for: whether
// the process runs elevated (TokenElevation), and enabling SeBackupPrivilege in its token
// (true when the token holds it and it is enabled now).
extern bool (*GIsElevated)();
extern bool (*GEnableBackupPrivilege)();

// Before a scan lists: the privilege enabled when the process runs elevated.
void PrepareListing();

}  // namespace vardune::os
