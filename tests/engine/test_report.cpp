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

}  // namespace
