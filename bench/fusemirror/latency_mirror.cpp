// A read-only FUSE mirror of a folder whose every request waits like a
// round trip to a server: a stand-in for a network drive, for the walk's
// benchmark and for tests of folders that never answer.
//
//   latency_mirror SOURCE MOUNTPOINT [--latency-us N] [--hang PATH] [--threads N] [--plain-listings]
//
// Each request the kernel sends (lookup and getattr, opendir, readdir,
// readlink, open, read, statfs) sleeps N microseconds before it is answered
// from SOURCE. Attributes and names are cached by the kernel for one second,
// as a CIFS client caches them; listings come with the attributes of their
// entries (readdirplus), as SMB and NFS listings do (--plain-listings: names
// and kinds only, so that each entry's facts cost a lookup). Directory operations run
// in parallel, on up to --threads threads (default 64), so that a client
// which keeps several requests in flight gains from it. The folder PATH
// (relative to the mirror's root, "a/b") never answers its opendir: a dead
// server (only a caller that is killed gets EINTR). The mirror runs in the foreground until it is unmounted or
// killed; at its end it prints how many requests of each kind it answered.
#define FUSE_USE_VERSION 35

#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string gSource;
std::string gHang;  // "/a/b", empty for none
long gLatencyUs = 1000;
bool gPlainListings = false;

enum Kind { kGetattr, kOpendir, kReaddir, kReadlink, kOpen, kRead, kStatfs, kKinds };
const char* const kKindNames[kKinds] = {"getattr", "opendir", "readdir", "readlink", "open", "read", "statfs"};
std::atomic<long> gCounts[kKinds];

// One request's round trip.
void Wait(Kind kind) {
  ++gCounts[kind];
  if (gLatencyUs > 0) std::this_thread::sleep_for(std::chrono::microseconds(gLatencyUs));
}

std::string Real(const char* path) { return gSource + path; }

void* Init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
  cfg->entry_timeout = 1.0;
  cfg->attr_timeout = 1.0;
  cfg->negative_timeout = 1.0;
  cfg->use_ino = 1;
  conn->want |= conn->capable & FUSE_CAP_PARALLEL_DIROPS;
  if (gPlainListings) {
    conn->want &= ~(FUSE_CAP_READDIRPLUS | FUSE_CAP_READDIRPLUS_AUTO);
  } else {
    conn->want |= conn->capable & FUSE_CAP_READDIRPLUS;
    conn->want &= ~FUSE_CAP_READDIRPLUS_AUTO;  // every listing with its attributes
  }
  return nullptr;
}

int Getattr(const char* path, struct stat* st, struct fuse_file_info*) {
  Wait(kGetattr);
  return ::lstat(Real(path).c_str(), st) == 0 ? 0 : -errno;
}

int Readlink(const char* path, char* buf, size_t size) {
  Wait(kReadlink);
  const ssize_t n = ::readlink(Real(path).c_str(), buf, size - 1);
  if (n < 0) return -errno;
  buf[n] = 0;
  return 0;
}

int Opendir(const char* path, struct fuse_file_info* fi) {
  if (!gHang.empty() && gHang == path) {
    // A server that never answers. As the kernel's NFS and CIFS clients do
    // for a dead server, a request whose caller is killed ends with EINTR
    // (the kernel sends an interrupt); otherwise it stays open until the
    // mirror is killed, when the kernel fails it.
    while (!fuse_interrupted()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return -EINTR;
  }
  Wait(kOpendir);
  DIR* d = ::opendir(Real(path).c_str());
  if (!d) return -errno;
  fi->fh = reinterpret_cast<std::uint64_t>(d);
  return 0;
}

int Readdir(const char*, void* buf, fuse_fill_dir_t fill, off_t offset, struct fuse_file_info* fi,
            enum fuse_readdir_flags flags) {
  Wait(kReaddir);
  DIR* d = reinterpret_cast<DIR*>(fi->fh);
  if (offset == 0) ::rewinddir(d);
  else ::seekdir(d, offset);
  const bool plus = flags & FUSE_READDIR_PLUS;
  while (struct dirent* e = ::readdir(d)) {
    struct stat st {};
    if (plus) {
      if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    } else {
      st.st_ino = e->d_ino;
      st.st_mode = static_cast<mode_t>(DTTOIF(e->d_type));
    }
    if (fill(buf, e->d_name, &st, ::telldir(d), plus ? FUSE_FILL_DIR_PLUS : static_cast<fuse_fill_dir_flags>(0)))
      break;
  }
  return 0;
}

int Releasedir(const char*, struct fuse_file_info* fi) {
  ::closedir(reinterpret_cast<DIR*>(fi->fh));
  return 0;
}

int Open(const char* path, struct fuse_file_info* fi) {
  Wait(kOpen);
  if ((fi->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
  const int fd = ::open(Real(path).c_str(), O_RDONLY);
  if (fd < 0) return -errno;
  fi->fh = static_cast<std::uint64_t>(fd);
  return 0;
}

int Read(const char*, char* buf, size_t size, off_t offset, struct fuse_file_info* fi) {
  Wait(kRead);
  const ssize_t n = ::pread(static_cast<int>(fi->fh), buf, size, offset);
  return n < 0 ? -errno : static_cast<int>(n);
}

int Release(const char*, struct fuse_file_info* fi) {
  ::close(static_cast<int>(fi->fh));
  return 0;
}

int Statfs(const char* path, struct statvfs* st) {
  Wait(kStatfs);
  return ::statvfs(Real(path).c_str(), st) == 0 ? 0 : -errno;
}

[[noreturn]] void Usage() {
  std::fprintf(stderr,
               "usage: latency_mirror SOURCE MOUNTPOINT [--latency-us N] [--hang PATH] [--threads N] "
               "[--plain-listings]\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) Usage();
  char* source = ::realpath(argv[1], nullptr);
  if (!source) {
    std::perror(argv[1]);
    return 2;
  }
  gSource = source;
  std::free(source);
  const std::string mountpoint = argv[2];
  long threads = 64;
  for (int i = 3; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--plain-listings") {
      gPlainListings = true;
      continue;
    }
    if (i + 1 >= argc) Usage();
    if (a == "--latency-us") gLatencyUs = std::atol(argv[++i]);
    else if (a == "--hang") gHang = "/" + std::string(argv[++i]);
    else if (a == "--threads") threads = std::atol(argv[++i]);
    else Usage();
  }
  struct fuse_operations ops {};
  ops.init = Init;
  ops.getattr = Getattr;
  ops.readlink = Readlink;
  ops.opendir = Opendir;
  ops.readdir = Readdir;
  ops.releasedir = Releasedir;
  ops.open = Open;
  ops.read = Read;
  ops.release = Release;
  ops.statfs = Statfs;
  const std::string threadOption = "max_threads=" + std::to_string(threads) +
                                   ",max_idle_threads=" + std::to_string(threads) + ",fsname=latency_mirror,ro";
  std::vector<std::string> args = {"latency_mirror", mountpoint, "-f", "-o", threadOption};
  std::vector<char*> pointers;
  for (std::string& s : args) pointers.push_back(s.data());
  const int status = fuse_main(static_cast<int>(pointers.size()), pointers.data(), &ops, nullptr);
  std::fprintf(stderr, "requests:");
  long total = 0;
  for (int k = 0; k < kKinds; ++k) {
    std::fprintf(stderr, " %s %ld", kKindNames[k], gCounts[k].load());
    total += gCounts[k].load();
  }
  std::fprintf(stderr, ", %ld in all\n", total);
  return status;
}
