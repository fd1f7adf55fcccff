// Read-only file access with pread, so a reader keeps its own offset and no
// seek is ever needed. Files open non-blocking: a FIFO that took the place of
// a listed file makes the read fail instead of hanging the search.
#include "platform/ReadOnlyFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tessaly::platform {

ReadOnlyFile::ReadOnlyFile(const std::string& path) : path_(path) {
  do {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "Cannot open file \"" + path + "\"");
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::uint64_t ReadOnlyFile::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0)
    throw std::system_error(errno, std::generic_category(), "Cannot read the size of \"" + path_ + "\"");
  return st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

void ReadOnlyFile::AdviseSequential() const { (void)::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL); }

std::size_t ReadOnlyFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) const {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd_, buffer + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "Cannot read file \"" + path_ + "\"");
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

}  // namespace tessaly::platform
