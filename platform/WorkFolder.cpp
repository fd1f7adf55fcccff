// The private work folder for temporary files.
#include "platform/WorkFolder.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace tessaly::platform {

std::string WorkFolderPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/tessaly";
  return "/tmp/tessaly-" + std::to_string(::getuid());
}

std::string WorkFolder() {
  std::string path = WorkFolderPath();
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
    throw std::runtime_error("Cannot create the work folder " + path + ": " + ::strerror(errno));
  struct stat st {};
  // lstat: a link planted in the folder's place is refused like any stranger's folder.
  if (::lstat(path.c_str(), &st) != 0)
    throw std::runtime_error("Cannot use the work folder " + path + ": " + ::strerror(errno));
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 0777) != 0700)
    throw std::runtime_error("Refusing to use the work folder " + path +
                             ": it is not a folder of yours with mode 0700");
  return path;
}

}  // namespace tessaly::platform
