// The text scanner: whether a file holds a text, read in fixed chunks so that
// files of any size are searched with one small buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessaly::engine {

// Bytes read per chunk for texts shorter than a chunk.
constexpr std::size_t kScanChunkSize = 32768;

// The chunk size used for a text of `textLength` bytes: kScanChunkSize, or
// twice the text's length when the text is as long as a chunk or longer, so
// that stepping back by the text's length between chunks still advances.
std::size_t ScanChunkSizeFor(std::size_t textLength);

// Byte offset in the file at `path` of the first occurrence of `text`, or -1
// when there is none. The text is searched literally; a zero byte of the file
// ends a segment and no occurrence spans one (a text holding a zero byte is
// never found). When `caseSensitive` is false, text and file are upper-cased
// by platform::UpperCaseInPlace before comparing.
//
// Empty `text` or `path`: -1 without opening anything. A file that cannot be
// opened or read raises std::system_error; the file is closed on every way
// out. A file that shrinks during the scan ends it at the first short read.
std::int64_t ScanFileForText(const std::string& path, const std::string& text, bool caseSensitive);

}  // namespace tessaly::engine
