// Chunked literal search over a file's bytes.
//
// Each chunk is read into one buffer, upper-cased in place when the search
// is blind to case (only a-z when the text is ASCII), and searched with memmem (a two-way search with a
// vectorised first-byte scan). Consecutive chunks overlap by the text's
// length so that an occurrence straddling a boundary lies whole in the
// second chunk. A zero byte cannot be part of a text without one, so the
// search needs no splitting into segments: a hit never spans a zero byte.
#include "engine/TextScanner.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/ReadOnlyFile.h"
#include "platform/TextCase.h"

namespace tessaly::engine {

std::size_t ScanChunkSizeFor(std::size_t textLength) {
  return textLength < kScanChunkSize ? kScanChunkSize : 2 * textLength;
}

std::int64_t ScanFileForText(const std::string& path, const std::string& text, bool caseSensitive) {
  if (text.empty() || path.empty()) return -1;

  const platform::ReadOnlyFile file(path);
  std::uint64_t remaining = file.Size();
  if (text.find('\0') != std::string::npos) return -1;

  const std::string needle = caseSensitive ? text : platform::UpperCased(text);
  const std::size_t length = needle.size();
  // An ASCII text can only match ASCII bytes, whose folding is the same
  // either way: the chunk's two-byte letters need no folding then.
  const bool asciiText = platform::IsAscii(needle);
  const std::size_t chunk = ScanChunkSizeFor(length);
  // One chunk and its terminating zero byte.
  const std::unique_ptr<char[]> buffer(new char[chunk + 1]);

  std::uint64_t offset = 0;
  while (remaining > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, chunk));
    const std::size_t got = file.ReadAt(offset, buffer.get(), want);
    if (got == 0) break;
    buffer[got] = '\0';
    if (!caseSensitive) {
      if (asciiText) platform::UpperCaseAsciiInPlace(buffer.get(), got);
      else platform::UpperCaseInPlace(buffer.get(), got);
    }
    if (const void* hit = ::memmem(buffer.get(), got, needle.data(), length)) {
      return static_cast<std::int64_t>(offset + static_cast<std::uint64_t>(static_cast<const char*>(hit) - buffer.get()));
    }
    // A short read means the file ended early (it shrank): nothing follows.
    if (got < want) break;
    remaining -= got;
    if (remaining > 0) {
      // got == chunk > length here, so the scan always moves forward.
      offset += got - length;
      remaining += length;
    }
  }
  return -1;
}

}  // namespace tessaly::engine
