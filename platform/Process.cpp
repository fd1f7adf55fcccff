// Child processes through posix_spawn: a spawn builds the child's descriptors
// explicitly (the three standard streams, everything else closed), resets
// signal dispositions and the signal mask, and never goes through a shell.
#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/FileLock.h"

extern char** environ;

namespace tessaly::platform {
namespace {

constexpr std::chrono::milliseconds kKillGrace{1000};
// The grace after SIGTERM when a search was stopped.
constexpr std::chrono::milliseconds kStopGrace{100};
constexpr std::chrono::milliseconds kPollStep{10};

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::vector<char*> ArgPointers(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (const auto& arg : argv) pointers.push_back(const_cast<char*>(arg.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// Spawn attributes every child gets: default signal dispositions, an empty
// signal mask, plus `extraFlags`.
class SpawnAttributes {
 public:
  explicit SpawnAttributes(short extraFlags) {
    ::posix_spawnattr_init(&attr_);
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    ::posix_spawnattr_setsigdefault(&attr_, &all);
    ::posix_spawnattr_setsigmask(&attr_, &none);
    if (extraFlags & POSIX_SPAWN_SETPGROUP) ::posix_spawnattr_setpgroup(&attr_, 0);
    ::posix_spawnattr_setflags(&attr_, static_cast<short>(POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | extraFlags));
  }
  ~SpawnAttributes() { ::posix_spawnattr_destroy(&attr_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  posix_spawnattr_t* get() { return &attr_; }

 private:
  posix_spawnattr_t attr_;
};

class FileActions {
 public:
  FileActions() { ::posix_spawn_file_actions_init(&actions_); }
  ~FileActions() { ::posix_spawn_file_actions_destroy(&actions_); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

// How often a wait looks at its stop flag.
constexpr std::chrono::milliseconds kStopCheck{50};

// Waits up to `timeout` for `pid` to end; true with its status when it did.
// False also once `stop` is set.
bool WaitFor(pid_t pid, std::chrono::milliseconds timeout, int& status, const std::atomic<bool>* stop = nullptr) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  for (;;) {
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) {
      if (pidfd >= 0) ::close(pidfd);
      return true;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || (stop && stop->load())) break;
    if (stop) left = std::min(left, kStopCheck);
    if (pidfd >= 0) {
      // The pidfd becomes readable when the process ends.
      pollfd p{pidfd, POLLIN, 0};
      ::poll(&p, 1, static_cast<int>(left.count()));
    } else {
      std::this_thread::sleep_for(std::min(left, kPollStep));
    }
  }
  if (pidfd >= 0) ::close(pidfd);
  return false;
}

// Held while a child is being started: from its start to its exec (which
// posix_spawn waits for) it holds every descriptor of this process.
std::mutex& SpawnMutex() {
  static std::mutex mutex;
  return mutex;
}

int Spawn(pid_t* pid, const std::string& program, const posix_spawn_file_actions_t* actions,
          const posix_spawnattr_t* attributes, char* const* args) {
  std::lock_guard lock(SpawnMutex());
  return ::posix_spawn(pid, program.c_str(), actions, attributes, args, environ);
}

int DecodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

std::string ExecutableFolder() {
  std::string buffer(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
  buffer.resize(static_cast<std::size_t>(n));
  const auto slash = buffer.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : buffer.substr(0, slash);
}

std::string FindProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
  const std::string own = ExecutableFolder();
  if (!own.empty()) {
    std::string candidate = own == "/" ? "/" + name : own + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
  }
  const char* path = std::getenv("PATH");
  std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    // An empty PATH entry means the current folder.
    const std::string folder = end > start ? list.substr(start, end - start) : std::string(".");
    std::string candidate = folder.back() == '/' ? folder + name : folder + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

std::optional<CapturedRun> RunCapturing(const std::vector<std::string>& argv, const std::string& workingFolder,
                                        int outputFd, std::chrono::milliseconds timeout,
                                        const std::atomic<bool>* stop, int errorFd) {
  if (argv.empty()) {
    errno = EINVAL;
    return std::nullopt;
  }
  FileActions actions;
  ::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_adddup2(actions.get(), outputFd, STDOUT_FILENO);
  ::posix_spawn_file_actions_adddup2(actions.get(), errorFd >= 0 ? errorFd : outputFd, STDERR_FILENO);
  ::posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1);
  if (!workingFolder.empty()) ::posix_spawn_file_actions_addchdir_np(actions.get(), workingFolder.c_str());
  SpawnAttributes attributes(POSIX_SPAWN_SETPGROUP);

  auto args = ArgPointers(argv);
  pid_t pid = 0;
  const int rc = Spawn(&pid, argv[0], actions.get(), attributes.get(), args.data());
  if (rc != 0) {
    errno = rc;
    return std::nullopt;
  }

  CapturedRun run;
  int status = 0;
  if (!WaitFor(pid, timeout, status, stop)) {
    run.timedOut = true;
    const std::chrono::milliseconds grace = stop && stop->load() ? kStopGrace : kKillGrace;
    ::kill(-pid, SIGTERM);
    if (!WaitFor(pid, grace, status)) {
      ::kill(-pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }
  if (run.timedOut) {
    // Helpers the converter left in its group end with it. Waiting until
    // the group is gone lets the caller find the capture file released.
    ::kill(-pid, SIGKILL);
    const auto deadline = std::chrono::steady_clock::now() + kKillGrace;
    while (::kill(-pid, 0) == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(kPollStep);
  }
  run.exitStatus = DecodeStatus(status);
  return run;
}

bool StartDetached(const std::vector<std::string>& argv, EndFlag* ended, int errorFd) {
  if (argv.empty()) return false;
  FileActions actions;
  ::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  if (errorFd >= 0) ::posix_spawn_file_actions_adddup2(actions.get(), errorFd, STDERR_FILENO);
  else ::posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1);
  SpawnAttributes attributes(POSIX_SPAWN_SETSID);

  auto args = ArgPointers(argv);
  pid_t pid = 0;
  if (Spawn(&pid, argv[0], actions.get(), attributes.get(), args.data()) != 0) return false;
  auto flag = std::make_shared<DetachedEnd>();
  flag->pid = pid;
  if (ended) *ended = flag;
  std::thread([pid, flag] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    flag->exitStatus.store(DecodeStatus(status));
    flag->ended.store(true);
  }).detach();
  return true;
}

bool RemoveUnlessHeldOpen(const std::string& path) {
  std::lock_guard lock(SpawnMutex());
  return !IsFileHeldOpen(path) && ::unlink(path.c_str()) == 0;
}

void EndDetached(const EndFlag& ended, std::chrono::milliseconds grace) {
  if (!ended || ended->pid <= 0) return;
  // Until the reaper has seen it end, the child's id still names its group.
  auto waitEnd = [&](std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!ended->ended.load()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  };
  if (ended->ended.load()) return;
  ::kill(-ended->pid, SIGTERM);
  if (waitEnd(grace)) return;
  if (!ended->ended.load()) ::kill(-ended->pid, SIGKILL);
  waitEnd(kKillGrace);
}

std::optional<PipedChild> StartPiped(const std::vector<std::string>& argv) {
  if (argv.empty()) {
    errno = EINVAL;
    return std::nullopt;
  }
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return std::nullopt;
  FileActions actions;
  ::posix_spawn_file_actions_adddup2(actions.get(), ends[1], STDIN_FILENO);
  ::posix_spawn_file_actions_adddup2(actions.get(), ends[1], STDOUT_FILENO);
  ::posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1);
  SpawnAttributes attributes(POSIX_SPAWN_SETPGROUP);
  auto args = ArgPointers(argv);
  pid_t pid = 0;
  const int rc = Spawn(&pid, argv[0], actions.get(), attributes.get(), args.data());
  ::close(ends[1]);
  if (rc != 0) {
    ::close(ends[0]);
    errno = rc;
    return std::nullopt;
  }
  return PipedChild{pid, ends[0]};
}

void EndPiped(PipedChild& child) {
  if (child.socket >= 0) ::close(child.socket);
  child.socket = -1;
  if (child.pid > 0) {
    ::kill(-child.pid, SIGKILL);
    ::kill(child.pid, SIGKILL);
    int status = 0;
    while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  child.pid = -1;
}

}  // namespace tessaly::platform
