// FlateDecode: zlib-format inflation of a whole buffer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "pdf/PDFDecode.h"

namespace tessaly::pdf {

// Inflates one zlib stream. Stops at its end (everything produced is the
// result) or at the first data error (everything produced before it). Empty
// when the input is empty, ends before the stream's end, fails otherwise, or
// would give more than `limit` bytes.
std::string FlateDecode(std::string_view data, std::size_t limit = kMaxDecodedStreamSize);

}  // namespace tessaly::pdf
