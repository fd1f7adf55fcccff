// Tests of the program's parts that the command-line tests reach only in
// part: message lookup and inserts, system error reports, output names.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tools/ravelt/Messages.h"
#include "tools/ravelt/Ravelt.h"

namespace tessaly::ravelt {
namespace {

TEST(MessagesTest, LookupByIdRange) {
  // The program's own table: ids whose bits 16 to 28 are all set.
  EXPECT_EQ(FormatModuleMessage(kMessageUsage, {"prog"}).value_or("none"),
            "Usage: prog [-vh?] [-e[ext]] [-w] [-12] [-d] file [...]\r\n");
  // In the table's range but not in the table: ids match in full.
  EXPECT_FALSE(FormatModuleMessage(0xCFFF0001u).has_value());
  EXPECT_FALSE(FormatModuleMessage(0x4FFF0003u).has_value());
  // Any other id is a system error number.
  EXPECT_EQ(FormatModuleMessage(2).value_or("none"), "No such file or directory\n");
  EXPECT_EQ(FormatModuleMessage(0x4FFE0001u).value_or("none"), "none");
  EXPECT_FALSE(FormatModuleMessage(99999).has_value());
}

TEST(MessagesTest, HelpInserts) {
  // A missing insert gives nothing; the texts of inserts are not expanded again.
  const std::string help = FormatModuleMessage(kMessageHelp, {"%2", "100% sure"}).value_or("");
  EXPECT_EQ(help.substr(0, help.find("This program")), "ravelt %2\r\n100% sure\r\n");
  EXPECT_NE(help.find("\r\n\r\n\r\nOptions: -v"), std::string::npos);
}

TEST(MessagesTest, ReportAndTrace) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* stream = open_memstream(&buffer, &size);
  ASSERT_NE(stream, nullptr);
  TConsole console(stream, stream);
  console.ReportSystemError(13);
  console.ReportSystemError(99999);  // no text for it: the number alone
  console.DebugLog("not in debug mode");
  console.SetDebug(true);
  console.DebugLog("\nvalue %d of %s", 5, "100%");
  std::fclose(stream);
  EXPECT_EQ(std::string(buffer, size), "Error 13: Permission denied\nError 99999: \nravelt(debug): value 5 of 100%\n");
  std::free(buffer);
}

struct NameCase {
  const char* path;
  const char* extension;
  int i;
  const char* name;
};

const NameCase kNameCases[] = {
    // The first candidate, then numbered ones.
    {"a.rtf", "txt", 0, "a.txt"},
    {"a.rtf", "txt", 1, "a (1).txt"},
    {"a.rtf", "txt", 99, "a (99).txt"},
    // The folder part is dropped: outputs go to the current folder.
    {"dir/report.rtf", "doc", 0, "report.doc"},
    // Only the last dot of the last component cuts; a dot in the folder does not.
    {"dir.x/name.v1.rtf", "txt", 0, "name.v1.txt"},
    {"dir.x/name", "txt", 2, "name (2).txt"},
    // A name that begins with its only dot.
    {".hidden", "txt", 0, ".txt"},
    // An empty extension keeps the dot.
    {"a.rtf", "", 0, "a."},
};

TEST(OutputCandidateTest, Names) {
  for (const NameCase& c : kNameCases)
    EXPECT_EQ(OutputCandidate(c.path, c.extension, c.i), c.name) << c.path << " " << c.i;
}

}  // namespace
}  // namespace tessaly::ravelt
