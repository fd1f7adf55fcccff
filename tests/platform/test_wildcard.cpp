// Name patterns as the folder listing applies them.
#include <gtest/gtest.h>

#include "platform/Wildcard.h"

using tessaly::platform::WildcardMatch;

namespace {

struct Case {
  const char* pattern;
  const char* name;
  bool match;
};

TEST(Wildcard, Table) {
  const Case cases[] = {
      // whole name, case-blind
      {"*report*.PDF", "Annual-Report.pdf", true},
      {"*report*.PDF", "report.pdf.txt", false},
      {"report.pdf", "REPORT.PDF", true},
      {"report.pdf", "xreport.pdf", false},
      // `?` is exactly one character, also a multi-byte one
      {"a?c.txt", "abc.txt", true},
      {"a?c.txt", "ac.txt", false},
      {"a?c.txt", "a\xC3\xA9" "c.txt", true},
      // names with several dots
      {"*.tar", "backup.2024.tar", true},
      {"**.PDF", "x.pdf", true},
      {".PDF", ".pdf", true},
      {".PDF", "x.pdf", false},
      // trailing dot: names without an extension
      {"*.", "README", true},
      {"*.", "read.me", false},
      {"report.", "report", true},
      {"report.", "report2", false},
      {"**.", "Makefile", true},
      // `.*` at the end: any extension, or none
      {"*.*", "README", true},
      {"*.*", "notes.md", true},
      {"report.*", "report", true},
      {"report.*", "report2", false},
      {"README.*", "readme", true},
      // three-character extensions also find longer ones
      {"*.HTM", "page.html", true},
      {"*.DOC", "report.docx", true},
      {"*.zip", "data.zipx", true},
      {"*.zip", "backup.zip.bak", false},
      {"*.htm", "page.hxml", false},
      {"*.ht?", "page.html", false},  // a wildcard in the extension: no legacy rule
      {"*.TXT", "notes.tx", false},
      // UTF-8 letters fold
      {"*CAF\xC3\x89*.txt", "caf\xC3\xA9.txt", true},
      {"*\xD0\x9F*.txt", "\xD0\xBF.txt", true},  // Cyrillic Pe
      // bytes that are not UTF-8 match only themselves
      {"*\xE9*.txt", "caf\xE9.txt", true},
      {"*\xC9*.txt", "caf\xE9.txt", false},
      // stars everywhere
      {"*", "anything", true},
      {"a*b*c", "aXbYc", true},
      {"a*b*c", "aXbY", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " vs " << c.name;
}

TEST(Wildcard, ManyStarsStayFast) {
  // A pathological pattern must not take exponential time.
  std::string name(2000, 'a');
  EXPECT_FALSE(WildcardMatch("*a*a*a*a*a*a*a*a*a*b", name));
}

}  // namespace
