// Tests of the converter runner with small converter scripts: captured
// text and its line ends, arguments as one word, start failures, the PDF
// waits with a scripted time-out, and the held-open test.
#include "extract/ConverterRunner.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <set>
#include <unistd.h>

#include "TempFolder.h"
#include "engine/TextScanner.h"
#include "platform/FileLock.h"

namespace tessaly::extract {
namespace {

using test::TempFolderTest;

class ConverterRunnerTest : public TempFolderTest {
 protected:
  CommandLine Command(const std::string& program, const std::string& file) {
    CommandLine line;
    line.Add(program).Add(file, true);
    return line;
  }
};

TEST(CapturedText, LinesEndInCrLfAndStopAtNul) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"LF", "a\nb", "a\r\nb\r\n"},
      {"CR LF kept", "a\r\nb\r\n", "a\r\nb\r\n"},
      {"lone CR", "a\rb\r", "a\r\nb\r\n"},
      {"empty lines stay", "a\n\n", "a\r\n\r\n"},
      {"CR LF then CR", "\r\n\r", "\r\n\r\n"},
      {"LF CR is two breaks", "a\n\rb", "a\r\n\r\nb\r\n"},
      {"cut at NUL", std::string("ab\0cd\n", 6), "ab\r\n"},
      {"NUL first", std::string("\0abc", 4), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(NormaliseCapturedText(c.bytes.data(), c.bytes.size()), c.text) << c.what;
}

TEST(CommandLineText, QuotedArgumentsInDoubleQuotes) {
  CommandLine line;
  line.Add("xls2csv").Add("-d").Add("utf-8").Add("/a b/c.xls", true);
  EXPECT_EQ(line.Text(), "xls2csv -d utf-8 \"/a b/c.xls\"");
}

TEST_F(ConverterRunnerTest, WorkingFolderRule) {
  Write("present", "x");
  // The table's command lines end in a quote: always the work folder.
  EXPECT_EQ(WorkingFolderFor("catdoc \"" + Path("present") + "\"", "/work"), "/work");
  // A command line that is a path to an existing file: that file's folder.
  EXPECT_EQ(WorkingFolderFor(Path("present"), "/work"), folder_ + "/");
  EXPECT_EQ(WorkingFolderFor(Path("absent"), "/work"), "/work");
  // The rule looks at the whole text: "conv /x/" is no folder part to use.
  EXPECT_EQ(WorkingFolderFor("conv " + Path("absent"), "/work"), "/work");
  EXPECT_EQ(WorkingFolderFor("conv", "/work"), "/work");
}

// Splits "<prefix><n>.<m>" into its two numbers; false for any other form
// (also for numbers written with leading zeros).
bool ParseTempName(const std::string& name, const std::string& prefix, int& n, int& m) {
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  const std::string rest = name.substr(prefix.size());
  const auto dot = rest.find('.');
  if (dot == std::string::npos) return false;
  const std::string first = rest.substr(0, dot), second = rest.substr(dot + 1);
  for (const std::string* part : {&first, &second}) {
    if (part->empty() || part->size() > 5 || (*part)[0] == '0') return false;
    for (char c : *part)
      if (c < '0' || c > '9') return false;
  }
  n = std::stoi(first);
  m = std::stoi(second);
  return true;
}

TEST_F(ConverterRunnerTest, TempNamesAreDrawnAtRandomInRange) {
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) {
    const std::string name = DrawTempName("tmp");
    int n = 0, k = 0;
    ASSERT_TRUE(ParseTempName(name, "tmp", n, k)) << name;
    EXPECT_TRUE(n >= 1 && n <= 65534 && k >= 1 && k <= 998) << name;
    seen.insert(name);
  }
  EXPECT_GT(seen.size(), 1u);
}

TEST_F(ConverterRunnerTest, CapturesOutputAndLeavesNoFile) {
  struct Case {
    const char* what;
    std::string body;
    std::string text;
    std::string errors = "";
    int status = 0;
    bool failed = false;
  };
  const Case cases[] = {
      {"prints nothing", "true", ""},
      {"a LF b", "printf 'a\\nb'", "a\r\nb\r\n"},
      {"a NUL b", "printf 'a\\000b\\n'", "a\r\n"},
      {"standard error apart", "echo out; echo err >&2", "out\r\n", "err\n"},
      {"only errors: failed", "echo err >&2", "", "err\n", 0, true},
      {"failure status", "echo partial; exit 3", "partial\r\n", "", 3, true},
      {"runs in the work folder", "pwd", workFolder_ + "\r\n"},
      {"standard input is empty", "cat", ""},
  };
  for (const Case& c : cases) {
    const std::string program = Script("conv", c.body);
    const ConverterRun run = RunConverter(Command(program, Path("doc.doc")));
    EXPECT_EQ(run.text, c.text) << c.what;
    EXPECT_EQ(run.errors, c.errors) << c.what;
    EXPECT_EQ(run.exitStatus, c.status) << c.what;
    EXPECT_EQ(run.Failed(), c.failed) << c.what;
    EXPECT_FALSE(run.timedOut) << c.what;
    EXPECT_EQ(GetConsoleOuput(Command(program, Path("doc.doc"))), c.text) << c.what;
    EXPECT_TRUE(WorkFiles().empty()) << c.what;
  }
}

