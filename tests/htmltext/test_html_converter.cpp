// Tests of the HTML-to-text conversion: tags, spaces, line ends, PRE blocks,
// long tags and the state carried from one input to the next.
#include "tools/htmltext/HtmlConverter.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly::htmltext {
namespace {

std::string Convert(std::string_view html) {
  THtmlConverter converter;
  std::string out;
  converter.Convert(html, out);
  return out;
}

struct TCase {
  const char* html;
  const char* text;
};

TEST(HtmlConverter, ConvertsOneInput) {
  const TCase cases[] = {
      // An unknown tag between letters becomes one space.
      {"a<b>b", "a b"},
      // Spaces around an unknown tag collapse with its space.
      {"a <b> b", "a b"},
      {"a <b> <i>  b", "a b"},
      // Line breaks in any letter case; only the exact text counts, so a
      // closing slash or an attribute makes an unknown tag.
      {"x<BR>y", "x\ny"},
      {"x<br>y", "x\ny"},
      {"x<br/>y", "x y"},
      {"x<br />y", "x y"},
      {"x<Br class=c>y", "x y"},
      // A space after a line break is written: the break reset the collapsing.
      {"x<br> y", "x\n y"},
      // A table row: row start a line end, cell starts spaces, cell ends tabs.
      {"<TR><TD>1</TD><TD>2</TD></TR>", "\n 1\t 2\t "},
      // The same row with attributes: its row and cell starts are unknown tags.
      {"<tr class=x><td align=\"r\">1</td><td>2</TD></tr>", " 1\t 2\t "},
      {"a</th>b", "a\tb"},
      // Texts that only begin like a known one.
      {"x<brx>y", "x y"},
      {"x< br>y", "x y"},
      {"x</br>y", "x y"},
      {"x</td >y", "x y"},
      // A line end outside PRE is dropped, also inside a tag.
      {"one\ntwo", "onetwo"},
      {"x<b\nr>y", "x\ny"},
      {"a\n\n\nb", "ab"},
      // Inside PRE every space and line end is written.
      {"<pre>a  b\n c</pre>", "a  b\n c"},
      {"<PRE>a\n\n b</PRE>\nx", "a\n\n bx"},
      {"<pre class=x>a\nb</pre>", " ab"},
      // Inside PRE a line end within a tag is still written.
      {"<pre>a<b\n>c</pre>", "a\n c"},
      // A `>` that closes no tag is text.
      {"a > b", "a > b"},
      {">x", ">x"},
      {"<br>>", "\n>"},
      // A `<` inside a tag starts the tag again.
      {"x<a <br>y", "x\ny"},
      // Entities, style text and tabs pass through; a lone CR is a character.
      {"&amp; &lt;", "&amp; &lt;"},
      {"<style>p { x: 1 }</style>", " p { x: 1 } "},
      {"a\t\tb\rc", "a\t\tb\rc"},
      // A comment is a tag that ends at its first `>`.
      {"<!-- note -->x", " x"},
      {"<!-- a > b -->c", " b -->c"},
      // A tag still open at the end has no effect.
      {"a<br", "a"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Convert(c.html), c.text) << "input: " << c.html;
}

TEST(HtmlConverter, ChunkingDoesNotChangeTheText) {
  const std::string html =
      "<html><body><tr class=x><td>1</td></tr>a  b\nc<pre>x  y\nz</pre> q > r<br/>s<!-- c -->";
  THtmlConverter whole;
  std::string expected;
  whole.Convert(html, expected);
  THtmlConverter bytewise;
  std::string got;
  for (char c : html) bytewise.Convert(std::string_view(&c, 1), got);
  EXPECT_EQ(got, expected);
}

TEST(HtmlConverter, LongTagIsReadWhole) {
  // 5000 characters: the buffer grows past its start size, and the `>` at
  // the end still closes the tag.
  std::string unknown = "x<" + std::string(4998, 'a') + ">y";
  EXPECT_EQ(Convert(unknown), "x y");

  THtmlConverter converter;
  std::string out;
  converter.Convert("x<br data-a=\"" + std::string(5000, 'q') + "\">y", out);
  EXPECT_EQ(out, "x y");
  EXPECT_EQ(converter.tagBufferSize(), THtmlConverter::kTagBufferStart + THtmlConverter::kTagBufferStep);
}

TEST(HtmlConverter, HugeTagKeepsMemoryBounded) {
  THtmlConverter converter;
  std::string out;
  const std::string filler(64 * 1024, 'z');
  converter.Convert("a<br ", out);
  for (int i = 0; i < 48; ++i) converter.Convert(filler, out);  // 3 MiB of tag text
  converter.Convert(">b", out);
  EXPECT_EQ(out, "a b");
  EXPECT_LE(converter.tagBufferSize(), THtmlConverter::kTagBufferLimit);
}

TEST(HtmlConverter, StateCarriesOverToTheNextInput) {
  THtmlConverter converter;
  std::string first, second;
  // The first input ends inside a PRE block: the second keeps its line ends
  // up to its first </pre>.
  converter.Convert("<pre>a\n", first);
  converter.Convert("b\nc</pre>d\ne", second);
  EXPECT_EQ(first, "a\n");
  EXPECT_EQ(second, "b\ncde");
  EXPECT_FALSE(converter.insidePre());

  // A tag open at the end of one input is finished by the next.
  THtmlConverter split;
  std::string a, b;
  split.Convert("x<b", a);
  EXPECT_TRUE(split.insideTag());
  split.Convert("r>y", b);
  EXPECT_EQ(a, "x");
  EXPECT_EQ(b, "\ny");
}

TEST(ClassifyTag, OnlyTheExactTextsCaseBlind) {
  struct TRow {
    const char* tag;
    TTagEffect effect;
  } rows[] = {
      {"<TR>", TTagEffect::LineEnd},
      {"<tr>", TTagEffect::LineEnd},
      {"<tr bgcolor=red>", TTagEffect::Other},
      {"</TH>", TTagEffect::Tab},
      {"</td>", TTagEffect::Tab},
      {"</td\t>", TTagEffect::Other},
      {"<bR>", TTagEffect::LineEnd},
      {"<br/>", TTagEffect::Other},
      {"<Pre>", TTagEffect::PreOn},
      {"</pRe>", TTagEffect::PreOff},
      // Opening and closing forms are not interchangeable.
      {"<th>", TTagEffect::Other},
      {"</pre", TTagEffect::Other},
      {"<>", TTagEffect::Other},
      {"<!DOCTYPE html>", TTagEffect::Other},
  };
  for (const TRow& r : rows) EXPECT_EQ(ClassifyTag(r.tag), r.effect) << "tag: " << r.tag;
}

}  // namespace
}  // namespace tessaly::htmltext
