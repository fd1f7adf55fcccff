// Trees deeper than the system's path limit, made and removed through
// folder descriptors (paths of such trees cannot be opened whole).
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

namespace tessaly::test {

// Makes `depth` nested folders `name` under `root` with the file `leaf`
// holding `content` in the deepest one. False on any failure.
inline bool MakeChain(const std::string& root, int depth, const std::string& name, const std::string& leaf,
                      const std::string& content) {
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int i = 0; i < depth && fd >= 0; ++i) {
    const int child = ::mkdirat(fd, name.c_str(), 0755) == 0
                          ? ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                          : -1;
    ::close(fd);
    fd = child;
  }
  if (fd < 0) return false;
  const int file = ::openat(fd, leaf.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ::close(fd);
  if (file < 0) return false;
  const bool ok = ::write(file, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  ::close(file);
  return ok;
}

// Removes the tree at `root` however deep it is: each sub-folder's entries
// are moved up into the folder being emptied before the sub-folder goes, so
// neither recursion nor one descriptor per level is needed.
inline void RemoveTree(const std::string& root) {
  const int top = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  if (top < 0) {
    ::unlink(root.c_str());
    return;
  }
  long moved = 0;
  for (bool changed = true; changed;) {
    changed = false;
    std::vector<std::pair<std::string, bool>> names;  // name, a folder
    if (DIR* d = ::fdopendir(::dup(top))) {
      ::rewinddir(d);  // the duplicate shares the last pass's position
      while (dirent* e = ::readdir(d))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
          names.emplace_back(e->d_name, e->d_type == DT_DIR);
      ::closedir(d);
    }
    for (const auto& [n, folder] : names) {
      // Failed removals are slow on some file systems: a folder is not
      // unlinked as a file first.
      if ((!folder && ::unlinkat(top, n.c_str(), 0) == 0) || ::unlinkat(top, n.c_str(), AT_REMOVEDIR) == 0) {
        changed = true;
        continue;
      }
      const int sub = ::openat(top, n.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
      if (sub < 0) continue;
      ::fchmod(sub, 0755);  // folders a test locked
      if (DIR* d = ::fdopendir(::dup(sub))) {
        while (dirent* e = ::readdir(d)) {
          const std::string inner = e->d_name;
          if (inner == "." || inner == "..") continue;
          const std::string up = ".up" + std::to_string(++moved);
          ::renameat(sub, inner.c_str(), top, up.c_str());
        }
        ::closedir(d);
      }
      ::close(sub);
      changed = true;
    }
  }
  ::close(top);
  ::rmdir(root.c_str());
}

}  // namespace tessaly::test
