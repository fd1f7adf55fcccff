// Tests of the code-page decoder: single-byte tables, double-byte pairs,
// UTF-8 documents and bytes a page does not define.
#include "tools/ravelt/CodePage.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly::ravelt {
namespace {

struct DecodeCase {
  int codePage;
  const char* bytes;
  const char* utf8;
};

const DecodeCase kDecodeCases[] = {
    // ASCII passes unchanged in every page.
    {1252, "abc", "abc"},
    {932, "abc", "abc"},
    // The 0x80 row of 1252, and Latin-1 letters above it.
    {1252, "\x80\x8A\x9F\xE9", "\xE2\x82\xAC\xC5\xA0\xC5\xB8\xC3\xA9"},
    // An undefined 1252 byte becomes U+FFFD.
    {1252, "\x81", "\xEF\xBF\xBD"},
    // Central European, Cyrillic and Greek pages.
    {1250, "\x8A\xE8", "\xC5\xA0\xC4\x8D"},
    {1251, "\xCF\xF0", "\xD0\x9F\xD1\x80"},
    {1253, "\xD9", "\xCE\xA9"},
    // Symbol fonts carry bullets as B7.
    {kCodePageSymbol, "\xB7", "\xE2\x80\xA2"},
    // Shift-JIS pairs, one with an ASCII trail byte; a half-width katakana byte.
    {932, "\x93\xFA\x95\x5C\xB1", "\xE6\x97\xA5\xE8\xA1\xA8\xEF\xBD\xB1"},
    // GBK and Big5.
    {936, "\xD6\xD0", "\xE4\xB8\xAD"},
    {950, "\xA4\xA4", "\xE4\xB8\xAD"},
    // A lead byte that never gets its trail byte.
    {932, "\x93", "\xEF\xBF\xBD"},
    // UTF-8 documents: valid sequences pass, broken ones become U+FFFD.
    {65001, "\xC3\xA9\xE2\x82\xAC", "\xC3\xA9\xE2\x82\xAC"},
    {65001, "\xC3x\xFF\xED\xA0\x80", "\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    // A page nobody defines reads as 1252.
    {4242, "\xE9", "\xC3\xA9"},
};

TEST(CodePageTest, Decodes) {
  for (const DecodeCase& c : kDecodeCases) {
    TCodePageDecoder decoder;
    std::string out;
    for (const char* p = c.bytes; *p != '\0'; ++p) decoder.Put(c.codePage, static_cast<unsigned char>(*p), out);
    decoder.Flush(out);
    EXPECT_EQ(out, c.utf8) << "page " << c.codePage << " bytes " << c.bytes;
  }
}

TEST(CodePageTest, CharsetNumbers) {
  // Charsets 0 and 1 defer to the document's page; the others name theirs.
  EXPECT_EQ(CodePageOfCharset(0), 0);
  EXPECT_EQ(CodePageOfCharset(1), 0);
  EXPECT_EQ(CodePageOfCharset(2), kCodePageSymbol);
  EXPECT_EQ(CodePageOfCharset(128), 932);
  EXPECT_EQ(CodePageOfCharset(204), 1251);
  EXPECT_EQ(CodePageOfCharset(238), 1250);
  EXPECT_EQ(CodePageOfCharset(12345), 0);
}

}  // namespace
}  // namespace tessaly::ravelt
