// The fixed drives: local, non-removable block-device file systems.
#include "platform/Drives.h"

#include <limits.h>
#include <stdlib.h>

#include <fstream>
#include <set>

#include "platform/FileFacts.h"
#include "platform/Mounts.h"

namespace tessaly::platform {
namespace {

// /sys/block/<disk>/removable for the disk that holds `device` (a
// partition's disk is its parent folder in /sys/class/block).
bool DeviceIsRemovable(const std::string& device) {
  char resolved[PATH_MAX];
  if (!::realpath(device.c_str(), resolved)) return false;
  std::string name(resolved);
  name = name.substr(name.rfind('/') + 1);
  std::string sysDir = "/sys/class/block/" + name;
  char sysResolved[PATH_MAX];
  if (!::realpath(sysDir.c_str(), sysResolved)) return false;
  std::string dir(sysResolved);
  if (FileExists(dir + "/partition")) dir = dir.substr(0, dir.rfind('/'));
  std::ifstream in(dir + "/removable");
  int removable = 0;
  return (in >> removable) && removable != 0;
}

bool IsInside(const std::string& inner, const std::string& outer) {
  if (outer == "/") return inner != "/";
  return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
         inner[outer.size()] == '/';
}

}  // namespace

std::vector<std::string> FixedDrivesFrom(const std::string& mountsText,
                                         bool (*isRemovable)(const std::string& device)) {
  static const std::set<std::string> kNetwork = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs"};
  std::vector<std::string> points;
  for (const MountEntry& e : ParseMounts(mountsText)) {
    if (e.device.rfind("/dev/", 0) != 0) continue;  // not a block device
    if (kNetwork.count(e.type)) continue;
    if (isRemovable(e.device)) continue;
    bool seen = false;
    for (const std::string& p : points) seen = seen || p == e.point;
    if (!seen) points.push_back(e.point);
  }
  // A mount point inside another one on the list is dropped.
  std::vector<std::string> result;
  for (const std::string& p : points) {
    bool nested = false;
    for (const std::string& q : points) nested = nested || IsInside(p, q);
    if (!nested) result.push_back(p);
  }
  return result;
}

std::vector<std::string> FixedDrives() {
  std::vector<std::string> all = FixedDrivesFrom(ReadMountsText(), DeviceIsRemovable);
  std::vector<std::string> result;
  // Bind mounts of single files (containers mount /etc/hosts so) are no drives.
  for (const std::string& p : all)
    if (FolderExists(p)) result.push_back(p);
  if (result.empty()) result.push_back("/");
  return result;
}

}  // namespace tessaly::platform
