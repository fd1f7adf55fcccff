// One readdir pass per folder; entry facts by fstatat on demand.
#include "platform/DirListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "platform/Mounts.h"

namespace tessaly::platform {

FolderListing::FolderListing(const std::string& folder) {
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) error_ = errno;
  Read();
}

FolderListing::FolderListing(int folderFd, int openError) : fd_(folderFd), error_(folderFd < 0 ? openError : 0) {
  Read();
}

int OpenSubFolder(int parentFd, const std::string& name) {
  return ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
}

void FolderListing::Read() {
  if (fd_ < 0) return;
  struct stat st {};
  if (::fstat(fd_, &st) == 0) {
    device_ = st.st_dev;
    inode_ = st.st_ino;
  }
  // fdopendir takes over the descriptor it gets; give it a duplicate so ours
  // stays open for fstatat after the listing is read.
  int dirFd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (dirFd < 0) {
    error_ = errno;
    return;
  }
  DIR* dir = ::fdopendir(dirFd);
  if (!dir) {
    error_ = errno;
    ::close(dirFd);
    return;
  }
  for (;;) {
    errno = 0;
    struct dirent* e = ::readdir(dir);
    if (!e) {
      error_ = errno;  // 0 at the end of the folder
      break;
    }
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    names_.emplace_back(n);
    types_.push_back(e->d_type);
  }
  ::closedir(dir);
  facts_.resize(names_.size());
}

FolderListing::~FolderListing() {
  if (fd_ >= 0) ::close(fd_);
}

bool FolderListing::isLinkByType(std::size_t i) const {
  if (types_[i] == DT_LNK) return true;
  if (types_[i] != DT_UNKNOWN) return false;
  struct stat st {};
  return ::fstatat(fd_, names_[i].c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

bool FolderListing::isPlainFolder(std::size_t i) {
  if (types_[i] == DT_DIR) return true;
  if (types_[i] != DT_UNKNOWN) return false;
  struct stat st {};
  return ::fstatat(fd_, names_[i].c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

const DirEntryFacts& FolderListing::facts(std::size_t i) {
  if (facts_[i]) return *facts_[i];
  DirEntryFacts f;
  struct stat st {};
  const char* n = names_[i].c_str();
  bool link = types_[i] == DT_LNK;
  if (types_[i] == DT_UNKNOWN) {
    if (::fstatat(fd_, n, &st, AT_SYMLINK_NOFOLLOW) == 0) link = S_ISLNK(st.st_mode);
  }
  f.isLink = link;
  if (::fstatat(fd_, n, &st, 0) == 0) {
    f.exists = true;
    f.isFolder = S_ISDIR(st.st_mode);
    f.size = f.isFolder ? 0 : static_cast<std::uint64_t>(st.st_size);
    f.device = st.st_dev;
    f.inode = st.st_ino;
  } else if (link && ::fstatat(fd_, n, &st, AT_SYMLINK_NOFOLLOW) == 0) {
    // A dangling link is listed as a file of size 0.
    f.exists = true;
  }
  facts_[i] = f;
  return *facts_[i];
}

namespace {

// Mount points of kernel pseudo file systems, read once per process.
const std::set<std::string>& PseudoMountPoints() {
  static const std::set<std::string> points = [] {
    static const std::set<std::string> kPseudo = {
        "proc",   "sysfs",   "devtmpfs",  "devpts",      "cgroup",   "cgroup2",
        "securityfs", "debugfs", "tracefs", "pstore",    "bpf",      "configfs",
        "fusectl", "mqueue", "hugetlbfs", "binfmt_misc", "efivarfs", "autofs"};
    std::set<std::string> result;
    for (const MountEntry& e : ParseMounts(ReadMountsText()))
      if (kPseudo.count(e.type)) result.insert(e.point);
    return result;
  }();
  return points;
}

}  // namespace

bool IsSystemFolder(const std::string& path) { return PseudoMountPoints().count(path) > 0; }

}  // namespace tessaly::platform
