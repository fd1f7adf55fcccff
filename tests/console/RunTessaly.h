// Runs the built tessaly (no shell), capturing both streams; optionally as
// the unprivileged user nobody (through setpriv), for what only such a user
// meets: files and folders it may not read.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tessaly::test {

struct RunResult {
  int status = -1;
  std::string out, err;
};

inline constexpr const char* kSetpriv = "/usr/bin/setpriv";
inline constexpr uid_t kNobody = 65534;

// True when the tests can run tessaly as a user who is not root: they are
// not root themselves, or setpriv can drop to nobody.
inline bool CanRunUnprivileged() { return ::geteuid() != 0 || ::access(kSetpriv, X_OK) == 0; }

inline RunResult Tessaly(const std::vector<std::string>& args, const char* path = nullptr, const char* cwd = nullptr,
                         bool unprivileged = false) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tessaly-run-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  // nobody's own cache of extracted text, which it may write; a cache it
  // cannot use would add a message to standard error.
  const std::string cacheFolder = (dir / "cache").string();
  if (unprivileged && ::geteuid() == 0) {
    fs::create_directories(cacheFolder);
    fs::permissions(cacheFolder, fs::perms::all | fs::perms::sticky_bit);
  }
  const std::string outFile = (dir / "out").string(), errFile = (dir / "err").string();
  pid_t pid = ::fork();
  if (pid == 0) {
    std::freopen(outFile.c_str(), "w", stdout);
    std::freopen(errFile.c_str(), "w", stderr);
    if (path) ::setenv("PATH", path, 1);
    if (cwd && ::chdir(cwd) != 0) ::_exit(126);
    std::vector<std::string> argv;
    if (unprivileged && ::geteuid() == 0) {
      // nobody's own work folder, not the test's.
      ::unsetenv("XDG_RUNTIME_DIR");
      ::setenv("XDG_CACHE_HOME", cacheFolder.c_str(), 1);
      argv = {kSetpriv, "--reuid=" + std::to_string(kNobody), "--regid=" + std::to_string(kNobody),
              "--clear-groups", "--"};
    }
    argv.push_back(std::string(TESSALY_BIN_DIR) + "/tessaly");
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (auto& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    ::execv(pointers[0], pointers.data());
    ::_exit(127);
  }
  RunResult r;
  int st = 0;
  ::waitpid(pid, &st, 0);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  auto slurp = [](const std::string& f) {
    std::ifstream in(f, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  };
  r.out = slurp(outFile);
  r.err = slurp(errFile);
  fs::remove_all(dir);
  return r;
}

}  // namespace tessaly::test
