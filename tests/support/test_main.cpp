// Entry point of every test program: the platform is initialised as the program does it, and
// no blocking dialog can ever wait for a person (the dialog seam answers "No" / cancel and
// records what was asked, see support.h).
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "tests/support/support.h"
#include "ui/anchor.h"
#include "ui/platform/platform.h"

int wmain(int argc, wchar_t** argv) {
  OleInitialize(nullptr);
  vardune::ui::InitPlatform();
  vardune::ui::SetLayoutHook(vardune::_AnchorApply);
  vardune::test::InstallDialogRecorder();
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  testing::InitGoogleTest(&argc, argv);
  const int rc = RUN_ALL_TESTS();
  OleUninitialize();
  return rc;
}
