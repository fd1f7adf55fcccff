// The console search's command line and the window's field rules.
#include <gtest/gtest.h>

#include "console/ConsoleMain.h"
#include "console/SearchOptions.h"

using namespace tessaly::console;
using tessaly::engine::SizeKind;

namespace {

SearchOptions Parse(std::vector<std::string> args) { return ParseSearchOptions(args); }

TEST(SearchOptions, DefaultsAreTheWindowsDefaults) {
  SearchOptions o = Parse({});
  EXPECT_EQ(o.criteria.typeText, "PDF;DOC;RTF;TXT;XLS;PPT;HTM;ODT;ODS;ODP;EPUB");
  EXPECT_TRUE(o.criteria.fuzzy);
  EXPECT_TRUE(o.criteria.listFolders);
  EXPECT_EQ(o.criteria.contentField, "Full-Text");
  EXPECT_FALSE(o.locationGiven);
  EXPECT_TRUE(o.criteria.archiveFormats[3]);  // Zoo
  EXPECT_FALSE(o.criteria.archiveFormats[0]);
}

TEST(SearchOptions, FieldRules) {
  // The colon is dropped from the name, as the window's name field never
  // receives it; the text to find keeps it (10:30, a URL, a pattern).
  EXPECT_EQ(Parse({"-n", "c:\\docs"}).criteria.nameText, "c\\docs");
  EXPECT_EQ(Parse({"-c", "10:30"}).criteria.containsText, "10:30");
  // A dot in the name moves the rest into the types, upper-cased.
  SearchOptions o = Parse({"-n", "report.pdf"});
  EXPECT_EQ(o.criteria.nameText, "report");
  EXPECT_EQ(o.criteria.typeText, "PDF");
  // a.b.txt leaves B.TXT in the types, which holds a dot: refused.
  EXPECT_THROW(Parse({"-n", "a.b.txt"}), UsageError);
  try {
    Parse({"-t", "P.DF"});
    FAIL();
  } catch (const UsageError& e) {
    EXPECT_STREQ(e.what(), ". is not allowed here!");
  }
  EXPECT_EQ(Parse({"-t", "pdf;doc"}).criteria.typeText, "PDF;DOC");
}

TEST(SearchOptions, MatchModes) {
  const SearchOptions plain = Parse({"-c", "x"});
  EXPECT_FALSE(plain.criteria.regex || plain.criteria.wholeWords || plain.criteria.allWords);
  EXPECT_EQ(plain.matchLines, 0u);
  EXPECT_EQ(plain.criteria.matchLines, 1u);  // the first match is always kept
  const SearchOptions o = Parse({"--regex", "-w", "--all-words", "--matches"});
  EXPECT_TRUE(o.criteria.regex && o.criteria.wholeWords && o.criteria.allWords);
  EXPECT_EQ(o.matchLines, 5u);
  EXPECT_EQ(Parse({"--whole-words"}).criteria.wholeWords, true);
  EXPECT_EQ(Parse({"--max-matches", "12"}).criteria.matchLines, 12u);
  for (const char* bad : {"0", "201", "x", ""}) EXPECT_THROW(Parse({"--max-matches", bad}), UsageError) << bad;
}

TEST(SearchOptions, FiltersAndArchives) {
  SearchOptions o = Parse({"--bigger-or-equal", "100", "--date", "modified", "--between", "2024-01-02",
                           "2024-02-29", "-a", "zip,TAR"});
  EXPECT_TRUE(o.criteria.sizeFilter.enabled);
  EXPECT_EQ(o.criteria.sizeFilter.kind, SizeKind::AtLeast);
  EXPECT_EQ(o.criteria.sizeFilter.limit, 100);
  EXPECT_TRUE(o.criteria.dateFilter.enabled);
  EXPECT_EQ(o.criteria.dateFilter.date2.day, 29);
  EXPECT_TRUE(o.criteria.archiveFormats[0]);
  EXPECT_TRUE(o.criteria.archiveFormats[5]);
  EXPECT_FALSE(o.criteria.archiveFormats[3]);  // the list replaces the default
  for (bool f : Parse({"-a", "all"}).criteria.archiveFormats) EXPECT_TRUE(f);
  for (bool f : Parse({"-a", "none"}).criteria.archiveFormats) EXPECT_FALSE(f);
  const auto added = Parse({"-a", "7z,ISO,gz,sfx"}).criteria;
  for (auto f : {tessaly::engine::ArchiveFormat::SevenZip, tessaly::engine::ArchiveFormat::Iso, tessaly::engine::ArchiveFormat::Gz,
                 tessaly::engine::ArchiveFormat::Sfx})
    EXPECT_TRUE(added.formatEnabled(f));
  EXPECT_FALSE(added.formatEnabled(tessaly::engine::ArchiveFormat::Tar));
  EXPECT_EQ(Parse({}).criteria.jobs, 0u);  // one per core
  EXPECT_EQ(Parse({"--jobs", "1"}).criteria.jobs, 1u);
  EXPECT_EQ(Parse({"-j", "64"}).criteria.jobs, 64u);
  EXPECT_EQ(Parse({}).criteria.pdfText, tessaly::engine::PdfTextRoute::Helper);
  EXPECT_EQ(Parse({"--pdf-text", "pdftotext"}).criteria.pdfText, tessaly::engine::PdfTextRoute::Pdftotext);
  EXPECT_EQ(Parse({"--pdf-text", "helper"}).criteria.pdfText, tessaly::engine::PdfTextRoute::Helper);
  EXPECT_EQ(Parse({}).criteria.walkThreads, 0u);  // by the file system
  EXPECT_EQ(Parse({"--walk-threads", "16"}).criteria.walkThreads, 16u);
  EXPECT_EQ(Parse({}).criteria.walkTimeoutSeconds, 30);
  EXPECT_EQ(Parse({"--walk-timeout", "2"}).criteria.walkTimeoutSeconds, 2);
}

TEST(SearchOptions, BadInputIsAUsageError) {
  const std::vector<std::vector<std::string>> bad = {
      {"--bogus"},
      {"-l"},                                  // missing value
      {"--smaller-or-equal", "12k"},           // not a whole number
      {"--smaller-or-equal", "99999999999999999999"},  // beyond 64 bits
      {"--date", "modified"},                  // no relation
      {"--after", "2024-01-01"},               // no date kind
      {"--date", "born", "--same", "2024-01-01"},
      {"--date", "created", "--same", "2023-02-29"},  // no such day
      {"--date", "created", "--same", "24-1-1"},
      {"-a", "zip,jar"},
      {"--sort", "date"},
      {"--descending"},
      {"--jobs", "0"},
      {"--jobs", "65"},
      {"-j", "2x"},
      {"--pdf-text", "poppler"},
      {"--walk-threads", "0"},
      {"--walk-threads", "65"},
      {"--walk-timeout", "0"},
      {"--walk-timeout", "-5"},
      {"--walk-timeout"},
  };
  for (const auto& args : bad) EXPECT_THROW(Parse(args), UsageError) << args[0];
}

TEST(ConsoleInvocation, TheWindowKeepsFoldersAndItsOwnOptions) {
  const std::pair<std::vector<std::string>, bool> cases[] = {
      {{}, false},
      {{"/srv/a", "b"}, false},                     // folders open the window
      {{"--search-now", "a", "--choose-folder"}, false},
      {{"-platform", "offscreen", "a"}, false},     // Qt's own options
      {{"--", "--search"}, false},                  // after "--" a folder named --search
      {{"--search", "-l", "a"}, true},
      {{"a", "--details"}, true},
      {{"--search-now", "--bogus"}, true},          // the console answers an unknown option
      {{"-h"}, true},
  };
  for (const auto& [args, console] : cases) {
    std::vector<std::string> words{"tessaly"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    EXPECT_EQ(IsConsoleInvocation(static_cast<int>(argv.size()), argv.data()), console) << words.size();
  }
}

}  // namespace
