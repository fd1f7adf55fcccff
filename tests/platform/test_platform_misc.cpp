// Drives, file times, the work folder and path joining.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/Drives.h"
#include "platform/FileFacts.h"
#include "platform/FileTimes.h"
#include "platform/WorkFolder.h"

namespace fs = std::filesystem;
using namespace tessaly::platform;

namespace {

bool RemovableSdb(const std::string& device) { return device.rfind("/dev/sdb", 0) == 0; }

TEST(Drives, LocalBlockDevicesWithoutNestedOrRemovable) {
  const std::string mounts =
      "proc /proc proc rw 0 0\n"
      "/dev/sda2 / ext4 rw 0 0\n"
      "/dev/sda1 /boot/efi vfat rw 0 0\n"  // inside /
      "/dev/sdb1 /media/stick vfat rw 0 0\n"  // removable
      "server:/export /mnt/nfs nfs4 rw 0 0\n"
      "/dev/nvme0n1p1 /data\\040disk xfs rw 0 0\n"
      "/dev/sda2 / ext4 rw 0 0\n";  // repeated
  auto drives = FixedDrivesFrom(mounts, RemovableSdb);
  ASSERT_EQ(drives.size(), 1u);
  EXPECT_EQ(drives[0], "/");
  auto noRoot = FixedDrivesFrom("/dev/sda1 /srv ext4 rw 0 0\n/dev/sdc1 /data\\040disk xfs rw 0 0\n", RemovableSdb);
  ASSERT_EQ(noRoot.size(), 2u);
  EXPECT_EQ(noRoot[1], "/data disk");
  EXPECT_FALSE(FixedDrives().empty());
}

TEST(FileTimes, DayNumbers) {
  EXPECT_EQ(DayNumber(1899, 12, 30), 0);
  EXPECT_EQ(DayNumber(1900, 1, 1), 2);
  EXPECT_EQ(DayNumber(1970, 1, 1), 25569);
  EXPECT_EQ(DayNumber(2000, 3, 1) - DayNumber(2000, 2, 28), 2);  // leap day
}

TEST(FileTimes, TwoSecondFormOnlyInsideItsRange) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  LocalDateTime t = ToLocalFileTime(1700000001);  // 2023-11-14 22:13:21
  EXPECT_EQ(t.year, 2023);
  EXPECT_EQ(t.second, 20);
  LocalDateTime old = ToLocalFileTime(86400 + 3);  // 1970-01-02 00:00:03: exact
  EXPECT_EQ(old.year, 1970);
  EXPECT_EQ(old.second, 3);
  EXPECT_FALSE(FileLocalTime("/nonexistent/x", TimeStamp::LastWrite).has_value());
  EXPECT_EQ(FileLocalTime("/nonexistent/x", TimeStamp::None)->year, 1899);
}

TEST(WorkFolder, CreatedPrivateAndRefusedWhenNotOurs) {
  const fs::path base = fs::temp_directory_path() / ("tessaly-wf-" + std::to_string(::getpid()));
  fs::remove_all(base);
  fs::create_directories(base);
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  std::string savedValue = saved ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
  const std::string folder = WorkFolder();
  EXPECT_EQ(folder, (base / "tessaly").string());
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ::chmod(folder.c_str(), 0755);
  EXPECT_THROW(WorkFolder(), std::runtime_error);
  fs::remove_all(base / "tessaly");
  std::ofstream(base / "tessaly") << "not a folder";
  EXPECT_THROW(WorkFolder(), std::runtime_error);
  if (saved) ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
  else ::unsetenv("XDG_RUNTIME_DIR");
  fs::remove_all(base);
}

TEST(Paths, JoinNeverDoublesTheSeparator) {
  EXPECT_EQ(JoinPath("/", "etc"), "/etc");
  EXPECT_EQ(JoinPath("/home/a", "b.txt"), "/home/a/b.txt");
}

}  // namespace
