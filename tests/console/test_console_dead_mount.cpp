// A folder on a network drive whose server no longer answers: the
// benchmark's FUSE mirror with one folder that never answers its listing.
// The console search given a short walk time-out ends, reports that folder
// "timed out" and lists the rest. Skipped where FUSE cannot mount (no
// /dev/fuse, no libfuse 3 at build time, a container without the right).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "RunTessaly.h"

namespace fs = std::filesystem;

namespace {

using tessaly::test::RunResult;
using tessaly::test::Tessaly;

class DeadMount : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string mirror = std::string(TESSALY_BIN_DIR) + "/latency_mirror";
    if (::access(mirror.c_str(), X_OK) != 0) GTEST_SKIP() << "built without libfuse 3";
    if (::access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/fuse";
    root_ = fs::temp_directory_path() / ("tessaly-dead-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    for (const char* dir : {"src/a", "src/dead/inner", "src/z/deeper"}) fs::create_directories(root_ / dir);
    std::ofstream(root_ / "src/a/one.txt") << "x";
    std::ofstream(root_ / "src/dead/inner/lost.txt") << "x";
    std::ofstream(root_ / "src/z/deeper/two.txt") << "x";
    fs::create_directories(root_ / "mnt");
    pid_ = ::fork();
    if (pid_ == 0) {
      std::freopen("/dev/null", "w", stderr);
      ::execl(mirror.c_str(), mirror.c_str(), (root_ / "src").c_str(), (root_ / "mnt").c_str(), "--latency-us",
              "200", "--hang", "dead", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Mounted once the mount point is on a device of its own.
    struct stat top {}, point {};
    ::stat(root_.c_str(), &top);
    for (int i = 0; i < 500; ++i) {
      if (::stat((root_ / "mnt").c_str(), &point) == 0 && point.st_dev != top.st_dev) return;
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    GTEST_SKIP() << "FUSE cannot mount here";
  }
  void TearDown() override {
    if (pid_ > 0) {
      // The mirror unmounts itself on SIGTERM; a lazy unmount covers a
      // mirror that could not.
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    if (!root_.empty()) {
      ::umount2((root_ / "mnt").c_str(), MNT_DETACH);
      fs::remove_all(root_);
    }
  }
  fs::path root_;
  pid_t pid_ = -1;
};

TEST_F(DeadMount, AFolderThatNeverAnswersIsReportedTimedOut) {
  const std::string mnt = (root_ / "mnt").string();
  for (const char* threads : {"1", "16"}) {
    const RunResult r = Tessaly({"--search", "-l", mnt, "-t", "TXT", "--rows", "--unreadable", "--sort", "name",
                                 "--walk-timeout", "2", "--walk-threads", threads, "--jobs", "1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "one.txt\t1 b\t" + mnt + "/a\ntwo.txt\t1 b\t" + mnt + "/z/deeper\n") << threads;
    EXPECT_EQ(r.err, "timed out\t" + mnt + "/dead\nCould not read 1 document: 1 timed out\n") << threads;
  }
}

}  // namespace