TEST_F(ConverterRunnerTest, DocumentPathIsOneArgument) {
  const std::string program = Script("conv", "echo \"$#\"; printf '%s\\n' \"$1\"");
  const std::string odd = Path("it's a \"doc\" $(touch pwned) `id`;.doc");
  EXPECT_EQ(GetConsoleOuput(Command(program, odd)), "1\r\n" + odd + "\r\n");
  EXPECT_FALSE(std::filesystem::exists(Path("pwned")));
  EXPECT_FALSE(std::filesystem::exists(workFolder_ + "/pwned"));
}

TEST_F(ConverterRunnerTest, MissingProgramRaisesWithTheCommandLine) {
  const CommandLine line = Command(Path("no-such-converter"), "/x/a b.doc");
  try {
    GetConsoleOuput(line);
    FAIL() << "no error raised";
  } catch (const ConverterStartError& e) {
    EXPECT_EQ(std::string(e.what()), "CreateProcess() in function GetConsoleOuput() failed!\n\rCommand line = " +
                                         Path("no-such-converter") + " \"/x/a b.doc\"");
    EXPECT_EQ(e.program(), Path("no-such-converter"));
  }
  EXPECT_TRUE(WorkFiles().empty());

  // A program name that is nowhere on PATH.
  EXPECT_THROW(GetConsoleOuput(Command("tessaly-no-such-converter", "a.doc")), ConverterStartError);
  // A file that is not executable.
  Write("plain", "#!/bin/sh\necho hi\n");
  EXPECT_THROW(GetConsoleOuput(Command(Path("plain"), "a.doc")), ConverterStartError);
}

TEST_F(ConverterRunnerTest, CaptureFileThatCannotBeMadeRaises) {
  const std::string program = Script("conv", "echo hi");
  // A work folder that is refused: a plain file stands in its place.
  std::filesystem::create_directory(Path("elsewhere"));
  Write("elsewhere/tessaly", "not a folder");
  ::setenv("XDG_RUNTIME_DIR", Path("elsewhere").c_str(), 1);
  try {
    GetConsoleOuput(Command(program, "a.doc"));
    ADD_FAILURE() << "no error raised";
  } catch (const ConverterStartError&) {
    ADD_FAILURE() << "raised as a start failure";
  } catch (const ConverterError& e) {
    EXPECT_EQ(std::string(e.what()), "Function GetConsoleOuput() failed!\n\rCommand line = " + program + " \"a.doc\"");
  }
}

