// One-pass folder listing with the facts the folder walk needs.
//
// FolderListing reads a folder with one pass of getdents64 and keeps its
// entries in the order the file system returned them ("." and ".." are left
// out). The kind of an entry comes from the directory record where the file
// system gives it; a folder costs no further call, and a file's size or a
// link's target is read by one statx asking for type and size only, when a
// caller wants them, so entries that match no pattern cost no stat.
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
};

// How a listing asks the file system.
struct ListingOptions {
  // statx answers from the client's cache where it has one (network file
  // systems) instead of asking the server.
  bool dontSync = false;
  // Called after each answer of the file system (a batch of records, a
  // statx), so that a watcher can tell a slow listing from a dead one.
  void (*onAnswer)(void* data) = nullptr;
  void* answerData = nullptr;
};

class FolderListing {
 public:
  // Lists `folder`. A folder that cannot be opened gives an empty listing
  // (`ok()` false, `error()` the reason); it never throws.
  explicit FolderListing(const std::string& folder);
  // Lists the folder open as `folderFd`, which the listing takes over
  // (-1: a folder that could not be opened, with `openError` as the reason).
  FolderListing(int folderFd, int openError, const ListingOptions& options = {});
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
  // The folder's descriptor, still owned by the listing (-1 once taken).
  int fd() const { return fd_; }
  // Whether facts read from now on may come from the client's cache.
  void SetDontSync(bool dontSync) { options_.dontSync = dontSync; }
  std::size_t size() const { return names_.size(); }
  const std::string& name(std::size_t i) const { return names_[i]; }

  // Hidden: the name begins with `.`.
  bool isHidden(std::size_t i) const { return !names_[i].empty() && names_[i][0] == '.'; }
  // True when the directory record says "symbolic link". For records
  // without a type this stats the entry (once).
  bool isLinkByType(std::size_t i);
  // True when the directory record says "folder" (a plain folder, not a link).
  // For records without a type this stats the entry.
  bool isPlainFolder(std::size_t i);
  // Full facts, read once and cached (follows links; a dangling link is a
  // file of size 0). A folder by its record costs no call. Reading facts
  // after TakeFd gives an entry that vanished, unless they were read before.
  const DirEntryFacts& facts(std::size_t i);
  // Device and inode of the listed folder itself.
  std::uint64_t device() const { return device_; }
  std::uint64_t inode() const { return inode_; }

 private:
  void Read();
  // The record's type, read by statx without following for records that
  // have none.
  unsigned char TypeOf(std::size_t i);
  void Answered() const {
    if (options_.onAnswer) options_.onAnswer(options_.answerData);
  }

  ListingOptions options_;
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

// True when the folder open as `fd` lies on a network file system (NFS,
// CIFS/SMB) or a FUSE file system (sshfs and the like): there each call may
// wait for a server, and stat can be answered from the client's cache.
bool IsRemoteFileSystem(int fd);

// System folder: a folder on which a kernel pseudo file system is mounted
// (proc, sysfs, devtmpfs, ...). Reads /proc/self/mounts once per process.
bool IsSystemFolder(const std::string& path);

}  // namespace tessaly::platform
