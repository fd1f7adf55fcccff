// The mount table (/proc/self/mounts), parsed.
#pragma once

#include <string>
#include <vector>

namespace tessaly::platform {

struct MountEntry {
  std::string device;  // e.g. /dev/sda1, or the file system's own name
  std::string point;   // mount point, octal escapes (\040) decoded
  std::string type;    // file system type
};

std::vector<MountEntry> ParseMounts(const std::string& text);
// The text of /proc/self/mounts, or empty.
std::string ReadMountsText();

}  // namespace tessaly::platform
