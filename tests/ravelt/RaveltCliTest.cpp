// Tests of the ravelt program's command line, run as a child process in a
// fresh folder: options, messages, exit statuses, output naming, debug
// trace, wildcards and per-file failures.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct RunResult {
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

const std::string kUsage = "Usage: ravelt [-vh?] [-e[ext]] [-w] [-12] [-d] file [...]\r\n";
const std::string kDocument = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello caf\\'e9\\par World\\par}";
const std::string kText = "Hello caf\xC3\xA9\r\nWorld\r\n";

class RaveltCli : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = fs::temp_directory_path() / ("ravelt-cli-" + std::to_string(getpid()) + "-" + info->name());
    fs::remove_all(root_);
    work_ = root_ / "work";
    fs::create_directories(work_);
    fs::create_directories(root_ / "capture");
  }
  void TearDown() override { fs::remove_all(root_); }

  // Runs ravelt with `args` in the work folder.
  RunResult Ravelt(const std::vector<std::string>& args) {
    const std::string program = std::string(TESSALY_BIN_DIR) + "/ravelt";
    const std::string outPath = (root_ / "capture" / "out").string();
    const std::string errPath = (root_ / "capture" / "err").string();
    std::vector<std::string> words{"ravelt"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, work_.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    RunResult run;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
      int wstatus = 0;
      waitpid(pid, &wstatus, 0);
      run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
  }

  fs::path root_, work_;
};

TEST_F(RaveltCli, UnknownOptionStopsEverything) {
  WriteFile(work_ / "a.rtf", kDocument);
  const RunResult r = Ravelt({"-x", "a.rtf"});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "-x: Unknown option.\n" + kUsage);
  EXPECT_EQ(r.out, "");
  // Also after a valid option: nothing is converted to a file.
  const RunResult r2 = Ravelt({"-e", "-xyz", "a.rtf"});
  EXPECT_EQ(r2.status, 255);
  EXPECT_EQ(r2.err, "-xyz: Unknown option.\n" + kUsage);
  EXPECT_FALSE(fs::exists(work_ / "a.txt"));
}

TEST_F(RaveltCli, HelpEndsAtOnce) {
  const std::string help =
      "ravelt $Revision: 1.1 $\r\n"
      "Part of Tessaly; converts RTF files to plain text with its own RTF engine.\r\n"
      "This program requires RICHED32.DLL (or RICHED20.DLL) installed.\r\n"
      "\r\n" +
      kUsage +
      "\r\n"
      "Options: -v       Displays the version.\r\n"
      "         -h|-?    Shows this help.\r\n"
      "         -e[ext]  Extension for output files. default is \"txt\".\r\n"
      "         -w       Overwrites output files.\r\n"
      "         -1|-2    Forces to use the specified version of Rich Edit Control.\r\n"
      "                  -1: Uses RICHED32.DLL and RICHEDIT window class.\r\n"
      "                  -2: Uses RICHED20.DLL and RichEdit20A window class.\r\n"
      "         -d       Debug mode. Gives verbose output, but no conversion will be\r\n"
      "                  actually done.\r\n";
  // Later words are not looked at, not even an unknown option.
  for (const char* option : {"-h", "-?", "-H", "/?"}) {
    const RunResult r = Ravelt({option, "-x"});
    EXPECT_EQ(r.status, 0) << option;
    EXPECT_EQ(r.out, help) << option;
    EXPECT_EQ(r.err, "") << option;
  }
}

