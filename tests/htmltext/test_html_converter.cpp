// Tests of the HTML-to-text conversion: tags, spaces, line ends, PRE blocks,
// long tags and the state carried from one input to the next.
#include "tools/htmltext/HtmlConverter.h"
#include "tools/htmltext/TextMode.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly::htmltext {
namespace {

// Converts file bytes: CR LF arrives as one line end, as htmltext reads them.
std::string Convert(std::string_view html) {
  TTextModeReader reader;
  std::string logical;
  reader.Translate(html, logical);
  reader.Finish(logical);
  THtmlConverter converter;
  std::string out;
  converter.Convert(logical, out);
  return out;
}

struct TCase {
  const char* html;
  const char* text;
};

void ExpectConversions(std::initializer_list<TCase> cases) {
  for (const TCase& c : cases) EXPECT_EQ(Convert(c.html), c.text) << "input: " << c.html;
}

TEST(HtmlConverter, TagsAreKnownByTheirName) {
  ExpectConversions({
      // An unknown tag between letters becomes one space, collapsing with
      // the spaces around it.
      {"a<b>b", "a b"},
      {"a <b> <i>  b", "a b"},
      // Line breaks in any letter case, with a closing slash or attributes.
      {"x<BR>y", "x\ny"},
      {"x<br/>y", "x\ny"},
      {"x<br />y", "x\ny"},
      {"x<Br class=c>y", "x\ny"},
      // A space after a line break is written: the break reset the collapsing.
      {"x<br> y", "x\n y"},
      // A table row: row start a line end, cell starts spaces, cell ends tabs;
      // attributes and spacing after the name change nothing.
      {"<TR><TD>1</TD><TD>2</TD></TR>", "\n 1\t 2\t "},
      {"<tr class=x><td>1</td></tr>", "\n 1\t "},
      {"<tr class=\"odd\"><TD align=\"left\">1</td ><th>2</TH\t></tr>", "\n 1\t 2\t "},
      // A name that only begins like a known one, a name not right after the
      // `<`, and the wrong opening or closing form are other tags.
      {"x<brx>y", "x y"},
      {"<trace>x", " x"},
      {"x<br2>y", "x y"},
      {"x< br>y", "x y"},
      {"x</br>y", "x y"},
      {"x<td>y<th>z", "x y z"},
      // White space in a tag, a line end too, ends the name.
      {"x<br\nclass=c>y", "x\ny"},
      {"x<b\nr>y", "x y"},
      // A `<` inside a tag starts the tag again.
      {"x<a <br>y", "x\ny"},
      // A tag still open at the end has no effect.
      {"a<br", "a"},
  });
}

TEST(HtmlConverter, LineEndsOutsidePreAreSpaces) {
  ExpectConversions({
      {"one\ntwo", "one two"},
      {"one \n two", "one two"},
      {"one \r\n two", "one two"},
      {"a\n\r\n\nb", "a b"},
      {"<p>a\n</p>\n<p>b</p>", " a b "},
  });
}

TEST(HtmlConverter, PreKeepsSpacesAndLineEnds) {
  ExpectConversions({
      {"<pre>a  b\n c</pre>", "a  b\n c"},
      {"<PRE>a\r\n\n b</PRE>\nx", "a\n\n b x"},
      {"<pre class=\"literal-block\">a  b</pre>", "a  b"},
      {"<pre class=x>a\nb</pre >c", "a\nbc"},
      // A lone CR inside PRE is written as it is.
      {"<pre>a\rb</pre>", "a\rb"},
      // Inside PRE a line end within a tag is still written.
      {"<pre>a<b\n>c</pre>", "a\n c"},
  });
}

TEST(HtmlConverter, OtherTextPassesThrough) {
  ExpectConversions({
      // A `>` that closes no tag is text.
      {"a > b", "a > b"},
      {"<br>>", "\n>"},
      // Entities, style and script text, tabs and a lone CR pass through.
      {"&amp; &lt;", "&amp; &lt;"},
      {"<style>p { x: 1 }</style>", " p { x: 1 } "},
      {"<script>var a = 1;</script>", " var a = 1; "},
      {"a\t\tb\rc", "a\t\tb\rc"},
      // A comment is a tag that ends at its first `>`.
      {"<!-- note -->x", " x"},
      {"<!-- a > b -->c", " b -->c"},
  });
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
  EXPECT_EQ(out, "x\ny");
  EXPECT_EQ(converter.tagBufferSize(), THtmlConverter::kTagBufferStart + THtmlConverter::kTagBufferStep);
}

TEST(HtmlConverter, HugeTagKeepsMemoryBounded) {
  THtmlConverter converter;
  std::string out;
  const std::string filler(64 * 1024, 'z');
  converter.Convert("a<br ", out);
  for (int i = 0; i < 48; ++i) converter.Convert(filler, out);  // 3 MiB of tag text
  converter.Convert(">b", out);
  // The tail past the cap is dropped, but the name still counts.
  EXPECT_EQ(out, "a\nb");
  EXPECT_LE(converter.tagBufferSize(), THtmlConverter::kTagBufferLimit);
}

TEST(HtmlConverter, StateCarriesOverToTheNextInput) {
  THtmlConverter converter;
  std::string first, second;
  // The first input ends inside a PRE block: the second keeps its line ends
  // up to its first </pre>.
  converter.Convert("<pre class=x>a\n", first);
  converter.Convert("b  \nc</pre>d\ne", second);
  EXPECT_EQ(first, "a\n");
  EXPECT_EQ(second, "b  \ncd e");
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

TEST(ClassifyTag, ByNameCaseBlind) {
  struct TRow {
    const char* tag;
    TTagEffect effect;
  } rows[] = {
      {"<tr>", TTagEffect::LineEnd},
      {"<tr bgcolor=red>", TTagEffect::LineEnd},
      {"</TH>", TTagEffect::Tab},
      {"</td\t>", TTagEffect::Tab},
      {"<bR/>", TTagEffect::LineEnd},
      {"<Pre>", TTagEffect::PreOn},
      {"</pRe\r>", TTagEffect::PreOff},
      // Opening and closing forms are not interchangeable.
      {"<th>", TTagEffect::Other},
      {"</tr>", TTagEffect::Other},
      {"<>", TTagEffect::Other},
      {"</>", TTagEffect::Other},
      {"<!DOCTYPE html>", TTagEffect::Other},
  };
  for (const TRow& r : rows) EXPECT_EQ(ClassifyTag(r.tag), r.effect) << "tag: " << r.tag;
}

}  // namespace
}  // namespace tessaly::htmltext
