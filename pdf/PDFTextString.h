// PDF text strings to the program's UTF-8 text: UTF-16 with a byte-order
// mark, or single bytes through the PDF decoding table read as Windows-1252.
#pragma once

#include <string>
#include <string_view>

#include "platform/Unicode.h"

namespace tessaly::pdf {

// A text string's bytes as UTF-8. Bytes starting FE FF are UTF-16
// big-endian (an odd last byte is ignored); any other bytes, FF FE
// included, go through the decoding table and are read as Windows-1252.
std::string DecodeTextString(std::string_view bytes);

// One byte of PDF text through the decoding table (a permutation of 34
// bytes; all others map to themselves), giving a Windows-1252 byte.
unsigned char PdfDocToWindows1252(unsigned char byte);

// Windows-1252 bytes as UTF-8. The five bytes the code page leaves
// undefined (81, 8D, 8F, 90, 9D) become the C1 controls of the same value.
std::string Windows1252ToUtf8(std::string_view bytes);

// UTF-16 code units as UTF-8; a surrogate pair gives its one character, an
// unpaired surrogate gives U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);

// Appends the UTF-8 form of a code point to `out`.
using platform::AppendUtf8;

}  // namespace tessaly::pdf