TEST_F(ConverterRunnerTest, RunPastTheTimeOutIsEnded) {
  // Ignores SIGTERM, so it takes the SIGKILL; its sleeping child goes too.
  const std::string program = Script("conv", "trap '' TERM; echo started; sleep 600; echo late");
  const std::string text = GetConsoleOuput(Command(program, "a.doc"), std::chrono::milliseconds(300));
  EXPECT_EQ(text.find("late"), std::string::npos);
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(ConverterRunnerTest, StopEndsARun) {
  const std::string program = Script("conv", "trap '' TERM; sleep 600; echo late");
  const std::atomic<bool> stop{true};
  const std::string text = GetConsoleOuput(Command(program, "a.doc"), kCaptureTimeout, &stop);
  EXPECT_EQ(text.find("late"), std::string::npos);
  EXPECT_TRUE(WorkFiles().empty());
}

// A scripted time-out: runs out on poll `limit` of each arming (never when
// `limit` is 0), and calls `onPoll` with the arming's number and the poll's.
class ScriptedTimeout : public ConversionTimeout {
 public:
  std::vector<int> limits;
  std::function<void(int, int)> onPoll;
  int arms = 0, stops = 0, polls = 0, timeOuts = 0;

  void Arm() override {
    ++arms;
    polls = 0;
  }
  bool TimedOut() override {
    ++polls;
    if (onPoll) onPoll(arms, polls);
    const int limit = arms <= static_cast<int>(limits.size()) ? limits[arms - 1] : 1;
    // A safety cap keeps a broken wait from hanging the test run.
    if ((limit > 0 && polls >= limit) || polls > 6000) {
      ++timeOuts;
      return true;
    }
    return false;
  }
  void Stop() override { ++stops; }
};

TEST_F(ConverterRunnerTest, PdfConverterThatNeverWritesLeavesThePlaceholder) {
  const std::string out = NewPdfTextFile();
  EXPECT_FALSE(std::filesystem::exists(out));
  int n = 0, m = 0;
  EXPECT_TRUE(ParseTempName(out, workFolder_ + "/tempdat", n, m)) << out;
  ASSERT_TRUE(StartConverter(Command(Script("pdfconv", "exit 0"), "a.pdf")));

  ScriptedTimeout timeout;
  timeout.limits = {1, 0};
  AwaitConverterOutput(out, timeout);
  EXPECT_EQ(timeout.arms, 2);
  EXPECT_EQ(timeout.timeOuts, 1);  // the second wait ends at once: the file is free
  EXPECT_GE(timeout.stops, 1);
  EXPECT_EQ(Read(out), std::string(49, '_') + "\r\n");
  EXPECT_NE(engine::ScanFileForText(out, "_", false), -1);
  EXPECT_NE(engine::ScanFileForText(out, std::string(49, '_'), false), -1);
  EXPECT_EQ(engine::ScanFileForText(out, std::string(50, '_'), false), -1);
  EXPECT_EQ(engine::ScanFileForText(out, "foo", false), -1);
}

TEST_F(ConverterRunnerTest, PdfConverterThatEndsWithoutWritingEndsTheFirstWait) {
  const std::string out = NewPdfTextFile();
  ConverterProcess converter;
  ASSERT_TRUE(StartConverter(Command(Script("pdfconv", "exit 1"), "a.pdf"), &converter));
  ScriptedTimeout timeout;
  timeout.limits = {0, 0};  // only the cap could end the waits
  AwaitConverterOutput(out, timeout, &converter);
  EXPECT_EQ(timeout.timeOuts, 0);
  EXPECT_TRUE(converter.Ended());
  EXPECT_EQ(Read(out), std::string(49, '_') + "\r\n");
}

TEST_F(ConverterRunnerTest, PdfConverterThatWritesAndEndsKeepsItsText) {
  const std::string out = NewPdfTextFile();
  ConverterProcess converter;
  CommandLine line;
  line.Add(Script("pdfconv", "echo converted > \"$1\"")).Add(out, true);
  ASSERT_TRUE(StartConverter(line, &converter));
  ScriptedTimeout timeout;
  timeout.limits = {0, 0};
  AwaitConverterOutput(out, timeout, &converter);
  EXPECT_EQ(timeout.timeOuts, 0);
  EXPECT_EQ(Read(out), "converted\n");
}

// Writes its output, then keeps it open until the release file appears. It
// also ends when the test's folder is gone, so no converter outlives its test.
constexpr const char* kHoldingConverter =
    "exec 3>\"$2\"; echo converted >&3; "
    "while [ ! -e \"$3\" ] && [ -d \"$(dirname \"$3\")\" ]; do sleep 0.01; done";

TEST_F(ConverterRunnerTest, WaitEndsWhenTheConverterReleasesItsFile) {
  const std::string out = NewPdfTextFile();
  const std::string release = Path("release");
  // Writes its output, then keeps it open until told to let go.
  const std::string program =
      Script("pdfconv", kHoldingConverter);
  CommandLine line;
  line.Add(program).Add("a.pdf", true).Add(out, true).Add(release, true);
  ASSERT_TRUE(StartConverter(line));

  ScriptedTimeout timeout;
  timeout.limits = {0, 0};
  int pollsHeld = 0;
  timeout.onPoll = [&](int arm, int poll) {
    // Once the file is seen held open a few times, release it.
    if (arm == 2 && poll == 5) {
      pollsHeld = poll;
      Write("release", "");
    }
  };
  AwaitConverterOutput(out, timeout);
  EXPECT_EQ(timeout.timeOuts, 0);
  EXPECT_EQ(pollsHeld, 5);
  EXPECT_EQ(Read(out), "converted\n");
}

TEST_F(ConverterRunnerTest, WaitForAFileHeldTooLongEndsAtTheTimeOut) {
  const std::string out = NewPdfTextFile();
  const std::string release = Path("release");
  const std::string program =
      Script("pdfconv", kHoldingConverter);
  CommandLine line;
  line.Add(program).Add("a.pdf", true).Add(out, true).Add(release, true);
  ASSERT_TRUE(StartConverter(line));

  ScriptedTimeout timeout;
  timeout.limits = {0, 3};
  AwaitConverterOutput(out, timeout);
  EXPECT_EQ(timeout.timeOuts, 1);
  EXPECT_TRUE(IsFileLocked(out));
  // Nothing is written over a file that exists.
  EXPECT_EQ(Read(out), "converted\n");
  Write("release", "");
}

TEST_F(ConverterRunnerTest, StartConverterWithAMissingProgram) {
  EXPECT_FALSE(StartConverter(Command(Path("no-such-converter"), "a.pdf")));
  EXPECT_FALSE(StartConverter(CommandLine{}));
}

TEST_F(ConverterRunnerTest, HeldOpenTest) {
  const std::string path = Write("f.txt", "x");
  EXPECT_FALSE(IsFileLocked(Path("missing")));
  EXPECT_FALSE(IsFileLocked(path));
  EXPECT_FALSE(platform::IsFileOpenInAnyProcess(path));
  {
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(IsFileLocked(path));
    EXPECT_TRUE(platform::IsFileOpenInAnyProcess(path));
    ::close(fd);
  }
  EXPECT_FALSE(IsFileLocked(path));
  EXPECT_FALSE(platform::IsFileOpenInAnyProcess(Path("missing")));
  // A lease break (someone opening the file during the test) must not end
  // the program.
  struct sigaction io {};
  ASSERT_EQ(::sigaction(SIGIO, nullptr, &io), 0);
  EXPECT_EQ(io.sa_handler, SIG_IGN);
}

}  // namespace
}  // namespace tessaly::extract
