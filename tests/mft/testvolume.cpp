// Real NTFS volumes for the tests (see testvolume.h).
#include "tests/mft/testvolume.h"

#include <windows.h>

#include <atomic>

#include "os/fs.h"
#include "tests/support/support.h"

namespace vardune::test {

namespace {

std::atomic<int> gVolumes{0};

std::wstring WinPath(const std::string& unixPath) {
  std::wstring w = L"Z:" + std::wstring(unixPath.begin(), unixPath.end());
  for (wchar_t& c : w) {
    if (c == L'/') c = L'\\';
  }
  return w;
}

}  // namespace

void TestVolume::Name() {
  const int n = gVolumes++;
  // One letter per volume of this process: Wine keeps its view of the drives for a second.
  letter_ = static_cast<wchar_t>(L'M' + n % 14);
  // Inside the prefix, whose removal at the end of the test run unmounts what a crashed test
  // program left mounted.
  dir_ = prefix_ + "/vardune-ntfs-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(n);
  image_ = dir_ + "/volume.img";
  mount_ = dir_ + "/mnt";
}

TestVolume::TestVolume(int megabytes) {
  prefix_ = WinePrefixDir();
  if (prefix_.empty()) {
    problem_ = "not under Wine";
    return;
  }
  Name();
  if (RunUnix(std::string(kShellPath) + "rm -rf " + ShellQuote(dir_) + " && mkdir -p " +
              ShellQuote(mount_) + " && truncate -s " + std::to_string(megabytes) + "M " +
              ShellQuote(image_) + " && mkntfs -F -Q -q " + ShellQuote(image_) +
              " >/dev/null 2>&1") != 0) {
    problem_ = "mkntfs failed";
    return;
  }
  ready_ = Mount() && LinkDrive();
}

TestVolume::TestVolume(TestVolume& original, const std::string& patch) {
  prefix_ = original.prefix_;
  Name();
  if (!original.ready_) {
    problem_ = original.problem_;
    return;
  }
  // The original is unmounted while it is copied, so that the copy holds all it was given.
  original.Unmount();
  const int copied = RunUnix(std::string(kShellPath) + "rm -rf " + ShellQuote(dir_) +
                             " && mkdir -p " + ShellQuote(mount_) + " && cp --sparse=always " +
                             ShellQuote(original.image_) + " " + ShellQuote(image_));
  original.ready_ = original.Mount();
  if (copied != 0 ||
      RunUnix(std::string(kShellPath) + "IMG=" + ShellQuote(image_) + "; " + patch) != 0) {
    problem_ = "copy or patch failed";
    return;
  }
  ready_ = Mount() && LinkDrive();
}

TestVolume::~TestVolume() {
  Unmount();
  if (!prefix_.empty() && letter_) {
    const std::string link = prefix_ + "/dosdevices/" + static_cast<char>(letter_ - L'A' + L'a') + ":";
    RunUnix("rm -f " + ShellQuote(link) + " " + ShellQuote(link + ":"));
  }
  if (!prefix_.empty() && dir_.starts_with(prefix_ + "/vardune-ntfs-")) {
    RunUnix("rm -rf " + ShellQuote(dir_));
  }
}

bool TestVolume::Mount() {
  if (RunUnix(std::string(kShellPath) + "ntfs-3g " + ShellQuote(image_) + " " +
              ShellQuote(mount_) + " >/dev/null 2>&1") != 0) {
    problem_ = "ntfs-3g could not mount the image";
    return false;
  }
  mounted_ = true;
  return true;
}

void TestVolume::Unmount() {
  if (!mounted_) return;
  RunUnix(std::string(kShellPath) + "umount " + ShellQuote(mount_) + " 2>/dev/null || umount -l " +
          ShellQuote(mount_));
  mounted_ = false;
}

bool TestVolume::Remount() {
  Unmount();
  return Mount();
}

bool TestVolume::LinkDrive() {
  // X: is the mounted tree, X:: the device behind it.
  const std::string link = prefix_ + "/dosdevices/" + static_cast<char>(letter_ - L'A' + L'a') + ":";
  if (RunUnix("ln -sfn " + ShellQuote(mount_) + " " + ShellQuote(link) + " && ln -sfn " +
              ShellQuote(image_) + " " + ShellQuote(link + ":")) != 0) {
    problem_ = "no drive link";
    return false;
  }
  for (int i = 0; i < 300; ++i) {
    if (os::IsDirectory(Root())) return true;
    Sleep(20);
  }
  problem_ = "the drive does not appear";
  return false;
}

int TestVolume::Sh(const std::string& script) const {
  return RunUnix(std::string(kShellPath) + "cd " + ShellQuote(mount_) + " && (" + script + ")");
}

std::string TestVolume::ShOut(const std::string& script) const {
  const std::string out = dir_ + "/out.txt";
  if (RunUnix(std::string(kShellPath) + "cd " + ShellQuote(mount_) + " && (" + script + ") > " +
              ShellQuote(out)) != 0) {
    return {};
  }
  return os::ReadWholeFile(WinPath(out)).value_or("");
}

}  // namespace vardune::test
