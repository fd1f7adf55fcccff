// ASCII85Decode.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "pdf/PDFDecode.h"

namespace tessaly::pdf {

// Keeps the bytes "!" to "u" and "~", turns each "z" into five "!", drops
// the rest; the kept text must end with "~>" (else the result is empty).
// Groups of five give four bytes (a value above 32 bits four zero bytes);
// a final group of n gives n - 1 bytes. Empty past `limit` bytes.
std::string ASCII85Decode(std::string_view data, std::size_t limit = kMaxDecodedStreamSize);

}  // namespace tessaly::pdf
