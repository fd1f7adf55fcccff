// One getdents64 pass per folder; entry facts by statx on demand.
#include "platform/DirListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstring>
#include <set>

#include "platform/Mounts.h"

namespace tessaly::platform {
namespace {

// Records are read in batches of this many bytes: a few hundred names per
// call on a local disk (network clients answer with their own batch size).
constexpr std::size_t kRecordBuffer = 32 * 1024;

// What an entry's row needs: its kind and its size.
constexpr unsigned kFactsMask = STATX_TYPE | STATX_SIZE;

}  // namespace

FolderListing::FolderListing(const std::string& folder) {
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) error_ = errno;
  Read();
}

FolderListing::FolderListing(int folderFd, int openError, const ListingOptions& options)
    : options_(options), fd_(folderFd), error_(folderFd < 0 ? openError : 0) {
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
  // getdents64 on the folder's own descriptor: no duplicate, no DIR stream
  // and no second fstat as fdopendir makes. The descriptor's position ends
  // at the end of the folder, which statx relative to it does not mind.
  std::vector<char> buffer(kRecordBuffer);
  for (;;) {
    const ssize_t got = ::getdents64(fd_, buffer.data(), buffer.size());
    Answered();
    if (got < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      break;
    }
    if (got == 0) break;
    for (ssize_t at = 0; at < got;) {
      const auto* e = reinterpret_cast<const struct dirent64*>(buffer.data() + at);
      at += e->d_reclen;
      const char* n = e->d_name;
      if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
      names_.emplace_back(n);
      types_.push_back(e->d_type);
    }
  }
  facts_.resize(names_.size());
}

FolderListing::~FolderListing() {
  if (fd_ >= 0) ::close(fd_);
}

unsigned char FolderListing::TypeOf(std::size_t i) {
  if (types_[i] != DT_UNKNOWN) return types_[i];
  // Size too: for anything but a link this one call gives all the facts.
  struct statx sx {};
  const int flags = AT_SYMLINK_NOFOLLOW | (options_.dontSync ? AT_STATX_DONT_SYNC : 0);
  const bool ok = fd_ >= 0 && ::statx(fd_, names_[i].c_str(), flags, kFactsMask, &sx) == 0;
  Answered();
  if (!ok) return DT_UNKNOWN;
  const unsigned char type = S_ISLNK(sx.stx_mode) ? DT_LNK : S_ISDIR(sx.stx_mode) ? DT_DIR : DT_REG;
  types_[i] = type;
  if (type == DT_REG && !facts_[i]) {
    DirEntryFacts f;
    f.exists = true;
    f.size = static_cast<std::uint64_t>(sx.stx_size);
    facts_[i] = f;
  }
  return type;
}

bool FolderListing::isLinkByType(std::size_t i) { return TypeOf(i) == DT_LNK; }

bool FolderListing::isPlainFolder(std::size_t i) { return TypeOf(i) == DT_DIR; }

const DirEntryFacts& FolderListing::facts(std::size_t i) {
  if (facts_[i]) return *facts_[i];
  const unsigned char type = TypeOf(i);
  if (facts_[i]) return *facts_[i];  // read with the type
  DirEntryFacts f;
  f.isLink = type == DT_LNK;
  if (type == DT_DIR) {
    // A plain folder: its kind is all a row needs.
    f.exists = f.isFolder = true;
  } else if (fd_ >= 0) {
    const char* n = names_[i].c_str();
    const int sync = options_.dontSync ? AT_STATX_DONT_SYNC : 0;
    struct statx sx {};
    const bool ok = ::statx(fd_, n, sync, kFactsMask, &sx) == 0;
    Answered();
    if (ok) {
      f.exists = true;
      f.isFolder = S_ISDIR(sx.stx_mode);
      f.size = f.isFolder ? 0 : static_cast<std::uint64_t>(sx.stx_size);
    } else if (f.isLink) {
      // A dangling link is listed as a file of size 0.
      f.exists = ::statx(fd_, n, AT_SYMLINK_NOFOLLOW | sync, STATX_TYPE, &sx) == 0;
      Answered();
    }
  }
  facts_[i] = f;
  return *facts_[i];
}

bool IsRemoteFileSystem(int fd) {
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case 0xFF534D42UL:  // CIFS
    case 0xFE534D42UL:  // SMB2/3
    case 0x65735546UL:  // FUSE
    case 0x6B414653UL:  // AFS
    case V9FS_MAGIC:
      return true;
    default:
      return false;
  }
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
