// Tests of the RTF interpreter: text rules on small documents built here,
// code pages, limits, malformed input and chunked feeding.
#include "tools/ravelt/RtfReader.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly::ravelt {
namespace {

struct Interpreted {
  TRtfReader::Status status;
  std::string text;
};

Interpreted Interpret(const std::string& rtf, std::size_t chunk = 0) {
  TRtfReader reader;
  const auto* bytes = reinterpret_cast<const unsigned char*>(rtf.data());
  if (chunk == 0) chunk = rtf.size() + 1;
  for (std::size_t at = 0; at < rtf.size(); at += chunk) reader.Feed(bytes + at, std::min(chunk, rtf.size() - at));
  const TRtfReader::Status status = reader.Finish();
  return {status, reader.TakeText()};
}

struct TextCase {
  const char* rtf;
  const char* text;
};

// Every row is a whole document that must read without error.
const TextCase kTextCases[] = {
    // One paragraph; the final \par gives the only CR LF.
    {R"({\rtf1 Hello\par})", "Hello\r\n"},
    // A last paragraph without \par still ends with CR LF.
    {R"({\rtf1 a\par b})", "a\r\nb\r\n"},
    // Empty paragraphs stay as empty lines.
    {R"({\rtf1 a\par\par b\par})", "a\r\n\r\nb\r\n"},
    // Raw line ends are not text; the space after a control word is its delimiter.
    {"{\\rtf1 one\r\ntwo \\b bold\\b0\n three\\par}", "onetwo bold three\r\n"},
    // Font, colour and style tables, info and generator are left out.
    {R"({\rtf1\ansi{\fonttbl{\f0\froman Times;}}{\colortbl;\red0\green0\blue0;}{\stylesheet{\s0 Normal;}}{\info{\title T}{\author A}}{\*\generator G;}Body\par})",
     "Body\r\n"},
    // Pictures with hex data, object data, headers and footers are left out.
    {R"({\rtf1 {\header Head\par}{\footer Foot\par}{\pict\pngblip 89504e47}{\object{\*\objdata 0102}{\result Shown}}x\par})",
     "Shownx\r\n"},
    // An unknown \* destination is left out with its nested groups.
    {R"({\rtf1 a{\*\unknown b{c}{\*\more d}}e\par})", "ae\r\n"},
    // An unknown control word without \* is ignored, its text stays.
    {R"({\rtf1 a{\newword b}c\par})", "abc\r\n"},
    // Control words are case-sensitive: \PAR is no paragraph mark.
    {R"({\rtf1 a\PAR b})", "ab\r\n"},
    // \'hh in the default code page 1252, also above 0x7F in the 0x80 row.
    {R"({\rtf1 caf\'e9 \'80 \'93q\'94})", "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D\r\n"},
    // \ansicpg1251: the same escapes are Cyrillic.
    {R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8})", "\xD0\x9F\xD1\x80\xD0\xB8\r\n"},
    // A font with \fcharset161 (Greek) switches the page for its text only.
    {R"({\rtf1\ansi{\fonttbl{\f0 Arial;}{\f1\fcharset161 Greek;}}\f1 \'d9\'ec {\f0 \'e9}})",
     "\xCE\xA9\xCE\xBC \xC3\xA9\r\n"},
    // \cpg in the font table names the page directly.
    {R"({\rtf1{\fonttbl{\f3\cpg1251 Cyr;}}\f3\'cf})", "\xD0\x9F\r\n"},
    // Shift-JIS pairs, one with a trail byte written as the escaped backslash.
    {R"({\rtf1\ansi\ansicpg932 \'93\'fa\'96\'7b\'95\\})", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xA1\xA8\r\n"},
    // Raw 8-bit bytes, as some writers leave them, read in the code page.
    {"{\\rtf1 Gr\xFC\xDF" "e}", "Gr\xC3\xBC\xC3\x9F" "e\r\n"},
    // \uN with the default \uc1 skips one fallback character.
    {R"({\rtf1 \u233?t\u233?})", "\xC3\xA9t\xC3\xA9\r\n"},
    // \uc0: no fallback; \uc2: two escapes skipped.
    {R"({\rtf1 \uc0\u233 x\uc2\u26085\'93\'fay})", "\xC3\xA9x\xE6\x97\xA5y\r\n"},
    // \uc is kept per group.
    {R"({\rtf1 {\uc2\u233 xy}\u233?z})", "\xC3\xA9\xC3\xA9z\r\n"},
    // Negative \u values and a surrogate pair.
    {R"({\rtf1 \u-3913?\u-10179?\u-8704?})", "\xEF\x82\xB7\xF0\x9F\x98\x80\r\n"},
    // A lone surrogate becomes U+FFFD.
    {R"({\rtf1 \u-10179?x})", "\xEF\xBF\xBDx\r\n"},
    // \bin data is skipped whatever bytes it holds.
    {"{\\rtf1 a\\bin4 {}\\\\b\\par}", "ab\r\n"},
    // \bin data inside a left-out destination.
    {"{\\rtf1 {\\*\\blob \\bin2 }}}x}", "x\r\n"},
    // \tab, \line and \page.
    {R"({\rtf1 a\tab b\line c\page d})", "a\tb\r\nc\r\nd\r\n"},
    // Cells separated by TAB, rows ended by CR LF (one writer's form).
    {R"({\rtf1 \trowd\cellx1\cellx2\pard\intbl A1\cell B1\cell\row\trowd\pard\intbl A2\cell B2\cell\row\pard After\par})",
     "A1\tB1\r\nA2\tB2\r\nAfter\r\n"},
    // Another writer closes each cell's paragraph with \par before \cell.
    {R"({\rtf1 {\trowd{{\pard\intbl Name\par}\cell}{{\pard\intbl Age\par}\cell}\intbl\row}})", "Name\tAge\r\n"},
    // Empty cells keep their separators; an empty first cell after a paragraph.
    {R"({\rtf1 Intro\par\pard\intbl\cell b\cell\cell\row})", "Intro\r\n\tb\t\r\n"},
    // Hidden text is left out; \v0 and \plain end it.
    {R"({\rtf1 a{\v hidden}b\v c\v0 d\v e\plain f})", "abdf\r\n"},
    // The special characters.
    {R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote|\~|\_|\-|})",
     "\xE2\x80\x94\xE2\x80\x93\xE2\x80\xA2\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D|\xC2\xA0|-||\r\n"},
    // Escaped braces and backslash are text.
    {R"({\rtf1 \{x\}\\})", "{x}\\\r\n"},
    // Field results are shown, field instructions (with or without \*) are not.
    {R"({\rtf1 See {\field{\*\fldinst HYPERLINK "http://x"}{\fldrslt here}} and {\field{\fldinst PAGE}{\fldrslt 7}}.})",
     "See here and 7.\r\n"},
    // List labels (\listtext, \pntext) are shown; the \*\pn description is not.
    {R"({\rtf1 {\listtext 1.\tab}One\par{\*\pn\pnlvlblt{\pntxtb X}}{\pntext 2.\tab}Two\par})", "1.\tOne\r\n2.\tTwo\r\n"},
    // A label of blanks only shows nothing; a real one waits for the pending break.
    {R"({\rtf1 {\listtext\tab}Heading\par{\listtext\pard\plain {\b 2.}\tab}Item\par})", "Heading\r\n2.\tItem\r\n"},
    // Footnotes follow the body text.
    {R"({\rtf1 a{\footnote Note one.\par}b\par c\par})", "ab\r\nc\r\nNote one.\r\n"},
    // A text box: the shape's \shptxt is shown, its properties and result are not.
    {R"({\rtf1 {\shp{\*\shpinst{\sp{\sn fillColor}{\sv 255}}{\shptxt Box text\par}}{\shprslt Fallback}}after\par})",
     "Box text\r\nafter\r\n"},
    // A backslash before a line end is a paragraph mark.
    {"{\\rtf1 a\\\nb}", "a\r\nb\r\n"},
    // Percent signs are text like any other.
    {R"({\rtf1 100%s %d %%\par})", "100%s %d %%\r\n"},
    // Leading white space before the document is allowed; text after it is ignored.
    {"\r\n {\\rtf1 x}trailing{", "x\r\n"},
    // An over-long control word is unknown and ignored.
    {R"({\rtf1 a\abcdefghijklmnopqrstuvwxyzabcdefghijklmnop b})", "ab\r\n"},
    // A huge parameter is clamped; \u of it is U+FFFD.
    {R"({\rtf1 \u99999999999999999999?x})", "\xEF\xBF\xBDx\r\n"},
    // "\'" without hex digits is dropped.
    {R"({\rtf1 a\'zb\'4})", "azb\r\n"},
};

