// A file opened for reading only, read at explicit 64-bit offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessaly::platform {

// Owns one read-only descriptor; closed by the destructor on every path.
class ReadOnlyFile {
 public:
  // Opens `path` for reading (links followed). Throws std::system_error with
  // the errno and a text naming the file when it cannot be opened.
  explicit ReadOnlyFile(const std::string& path);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // Size in bytes now. Throws std::system_error when it cannot be taken.
  std::uint64_t Size() const;
  // Reads up to `size` bytes at `offset`, retrying short reads until `size`
  // bytes or the end of the file; returns the number read (0 at the end).
  // Throws std::system_error when a read fails.
  std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) const;
  // Tells the kernel the file will be read from start to end, so it reads
  // ahead further. Only a hint: nothing happens when it is refused.
  void AdviseSequential() const;

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace tessaly::platform
