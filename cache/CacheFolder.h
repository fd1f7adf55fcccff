// Where the cache of extracted text lives: $XDG_CACHE_HOME/tessaly, else
// ~/.cache/tessaly, a folder of mode 0700 holding the file textcache.db
// (mode 0600) and, while it is in use, its journal files.
#pragma once

#include <string>

namespace tessaly::cache {

// The folder, from the environment (XDG_CACHE_HOME when it is an absolute
// path, else HOME/.cache, else the password entry's home); empty when no
// home can be found.
std::string CacheFolderPath();

// The cache file's name inside the folder, and the name a damaged file is
// set aside under.
inline constexpr const char* kCacheFileName = "textcache.db";
inline constexpr const char* kSetAsideSuffix = ".damaged";

// Makes `folder` (and its parents) and gives it mode 0700. Throws
// std::system_error naming the folder when it cannot be made, is no folder,
// or belongs to another user.
void EnsureCacheFolder(const std::string& folder);

// True when `path` lies on a network file system (NFS, SMB/CIFS, or a FUSE
// mount of a network kind such as sshfs), where SQLite's shared-memory
// write-ahead log does not work.
bool OnNetworkFileSystem(const std::string& path);

}  // namespace tessaly::cache
