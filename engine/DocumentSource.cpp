// A document's bytes, from a file or from memory, with its first block kept.
#include "engine/DocumentSource.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

#include "engine/DocumentKind.h"
#include "platform/WorkFolder.h"

namespace tessaly::engine {
namespace {

[[noreturn]] void ThrowErrno(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

// Reads up to `size` bytes, retrying interrupted calls. Throws on an error.
std::size_t ReadSome(int fd, char* buffer, std::size_t size, const std::string& name) {
  while (true) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) ThrowErrno(errno, name);
  }
}

// The suffix the private copy keeps (`.pdf` of `a/b.pdf`), so that tools
// which look at a name see the member's; only plain characters, at most 8.
std::string CopySuffix(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string suffix = name.substr(dot);
  if (suffix.size() > 8) return {};
  for (std::size_t i = 1; i < suffix.size(); ++i) {
    const char c = suffix[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return {};
  }
  return suffix;
}

}  // namespace

TDocumentSource::TDocumentSource(std::string path) : name_(std::move(path)) {}

TDocumentSource::TDocumentSource(std::string name, std::string bytes)
    : name_(std::move(name)), inMemory_(true), bytes_(std::move(bytes)) {}

TDocumentSource::~TDocumentSource() {
  if (fd_ >= 0) ::close(fd_);
  if (!copyPath_.empty()) ::unlink(copyPath_.c_str());
}

void TDocumentSource::Open() {
  if (opened_) return;
  opened_ = true;
  // O_NONBLOCK: opening a FIFO with no writer must not wait for one.
  fd_ = ::open(name_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd_ < 0) ThrowErrno(errno, name_);
  struct stat st {};
  if (::fstat(fd_, &st) != 0) ThrowErrno(errno, name_);
  // Only regular files are read: a FIFO, socket or device holds no
  // document and reading one could wait for ever.
  regular_ = S_ISREG(st.st_mode);
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
}

std::string_view TDocumentSource::FirstBlock() {
  if (firstRead_) return first_;
  if (inMemory_) {
    first_ = std::string_view(bytes_.data(), std::min(bytes_.size(), kFirstBlockSize));
    firstIsAll_ = first_.size() == bytes_.size();
  } else {
    Open();
    // Most files are smaller than a block: their size bounds the buffer.
    struct stat st {};
    const std::size_t want =
        ::fstat(fd_, &st) == 0 && st.st_size >= 0 && static_cast<std::uint64_t>(st.st_size) < kFirstBlockSize
            ? static_cast<std::size_t>(st.st_size) + 1
            : kFirstBlockSize;
    firstBuffer_.reset(new char[want]);
    std::size_t got = 0;
    while (regular_ && got < want) {
      const std::size_t n = ReadSome(fd_, firstBuffer_.get() + got, want - got, name_);
      if (n == 0) break;
      got += n;
    }
    firstIsAll_ = got < want || !regular_;
    first_ = std::string_view(firstBuffer_.get(), got);
  }
  firstRead_ = true;
  offset_ = first_.size();
  return first_;
}

bool TDocumentSource::FirstBlockIsAll() {
  FirstBlock();
  return firstIsAll_;
}

std::size_t TDocumentSource::Read(char* buffer, std::size_t size) {
  if (inMemory_) {
    if (offset_ >= bytes_.size()) return 0;
    const std::size_t n = std::min<std::size_t>(size, bytes_.size() - offset_);
    std::memcpy(buffer, bytes_.data() + offset_, n);
    offset_ += n;
    return n;
  }
  Open();
  if (!regular_) return 0;
  if (offset_ < first_.size()) {
    // Asked before the first block was handed out whole: serve from it.
    const std::size_t n = std::min<std::size_t>(size, first_.size() - offset_);
    std::memcpy(buffer, first_.data() + offset_, n);
    offset_ += n;
    return n;
  }
  if (firstRead_ && firstIsAll_) return 0;
  const std::size_t n = ReadSome(fd_, buffer, size, name_);
  offset_ += n;
  return n;
}

const std::string& TDocumentSource::ToolPath() {
  if (!inMemory_) return name_;
  if (!copyPath_.empty()) return copyPath_;
  const std::string suffix = CopySuffix(name_);
  std::string path = platform::WorkFolder() + "/member-XXXXXX" + suffix;
  const int fd = ::mkostemps(path.data(), static_cast<int>(suffix.size()), O_CLOEXEC);  // 0600, exclusive
  if (fd < 0) ThrowErrno(errno, "a private copy of " + name_);
  copyPath_ = path;
  std::size_t done = 0;
  while (done < bytes_.size()) {
    const ssize_t n = ::write(fd, bytes_.data() + done, bytes_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      ::close(fd);
      ThrowErrno(error, "a private copy of " + name_);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) ThrowErrno(errno, "a private copy of " + name_);
  return copyPath_;
}

std::optional<struct stat> TDocumentSource::Status() {
  if (inMemory_ || fd_ < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return std::nullopt;
  return st;
}

}  // namespace tessaly::engine
