// Reading the "PowerPoint Document" stream out of a compound file.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaly::pptext {

// The larger part of a presentation (pictures, media) lives in other
// streams; a text stream larger than this is not a presentation we read.
constexpr std::uint64_t kMaxStreamSize = 256ull * 1024 * 1024;

class PptFileError : public std::runtime_error {
 public:
  PptFileError(const std::string& message, int exitCode) : std::runtime_error(message), exitCode_(exitCode) {}
  int exitCode() const { return exitCode_; }

 private:
  int exitCode_;
};

// The bytes of the "PowerPoint Document" stream of the compound file at
// `path`. Raises PptFileError (exit code 2) when the file cannot be opened
// or read, (exit code 3) when it is no compound file or has no such stream.
std::vector<std::uint8_t> ReadPowerPointStream(const std::string& path);

}  // namespace tessaly::pptext
