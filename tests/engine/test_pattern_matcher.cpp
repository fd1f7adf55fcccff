// The matchers of every mode and the places and lines their sink keeps.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "engine/PatternMatcher.h"
#include "engine/SearchCriteria.h"

namespace tessaly::engine {
namespace {

using extract::PartKind;

struct Mode {
  bool regex = false, whole = false, all = false, caseSensitive = false;
};

MatcherSetup MakeSetup(const std::string& text, Mode m, std::size_t lines = 1) {
  SearchCriteria c;
  c.containsText = text;
  c.regex = m.regex;
  c.wholeWords = m.whole;
  c.allWords = m.all;
  c.caseSensitive = m.caseSensitive;
  c.matchLines = lines;
  return SetupFor(c);
}

// Feeds `text` in pieces of `piece` bytes (0: whole).
std::vector<TextMatch> Feed(const TPatternMatcher& matcher, const std::string& text, std::size_t piece,
                           bool* matched) {
  auto sink = matcher.NewSink();
  if (piece == 0) piece = text.size() + 1;
  for (std::size_t i = 0; i < text.size(); i += piece)
    if (!sink->Append(std::string_view(text).substr(i, piece))) break;
  *matched = sink->Finish();
  return *MatchesOf(*sink);
}

TEST(PatternMatcher, ModesTable) {
  struct Case {
    const char* what;
    std::string pattern;
    Mode mode;
    std::string text;
    bool match;
    std::uint64_t line;      // of the first match, when matched
    std::string lineText;
  };
  const Case cases[] = {
      {"literal case-blind", "Quarterly", {}, "a\nb\nthe QUARTERLY results\n", true, 3, "the QUARTERLY results"},
      {"literal case-sensitive misses", "Invoice", {.caseSensitive = true}, "INVOICE\n", false, 0, ""},
      {"literal two-byte folding", "café", {}, "x\nCAFÉ au lait\n", true, 2, "CAFÉ au lait"},
      {"colon kept in literal", "10:30", {}, "room 1030\nmeet at 10:30\n", true, 2, "meet at 10:30"},
      {"regex alternative", "inv[o0]ice-20(24|25)", {.regex = true}, "invoice-2023\ninv0ice-2025 due\n", true, 2,
       "inv0ice-2025 due"},
      {"regex other year misses", "inv[o0]ice-20(24|25)", {.regex = true}, "invoice-2023 old\n", false, 0, ""},
      {"regex case-blind", "quarterl(y|ies) results?", {.regex = true}, "QUARTERLIES RESULT\n", true, 1,
       "QUARTERLIES RESULT"},
      {"regex Latin-1 letters fold", "ÉTÉ", {.regex = true}, "un été\n", true, 1, "un été"},
      {"regex anchors at line ends", "^b$", {.regex = true}, "ab\nb\nc", true, 2, "b"},
      {"regex never spans a line", "a.b", {.regex = true}, "a\nb\n", false, 0, ""},
      {"regex class never spans a line", "a[^x]b", {.regex = true}, "a\nb\n", false, 0, ""},
      {"regex empty match is no match", "x*", {.regex = true}, "abc\n", false, 0, ""},
      {"whole word misses inside a word", "cat", {.whole = true}, "concatenate these\n", false, 0, ""},
      {"whole word at a full stop", "cat", {.whole = true}, "concatenate\nthe cat.\n", true, 2, "the cat."},
      {"whole word at line start", "cat", {.whole = true}, "cat food\n", true, 1, "cat food"},
      {"whole word: accented letters are letters", "caf", {.whole = true}, "café\n", false, 0, ""},
      {"whole word regex", "ca[tr]", {.regex = true, .whole = true}, "scar\nthe car\n", true, 2, "the car"},
      {"all words any order", "harbour survey", {.all = true}, "a survey\nof the harbour\n", true, 1, "a survey"},
      {"all words: one missing", "harbour survey", {.all = true}, "the harbour alone\n", false, 0, ""},
      {"all words as patterns", "har.our sur(vey)?", {.regex = true, .all = true}, "x\nsur\nharbour\n", true, 2,
       "sur"},
      {"all words, whole", "cat dog", {.whole = true, .all = true}, "dog\nconcatenate\n", false, 0, ""},
      {"no line end at the end", "end", {}, "a\nb\nthe end", true, 3, "the end"},
      {"carriage return dropped", "two", {}, "one\r\ntwo\r\n", true, 2, "two"},
  };
  for (const Case& c : cases) {
    const TPatternMatcher matcher(MakeSetup(c.pattern, c.mode));
    for (std::size_t piece : {std::size_t{0}, std::size_t{1}, std::size_t{3}}) {
      SCOPED_TRACE(std::string(c.what) + ", pieces of " + std::to_string(piece));
      bool matched = false;
      const std::vector<TextMatch> lines = Feed(matcher, c.text, piece, &matched);
      EXPECT_EQ(matched, c.match);
      EXPECT_EQ(matcher.MatchesField(c.text), c.match);
      if (!c.match) continue;
      ASSERT_FALSE(lines.empty());
      EXPECT_EQ(lines[0].line, c.line);
      EXPECT_EQ(lines[0].text, c.lineText);
    }
  }
}

TEST(PatternMatcher, BadPatternGivesTheEngineMessage) {
  for (const char* bad : {"(", "a)", "[z-a]", "x{2,1}"}) {
    SCOPED_TRACE(bad);
    try {
      TPatternMatcher matcher(MakeSetup(bad, {.regex = true}));
      ADD_FAILURE() << "compiled";
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find("regular expression"), std::string::npos);
    }
  }
  // The same characters as a literal are fine.
  EXPECT_NO_THROW(TPatternMatcher(MakeSetup("(", {})));
  EXPECT_NO_THROW(TPatternMatcher(MakeSetup("(", {.whole = true})));
}

TEST(PatternMatcher, HostilePatternIsLinear) {
  const TPatternMatcher matcher(MakeSetup("(a|aa)*b", {.regex = true}));
  bool matched = true;
  Feed(matcher, std::string(4 << 20, 'a'), 65536, &matched);
  EXPECT_FALSE(matched);
}

TEST(PatternMatcher, PlacesFollowParts) {
  const TPatternMatcher matcher(MakeSetup("quarterly", {}, 5));
  auto sink = matcher.NewSink();
  sink->BeginPart(PartKind::Page, 1, "");
  sink->Append("cover\nquarterly");  // unfinished line ends with its page
  sink->BeginPart(PartKind::Page, 2, "");
  sink->Append("x\ny\nthe quarterly results\nz\n");
  sink->BeginPart(PartKind::Sheet, 3, "One");
  sink->Append("a\tquarterly\n");
  sink->BeginPart(PartKind::Slide, 4, "");
  sink->Append("\n\nQuarterly");
  EXPECT_TRUE(sink->Finish());
  const std::vector<TextMatch>& m = *MatchesOf(*sink);
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(PlaceText(m[0]), "p. 1");
  EXPECT_EQ(m[0].line, 2u);
  EXPECT_EQ(PlaceText(m[1]), "p. 2");
  EXPECT_EQ(m[1].line, 3u);
  EXPECT_EQ(PlaceText(m[2]), "sheet One, line 1");
  EXPECT_EQ(PlaceText(m[3]), "slide 4");
  EXPECT_EQ(m[3].line, 3u);
}

TEST(PatternMatcher, StopsAtTheLinesWanted) {
  const TPatternMatcher one(MakeSetup("x", {}));
  auto sink = one.NewSink();
  EXPECT_FALSE(sink->Append("a x\nb x\n"));  // decided: no more text wanted
  const TPatternMatcher three(MakeSetup("x", {}, 3));
  auto more = three.NewSink();
  EXPECT_TRUE(more->Append("a x\nb x\n"));
  EXPECT_FALSE(more->Append("x\nx\n"));
  EXPECT_EQ(MatchesOf(*more)->size(), 3u);
  EXPECT_EQ(MatchesOf(*more)->at(2).line, 3u);
}

TEST(PatternMatcher, LongLinesAreCutAroundTheMatch) {
  const std::string line = std::string(5000, 'a') + "NEEDLE" + std::string(5000, 'b');
  const TPatternMatcher matcher(MakeSetup("needle", {}));
  bool matched = false;
  const std::vector<TextMatch> m = Feed(matcher, "x\n" + line + "\n", 0, &matched);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_LE(m[0].text.size(), kMatchLineWidth + 6);
  EXPECT_EQ(m[0].text.substr(0, 3), "...");
  EXPECT_EQ(m[0].text.substr(m[0].text.size() - 3), "...");
  ASSERT_EQ(m[0].spans.size(), 1u);
  EXPECT_EQ(m[0].text.substr(m[0].spans[0].first, 6), "NEEDLE");
}

TEST(PatternMatcher, SpansHighlightEveryWord) {
  const TPatternMatcher matcher(MakeSetup("harbour survey", {.all = true}));
  bool matched = false;
  const std::vector<TextMatch> m = Feed(matcher, "survey of the harbour, survey\n", 0, &matched);
  ASSERT_TRUE(matched);
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> want{{0, 6}, {14, 21}, {23, 29}};
  EXPECT_EQ(m[0].spans, want);
}

TEST(TextMatch, CutKeepsCharactersWhole) {
  // Two-byte letters all along: the cut never splits one.
  std::string line;
  for (int i = 0; i < 400; ++i) line += "é";
  TextMatch m;
  CutMatchLine(line, 300, 302, {{300, 302}}, m);
  const std::string body = m.text.substr(3, m.text.size() - 6);
  EXPECT_EQ(body.size() % 2, 0u);
  EXPECT_EQ(static_cast<unsigned char>(body[0]), 0xC3);
}

TEST(TextMatch, ReportLineAndCount) {
  EXPECT_EQ(ReportLineText(std::string("a\tb\x01\x7f" "c\x1b")), "a\tb??c?");
  std::string text(1000, 'x');
  for (std::size_t i = 0; i < text.size(); i += 7) text[i] = '\n';
  EXPECT_EQ(CountLineFeeds(text.data(), text.size()), 143u);
  EXPECT_EQ(CountLineFeeds(text.data() + 1, 63), 9u);
}

}  // namespace
}  // namespace tessaly::engine
