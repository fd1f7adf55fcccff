// Text of a property set's code page turned into UTF-8.
//
// Property sets store their single-byte strings in the code page named by
// the set's property 1. Tessaly keeps all text as UTF-8, so these strings
// are converted on reading.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::extract {

// Code page numbers with a meaning of their own.
inline constexpr int kCodePageUtf16 = 1200;  // strings stored as UTF-16LE
inline constexpr int kCodePageUtf8 = 65001;  // taken as they are
inline constexpr int kCodePageDefault = 1252;  // a set that names none

// `bytes` in Windows code page `codePage` as UTF-8. 65001 passes the bytes
// through; 1200 reads UTF-16LE (an odd last byte is dropped, an unpaired
// surrogate becomes U+FFFD); any other page goes through iconv as "CP<n>",
// with Windows-1252 for an unknown page. A byte sequence the page does not
// define becomes U+FFFD, one per byte, and the conversion goes on. Never
// throws for any input.
std::string CodePageToUtf8(std::string_view bytes, int codePage);

}  // namespace tessaly::extract
