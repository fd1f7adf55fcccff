// Tests of the property-set stream reader: header checks, the section of a
// format identifier, value slots and strings, damaged tables and values,
// and a truncation sweep.
#include "extract/PropertySet.h"

#include <gtest/gtest.h>

#include "PropertySetWriter.h"
#include "extract/CodePageText.h"

namespace tessaly::extract {
namespace {

using namespace test;

TEST(PropertySet, ReadsValuesByIdentifier) {
  const std::string stream = SummaryStream({CodePage(1252), Text(2, "Plan"), Int32(14, 3), Time(13, 0x0102030405060708)});
  const TPropertySet set(stream, kSummaryInformationFormat);
  EXPECT_EQ(set.Count(), 4u);
  EXPECT_EQ(set.CodePage(), 1252);
  ASSERT_TRUE(set.Read(2));
  EXPECT_EQ(set.Read(2)->type, kTypeString);
  EXPECT_EQ(set.Read(2)->text, "Plan");
  EXPECT_EQ(set.Read(2)->slot, 0u);  // strings leave the slot empty
  EXPECT_EQ(set.Read(14)->slot, 3u);
  EXPECT_FALSE(set.Read(14)->text);
  EXPECT_EQ(set.Read(13)->slot, 0x0102030405060708u);
  EXPECT_FALSE(set.Read(3));
}

TEST(PropertySet, SlotHoldsTheStoredBytesWhateverTheType) {
  struct Case {
    const char* what;
    TTestProperty property;
    std::uint64_t slot;
  };
  const Case cases[] = {
      // a 16-bit -1 fills two bytes only
      {"I2", Int16(14, -1), 0xFFFF},
      // a 32-bit -1 fills four
      {"I4", Int32(14, -1), 0xFFFFFFFF},
      // an 8-byte value fills the slot
      {"FILETIME", Time(14, 0x8000000000000001), 0x8000000000000001},
      // a boolean is two bytes
      {"BOOL", {14, 11, std::string("\xFF\xFF\0\0", 4)}, 0xFFFF},
      // clipboard data is no scalar
      {"CF", {14, 71, std::string("\x08\0\0\0\xFF\xFF\xFF\xFF\x03\0\0\0", 12)}, 0},
      // a type this reader does not know
      {"unknown", {14, 0x1234, std::string(8, '\x7F')}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TPropertySet set(SummaryStream({c.property}), kSummaryInformationFormat);
    ASSERT_TRUE(set.Read(14));
    EXPECT_EQ(set.Read(14)->slot, c.slot);
  }
}

TEST(PropertySet, StringsAreConvertedFromTheSetsCodePage) {
  struct Case {
    const char* what;
    std::vector<TTestProperty> properties;
    std::string text;
  };
  const std::string utf16 = std::string("c\0a\0f\0\xE9\0\0\0", 10);
  const Case cases[] = {
      // no code page property: Windows-1252
      {"default", {Text(2, "caf\xE9")}, "caf\xC3\xA9"},
      // 1252 named
      {"1252", {CodePage(1252), Text(2, "\x93q\x94")}, "\xE2\x80\x9Cq\xE2\x80\x9D"},
      // 65001 (stored as a negative 16-bit number) passes UTF-8 through
      {"65001", {CodePage(65001), Text(2, "caf\xC3\xA9")}, "caf\xC3\xA9"},
      // a Cyrillic page through iconv
      {"1251", {CodePage(1251), Text(2, "\xCF\xF0")}, "\xD0\x9F\xD1\x80"},
      // a UTF-16 set stores its strings in 16-bit units
      {"1200", {CodePage(1200), {2, kTypeString, std::string("\x0A\0\0\0", 4) + utf16 + std::string(2, '\0')}}, "caf\xC3\xA9"},
      // code page 0 (the writer's own) reads as 1252
      {"0", {CodePage(0), Text(2, "\xE9")}, "\xC3\xA9"},
      // the string ends at its first NUL
      {"NUL inside", {Text(2, std::string("ab\0cd", 5))}, "ab"},
      // a byte 1252 leaves undefined becomes U+FFFD
      {"undefined byte", {Text(2, "a\x81z")}, "a\xEF\xBF\xBDz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TPropertySet set(SummaryStream(c.properties), kSummaryInformationFormat);
    ASSERT_TRUE(set.Read(2));
    EXPECT_EQ(set.Read(2)->text, c.text);
  }
}

TEST(PropertySet, FindsItsSectionAmongOthers) {
  TFormatId other;
  other.bytes[0] = 0x02;
  const std::string stream = StreamBytes({{other, SectionBytes({Text(2, "wrong")})},
                                          {kSummaryInformationFormat, SectionBytes({Text(2, "right")})}});
  const TPropertySet set(stream, kSummaryInformationFormat);
  EXPECT_EQ(set.Read(2)->text, "right");
}

TEST(PropertySet, FirstOfTwoEqualIdentifiersCounts) {
  const TPropertySet set(SummaryStream({Text(2, "first"), Text(2, "second")}), kSummaryInformationFormat);
  EXPECT_EQ(set.Read(2)->text, "first");
}

TEST(PropertySet, BrokenHeadersRaise) {
  const std::string good = SummaryStream({Text(2, "Plan")});
  std::string badMark = good;
  badMark[0] = 'x';
  std::string noSection = good;
  noSection[24] = 0;  // section count 0
  std::string wrongFormat = good;
  wrongFormat[28] ^= 1;
  std::string outside = good;
  outside[44] = '\x7F';  // section offset far past the end
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"cut in the header", good.substr(0, 20)},
      {"BadByteOrderMark", badMark},
      {"NoSections", noSection},
      {"WrongFormatId", wrongFormat},
      {"SectionOutsideStream", outside},
      {"SectionHeaderCut", good.substr(0, 48 + 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THROW(TPropertySet(c.bytes, kSummaryInformationFormat), TPropertySetError);
  }
}

TEST(PropertySet, DamagedPropertiesReadAsAbsent) {
  // Property offsets and string lengths that point past the section.
  std::string section = SectionBytes({Text(2, "Plan"), Int32(14, 5), Text(3, "Sub")});
  // entry 1 (id 14): offset far out
  section[8 + 8 + 4] = '\x70';
  // the string of id 3 claims 1000 bytes
  const std::size_t third = static_cast<unsigned char>(section[8 + 16 + 4]);
  section[third + 4] = '\xE8';
  section[third + 5] = '\x03';
  const TPropertySet set(StreamBytes({{kSummaryInformationFormat, section}}), kSummaryInformationFormat);
  EXPECT_EQ(set.Read(2)->text, "Plan");
  EXPECT_FALSE(set.Read(14));
  EXPECT_FALSE(set.Read(3));
}

TEST(PropertySet, OversizeCountIsCutToTheTable) {
  std::string section = SectionBytes({Text(2, "Plan")});
  section[4] = '\xFF';
  section[5] = '\xFF';
  section[6] = '\xFF';
  section[7] = '\x7F';
  const TPropertySet set(StreamBytes({{kSummaryInformationFormat, section}}), kSummaryInformationFormat);
  EXPECT_LE(set.Count(), section.size() / 8);
  EXPECT_EQ(set.Read(2)->text, "Plan");
}

TEST(PropertySet, SizeFieldLimitsTheSection) {
  // A section size smaller than the bytes present: values past it are gone.
  std::string section = SectionBytes({Int32(14, 5), Text(2, "Plan")});
  section[0] = 8 + 16 + 8;  // covers the table and the first value only
  section[1] = section[2] = section[3] = 0;
  const TPropertySet set(StreamBytes({{kSummaryInformationFormat, section}}), kSummaryInformationFormat);
  EXPECT_EQ(set.Read(14)->slot, 5u);
  EXPECT_FALSE(set.Read(2));
}

TEST(PropertySet, TruncationSweep) {
  const std::string good = SummaryStream({CodePage(1252), Text(2, "Quarterly Plan"), Text(4, "Ada"),
                                          Time(12, 132855552000000000), Int32(14, 3), Int32(19, 0)});
  for (std::size_t n = 0; n <= good.size(); ++n) {
    SCOPED_TRACE(n);
    try {
      const TPropertySet set(good.substr(0, n), kSummaryInformationFormat);
      for (std::uint32_t id = 0; id < 21; ++id) (void)set.Read(id);
      if (n == good.size()) {
        EXPECT_EQ(set.Read(4)->text, "Ada");
      }
    } catch (const TPropertySetError&) {
      EXPECT_LT(n, 28u + 20u + 8u);  // only a cut header raises
    }
  }
}

TEST(CodePageText, Utf16EdgeCases) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      // a surrogate pair
      {"pair", std::string("\x3D\xD8\x00\xDE", 4), "\xF0\x9F\x98\x80"},
      // an unpaired high surrogate
      {"unpaired", std::string("\x3D\xD8x\0", 4), "\xEF\xBF\xBDx"},
      // an odd last byte is dropped
      {"odd", std::string("a\0b", 3), "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CodePageToUtf8(c.bytes, kCodePageUtf16), c.text);
  }
}

}  // namespace
}  // namespace tessaly::extract
