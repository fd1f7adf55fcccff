// The text scanner: whether a file holds a text, read in fixed chunks so that
// files of any size are searched with one bounded buffer.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/CandidateScan.h"
#include "engine/TextFinder.h"

namespace tessaly::engine {

// Bytes read per chunk for texts shorter than a chunk.
constexpr std::size_t kScanChunkSize = 262144;

// The chunk size used for a text of `textLength` bytes: kScanChunkSize, or
// twice the text's length when the text is as long as a chunk or longer.
std::size_t ScanChunkSizeFor(std::size_t textLength);

// How a scan reads and searches; the defaults are what searches use. Tests
// shrink the chunk to put boundaries where they want them and force each
// first-pass path.
struct ScanOptions {
  std::size_t chunkSize = 0;  // bytes per read; 0: ScanChunkSizeFor(text length)
  ScanPath path = ScanPath::Best;
  // When it becomes true the scan ends after the chunk it is at, with -1:
  // a stopped search does not wait for the end of a huge file.
  const std::atomic<bool>* stop = nullptr;
};

// Byte offset in the file at `path` of the first occurrence of `text`, or -1
// when there is none. The text is searched literally; a zero byte of the file
// ends a segment and no occurrence spans one (a text holding a zero byte is
// never found). When `caseSensitive` is false, text and file compare as if
// both were upper-cased by platform::UpperCaseInPlace (only a-z matter when
// the text is ASCII); the file's bytes are not changed for it.
//
// Empty `text` or `path`: -1 without opening anything. A file that cannot be
// opened or read raises std::system_error; the file is closed on every way
// out. A file that shrinks during the scan ends it at the first short read.
// Memory: one buffer of a chunk and the text's length, whatever the file's size.
std::int64_t ScanFileForText(const std::string& path, const std::string& text, bool caseSensitive);
std::int64_t ScanFileForText(const std::string& path, const std::string& text, bool caseSensitive,
                             const ScanOptions& options);

// ScanFileForText's search over text handed in pieces, as a document read
// in-process yields it: the pieces are gathered into chunks, each searched
// behind the kept last bytes of the one before, so memory stays at one
// chunk and the text's length whatever the document's size. The same case
// rules; an empty text, or one holding a zero byte, is never found.
class TStreamScanner {
 public:
  TStreamScanner(const std::string& text, bool caseSensitive);
  // Takes the next piece. False once the text has been found: nothing more
  // is needed.
  bool Feed(std::string_view piece);
  // Searches what is gathered so far, as Feed does once its chunk is full;
  // false once the text has been found. For a reader's part boundaries
  // (pages): a hit on page 1 is known before page 2 is read.
  bool Flush();
  // Searches what is still gathered; true when the text occurs anywhere in
  // the pieces fed.
  bool Finish();
  bool Found() const { return found_; }

 private:
  void Search(bool atEnd);

  std::optional<TextFinder> finder_;
  std::string buffer_;
  std::size_t from_ = 0;  // first start in buffer_ not yet searched
  std::size_t chunk_;
  bool found_ = false;
};

}  // namespace tessaly::engine
