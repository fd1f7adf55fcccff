// The report file, byte for byte.
#include <gtest/gtest.h>

#include <sstream>

#include "engine/Report.h"

using namespace tessaly::engine;

namespace {

std::string Lines(std::initializer_list<std::string> lines) {
  std::string out;
  std::size_t i = 0;
  for (const auto& l : lines) out += l + (++i < lines.size() ? "\r\n" : "");
  return out;
}

TEST(Report, TheTwoRowExample) {
  ResultStore s;
  s.AddHit({"tax2004.pdf", "15 Kb", "/docs"});
  s.AddHit({"taxes", "[folder]", "/old"});
  std::ostringstream out;
  ASSERT_TRUE(WriteReport(out, {"/docs;/", "tax", "", "Full-Text", "PDF;DOC", true}, s));
  const std::string rule(38, '-');
  EXPECT_EQ(out.str(), Lines({"Search results:", "", "/docs", "/", "", "Search wildcards: [*tax*]", "",
                              "File types: PDF;DOC", "", rule, "FileName      FileSize       Location", rule,
                              "tax2004.pdf   15 Kb          /docs", "taxes         [folder]       /old", "", rule,
                              "Total files & directories found: 2"}));
}

TEST(Report, ShortNamesEmptyNameAndFilterLine) {
  ResultStore s;
  s.AddHit({"a", "1 b", "/x"});
  std::ostringstream out;
  WriteReport(out, {"/x;", "", "café", "Author", "", false}, s);
  // name width 4, size width 10: the header pads "FileName" by nothing.
  const std::string rule(23, '-');
  EXPECT_EQ(out.str(), Lines({"Search results:", "", "/x", "", "", "Search wildcards: [everything]", "",
                              "Search filter: contain [café] in Author", "", rule, "FileNameFileSize  Location",
                              rule, "a   1 b       /x", "", rule, "Total files found: 1"}));
}

TEST(Report, EmptyStoreStillWritesTheFrame) {
  ResultStore s;
  std::ostringstream out;
  WriteReport(out, {"/", "", "", "Full-Text", "TXT", true}, s);
  EXPECT_NE(out.str().find("Total files & directories found: 0"), std::string::npos);
  EXPECT_NE(out.str().back(), '\n');
}

TEST(Report, UnreadableDocumentsFollowTheTotal) {
  ResultStore s;
  s.AddHit({"a", "1 b", "/x"});
  UnreadableList list;
  list.Add("/x/locked.pdf", UnreadableCause::PasswordRequired);
  list.Add("/x/tab\tname.doc", UnreadableCause::Damaged);
  std::ostringstream out;
  WriteReport(out, {"/x", "", "", "Full-Text", "", false}, s, &list);
  const std::string text = out.str();
  const std::string tail = "Total files found: 1\r\n\r\nDocuments that could not be read: 2\r\n"
                           "password required   /x/locked.pdf\r\n"
                           "damaged             /x/tab\tname.doc";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << "names kept as they are";

  // Nothing unreadable: the report ends with its total, as before.
  std::ostringstream plain;
  UnreadableList none;
  WriteReport(plain, {"/x", "", "", "Full-Text", "", false}, s, &none);
  EXPECT_EQ(plain.str().substr(plain.str().size() - 20), "Total files found: 1");
}

TEST(UnreadableList, CountsEveryEntryKeepsTenThousand) {
  UnreadableList list;
  EXPECT_EQ(list.SummaryLine(), "");
  list.Add("/a", UnreadableCause::TimedOut);
  EXPECT_EQ(list.SummaryLine(), "Could not read 1 document: 1 timed out");
  for (int i = 0; i < 10'005; ++i)
    list.Add("/p" + std::to_string(i), i % 3 ? UnreadableCause::Damaged : UnreadableCause::PasswordRequired);
  EXPECT_EQ(list.Total(), 10'006u);
  EXPECT_EQ(list.Kept().size(), UnreadableList::kMaxKept);
  EXPECT_EQ(list.NotKept(), 6u);
  EXPECT_EQ(list.SummaryLine(), "Could not read 10006 documents: 3335 password required, 6670 damaged, 1 timed out");
  const std::string text = list.ListText();
  EXPECT_EQ(text.substr(0, 13), "timed out\t/a\n");
  EXPECT_EQ(text.substr(text.size() - 15), "... and 6 more\n");
}

}  // namespace

namespace {

TEST(Report, MatchingLinesUnderEachHit) {
  ResultStore s;
  ItemData memo{"memo.txt", "1 Kb", "/d"};
  TextMatch first, second;
  first.line = 3;
  first.text = "the quarterly\tresults\x01";
  second.partKind = tessaly::extract::PartKind::Sheet;
  second.part = 1;
  second.partName = "One";
  second.line = 2;
  second.text = "quarterly";
  memo.Matches = {first, second};
  s.AddHit(memo);
  s.AddHit({"plain.txt", "1 Kb", "/d"});
  const ReportConditions with{"/d", "", "quarterly", "Full-Text", "TXT", true, 1};
  std::ostringstream out;
  WriteReport(out, with, s);
  // One line asked for: the first; control characters but the tab as `?`.
  EXPECT_NE(out.str().find("memo.txt    1 Kb       /d\r\n\tline 3: the quarterly\tresults?\r\nplain.txt"),
            std::string::npos)
      << out.str();
  std::ostringstream two, none;
  WriteReport(two, {"/d", "", "quarterly", "Full-Text", "TXT", true, 5}, s);
  EXPECT_NE(two.str().find("?\r\n\tsheet One, line 2: quarterly\r\nplain.txt"), std::string::npos) << two.str();
  // Without the option the rows stand alone, as always.
  WriteReport(none, {"/d", "", "quarterly", "Full-Text", "TXT", true}, s);
  EXPECT_EQ(none.str().find('\t'), std::string::npos);
}

}  // namespace
