// Chunked literal search over a file's bytes, or over a document's text
// handed in pieces.
//
// Each chunk is read once into a buffer behind the last bytes of the chunk
// before it: as many as the text is long, plus one. An occurrence that
// straddles a boundary therefore lies whole in the buffer, and the kept
// byte before it tells whether its first byte ends a two-byte letter. The
// search itself (TextFinder) never changes the buffer: case-blind scans
// look for the text's rarest bytes in each of their cases and compare the
// candidates folded. A zero byte cannot be part of a text without one, so
// the search needs no splitting into segments: a hit never spans a zero byte.
#include "engine/TextScanner.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/TextFinder.h"
#include "platform/ReadOnlyFile.h"

namespace tessaly::engine {

std::size_t ScanChunkSizeFor(std::size_t textLength) {
  return textLength < kScanChunkSize ? kScanChunkSize : 2 * textLength;
}

std::int64_t ScanFileForText(const std::string& path, const std::string& text, bool caseSensitive) {
  return ScanFileForText(path, text, caseSensitive, ScanOptions{});
}

std::int64_t ScanFileForText(const std::string& path, const std::string& text, bool caseSensitive,
                             const ScanOptions& options) {
  if (text.empty() || path.empty()) return -1;

  const platform::ReadOnlyFile file(path);
  std::uint64_t remaining = file.Size();
  if (text.find('\0') != std::string::npos) return -1;

  const TextFinder finder(text, caseSensitive, options.path);
  const std::size_t length = finder.length();
  std::size_t chunk = options.chunkSize != 0 ? options.chunkSize : ScanChunkSizeFor(length);
  if (remaining > chunk) file.AdviseSequential();
  // A small file gets a buffer of its own size, not a whole chunk.
  chunk = static_cast<std::size_t>(std::max<std::uint64_t>(1, std::min<std::uint64_t>(remaining, chunk)));
  // At most the text's length and one byte are kept from chunk to chunk.
  const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[length + 1 + chunk]);

  std::uint64_t base = 0;     // file offset of buffer[0]
  std::size_t held = 0;       // bytes kept from the chunk before
  std::size_t from = 0;       // first start not yet searched
  std::uint64_t offset = 0;   // file offset of the next read
  while (remaining > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, chunk));
    const std::size_t got = file.ReadAt(offset, reinterpret_cast<char*>(buffer.get() + held), want);
    // A short read means the file ended early (it shrank): nothing follows.
    const bool atEnd = got < want || got == remaining;
    offset += got;
    remaining -= got;
    const std::size_t size = held + got;
    // Away from the end, the byte after an occurrence must be in the buffer.
    const std::size_t tail = atEnd ? length : length + 1;
    if (size >= tail && size - tail >= from) {
      const std::size_t hit = finder.Find(buffer.get(), size, from, size - tail);
      if (hit != SIZE_MAX) return static_cast<std::int64_t>(base + hit);
    }
    if (atEnd || (options.stop && options.stop->load(std::memory_order_relaxed))) break;
    // Starts from size - length on are undecided: keep them and the byte
    // before them (a chunk shorter than the text keeps everything).
    const std::size_t undecided = std::max(from, size >= length ? size - length : 0);
    const std::size_t cut = undecided > 0 ? undecided - 1 : 0;
    held = size - cut;
    std::memmove(buffer.get(), buffer.get() + cut, held);
    base += cut;
    from = undecided - cut;
  }
  return -1;
}

TStreamScanner::TStreamScanner(const std::string& text, bool caseSensitive)
    : chunk_(ScanChunkSizeFor(text.size())) {
  if (!text.empty() && text.find('\0') == std::string::npos) finder_.emplace(text, caseSensitive);
}

void TStreamScanner::Search(bool atEnd) {
  const std::size_t length = finder_->length();
  const std::size_t size = buffer_.size();
  const auto* data = reinterpret_cast<const std::uint8_t*>(buffer_.data());
  // As in the file scan: away from the end the byte after an occurrence
  // must be there; the undecided starts and the byte before them are kept.
  const std::size_t tail = atEnd ? length : length + 1;
  if (size >= tail && size - tail >= from_ && finder_->Find(data, size, from_, size - tail) != SIZE_MAX) {
    found_ = true;
    return;
  }
  if (atEnd) return;
  const std::size_t undecided = std::max(from_, size >= length ? size - length : 0);
  const std::size_t cut = undecided > 0 ? undecided - 1 : 0;
  buffer_.erase(0, cut);
  from_ = undecided - cut;
}

bool TStreamScanner::Feed(std::string_view piece) {
  if (!finder_) return true;
  while (!found_ && !piece.empty()) {
    const std::size_t limit = chunk_ + finder_->length() + 1;
    const std::size_t take = std::min(piece.size(), limit - buffer_.size());
    buffer_.append(piece.data(), take);
    piece.remove_prefix(take);
    if (buffer_.size() == limit) Search(false);
  }
  return !found_;
}

bool TStreamScanner::Flush() {
  if (finder_ && !found_) Search(false);
  return !found_;
}

bool TStreamScanner::Finish() {
  if (finder_ && !found_) Search(true);
  return found_;
}

}  // namespace tessaly::engine
