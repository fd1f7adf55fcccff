// LZWDecode (always with the early code-width change).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "pdf/PDFDecode.h"

namespace tessaly::pdf {

// Codes most significant bit first, 9 to 12 bits wide; 256 resets the
// table, 257 ends the data; a code above the next free entry is skipped.
// Corrupt input gives the output produced so far; output past `limit`
// bytes gives an empty result.
std::string LZWDecode(std::string_view data, std::size_t limit = kMaxDecodedStreamSize);

}  // namespace tessaly::pdf