TEST(RtfReaderTest, TextRules) {
  for (const TextCase& c : kTextCases) {
    const Interpreted whole = Interpret(c.rtf);
    EXPECT_EQ(whole.status, TRtfReader::Status::kDone) << c.rtf;
    EXPECT_EQ(whole.text, c.text) << c.rtf;
    // Split anywhere, the document reads the same.
    const Interpreted bytewise = Interpret(c.rtf, 1);
    EXPECT_EQ(bytewise.text, c.text) << "byte by byte: " << c.rtf;
  }
}

struct StatusCase {
  const char* rtf;
  TRtfReader::Status status;
};

const StatusCase kStatusCases[] = {
    // Empty input and white space only.
    {"", TRtfReader::Status::kNotRtf},
    {" \r\n", TRtfReader::Status::kNotRtf},
    // Plain text.
    {"Hello world", TRtfReader::Status::kNotRtf},
    // A group that does not start with \rtf.
    {"{hello}", TRtfReader::Status::kNotRtf},
    {"{\\rtx1 a}", TRtfReader::Status::kNotRtf},
    {"{{\\rtf1 a}}", TRtfReader::Status::kNotRtf},
    {"{\\'41}", TRtfReader::Status::kNotRtf},
    // Ends inside the outer group, or inside a nested one.
    {"{\\rtf1 abc", TRtfReader::Status::kUnterminated},
    {"{\\rtf1 {\\b x}", TRtfReader::Status::kUnterminated},
    // Ends inside a control word, an escape or \bin data.
    {"{\\rtf1 \\par", TRtfReader::Status::kUnterminated},
    {"{\\rtf1 \\'4", TRtfReader::Status::kUnterminated},
    {"{\\rtf1 \\bin10 ab", TRtfReader::Status::kUnterminated},
    // Only "{\rtf": a document without content.
    {"{\\rtf}", TRtfReader::Status::kDone},
};

