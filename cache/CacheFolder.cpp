// The cache folder: its place, its creation with private permissions and the
// kind of file system it is on.
#include "cache/CacheFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <set>
#include <system_error>

#include "platform/Mounts.h"

namespace tessaly::cache {
namespace {

// statfs magic numbers of network file systems (linux/magic.h).
constexpr long kNfsMagic = 0x6969;
constexpr long kSmbMagic = 0x517B;
constexpr long kCifsMagic = 0xFF534D42;
constexpr long kSmb2Magic = 0xFE534D42;
constexpr long kFuseMagic = 0x65735546;
constexpr long kAfsMagic = 0x5346414F;
constexpr long kCephMagic = 0x00C36400;

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home == '/') return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir == '/') return pw->pw_dir;
  return {};
}

void MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) return;
  if (errno == ENOENT) {
    const auto cut = path.find_last_of('/');
    if (cut != std::string::npos && cut > 0) {
      MakeFolder(path.substr(0, cut));
      if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) return;
    }
  }
  throw std::system_error(errno, std::generic_category(), "cannot make the folder " + path);
}

// The longest mount point that holds `path`, and its type.
std::string MountTypeOf(const std::string& path) {
  std::string best, type;
  for (const platform::MountEntry& m : platform::ParseMounts(platform::ReadMountsText())) {
    const std::string& p = m.point;
    const bool holds = p == "/" || path == p || (path.compare(0, p.size(), p) == 0 && path[p.size()] == '/');
    if (holds && p.size() >= best.size()) {
      best = p;
      type = m.type;
    }
  }
  return type;
}

}  // namespace

std::string CacheFolderPath() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') {
    std::string base = xdg;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base == "/" ? "/tessaly" : base + "/tessaly";
  }
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return (home == "/" ? std::string() : home) + "/.cache/tessaly";
}

void EnsureCacheFolder(const std::string& folder) {
  MakeFolder(folder);
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0)
    throw std::system_error(errno, std::generic_category(), "cannot use the folder " + folder);
  if (!S_ISDIR(st.st_mode)) throw std::system_error(ENOTDIR, std::generic_category(), folder + " is no folder");
  if (st.st_uid != ::geteuid())
    throw std::system_error(EPERM, std::generic_category(), folder + " belongs to another user");
  if ((st.st_mode & 07777) != 0700 && ::chmod(folder.c_str(), 0700) != 0)
    throw std::system_error(errno, std::generic_category(), "cannot make the folder " + folder + " private");
}

bool OnNetworkFileSystem(const std::string& path) {
  struct statfs fs {};
  if (::statfs(path.c_str(), &fs) != 0) return false;
  const long magic = static_cast<long>(fs.f_type);
  switch (magic) {
    case kNfsMagic:
    case kSmbMagic:
    case kCifsMagic:
    case kSmb2Magic:
    case kAfsMagic:
    case kCephMagic: return true;
    case kFuseMagic: break;
    default: return false;
  }
  // FUSE carries local and network file systems alike: the mount's type tells.
  static const std::set<std::string> kNetworkFuse = {"fuse.sshfs", "fuse.rclone", "fuse.s3fs", "fuse.gcsfuse",
                                                     "fuse.davfs", "fuse.smbnetfs"};
  return kNetworkFuse.count(MountTypeOf(path)) > 0;
}

}  // namespace tessaly::cache
