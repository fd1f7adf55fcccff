// Starting converter programs: finding them, a capturing run that waits with
// a time-out, and a detached start that nothing waits for.
//
// A command is an argument vector, never shell text: each argument reaches
// the program as it is, whatever bytes it holds.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::platform {

// The folder of the running executable (from /proc/self/exe), without a
// trailing `/`; empty when it cannot be read.
std::string ExecutableFolder();

// Where the program `name` is. A name holding a `/` is taken as it is; any
// other is looked up in ExecutableFolder() first, then in each PATH entry.
// Only executable regular files count. Empty when there is none.
std::string FindProgram(const std::string& name);

struct CapturedRun {
  bool timedOut = false;  // the run was ended after the time-out or a stop
  int exitStatus = -1;    // exit code, or 128 + signal number
};

// Runs `argv` (argv[0] the program's path) in `workingFolder` with standard
// input from /dev/null, standard output on `outputFd` and standard error on
// `errorFd` (-1: the same as standard output), in a process group of its
// own, with no other descriptor inherited, and waits for it to end. After
// `timeout` the group gets SIGTERM, one second later SIGKILL; as soon as
// `stop` (when given) becomes true, SIGTERM and SIGKILL 100 ms later, so a
// stopped search does not wait for a converter that ignores SIGTERM. Nothing when the process could not be
// started (errno is set).
std::optional<CapturedRun> RunCapturing(const std::vector<std::string>& argv, const std::string& workingFolder,
                                        int outputFd, std::chrono::milliseconds timeout,
                                        const std::atomic<bool>* stop = nullptr, int errorFd = -1);

// The end of a detached child: `ended` becomes true once it has ended and
// was reaped, `exitStatus` (exit code, or 128 + signal number) is set
// before that.
struct DetachedEnd {
  std::atomic<bool> ended{false};
  std::atomic<int> exitStatus{-1};
  int pid = 0;  // the child, leader of its own session and process group
};
using EndFlag = std::shared_ptr<const DetachedEnd>;

// Starts `argv` (argv[0] the program's path) in a new session with standard
// input and output on /dev/null, standard error on `errorFd` (-1:
// /dev/null), no other descriptor inherited, the caller's working folder
// and environment, and returns at once. A helper thread reaps the child
// when it ends, so no zombie stays; when `ended` is given it receives the
// state that thread sets. False when the process could not be started.
bool StartDetached(const std::vector<std::string>& argv, EndFlag* ended = nullptr, int errorFd = -1);

// Removes the file at `path` unless a process holds it open; true when it
// was removed. A child being started holds every descriptor of this process
// for a moment (until its exec closes them), so the check waits until no
// child of this process is being started.
bool RemoveUnlessHeldOpen(const std::string& path);

// Ends a child StartDetached started, with whatever it started in its
// process group: SIGTERM, after `grace` SIGKILL; returns once it was reaped
// (or after a further second). Nothing when it has ended already.
void EndDetached(const EndFlag& ended, std::chrono::milliseconds grace);

// A child that talks with this process over one socket: its standard input
// and standard output are one end of a stream socket pair, `socket` the
// other end (close-on-exec). A socket rather than two pipes, so that writing
// to a child that died fails with EPIPE (send with MSG_NOSIGNAL) instead of
// raising SIGPIPE in this process.
struct PipedChild {
  int pid = -1;
  int socket = -1;
};

// Starts `argv` (argv[0] the program's path) with standard input and output
// on a new socket pair, standard error on /dev/null, in a process group of
// its own, no other descriptor inherited. Nothing when it could not be
// started (errno is set).
std::optional<PipedChild> StartPiped(const std::vector<std::string>& argv);

// Ends `child` at once: closes the socket, SIGKILL to its process group, and
// reaps it. Leaves `child` empty; nothing when it is empty.
void EndPiped(PipedChild& child);

}  // namespace tessaly::platform
