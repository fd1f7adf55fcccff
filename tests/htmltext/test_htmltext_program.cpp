// End-to-end tests of the htmltext program: the built binary runs in a
// temporary folder, and its console output, exit status and files are checked.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/htmltext/ArgumentExpansion.h"

namespace tessaly::htmltext {
namespace {

namespace fs = std::filesystem;

struct TRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

class HtmlTextProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/htmltext-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    work_ = root_ / "work";
    fs::create_directory(work_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // Runs htmltext with `args` in the work folder; its standard output and
  // error go to files outside that folder.
  TRun Run(const std::vector<std::string>& args) {
    const std::string program = std::string(TESSALY_BIN_DIR) + "/htmltext";
    const fs::path outPath = root_ / "stdout", errPath = root_ / "stderr";
    const pid_t pid = fork();
    if (pid == 0) {
      if (chdir(work_.c_str()) != 0) _exit(126);
      const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (out < 0 || err < 0) _exit(126);
      dup2(out, 1);
      dup2(err, 2);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(program.c_str()));
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    TRun run;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
  }

  fs::path root_, work_;
};

const char kUsage[] =
    "In-file name needed  (optional switch) needed!\n"
    "Output file name is in-file name +.txt\n";

TEST_F(HtmlTextProgram, UsageWithoutArguments) {
  const TRun run = Run({});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, kUsage);
}

TEST_F(HtmlTextProgram, HelpShowsUsageAndSucceeds) {
  const TRun run = Run({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kUsage);
}

TEST_F(HtmlTextProgram, ConvertsToCrLfTextNextToTheInput) {
  // CR LF input: one line end each, a space outside PRE; output in CR LF.
  WriteFile(work_ / "page.html", "one\r\ntwo<br>three<pre>a\r\nb\n</pre>end");
  const TRun run = Run({"page.html"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "wandle page.html\n");
  EXPECT_EQ(ReadFile(work_ / "page.txt"), "one two\r\nthreea\r\nb\r\nend");
}

TEST_F(HtmlTextProgram, StateCarriesAcrossFiles) {
  // The first file ends inside <pre>: the second keeps its line ends up to
  // its first </pre>.
  WriteFile(work_ / "a.htm", "x<pre class=x>1");
  WriteFile(work_ / "b.htm", "2\n3</pre>4\n5");
  const TRun run = Run({"a.htm", "b.htm"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "wandle a.htm\nwandle b.htm\n");
  EXPECT_EQ(ReadFile(work_ / "a.txt"), "x1");
  EXPECT_EQ(ReadFile(work_ / "b.txt"), "2\r\n34 5");
}

TEST_F(HtmlTextProgram, PageWrittenByPandoc) {
  // A paragraph wrapped over source lines, a table whose rows carry class
  // attributes, and a code block (tests/data/htmltext/README.md).
  fs::copy_file(fs::path(TESSALY_TEST_DATA) / "htmltext" / "sample.html", work_ / "sample.html");
  ASSERT_EQ(Run({"sample.html"}).status, 0);
  const std::string text = ReadFile(work_ / "sample.txt");

  // No two words of a paragraph joined at the source's line ends.
  EXPECT_NE(text.find(" The parts below arrive in two boxes. Each box carries a label with the order number and "
                      "the date it was packed. "),
            std::string::npos);
  EXPECT_NE(text.find(" Report missing parts to the store before Friday. "), std::string::npos);
  // Each table row on a line of its own, cells ended by tabs.
  for (const char* row : {"\r\n Part\t Count\t Shelf\t \r\n", "\r\n bolt\t 40\t A3\t \r\n",
                          "\r\n washer\t 120\t B1\t \r\n", "\r\n nut\t 40\t A4\t "})
    EXPECT_NE(text.find(row), std::string::npos) << row;
  // The code block's lines with their spaces.
  EXPECT_NE(text.find("count --shelf A3  --verbose\r\ntotal=$((bolts + nuts))\r\n  echo &quot;done&quot;"),
            std::string::npos);
}

TEST_F(HtmlTextProgram, DottedFolderKeepsTheOutputBesideItsInput) {
  fs::create_directory(work_ / "site.old");
  WriteFile(work_ / "site.old" / "PAGE.HTM", "<b>Hi</b>");
  WriteFile(work_ / "site.txt", "keep me");
  const TRun run = Run({"site.old/PAGE.HTM"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ReadFile(work_ / "site.old" / "PAGE.txt"), " Hi ");
  EXPECT_EQ(ReadFile(work_ / "site.txt"), "keep me");
}

TEST_F(HtmlTextProgram, SkipsWhatCannotBeConverted) {
  fs::create_directory(work_ / "folder.htm");
  fs::create_directory(work_ / "blocked.txt");
  WriteFile(work_ / "blocked.htm", "x");
  WriteFile(work_ / "notes.txt", "a  b");
  WriteFile(work_ / "good.htm", "ok");
  // A missing input, a folder as input, an output name held by a folder, an
  // input that is its own output name: each is passed over, the rest done.
  const TRun run = Run({"missing.htm", "folder.htm", "blocked.htm", "notes.txt", "good.htm"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "wandle missing.htm\nwandle folder.htm\nwandle blocked.htm\nwandle notes.txt\n"
            "wandle good.htm\n");
  EXPECT_FALSE(fs::exists(work_ / "missing.txt"));
  EXPECT_FALSE(fs::exists(work_ / "folder.txt"));
  EXPECT_TRUE(fs::is_directory(work_ / "blocked.txt"));
  EXPECT_EQ(ReadFile(work_ / "notes.txt"), "a  b");
  EXPECT_NE(run.err.find("notes.txt"), std::string::npos);
  EXPECT_EQ(ReadFile(work_ / "good.txt"), "ok");
}

TEST_F(HtmlTextProgram, WildcardArguments) {
  WriteFile(work_ / "b.htm", "b");
  WriteFile(work_ / "A.htm", "a");
  WriteFile(work_ / "c.HTML", "c");
  WriteFile(work_ / "other.doc", "d");
  fs::create_directory(work_ / "sub");
  WriteFile(work_ / "sub" / "y.htm", "y");
  WriteFile(work_ / "sub" / "X.htm", "x");
  // Names sorted without regard to case (the *.htm pattern also finds
  // .HTML), the folder part kept, "." and ".." left out, and a pattern that
  // matches nothing used as a name.
  const TRun run = Run({"*.htm", "sub/*", "*.none"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "wandle A.htm\nwandle b.htm\nwandle c.HTML\n"
            "wandle sub/X.htm\nwandle sub/y.htm\n"
            "wandle *.none\n");
  EXPECT_EQ(ReadFile(work_ / "A.txt"), "a");
  EXPECT_EQ(ReadFile(work_ / "c.txt"), "c");
  EXPECT_EQ(ReadFile(work_ / "sub" / "X.txt"), "x");
}

TEST(NameLessCaseBlind, Order) {
  EXPECT_TRUE(NameLessCaseBlind("A.htm", "b.htm"));
  EXPECT_TRUE(NameLessCaseBlind("a", "B"));
  EXPECT_FALSE(NameLessCaseBlind("B", "a"));
  // A prefix first; names equal but for case in byte order.
  EXPECT_TRUE(NameLessCaseBlind("ab", "ABC"));
  EXPECT_TRUE(NameLessCaseBlind("A", "a"));
  EXPECT_FALSE(NameLessCaseBlind("a", "a"));
}

}  // namespace
}  // namespace tessaly::htmltext
