// `tessaly --search` says which documents it could not read and why, run
// as a user who is not root: a PDF with a user password, a PDF cut short, a
// .doc that is no Word file, a file the user may not read, a converter that
// never ends; folders the user may not list, a chain of folders far past
// the path limit; and --rows lines that stay three fields whatever the
// names hold.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../engine/DeepTree.h"
#include "RunTessaly.h"

namespace fs = std::filesystem;
using tessaly::test::RunResult;
using tessaly::test::Tessaly;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class Unreadable : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!tessaly::test::CanRunUnprivileged()) GTEST_SKIP() << "no setpriv to run tessaly as a user who is not root";
    root_ = (fs::temp_directory_path() / ("tessaly-unread-" + std::to_string(::getpid()))).string();
    tessaly::test::RemoveTree(root_);
    fs::create_directories(root_ + "/docs");
    fs::create_directories(root_ + "/bin");
    ::chmod(root_.c_str(), 0755);
  }
  void TearDown() override {
    if (!root_.empty()) tessaly::test::RemoveTree(root_);
  }
  std::string Put(const std::string& rel, const std::string& bytes) {
    const std::string path = root_ + "/" + rel;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  RunResult Search(std::vector<std::string> args) {
    args.insert(args.begin(), "--search");
    const std::string path = root_ + "/bin:/usr/bin:/bin";
    return Tessaly(args, path.c_str(), nullptr, true);
  }
  std::string root_;
};

TEST_F(Unreadable, ConsoleAndReportListExactlyTheUnreadableDocuments) {
  const std::string data = TESSALY_TEST_DATA "/content/";
  const std::string docs = root_ + "/docs";
  // Readable documents, each holding "harbour".
  Put("docs/sample.pdf", Read(data + "sample.pdf"));
  Put("docs/sample.doc", Read(data + "sample.doc"));
  Put("docs/notes.txt", "harbour notes");
  // Unreadable ones.
  const std::string locked = Put("docs/locked.pdf", Read(data + "locked.pdf"));
  const std::string cut = Put("docs/cut.pdf", Read(data + "sample.pdf").substr(0, 600));
  const std::string notWord = Put("docs/zipped.doc", std::string("PK\x03\x04", 4) + std::string(200, 'z'));
  const std::string secret = Put("docs/secret.txt", "harbour");
  ::chmod(secret.c_str(), 0);
  const std::string slow = Put("docs/slow.xls", "never read");
  // A stand-in for the Excel converter that never ends.
  Put("bin/xls2csv", "#!/bin/sh\nexec sleep 60\n");
  ::chmod((root_ + "/bin/xls2csv").c_str(), 0755);

  const std::vector<std::string> common{"-l", docs, "-t", "PDF;DOC;TXT;XLS", "-c", "harbour", "--timeout", "2"};
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = common;
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  };
  const std::vector<std::string> expectedList = Sorted({"damaged\t" + cut, "damaged\t" + notWord,
                                                        "password required\t" + locked,
                                                        "permission denied\t" + secret, "timed out\t" + slow});
  const std::string summary =
      "Could not read 5 documents: 1 password required, 2 damaged, 1 timed out, 1 permission denied";

  // Rows as today: the readable documents only; standard error ends with
  // the counts; the exit status is that of a search with hits.
  RunResult r = Search(with({"--rows", "--sort", "name"}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "notes.txt\t13 b\t" + docs + "\nsample.doc\t9 Kb\t" + docs + "\nsample.pdf\t8 Kb\t" + docs + "\n");
  std::vector<std::string> err = Lines(r.err);
  ASSERT_FALSE(err.empty());
  EXPECT_EQ(err.back(), summary);
  EXPECT_EQ(err.size(), 1u) << r.err;

  // --unreadable: the list itself, cause TAB path.
  r = Search(with({"--rows", "--unreadable"}));
  err = Lines(r.err);
  ASSERT_EQ(err.size(), 6u) << r.err;
  EXPECT_EQ(err.back(), summary);
  EXPECT_EQ(Sorted(std::vector<std::string>(err.begin(), err.end() - 1)), expectedList);

  // The report: after the total line, a blank line, the count, then cause
  // and path lines.
  // Written by the user the search runs as.
  fs::create_directories(root_ + "/out");
  ::chmod((root_ + "/out").c_str(), 0777);
  const std::string report = root_ + "/out/report.txt";
  r = Search(with({"-o", report}));
  EXPECT_EQ(r.status, 0);
  const std::string text = Read(report);
  const std::size_t at = text.find("Total files & directories found: 3\r\n\r\nDocuments that could not be read: 5\r\n");
  ASSERT_NE(at, std::string::npos) << text;
  std::vector<std::string> listed;
  for (const std::string& line : Lines(text.substr(text.find("read: 5") + 9))) {
    std::string l = line;
    if (!l.empty() && l.back() == '\r') l.pop_back();
    const std::size_t gap = l.find("   ");
    ASSERT_NE(gap, std::string::npos) << l;
    listed.push_back(l.substr(0, gap) + "\t" + l.substr(l.find('/')));
  }
  EXPECT_EQ(Sorted(listed), expectedList);
}

