// UTF-8 encoding and the Windows-1252 code page.
#include <gtest/gtest.h>

#include "platform/Unicode.h"

using namespace tessaly::platform;

namespace {

TEST(Unicode, AppendUtf8AtEachLengthAndInvalidValues) {
  std::string out;
  for (char32_t c : {U'A', U'\u00E9', U'\u20AC', U'\U0001F600'}) AppendUtf8(out, c);
  EXPECT_EQ(out, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  out.clear();
  AppendUtf8(out, 0xD800);    // a surrogate
  AppendUtf8(out, 0x110000);  // beyond Unicode
  EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Unicode, Windows1252) {
  EXPECT_EQ(Windows1252ToUtf8("caf\xE9 \x80 \x93" "a\x94"), "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9C" "a\xE2\x80\x9D");
  EXPECT_EQ(Windows1252ToCodePoint(0x8D), 0x8Du);  // undefined: its C1 value
  EXPECT_TRUE(IsUndefinedInWindows1252(0x81));
  EXPECT_FALSE(IsUndefinedInWindows1252(0x80));
  EXPECT_EQ(Windows1252ToCodePoint(0x41), 0x41u);
}

}  // namespace
