// The fixed drives of the machine: mount points of local, non-removable
// block-device file systems, with nested mount points dropped.
#pragma once

#include <string>
#include <vector>

namespace tessaly::platform {

// Mount points in /proc/self/mounts order; "/" when nothing else qualifies.
std::vector<std::string> FixedDrives();

// The same rule over a mounts text, with `isRemovable` telling for a device
// path whether its disk is removable (tests feed their own mounts).
std::vector<std::string> FixedDrivesFrom(const std::string& mountsText,
                                         bool (*isRemovable)(const std::string& device));

}  // namespace tessaly::platform
