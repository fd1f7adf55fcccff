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
// input from /dev/null and standard output and standard error both on
// `outputFd`, in a process group of its own, with no other descriptor
// inherited, and waits for it to end. After `timeout`, or as soon as
// `stop` (when given) becomes true, the group gets SIGTERM, one second later
// SIGKILL. Nothing when the process could not be started (errno is set).
std::optional<CapturedRun> RunCapturing(const std::vector<std::string>& argv, const std::string& workingFolder,
                                        int outputFd, std::chrono::milliseconds timeout,
                                        const std::atomic<bool>* stop = nullptr);

// Becomes true once a detached child has ended and was reaped.
using EndFlag = std::shared_ptr<const std::atomic<bool>>;

// Starts `argv` (argv[0] the program's path) in a new session with its
// standard streams on /dev/null, no other descriptor inherited, the
// caller's working folder and environment, and returns at once. A helper
// thread reaps the child when it ends, so no zombie stays; when `ended` is
// given it receives the flag that thread sets. False when the process could
// not be started.
bool StartDetached(const std::vector<std::string>& argv, EndFlag* ended = nullptr);

}  // namespace tessaly::platform
