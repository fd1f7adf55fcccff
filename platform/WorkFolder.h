// The private work folder that receives temporary files.
#pragma once

#include <stdexcept>
#include <string>

namespace tessaly::platform {

// `$XDG_RUNTIME_DIR/tessaly` when that variable is set, else
// `/tmp/tessaly-<uid>`; created with mode 0700. Throws std::runtime_error with
// a text naming the folder when it exists but is not a folder owned by the
// user with mode 0700, or cannot be created.
std::string WorkFolder();

// The path WorkFolder() would use, without creating or checking anything.
std::string WorkFolderPath();

}  // namespace tessaly::platform
