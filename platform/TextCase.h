// The code page's upper-casing of UTF-8 text, as the text scanner folds case.
//
// ASCII letters, and the letters of Latin-1 Supplement, Latin Extended-A,
// Greek and Cyrillic whose simple upper-case form has the same UTF-8 length
// (é→É, ä→Ä, ж→Ж; ß, ı and ſ stay as they are). Bytes that are not part of a
// valid two-byte sequence stay as they are, so the operation never changes a
// length and works on any bytes, also on a buffer cut in the middle of a
// character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessaly::platform {

// Upper-cases `size` bytes at `data` in place. ASCII runs take a branch-free
// path the compiler vectorises; only bytes 0xC2 to 0xDF followed by a
// continuation byte go through the two-byte table.
void UpperCaseInPlace(char* data, std::size_t size);

// Folds only a-z in place. For a search text of ASCII bytes this is all the
// folding a haystack needs: the two-byte letters are made of bytes 0x80 and
// up before and after folding, so they can never be part of a match.
void UpperCaseAsciiInPlace(char* data, std::size_t size);

// The simple upper case of a code point below U+0800 under the same rule
// (the code point itself when the rule leaves it). For finders that need to
// know which bytes fold into which.
std::uint32_t UpperTwoByteCodePoint(std::uint32_t codePoint);

// True when every byte is below 0x80.
bool IsAscii(const std::string& text);

// The same rule on a copy.
std::string UpperCased(std::string text);

}  // namespace tessaly::platform
