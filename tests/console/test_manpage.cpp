// The options `tessaly --help` lists are the ones its man page documents
// and its bash completion offers: each text is read as it is shipped and its
// option names (-x, --word) are compared, so an option added to one text
// and forgotten in another fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "RunTessaly.h"

namespace tessaly::test {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every option name in `text`: a "-" or "--" and a letter, then letters,
// digits and inner hyphens, standing after a blank, a line start or one of
// ( [ | * , and ending the word (so "xdg-open" and "YYYY-MM-DD" are none).
std::set<std::string> OptionNames(const std::string& text) {
  static const std::regex option(R"((?:^|[\s(\[|*,])(--?[A-Za-z][A-Za-z0-9]*(?:-[A-Za-z0-9]+)*)(?=$|[\s)\]|*,.=;]))");
  std::set<std::string> names;
  for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it) names.insert((*it)[1]);
  return names;
}

std::string Joined(const std::set<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += name + " ";
  return text;
}

TEST(ManPage, OptionNamesAreReadFromEachKindOfText) {
  struct Case {
    const char* text;
    std::set<std::string> names;
  };
  const Case cases[] = {
      {"  -l, --location TEXT   folders", {"-l", "--location"}},
      {"*--smaller-or-equal* _N_, *--bigger-or-equal* _N_", {"--smaller-or-equal", "--bigger-or-equal"}},
      {"[--descending] | --after D", {"--descending", "--after"}},
      {"xdg-open and YYYY-MM-DD and x--y", {}},
      {"-j --jobs\n  -o", {"-j", "--jobs", "-o"}},
  };
  for (const Case& c : cases) EXPECT_EQ(OptionNames(c.text), c.names) << c.text;
}

TEST(ManPage, HelpManPageAndCompletionNameTheSameOptions) {
  const RunResult help = Tessaly({"--help"});
  ASSERT_EQ(help.status, 0);
  const std::set<std::string> helpNames = OptionNames(help.out);
  ASSERT_GT(helpNames.size(), 20u);
  const std::string dist = std::string(TESSALY_TEST_DATA) + "/../../dist";
  // -h is the short form of --help, which the help text names alone; "--"
  // ends the window's options.
  std::set<std::string> manNames = OptionNames(ReadFile(dist + "/man/tessaly.1.scd"));
  manNames.erase("-h");
  // The completion's option lists are the strings it assigns to *_opts.
  const std::string completion = ReadFile(dist + "/completion/tessaly.bash");
  static const std::regex list(R"re(_opts="([^"]*)")re");
  std::string offered;
  for (std::sregex_iterator it(completion.begin(), completion.end(), list), end; it != end; ++it)
    offered += " " + (*it)[1].str();
  const std::set<std::string> completionNames = OptionNames(offered);
  const std::set<std::string>* const texts[] = {&manNames, &completionNames};
  for (const std::set<std::string>* names : texts) {
    std::set<std::string> missing, extra;
    for (const std::string& n : helpNames)
      if (!names->count(n)) missing.insert(n);
    for (const std::string& n : *names)
      if (!helpNames.count(n)) extra.insert(n);
    const char* which = names == &manNames ? "man page" : "bash completion";
    EXPECT_TRUE(missing.empty()) << which << " lacks " << Joined(missing);
    EXPECT_TRUE(extra.empty()) << which << " has options --help does not list: " << Joined(extra);
  }
}

}  // namespace
}  // namespace tessaly::test
