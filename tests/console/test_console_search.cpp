// `tessaly --search` end to end: a tree in a temporary folder, the whole
// report compared byte for byte, exit codes and messages.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "RunTessaly.h"
#include "tests/extract/ZipWriter.h"

namespace fs = std::filesystem;

namespace {

using tessaly::test::RunResult;
using tessaly::test::Tessaly;

class ConsoleSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tessaly-cs-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "docs" / "tax.doc");
    std::ofstream(root_ / "docs" / "tax2004.pdf") << std::string(15 * 1024 + 7, 'x');
    std::ofstream(root_ / "docs" / "notes.txt") << "hello";
    std::ofstream(root_ / "docs" / "Tax.jpg") << "jpeg";
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

TEST_F(ConsoleSearch, WholeReportByteForByte) {
  const std::string loc = (root_ / "docs").string();
  RunResult r = Tessaly({"--search", "-l", loc + ";" + loc + "/missing", "-n", "tax", "-t", "PDF;DOC"});
  EXPECT_EQ(r.status, 0);
  const std::string rule(38, '-');
  const std::string expected = "Search results:\r\n\r\n" + loc + "\r\n" + loc + "/missing\r\n\r\n" +
                               "Search wildcards: [*tax*]\r\n\r\nFile types: PDF;DOC\r\n\r\n" + rule +
                               "\r\nFileName      FileSize       Location\r\n" + rule + "\r\n" +
                               "tax2004.pdf   15 Kb          " + loc + "\r\n" + "tax.doc       [folder]       " +
                               loc + "\r\n\r\n" + rule + "\r\nTotal files & directories found: 2";
  // The listing order of two entries of one folder is the file system's;
  // compare with the rows in either order.
  std::string swapped = expected;
  const std::string rowA = "tax2004.pdf   15 Kb          " + loc + "\r\n";
  const std::string rowB = "tax.doc       [folder]       " + loc + "\r\n";
  swapped.replace(swapped.find(rowA), rowA.size() + rowB.size(), rowB + rowA);
  EXPECT_TRUE(r.out == expected || r.out == swapped) << r.out;
  EXPECT_EQ(r.err, "The following directories/drives do not exist:\n" + loc + "/missing\n");
}