TEST(RtfReaderTest, StatusOfMalformedInput) {
  for (const StatusCase& c : kStatusCases) EXPECT_EQ(Interpret(c.rtf).status, c.status) << c.rtf;
}

TEST(RtfReaderTest, DeepNestingStaysBounded) {
  // Far deeper than the kept stack: the groups still balance, text inside
  // shows, and a destination opened deep down ends with its group.
  const std::size_t depth = TRtfReader::kMaxGroupDepth * 5;
  std::string rtf = "{\\rtf1 ";
  rtf += std::string(depth, '{') + "deep" + "{\\*\\skipme gone}" + std::string(depth, '}');
  rtf += "after}";
  const Interpreted r = Interpret(rtf);
  EXPECT_EQ(r.status, TRtfReader::Status::kDone);
  EXPECT_EQ(r.text, "deepafter\r\n");

  const Interpreted open = Interpret("{\\rtf1 " + std::string(depth, '{'));
  EXPECT_EQ(open.status, TRtfReader::Status::kUnterminated);
}

TEST(RtfReaderTest, ManyFontsAndCodePagesStayBounded) {
  // More font entries than are remembered, and code page numbers nobody
  // defines: reading goes on, unknown pages read as 1252.
  std::string rtf = "{\\rtf1{\\fonttbl";
  for (std::size_t i = 0; i < TRtfReader::kMaxFonts + 100; ++i)
    rtf += "{\\f" + std::to_string(i) + "\\fcharset204 F;}";
  rtf += "}\\f1\\'cf\\ansicpg77777\\f999999\\'e9}";
  const Interpreted r = Interpret(rtf);
  EXPECT_EQ(r.status, TRtfReader::Status::kDone);
  EXPECT_EQ(r.text, "\xD0\x9F\xC3\xA9\r\n");
}

TEST(RtfReaderTest, LongListLabelIsCut) {
  // A list label longer than kMaxLabelBytes keeps its first bytes, cut
  // between characters, the same way however the input is chunked.
  const std::string rtf = "{\\rtf1 {\\listtext \\'e9" + std::string(3000, 'x') + "}Item}";
  const std::string expected = "\xC3\xA9" + std::string(TRtfReader::kMaxLabelBytes - 2, 'x') + "Item\r\n";
  EXPECT_EQ(Interpret(rtf).text, expected);
  EXPECT_EQ(Interpret(rtf, 1).text, expected);
  EXPECT_EQ(Interpret(rtf, 100).text, expected);
  // Cut so that no UTF-8 sequence is split.
  const std::string odd = "x" + std::string(1500, '\xE9');  // raw 1252 bytes, two UTF-8 bytes each
  const Interpreted cut = Interpret("{\\rtf1 {\\listtext " + odd + "}Item}");
  EXPECT_EQ(cut.text, "x" + [] { std::string s; for (int i = 0; i < 511; ++i) s += "\xC3\xA9"; return s; }() + "Item\r\n");
}

TEST(RtfReaderTest, FeedAfterEndIsIgnored) {
  TRtfReader reader;
  const std::string first = "{\\rtf1 a}";
  const std::string more = "{\\rtf1 b}";
  EXPECT_EQ(reader.Feed(reinterpret_cast<const unsigned char*>(first.data()), first.size()), TRtfReader::Status::kDone);
  EXPECT_EQ(reader.Feed(reinterpret_cast<const unsigned char*>(more.data()), more.size()), TRtfReader::Status::kDone);
  EXPECT_EQ(reader.Finish(), TRtfReader::Status::kDone);
  EXPECT_EQ(reader.text(), "a\r\n");
}

}  // namespace
}  // namespace tessaly::ravelt
