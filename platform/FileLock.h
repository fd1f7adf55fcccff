// Whether another opener still holds a file open.
#pragma once

#include <string>

namespace tessaly::platform {

// False when no file `path` exists. True while some process holds it open
// (this one included), and true when it cannot be opened for reading at all.
// Tries a write lease first (it can be taken only when nobody else has the
// file open); where the file system or the caller's rights refuse leases it
// looks through /proc/*/fd instead. Sets SIGIO to be ignored when it has
// its default action, since a lease break would otherwise end the process.
bool IsFileHeldOpen(const std::string& path);

// The /proc/*/fd look-up alone: true when some process that this user may
// inspect has a descriptor on the file at `path`. False when no such file.
bool IsFileOpenInAnyProcess(const std::string& path);

}  // namespace tessaly::platform
