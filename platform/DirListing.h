// One-pass folder listing with the facts the folder walk needs.
//
// ListFolder reads a folder with one readdir pass and keeps its entries in
// the order the file system returned them ("." and ".." are left out). The
// kind of an entry comes from the directory record where the file system
// gives it; the size and the target of a symbolic link are read (fstatat)
// only when a caller asks for them, so entries that match no pattern cost
// no stat.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::platform {

struct DirEntryFacts {
  bool exists = false;    // false when the entry vanished since the listing
  bool isFolder = false;  // a folder, or a link that points to one
  bool isLink = false;    // the entry itself is a symbolic link
  std::uint64_t size = 0; // 64-bit size; 0 for folders and dangling links
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
};

class FolderListing {
 public:
  // Lists `folder`. A folder that cannot be opened gives an empty listing
  // (`ok()` false, `error()` the reason); it never throws.
  explicit FolderListing(const std::string& folder);
  // Lists the folder open as `folderFd`, which the listing takes over
  // (-1: a folder that could not be opened, with `openError` as the reason).
  FolderListing(int folderFd, int openError);
  ~FolderListing();
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;

  bool ok() const { return fd_ >= 0; }
  // The errno of the failed open or read; 0 when the listing is whole.
  int error() const { return error_; }
  // The folder's descriptor, handed to the caller, who then closes it; the
  // facts of entries not read yet are no longer available.
  int TakeFd() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  std::size_t size() const { return names_.size(); }
  const std::string& name(std::size_t i) const { return names_[i]; }

  // Hidden: the name begins with `.`.
  bool isHidden(std::size_t i) const { return !names_[i].empty() && names_[i][0] == '.'; }
  // True when the directory record says "symbolic link".
  bool isLinkByType(std::size_t i) const;
  // True when the directory record says "folder" (a plain folder, not a link).
  // For records without a type this stats the entry.
  bool isPlainFolder(std::size_t i);
  // Full facts, read once and cached (follows links; a dangling link is a
  // file of size 0).
  const DirEntryFacts& facts(std::size_t i);
  // Device and inode of the listed folder itself.
  std::uint64_t device() const { return device_; }
  std::uint64_t inode() const { return inode_; }

 private:
  void Read();

  int fd_ = -1;
  int error_ = 0;
  std::uint64_t device_ = 0, inode_ = 0;
  std::vector<std::string> names_;
  std::vector<unsigned char> types_;
  std::vector<std::optional<DirEntryFacts>> facts_;
};

// Opens the sub-folder `name` of the folder open as `parentFd` for listing,
// without following a link. The descriptor, or -1 with errno set.
int OpenSubFolder(int parentFd, const std::string& name);

// System folder: a folder on which a kernel pseudo file system is mounted
// (proc, sysfs, devtmpfs, ...). Reads /proc/self/mounts once per process.
bool IsSystemFolder(const std::string& path);

}  // namespace tessaly::platform
