// Real NTFS volumes for the tests of the MFT engine: an image file made with mkntfs, mounted
// through ntfs-3g (FUSE) and filled with ordinary Linux commands, and linked into the Wine
// prefix as a drive, so that X:\ lists the mounted tree and \\.\X: reads the image, as a
// volume device does on Windows. Everything is unmounted and removed at the end, also when the
// test fails.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "scan/model.h"

namespace vardune::test {

class TestVolume {
 public:
  // An empty volume of `megabytes`; Ready() tells whether it could be made (mkntfs, ntfs-3g
  // and FUSE at hand).
  explicit TestVolume(int megabytes);
  // A mounted copy of another volume's image, changed by `patch` (a shell command run with the
  // copy's path in $IMG) before it is mounted. The original is unmounted while it is copied.
  TestVolume(TestVolume& original, const std::string& patch);
  ~TestVolume();
  TestVolume(const TestVolume&) = delete;
  TestVolume& operator=(const TestVolume&) = delete;

  bool Ready() const { return ready_; }
  const std::string& Problem() const { return problem_; }
  // The drive root, "N:\".
  std::wstring Root() const { return std::wstring(1, letter_) + L":\\"; }
  const std::string& Image() const { return image_; }
  const std::string& MountDir() const { return mount_; }

  // Runs a shell script inside the mounted tree; returns its exit code.
  int Sh(const std::string& script) const;
  // The output of a shell script run inside the mounted tree.
  std::string ShOut(const std::string& script) const;
  // Unmounts and mounts again, so that everything ntfs-3g holds is on the image.
  bool Remount();

 private:
  void Name();
  bool Mount();
  bool LinkDrive();
  void Unmount();

  bool ready_ = false;
  std::string problem_;
  std::string dir_, image_, mount_;
  std::string prefix_;
  wchar_t letter_ = 0;
  bool mounted_ = false;
};

// The directory in which the shell finds the NTFS tools, whatever PATH Wine hands on.
inline const char* kShellPath =
    "PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin; export PATH; ";

}  // namespace vardune::test