TEST_F(RaveltCli, VersionLine) {
  const RunResult r = Ravelt({"-v", "-x"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "ravelt revision 1.1, the RTF-to-text converter of Tessaly\n");
}

TEST_F(RaveltCli, NoFileArgument) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, std::vector<std::string>{"-d", "-e"}}) {
    const RunResult r = Ravelt(args);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, kUsage);
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(RaveltCli, TextToStandardOutput) {
  // tessaly's way: one path, no options, the text on standard output. A
  // full path begins with "/" and is still a file, not an option.
  WriteFile(work_ / "a.rtf", kDocument);
  const RunResult r = Ravelt({(work_ / "a.rtf").string()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kText);
  EXPECT_EQ(r.err, "");
}

TEST_F(RaveltCli, PercentPassesUnchanged) {
  WriteFile(work_ / "p.rtf", "{\\rtf1 100%s of %d %% %n\\par}");
  const RunResult r = Ravelt({"p.rtf"});
  EXPECT_EQ(r.out, "100%s of %d %% %n\r\n");
}

TEST_F(RaveltCli, OutputNamesCountUp) {
  WriteFile(work_ / "a.rtf", kDocument);
  const RunResult first = Ravelt({"-e", "a.rtf"});
  EXPECT_EQ(first.out, "a.rtf -> a.txt\n");
  const RunResult second = Ravelt({"-e", "a.rtf"});
  EXPECT_EQ(second.out, "a.rtf -> a (1).txt\n");
  EXPECT_EQ(ReadFile(work_ / "a.txt"), kText);
  EXPECT_EQ(ReadFile(work_ / "a (1).txt"), kText);
  // The output lands in the current folder, not beside the input.
  fs::create_directories(work_ / "sub");
  WriteFile(work_ / "sub" / "b.x.rtf", kDocument);
  const RunResult third = Ravelt({"-etext", "sub/b.x.rtf"});
  EXPECT_EQ(third.out, "sub/b.x.rtf -> b.x.text\n");
  EXPECT_TRUE(fs::exists(work_ / "b.x.text"));
}

TEST_F(RaveltCli, OverwriteReplaces) {
  WriteFile(work_ / "a.rtf", kDocument);
  WriteFile(work_ / "a.doc", "old content that is longer than the new text");
  const RunResult r = Ravelt({"-w", "-e.doc", "a.rtf"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "a.rtf -> a.doc\n");
  EXPECT_EQ(ReadFile(work_ / "a.doc"), kText);
  EXPECT_FALSE(fs::exists(work_ / "a (1).doc"));
}

TEST_F(RaveltCli, AllCandidatesTaken) {
  // With a.txt and "a (1).txt" to "a (99).txt" present there is no output
  // file: the first write fails and the run goes on with status 0.
  WriteFile(work_ / "a.rtf", kDocument);
  WriteFile(work_ / "a.txt", "");
  for (int i = 1; i < 100; ++i) WriteFile(work_ / ("a (" + std::to_string(i) + ").txt"), "");
  const RunResult r = Ravelt({"-e", "a.rtf"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "Error 9: Bad file descriptor\nAn error occured during conversion.");
  EXPECT_EQ(r.out, "");
}

TEST_F(RaveltCli, DebugTraceWithoutText) {
  WriteFile(work_ / "a.rtf", kDocument);
  const RunResult r = Ravelt({"-d", "-etxt", "a.rtf"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.find("Hello"), std::string::npos);
  EXPECT_FALSE(fs::exists(work_ / "a.txt"));
  std::istringstream lines(r.out);
  std::vector<std::string> trace;
  std::string line;
  bool sawResult = false;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    if (line == "a.rtf -> (a.rtf)") {
      sawResult = true;
      continue;
    }
    EXPECT_EQ(line.rfind("ravelt(debug): ", 0), 0u) << line;
    trace.push_back(line.substr(15));
  }
  EXPECT_TRUE(sawResult);
  const std::vector<std::string> expected = {
      "Loading RICHED32.DLL.",
      "Creating conversion window.",
      "Creating RichEdit child window: window class = RICHEDIT.",
      "Posting application message 32869.",
      "Entering message loop.",
      "Received an application message 32869 to start conversion.",
      "Searching for file \"a.rtf\".",
      "Found file \"a.rtf\".",
      "Opening file \"a.rtf\".",
      "Sending EM_STREAMIN message to window 0x00010011.",
      "EditStreamInCalleback called: buffer length = 4096",
      "Error count in EDITSTREAM = 0.",
      "Output extension \"txt\" is given, but ignored on debug mode.",
      "Sending EM_STREAMOUT message to window 0x00010011.",
      "EditStreamOutCalleback called: max buffer length = " + std::to_string(kText.size()),
      "Error count in EDITSTREAM = 0.",
      "Conversion window is destroyed.",
      "Exit.",
  };
  EXPECT_EQ(trace, expected);
  // Version 2 names its library and class.
  const RunResult r2 = Ravelt({"-2", "-d", "a.rtf"});
  EXPECT_NE(r2.out.find("ravelt(debug): Loading RICHED20.DLL.\n"), std::string::npos);
  EXPECT_NE(r2.out.find("window class = RichEdit20A."), std::string::npos);
}

TEST_F(RaveltCli, MissingFileGoesOn) {
  WriteFile(work_ / "b.rtf", kDocument);
  const RunResult r = Ravelt({"a.rtf", "b.rtf"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "Error 2: No such file or directory\nFile open error on \"a.rtf\".\n");
  EXPECT_EQ(r.out, kText);
}

TEST_F(RaveltCli, WildcardConvertsEachMatch) {
  WriteFile(work_ / "one.rtf", "{\\rtf1 one}");
  WriteFile(work_ / "two.rtf", "{\\rtf1 two}");
  WriteFile(work_ / "three.txt", "{\\rtf1 three}");
  fs::create_directories(work_ / "sub");
  WriteFile(work_ / "sub" / "four.rtf", "{\\rtf1 four}");
  const RunResult r = Ravelt({"*.rtf"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out == "one\r\ntwo\r\n" || r.out == "two\r\none\r\n") << r.out;
  const RunResult sub = Ravelt({"-e", "sub/f?ur.*"});
  EXPECT_EQ(sub.out, "sub/four.rtf -> four.txt\n");
  const RunResult none = Ravelt({"*.none"});
  EXPECT_EQ(none.err, "Error 2: No such file or directory\nFile open error on \"*.none\".\n");
}

TEST_F(RaveltCli, BadFilesAreReportedOneByOne) {
  WriteFile(work_ / "plain.rtf", "This is not RTF at all.");
  WriteFile(work_ / "cut.rtf", "{\\rtf1 {\\b cut off");
  fs::create_directories(work_ / "folder.rtf");
  // A named pipe would block the open for ever; it is refused.
  ASSERT_EQ(mkfifo((work_ / "pipe.rtf").c_str(), 0600), 0);
  WriteFile(work_ / "good.rtf", kDocument);
  const RunResult r = Ravelt({"plain.rtf", "cut.rtf", "folder.rtf", "pipe.rtf", "good.rtf"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "An error occured while reading file \"plain.rtf\".\n"
            "An error occured while reading file \"cut.rtf\".\n"
            "Error 21: Is a directory\nFile open error on \"folder.rtf\".\n"
            "Error 22: Invalid argument\nFile open error on \"pipe.rtf\".\n");
  EXPECT_EQ(r.out, kText);
}

TEST_F(RaveltCli, OverlongNamesAreRefused) {
  WriteFile(work_ / "good.rtf", kDocument);
  const std::string longArgument = std::string(300, 'x') + ".rtf";
  const RunResult r = Ravelt({longArgument, "good.rtf"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "File name too long (over 259 bytes): \"" + longArgument + "\".\n");
  EXPECT_EQ(r.out, kText);
  // An extension that makes the output name too long.
  const RunResult r2 = Ravelt({"-e" + std::string(300, 'e'), "good.rtf"});
  EXPECT_EQ(r2.err, "Output file name too long (over 259 bytes) for \"good.rtf\".\n");
  EXPECT_EQ(r2.out, "");
}

}  // namespace
