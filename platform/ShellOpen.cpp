// xdg-open behind the shell "open" result codes.
#include "platform/ShellOpen.h"

#include <spawn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

extern char** environ;

namespace tessaly::platform {

namespace {

// How long the caller waits for xdg-open's own answer. On desktops where it
// hands the file to a running service it ends at once; in its generic mode it
// runs the application itself, which may stay open for hours.
constexpr auto kAnswerWait = std::chrono::seconds(3);
constexpr auto kPollStep = std::chrono::milliseconds(10);

int CodeOfExitStatus(int status) {
  if (!WIFEXITED(status)) return kShellGeneralFailure;
  switch (WEXITSTATUS(status)) {
    case 0: return kShellOpenOk;
    case 2: return kShellFileNotFound;
    case 3: return kShellNoAssociation;
    default: return kShellGeneralFailure;
  }
}

}  // namespace

int ShellOpenWith(const std::string& program, const std::string& target) {
  struct stat st {};
  if (target.empty() || ::stat(target.c_str(), &st) != 0) return kShellFileNotFound;
  if (::access(target.c_str(), R_OK) != 0) return kShellAccessDenied;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // Its own process group: a terminal's Ctrl+C for the window does not
  // reach the opened application.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);

  std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>(target.c_str()), nullptr};
  pid_t pid = -1;
  const int rc = ::posix_spawnp(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return kShellNoAssociation;

  const auto deadline = std::chrono::steady_clock::now() + kAnswerWait;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return CodeOfExitStatus(status);
    if (done < 0 && errno != EINTR) return kShellGeneralFailure;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(kPollStep);
  }
  // Still running: it has found an application. Reap it when it ends.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return kShellOpenOk;
}

int ShellOpen(const std::string& target) { return ShellOpenWith("xdg-open", target); }

}  // namespace tessaly::platform
