// The held-open test. A write lease (F_SETLEASE, F_WRLCK) is granted only
// when the caller's descriptor is the file's only open one, which is
// exactly the question; it is dropped again at once. Leases need the file's
// owner or CAP_LEASE and a local file system; otherwise every process's
// descriptor table under /proc is compared by device and inode.
#include "platform/FileLock.h"

#include <cerrno>
#include <csignal>
#include <mutex>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaly::platform {
namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

class Folder {
 public:
  explicit Folder(const std::string& path) : dir_(::opendir(path.c_str())) {}
  ~Folder() {
    if (dir_) ::closedir(dir_);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  DIR* get() const { return dir_; }

 private:
  DIR* dir_;
};

bool AllDigits(const char* name) {
  if (!*name) return false;
  for (; *name; ++name)
    if (*name < '0' || *name > '9') return false;
  return true;
}

bool ProcessHasOpen(const std::string& pid, dev_t device, ino_t inode) {
  const std::string fdFolder = "/proc/" + pid + "/fd";
  Folder fds(fdFolder);
  if (!fds.get()) return false;
  while (const dirent* entry = ::readdir(fds.get())) {
    if (!AllDigits(entry->d_name)) continue;
    struct stat st {};
    // stat follows the fd link to the open file itself.
    if (::stat((fdFolder + "/" + entry->d_name).c_str(), &st) == 0 && st.st_dev == device && st.st_ino == inode)
      return true;
  }
  return false;
}

// Someone opening the file while the lease is held makes the kernel send
// the holder SIGIO, whose default action ends the process. The lease lasts
// microseconds, but that is no reason to risk the program: SIGIO is set to
// be ignored when nobody handles it (the opener then waits for the release).
void IgnoreLeaseBreakSignal() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current {};
    if (::sigaction(SIGIO, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
        !(current.sa_flags & SA_SIGINFO)) {
      struct sigaction ignore {};
      ignore.sa_handler = SIG_IGN;
      sigemptyset(&ignore.sa_mask);
      ::sigaction(SIGIO, &ignore, nullptr);
    }
  });
}

}  // namespace

bool IsFileOpenInAnyProcess(const std::string& path) {
  struct stat target {};
  if (::stat(path.c_str(), &target) != 0) return false;
  Folder proc("/proc");
  if (!proc.get()) return false;
  while (const dirent* entry = ::readdir(proc.get())) {
    if (AllDigits(entry->d_name) && ProcessHasOpen(entry->d_name, target.st_dev, target.st_ino)) return true;
  }
  return false;
}

bool IsFileHeldOpen(const std::string& path) {
  IgnoreLeaseBreakSignal();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  // Non-blocking, so that a file under someone else's lease fails at once
  // instead of waiting for the lease to break.
  {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return errno != ENOENT;
    if (::fcntl(fd.get(), F_SETLEASE, F_WRLCK) == 0) {
      ::fcntl(fd.get(), F_SETLEASE, F_UNLCK);
      return false;
    }
    if (errno == EAGAIN || errno == EBUSY) return true;
  }
  // Leases refused: our own descriptor is closed again before the look-up,
  // or it would find itself.
  return IsFileOpenInAnyProcess(path);
}

}  // namespace tessaly::platform
