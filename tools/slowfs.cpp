// A slow medium for the scan tests and benchmarks: a read-only FUSE passthrough over a local
// folder that sleeps before every directory listing, as a share over a slow link or a
// spun-down disk does. Linux only (libfuse3).
//
//   slowfs BACKING MOUNTPOINT [--delay MS] [--block NAME:MS]... [--lifetime SECONDS]
//
// --delay: milliseconds before every listing; --block: a directory of that name (any depth)
// sleeps that long instead; --lifetime: the file system unmounts itself after that time (so
// that a test run that died leaves no mount behind; default 900). Returns once mounted.
#define FUSE_USE_VERSION 31
#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string gBacking;
std::string gMount;
int gDelayMs = 0;
std::map<std::string, int> gBlock;  // directory name -> milliseconds
int gLifetimeS = 900;

std::string Real(const char* path) { return gBacking + path; }

int DelayFor(const char* path) {
  const char* slash = std::strrchr(path, '/');
  const std::string name = slash ? slash + 1 : path;
  const auto it = gBlock.find(name);
  return it != gBlock.end() ? it->second : gDelayMs;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
  return lstat(Real(path).c_str(), st) == 0 ? 0 : -errno;
}

int ReadLink(const char* path, char* buf, size_t size) {
  const ssize_t n = readlink(Real(path).c_str(), buf, size - 1);
  if (n < 0) return -errno;
  buf[n] = 0;
  return 0;
}

int OpenDir(const char* path, fuse_file_info* fi) {
  DIR* d = opendir(Real(path).c_str());
  if (!d) return -errno;
  fi->fh = reinterpret_cast<uint64_t>(d);
  return 0;
}

// The whole directory in one call (offsets ignored): the sleep comes once per listing.
int ReadDir(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset, fuse_file_info* fi,
            fuse_readdir_flags) {
  DIR* d = reinterpret_cast<DIR*>(fi->fh);
  if (offset == 0) {
    const int ms = DelayFor(path);
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  rewinddir(d);
  while (dirent* e = readdir(d)) {
    struct stat st {};
    st.st_ino = e->d_ino;
    st.st_mode = static_cast<mode_t>(DTTOIF(e->d_type));
    if (fill(buf, e->d_name, &st, 0, static_cast<fuse_fill_dir_flags>(0))) break;
  }
  return 0;
}

int ReleaseDir(const char*, fuse_file_info* fi) {
  closedir(reinterpret_cast<DIR*>(fi->fh));
  return 0;
}

int Open(const char* path, fuse_file_info* fi) {
  if ((fi->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
  const int fd = open(Real(path).c_str(), O_RDONLY);
  if (fd < 0) return -errno;
  fi->fh = static_cast<uint64_t>(fd);
  return 0;
}

int Read(const char*, char* buf, size_t size, off_t offset, fuse_file_info* fi) {
  const ssize_t n = pread(static_cast<int>(fi->fh), buf, size, offset);
  return n < 0 ? -errno : static_cast<int>(n);
}

int Release(const char*, fuse_file_info* fi) {
  close(static_cast<int>(fi->fh));
  return 0;
}

int StatFs(const char* path, struct statvfs* st) {
  return statvfs(Real(path).c_str(), st) == 0 ? 0 : -errno;
}

void* Init(fuse_conn_info*, fuse_config* cfg) {
  cfg->use_ino = 1;
  // Runs in the daemon, after the mount: a file system nobody unmounted ends by itself.
  std::thread([] {
    std::this_thread::sleep_for(std::chrono::seconds(gLifetimeS));
    const std::string cmd = "fusermount3 -u -z '" + gMount + "' 2>/dev/null || umount -l '" +
                            gMount + "' 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) std::_Exit(1);
  }).detach();
  return nullptr;
}

int Usage() {
  std::fprintf(stderr,
               "usage: slowfs BACKING MOUNTPOINT [--delay MS] [--block NAME:MS]... "
               "[--lifetime SECONDS]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> plain;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "--delay" || a == "--block" || a == "--lifetime") && i + 1 >= argc) return Usage();
    if (a == "--delay") {
      gDelayMs = std::atoi(argv[++i]);
    } else if (a == "--lifetime") {
      gLifetimeS = std::atoi(argv[++i]);
    } else if (a == "--block") {
      const std::string block = argv[++i];  // NAME:MS
      const size_t colon = block.rfind(':');
      if (colon == std::string::npos || colon == 0) return Usage();
      gBlock[block.substr(0, colon)] = std::atoi(block.c_str() + colon + 1);
    } else {
      plain.push_back(a);
    }
  }
  if (plain.size() != 2) return Usage();
  char* backing = realpath(plain[0].c_str(), nullptr);
  char* mount = realpath(plain[1].c_str(), nullptr);
  if (!backing || !mount) {
    std::perror("slowfs");
    return 1;
  }
  gBacking = backing;
  gMount = mount;
  std::free(backing);
  std::free(mount);
  if (gBacking.size() > 1 && gBacking.back() == '/') gBacking.pop_back();

  fuse_operations ops{};
  ops.getattr = GetAttr;
  ops.readlink = ReadLink;
  ops.opendir = OpenDir;
  ops.readdir = ReadDir;
  ops.releasedir = ReleaseDir;
  ops.open = Open;
  ops.read = Read;
  ops.release = Release;
  ops.statfs = StatFs;
  ops.init = Init;
  // Multi-threaded, so that one sleeping listing does not hold up the others; without -f the
  // call returns once the mount is there and the daemon runs on in the background.
  std::string prog = argv[0];
  std::string ro = "-oro,fsname=slowfs";
  std::vector<char*> args = {prog.data(), gMount.data(), ro.data()};
  return fuse_main(static_cast<int>(args.size()), args.data(), &ops, nullptr);
}
