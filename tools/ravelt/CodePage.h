// Decoding of 8-bit text bytes in a Windows code page into UTF-8.
//
// RTF carries text bytes (`\'hh` escapes and raw 8-bit bytes) in the code
// page of the document (`\ansicpg`) or of the current font (`\fcharset`,
// `\cpg`). TCodePageDecoder turns such bytes into UTF-8: Windows-1252 from a
// built-in table, other single-byte pages from a table made once with iconv,
// the double-byte pages of East Asian text (932, 936, 949, 950, 1361)
// byte pair by byte pair, and 65001 (UTF-8) checked sequence by sequence. Bytes a page does not define become U+FFFD.
#pragma once

#include <array>
#include <map>
#include <string>

namespace tessaly::ravelt {

// Code page numbers with a meaning of their own.
inline constexpr int kCodePageAnsiLatin = 1252;  // the default of RTF
inline constexpr int kCodePageSymbol = 42;       // fonts with \fcharset2

// The code page of a font character set number (`\fcharsetN`); 0 for the
// sets that mean "the document's code page" (0 ANSI, 1 default) and for
// numbers not known.
int CodePageOfCharset(int charset);

class TCodePageDecoder {
 public:
  TCodePageDecoder() = default;
  ~TCodePageDecoder();
  TCodePageDecoder(const TCodePageDecoder&) = delete;
  TCodePageDecoder& operator=(const TCodePageDecoder&) = delete;

  // Appends the UTF-8 text of `byte` in code page `codePage` to `out`. A lead
  // byte of a double-byte page is held until its trail byte arrives.
  void Put(int codePage, unsigned char byte, std::string& out);
  // Writes out a held lead byte (as U+FFFD: it never got its trail byte).
  void Flush(std::string& out);
  bool HasPending() const { return lead_ != 0 || utf8Need_ > 0; }

 private:
  // One single-byte page: the UTF-8 text of each byte (empty: undefined).
  using Table = std::array<std::string, 256>;
  const Table& SingleByteTable(int codePage);
  // The iconv descriptor towards UTF-8 for a page, opened once (an
  // iconv_t; (iconv_t)-1 when iconv does not know the page).
  void* Converter(int codePage);
  void PutPair(int codePage, unsigned char lead, unsigned char trail, std::string& out);
  void PutUtf8(unsigned char byte, std::string& out);

  std::map<int, Table> tables_;
  std::map<int, void*> converters_;  // closed by the destructor
  int leadPage_ = 0;
  unsigned char lead_ = 0;
  // A UTF-8 sequence of a 65001 document still waiting for bytes.
  std::string utf8_;
  int utf8Need_ = 0;
};

}  // namespace tessaly::ravelt
