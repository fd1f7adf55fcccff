// Text strings of document-information fields to UTF-8: the decoding table
// read as Windows-1252, and UTF-16 with its byte-order mark.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "pdf/PDFTextString.h"

namespace tessaly::pdf {
namespace {

TEST(DecodeTextString, Cases) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string utf8;
  };
  const Case cases[] = {
      {"plain ASCII", "J. Smith", "J. Smith"},
      {"E9 passes the table and reads as e acute", "Caf\xE9", "Caf\xC3\xA9"},
      {"UTF-16 with byte-order mark", std::string("\xFE\xFF\x00\x43\x00\x61\x00\x66\x00\xE9", 10), "Caf\xC3\xA9"},
      // PDF byte 8D is the left double quotation mark: table gives 93.
      {"8D through the table", "\x8D", "\xE2\x80\x9C"},
      {"A0 is the euro sign", "\xA0", "\xE2\x82\xAC"},
      {"1A maps to 88 (modifier circumflex)", "\x1A", "\xCB\x86"},
      {"87 maps to a control byte", "\x87", "\x1F"},
      {"9D maps to 9A (s caron)", "\x9D", "\xC5\xA1"},
      // 8A maps to 81, which Windows-1252 leaves undefined: the C1 control.
      {"undefined code point", "\x8A", "\xC2\x81"},
      {"FF FE is not UTF-16", "\xFF\xFE\x41", "\xC3\xBF\xC3\xBE\x41"},
      {"odd last byte ignored", std::string("\xFE\xFF\x00\x41\x00", 5), "A"},
      {"only the mark", "\xFE\xFF", ""},
      {"surrogate pair made whole", std::string("\xFE\xFF\xD8\x3D\xDE\x00", 6), "\xF0\x9F\x98\x80"},
      {"lone high surrogate", std::string("\xFE\xFF\xD8\x3D\x00\x41", 6), "\xEF\xBF\xBD" "A"},
      {"lone low surrogate", std::string("\xFE\xFF\xDE\x00", 4), "\xEF\xBF\xBD"},
      {"high surrogate last", std::string("\xFE\xFF\x00\x41\xD8\x00", 6), "A\xEF\xBF\xBD"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeTextString(c.bytes), c.utf8) << c.name;
}

TEST(DecodeTextString, TableIsAPermutation) {
  std::set<unsigned char> images;
  int changed = 0;
  for (int b = 0; b < 256; ++b) {
    const unsigned char to = PdfDocToWindows1252(static_cast<unsigned char>(b));
    images.insert(to);
    if (to != b) ++changed;
  }
  EXPECT_EQ(images.size(), 256u);
  EXPECT_EQ(changed, 34);
}

TEST(Windows1252ToUtf8, HighHalf) {
  EXPECT_EQ(Windows1252ToUtf8("\x80\x9F\xA0\xFF"), "\xE2\x82\xAC\xC5\xB8\xC2\xA0\xC3\xBF");
}

}  // namespace
}  // namespace tessaly::pdf
