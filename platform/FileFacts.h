// Existence tests and plain path work on the file system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tessaly::platform {

// True when `path` names an existing regular file (links followed).
bool FileExists(const std::string& path);
// True when `path` names an existing folder (links followed).
bool FolderExists(const std::string& path);
// Size of an existing file, or nothing.
std::optional<std::uint64_t> FileSize(const std::string& path);
// Last write time of an existing entry, seconds since 1970 (UTC), or nothing.
std::optional<std::int64_t> LastWriteSeconds(const std::string& path);
// Joins a folder and a name with one `/`: "/" + "etc" gives "/etc".
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace tessaly::platform
