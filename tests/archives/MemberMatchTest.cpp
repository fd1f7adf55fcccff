// Member-name masks, size texts and member-name decoding.
#include "archives/MemberMatch.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "archives/ArchiveMember.h"

namespace tessaly::archives {
namespace {

struct MatchCase {
  const char* name;
  const char* pattern;
  bool matches;
};

TEST(MemberNameMatches, Table) {
  const MatchCase cases[] = {
      {"docs/report.pdf", "*report*.pdf", true},   // `*` runs over `/`
      {"docs/report.pdf", "report.pdf", false},    // the whole name must match
      {"Docs/Report.PDF", "*report*.pdf", true},   // A-Z without regard to case
      {"readme", "*", true},                       // `*.*` is dispatched as `*`
      {"", "*", true},                             // `*` matches the empty text
      {"docs/readme", "*readme*.*", true},         // `.*` also takes a last part without a dot
      {"docs.v2/readme", "*readme*.*", true},      // ... a dot in a folder does not count
      {"docs/readme.md", "*readme*.*", true},
      {"docs/readme", "*readme*.txt", false},
      {"", "?", false},
      {"ab", "a?", true},
      {"a", "a?", false},
      {"abc", "*?", true},                         // `*?` behaves as `*`
      {"", "*?", true},
      {"", "*??", true},                           // every `?` after `*` is dropped
      {"abcabd", "*abd", true},                    // backtracking to the last `*`
      {"xbc", "[!a-c]*", true},                    // a negated range
      {"Bcd", "[!a-c]*", false},                   // sets fold A-Z too
      {"bcd", "[a-c]*", true},
      {"café.txt", "caf?.txt", true},              // `?` takes one UTF-8 character
      {"É.txt", "é.txt", false},                   // only A-Z fold
      {"q", "[qa]", true},
      {"b", "[c-ab]", true},                       // a falling range adds nothing, `b` still counts
      {"z", "[z-a]", true},                        // ... and its start character stays in the set
      {"y", "[z-a]", false},
  };
  for (const auto& c : cases) {
    bool got = false;
    try {
      got = MemberNameMatches(c.name, c.pattern);
    } catch (const std::exception&) {
      got = false;
    }
    EXPECT_EQ(got, c.matches) << c.name << " ~ " << c.pattern;
  }
}

struct InvalidCase {
  const char* pattern;
  const char* message;
};

TEST(MemberNameMatches, InvalidMasks) {
  const InvalidCase cases[] = {
      {"[abc", "'[abc' is an invalid mask at (5)"},                 // set not closed
      {"x[-a]", "'x[-a]' is an invalid mask at (3)"},               // set starts with `-`
      {"[!-a]", "'[!-a]' is an invalid mask at (3)"},               // after the `!` too
      {"[!]", "'[!]' is an invalid mask at (3)"},                   // names no character
      {"[]", "'[]' is an invalid mask at (2)"},
      {"[a-", "'[a-' is an invalid mask at (4)"},                   // range end missing
      {"[a-]x", "'[a-]x' is an invalid mask at (6)"},               // `]` ends the range, not the set
      {"é[", "'é[' is an invalid mask at (3)"},                     // positions count characters
  };
  for (const auto& c : cases) {
    try {
      MemberNameMatches("abc", c.pattern);
      ADD_FAILURE() << c.pattern << " was accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), c.message) << c.pattern;
    }
  }
}

TEST(MemberNameMatches, StarRunLimit) {
  // 30 runs of `*` are allowed (a run and the `?` after it count once).
  std::string thirty, thirtyOne;
  for (int i = 0; i < 30; ++i) thirty += "*?*a";
  EXPECT_TRUE(MemberNameMatches(std::string(30, 'a'), thirty));
  for (int i = 0; i < 31; ++i) thirtyOne += "*a";
  try {
    MemberNameMatches("a", thirtyOne);
    ADD_FAILURE() << "31 runs accepted";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), ("'" + thirtyOne + "' is an invalid mask at (62)").c_str());
  }
}

TEST(MemberSizeText, Table) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0 b"},           {1000, "1000 b"},        {1001, "1 Kb"},
      {999999, "999 Kb"},   {1000000, "1000 Kb"},    {1000001, "1 Mb"},
      {4294967295u, "4294 Mb"},
      {5000000000ull, "5000 Mb"},  // 64-bit sizes keep the units: no "Gb"
  };
  for (const auto& [size, text] : cases) EXPECT_EQ(MemberSizeText(size), text) << size;
}

TEST(MemberNameText, SeparatorsAndCodePage) {
  EXPECT_EQ(MemberNameText("a\\b\\c.txt"), "a/b/c.txt");
  EXPECT_EQ(MemberNameText("caf\xE9"), "café");                // Windows-1252
  EXPECT_EQ(MemberNameText("caf\xC3\xA9"), "café");            // valid UTF-8 stays
  EXPECT_EQ(MemberNameText("\x80\x81"), "€\xC2\x81");          // 0x81 has no glyph
  EXPECT_EQ(MemberNameText(std::string("ab\0cd", 5)), "ab");   // text ends at a NUL
}

}  // namespace
}  // namespace tessaly::archives