TEST_F(Unreadable, FoldersTheUserMayNotListAndTreesPastThePathLimit) {
  // A location that is itself unreadable says so instead of "no matches".
  fs::create_directories(root_ + "/shut");
  Put("shut/inside.txt", "x");
  ::chmod((root_ + "/shut").c_str(), 0700);
  const bool ownedByOthers = ::geteuid() == 0;  // as root the folder is not nobody's
  if (!ownedByOthers) ::chmod((root_ + "/shut").c_str(), 0);
  RunResult r = Search({"-l", root_ + "/shut", "--unreadable", "--rows"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "permission denied\t" + root_ + "/shut\nCould not read 1 document: 1 permission denied\n");
  ::chmod((root_ + "/shut").c_str(), 0755);

  // A chain of 3,000 folders (6,000 bytes of path) is walked to its end.
  fs::create_directories(root_ + "/deep");
  ASSERT_TRUE(tessaly::test::MakeChain(root_ + "/deep", 3000, "d", "bottom.txt", "x"));
  r = Search({"-l", root_ + "/deep", "-n", "bottom", "--rows"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::string path = root_ + "/deep";
  for (int i = 0; i < 3000; ++i) path += "/d";
  EXPECT_EQ(r.out, "bottom.txt\t1 b\t" + path + "\n");
  EXPECT_EQ(r.err, "");
}

// Folders the user may not list, among many that can be listed: the same
// rows and the same unreadable list, in the same order, whatever the number
// of walking threads.
TEST_F(Unreadable, UnlistableFoldersComeInWalkOrderWithAnyNumberOfWalkingThreads) {
  for (int i = 0; i < 60; ++i) {
    const std::string dir = "tree/d" + std::to_string(i);
    fs::create_directories(root_ + "/" + dir + "/inner");
    Put(dir + "/a.txt", "harbour");
    Put(dir + "/inner/b.txt", i % 2 ? "harbour" : "quay");
    if (i % 7 == 0) {
      fs::create_directories(root_ + "/" + dir + "/shut");
      Put(dir + "/shut/c.txt", "harbour");
      // Root's folder is not nobody's; as another user it is made unreadable.
      ::chmod((root_ + "/" + dir + "/shut").c_str(), ::geteuid() == 0 ? 0700 : 0);
    }
  }
  const std::vector<std::string> args = {"-l", root_ + "/tree;" + root_ + "/gone", "-t", "TXT", "-c", "harbour",
                                         "--rows", "--unreadable"};
  std::vector<std::string> one = args;
  one.insert(one.end(), {"--jobs", "1", "--walk-threads", "1"});
  const RunResult a = Search(one);
  EXPECT_EQ(a.status, 0) << a.err;
  EXPECT_NE(a.err.find("permission denied\t" + root_ + "/tree/d7/shut\n"), std::string::npos) << a.err;
  for (const char* threads : {"2", "16"}) {
    std::vector<std::string> many = args;
    many.insert(many.end(), {"--walk-threads", threads});
    const RunResult b = Search(many);
    EXPECT_EQ(a.out, b.out) << threads;
    EXPECT_EQ(a.err, b.err) << threads;
  }
}

TEST_F(Unreadable, RowsStayThreeFieldsWhateverTheNamesHold) {
  const std::vector<std::string> names{"tab\there.txt", "new\nline.txt", "back\\slash.txt", "cr\rhere.txt"};
  fs::create_directories(root_ + "/odd\tfolder");
  for (const std::string& n : names) Put("odd\tfolder/" + n, "x");
  RunResult r = Search({"-l", root_ + "/odd\tfolder", "-t", "TXT", "--rows", "--sort", "name"});
  EXPECT_EQ(r.status, 0) << r.err;
  auto unescape = [](const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
      if (field[i] != '\\' || i + 1 == field.size()) {
        out += field[i];
        continue;
      }
      const char next = field[++i];
      out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
  };
  std::vector<std::string> got;
  for (const std::string& line : Lines(r.out)) {
    ASSERT_EQ(std::count(line.begin(), line.end(), '\t'), 2) << line;
    const std::string name = line.substr(0, line.find('\t'));
    const std::string folder = line.substr(line.rfind('\t') + 1);
    EXPECT_EQ(unescape(folder), root_ + "/odd\tfolder");
    got.push_back(unescape(name));
  }
  EXPECT_EQ(Sorted(got), Sorted(names));
}

}  // namespace
