// UTF-8 encoding and the Windows-1252 code page: the conversions that
// archive names, PDF text strings, property sets and the converters share.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::platform {

// Appends `codePoint` as UTF-8; a surrogate or a value beyond U+10FFFF
// becomes U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

// The character of a Windows-1252 byte. The five bytes the code page leaves
// undefined (81, 8D, 8F, 90, 9D) keep their C1 control value.
char32_t Windows1252ToCodePoint(unsigned char byte);

// True for the five undefined bytes of Windows-1252.
inline bool IsUndefinedInWindows1252(unsigned char byte) {
  return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

// Windows-1252 bytes as UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);

}  // namespace tessaly::platform