TEST_F(ConsoleSearch, OnATerminalTheReportEndsWithALineBreak) {
  // Through a pipe the output is the report file's bytes (no final line
  // break); on a terminal a line break follows, so the prompt starts anew.
  const std::string program = std::string(TESSALY_BIN_DIR) + "/tessaly";
  const std::string loc = (root_ / "docs").string();
  int terminal = -1;
  const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::execl(program.c_str(), program.c_str(), "--search", "-l", loc.c_str(), "-n", "notes", "-t", "TXT",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
  ::close(terminal);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const std::string last = "Total files & directories found: 1";
  ASSERT_GE(out.size(), last.size() + 2) << out;
  // The terminal turns each "\n" into "\r\n" on the way out.
  EXPECT_EQ(out.substr(out.rfind(last)), last + "\r\r\n") << out;
}

TEST_F(ConsoleSearch, SortedRowsAndNoHits) {
  const std::string loc = (root_ / "docs").string();
  RunResult r = Tessaly({"--search", "-l", loc, "-t", "PDF;TXT;DOC", "--sort", "size", "--rows"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "tax.doc\t[folder]\t" + loc + "\nnotes.txt\t5 b\t" + loc + "\ntax2004.pdf\t15 Kb\t" + loc + "\n");
  r = Tessaly({"--search", "-l", loc, "-t", "PDF;TXT;DOC", "--sort", "name", "--descending", "--rows"});
  // Descending by name: "TAX2004.PDF" after "TAX.DOC" ('2' > '.').
  EXPECT_EQ(r.out, "tax2004.pdf\t15 Kb\t" + loc + "\ntax.doc\t[folder]\t" + loc + "\nnotes.txt\t5 b\t" + loc + "\n");
  r = Tessaly({"--search", "-l", loc, "-n", "nothing-like-this", "--rows"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
}

TEST_F(ConsoleSearch, ReportIntoAFile) {
  const std::string report = (root_ / "report.txt").string();
  RunResult r = Tessaly({"--search", "-l", (root_ / "docs").string(), "-t", "TXT", "--no-folders", "-o", report});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  std::ifstream in(report, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_NE(ss.str().find("notes.txt"), std::string::npos);
  EXPECT_NE(ss.str().find("Total files found: 1"), std::string::npos);
}

TEST_F(ConsoleSearch, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"--search", "-t", "P.DF"}, ". is not allowed here!"},
      {{"--search", "--smaller-or-equal", "ten"}, "is not a whole number"},
      {{"--search", "--frobnicate"}, "unknown option '--frobnicate'"},
      {{"--search", "-l", ""}, "Please specify the Location where you want to search"},
      {{"--search", "-l", "/", "-o", "/no/such/dir/r.txt"}, "cannot write the report"},
      {{"--wrong"}, "unknown option"},
  };
  for (const Case& c : cases) {
    RunResult r = Tessaly(c.args);
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    if (c.message != "cannot write the report") {
      EXPECT_NE(r.err.find("usage: tessaly"), std::string::npos) << r.err;
    }
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(ConsoleSearch, ConvertersThatCannotStartAreNamedAtTheEnd) {
  std::ofstream(root_ / "docs" / "letter.doc") << "not really a word file";
  RunResult r = Tessaly(
      {"--search", "-l", (root_ / "docs").string(), "-t", "DOC", "-c", "hello", "--no-folders", "--rows"},
      "/nonexistent");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("catdoc"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("DOC"), std::string::npos) << r.err;
}

TEST_F(ConsoleSearch, RelativeLocationsReachTheConverters) {
  // Converters run in the work folder: a relative document path must still
  // name the document there. ravelt is built beside tessaly.
  std::ofstream(root_ / "docs" / "memo.rtf") << "{\\rtf1\\ansi Harbour minutes\\par}";
  RunResult r = Tessaly({"--search", "-l", "docs", "-t", "RTF", "-c", "harbour", "--rows"}, nullptr,
                        root_.c_str());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "memo.rtf\t32 b\tdocs\n");
}

TEST_F(ConsoleSearch, SameRowsAndUnreadableListWithOneJobAndWithFour) {
  // Stand-in converters that print (or write) the document's own bytes,
  // slowly for "slow" files, so that later files often finish first; a
  // "broken" document makes them fail, a "stuck" one never ends. The Excel
  // converter is missing.
  const fs::path bin = root_ / "bin";
  fs::create_directories(bin);
  auto script = [&](const char* name, const std::string& failure, const std::string& body) {
    const fs::path p = bin / name;
    std::ofstream(p) << "#!/bin/sh\ncase \"$3\" in *slow*) /bin/sleep 0.3 ;; *mid*) /bin/sleep 0.1 ;; esac\n"
                     << "case \"$3\" in *broken*) " << failure << " ;; *stuck*) exec /bin/sleep 30 ;; esac\n"
                     << body << "\n";
    fs::permissions(p, fs::perms::owner_all);
  };
  script("catdoc", "echo \"cannot go on with $3\" >&2; exit 1", "/bin/cat \"$3\"");
  script("pdftotext", "echo \"Couldn't find trailer\" >&2; exit 1", "/bin/cat \"$3\" > \"$4\"");
  const fs::path tree = root_ / "tree";
  const std::string zip = fs::path(TESSALY_TEST_DATA) / "archives" / "tree.zip";
  std::ifstream zipIn(zip, std::ios::binary);
  const std::string zipBytes(std::istreambuf_iterator<char>(zipIn), {});
  const char* speeds[] = {"slow", "mid", "fast"};
  for (int f = 0; f < 4; ++f) {
    const fs::path top = tree / ("f" + std::to_string(f));
    const fs::path dir = top / "inner";
    fs::create_directories(dir / "harbour.txt");  // a folder row among the tests
    for (int i = 0; i < 4; ++i) {
      const std::string stem = std::string(speeds[(f + i) % 3]) + std::to_string(i) + (i == 3 ? "broken" : "");
      const std::string text = (f + i) % 2 ? "the HARBOUR master" : "the quay";
      std::ofstream(dir / (stem + ".doc")) << text;
      std::ofstream(dir / (stem + ".pdf")) << text;
      std::ofstream(dir / (stem + ".txt")) << std::string(1000 * i, 'x') << text;
      std::ofstream(dir / (stem + ".xls")) << text;
      std::ofstream(top / (stem + ".txt")) << text;
    }
    if (f < 2) std::ofstream(dir / "stuck.doc") << "harbour";
    fs::copy_file(zip, dir / "tree.zip");
    // A member is listed for the text only when it holds it.
    std::ofstream(dir / "notes.zip") << tessaly::test::MakeZip(
        {{"quay/harbour-note.txt", "the harbour wall", 0, 0xEC77C628, 16},
         {"quay/other.txt", "nothing here", 0, 0x31C1D993, 12}});  // stored, with their CRC-32 and size
    std::ofstream(dir / "cut.zip") << zipBytes.substr(0, 200);
    fs::copy_file(fs::path(TESSALY_TEST_DATA) / "archives" / "gnu.tar", top / "a.tar");
    fs::copy_file(fs::path(TESSALY_TEST_DATA) / "pdf" / "gs-smith.pdf", dir / "smith.pdf");
  }
  // Deep and wide folders, a link back to the top (listed, not walked), a
  // bind mount of the tree inside itself where the system allows one (the
  // walk leaves that loop at once), and a location that is missing.
  fs::path deep = tree / "deep";
  for (int i = 0; i < 40; ++i) deep /= "level" + std::to_string(i);
  fs::create_directories(deep);
  std::ofstream(deep / "harbour-bottom.txt") << "harbour";
  for (int i = 0; i < 300; ++i) {
    const fs::path wide = tree / "wide" / ("w" + std::to_string(i));
    fs::create_directories(wide / "sub");
    std::ofstream(wide / "n.txt") << (i % 3 ? "harbour" : "quay");
    std::ofstream(wide / "sub" / "m.txt") << (i % 2 ? "harbour" : "quay");
  }
  fs::create_directory_symlink(tree, tree / "f1" / "up");
  fs::create_directories(tree / "f2" / "bound");
  struct BindMount {
    std::string point;
    bool on = false;
    ~BindMount() {
      if (on) ::umount2(point.c_str(), MNT_DETACH);
    }
  } bound{(tree / "f2" / "bound").string()};
  bound.on = ::mount(tree.c_str(), bound.point.c_str(), nullptr, MS_BIND, nullptr) == 0;
  const std::string path = bin.string();
  const std::vector<std::vector<std::string>> searches = {
      {"-t", "PDF;DOC;TXT;XLS", "-c", "harbour", "-a", "zip,tar", "--timeout", "1", "--pdf-text", "pdftotext"},
      {"-t", "PDF", "--in", "Author", "-c", "smith"},
  };
  const std::string locations = tree.string() + ";" + (root_ / "missing").string();
  for (const auto& search : searches) {
    std::vector<std::string> args = {"--search", "-l", locations, "--rows", "--unreadable"};
    args.insert(args.end(), search.begin(), search.end());
    std::vector<std::string> one = args;
    one.insert(one.end(), {"--jobs", "1", "--walk-threads", "1"});
    const RunResult a = Tessaly(one, path.c_str());
    EXPECT_EQ(a.status, 0) << a.err;
    EXPECT_NE(a.out.find(".pdf\t"), std::string::npos) << search[1];
    EXPECT_NE(a.err.find("do not exist"), std::string::npos) << a.err;
    for (const char* threads : {"1", "2", "16"}) {
      std::vector<std::string> many = args;
      many.insert(many.end(), {"--jobs", "4", "--walk-threads", threads});
      const RunResult b = Tessaly(many, path.c_str());
      EXPECT_EQ(a.out, b.out) << search[1] << " with " << threads << " walking threads";
      EXPECT_EQ(a.err, b.err) << search[1] << " with " << threads << " walking threads";
    }
  }
  // Every kind of row and of unreadable document is there: documents,
  // text files, folders, members; failed, timed out, damaged archives, the
  // missing converter.
  const RunResult full = Tessaly({"--search", "-l", tree.string(), "--rows", "--unreadable", "-t", "PDF;DOC;TXT;XLS",
                                  "-c", "harbour", "-a", "zip,tar", "--timeout", "1", "--jobs", "4", "--pdf-text",
                                  "pdftotext"},
                                 path.c_str());
  for (const char* part : {"slow1.doc\t", "mid0.pdf\t", "[folder]", "quay/harbour-note.txt\t"})
    EXPECT_NE(full.out.find(part), std::string::npos) << part;
  for (const char* part : {"report.pdf\t", "quay/other.txt\t"}) EXPECT_EQ(full.out.find(part), std::string::npos) << part;
  for (const char* part : {"converter failed\t", "damaged\t", "timed out\t", "cut.zip\n", "xls2csv"})
    EXPECT_NE(full.err.find(part), std::string::npos) << part << "\n" << full.err;
}

TEST(ConsoleFields, AuthorOfEveryKindOfDocument) {
  // LibreOffice's packages and pandoc's book (tests/data/packages) all name Ada Quill.
  const std::string folder = TESSALY_TEST_DATA "/packages";
  RunResult r = Tessaly({"--search", "-l", folder, "-t", "*", "--no-folders", "--in", "Author", "-c", "ada quill",
                         "--rows", "--sort", "name"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::string names;
  for (std::size_t at = 0; at < r.out.size();) {
    const std::size_t end = r.out.find('\n', at);
    names += r.out.substr(at, r.out.find('\t', at) - at) + " ";
    at = end == std::string::npos ? r.out.size() : end + 1;
  }
  EXPECT_EQ(names, "deck.odp deck.pptx ledger.ods ledger.xlsx letter.docx letter.odt voyage.epub ");
  r = Tessaly({"--search", "-l", folder, "-t", "*", "--no-folders", "--in", "Author", "-c", "qqqnothere", "--rows"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
}

TEST(ConsoleHelp, HelpAndVersionExitZero) {
  RunResult r = Tessaly({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--search"), std::string::npos);
  r = Tessaly({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("tessaly ", 0), 0u);
}

}  // namespace
