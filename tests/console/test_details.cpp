// The details text: the type test on names, the file lines, the PDF details
// over a kept toolkit (the failed-load rule), the summary step and its
// failure; and `tessaly --details` end to end, checked against pdfinfo.
#include "console/DetailsText.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "pdf/PdfToolkit.h"

namespace fs = std::filesystem;

namespace tessaly::console {
namespace {

// "C" locale dates (%m/%d/%y %H:%M:%S) in UTC, fixed before any text is made.
const bool kFixedLocale = [] {
  setenv("LC_ALL", "C", 1);
  setenv("TZ", "UTC", 1);
  tzset();
  return true;
}();

const std::string kData = TESSALY_TEST_DATA;
const std::string kLetter = kData + "/details/letter.pdf";

std::string Slurp(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class DetailsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tessaly-details-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // Sets the file's last-write time to a UTC moment.
  void SetTime(const std::string& path, std::time_t t) {
    const timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  TDetailsRow Row(const std::string& name, const std::string& size = "1 b") {
    return {name, size, folder_.string()};
  }

  fs::path folder_;
};

TEST(NameHasType, SecondCharacterOrLater) {
  struct Case {
    const char* name;
    bool pdf;
  };
  const Case cases[] = {
      {"notes.PDF", true},   // the test is on the lower-cased name
      {".pdf", false},       // at the first character only
      {"x.pdf.bak", true},   // anywhere after the first character
      {"a.pdf", true},
      {"pdf", false},
      {"notes.pd", false},
      {".pdf.pdf", true},    // a later occurrence counts
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(NameHasType(c.name, ".pdf"), c.pdf);
  }
  EXPECT_TRUE(NameHasType("Report.DOCX", ".doc"));
}

TEST(RowFile, JoinsWithOneSeparator) {
  EXPECT_EQ(RowFile({"etc", "", "/"}), "/etc");
  EXPECT_EQ(RowFile({"a.pdf", "", "/home/u"}), "/home/u/a.pdf");
}

TEST_F(DetailsTest, FileLines) {
  const std::string path = Write("notes.txt", "x");
  SetTime(path, 1641081600 + 13 * 3600 + 14 * 60 + 16);  // 2 January 2022 13:14:16 UTC
  EXPECT_EQ(FileLines(Row("notes.txt"), "\r\n"),
            "FileName: notes.txt\r\nFileSize: 1 b\r\nFilePath: " + folder_.string() +
                "\r\nFileDate: 01/02/22 13:14:16");
  // Exactly midnight: the date alone.
  SetTime(path, 1641081600);
  EXPECT_EQ(FileLines(Row("notes.txt"), "\n").substr(FileLines(Row("notes.txt"), "\n").rfind('\n') + 1),
            "FileDate: 01/02/22");
  // A row naming no file (an archive member) has an empty date.
  EXPECT_EQ(FileLines({"docs/member.txt", "3 b", path}, "\n"),
            "FileName: docs/member.txt\nFileSize: 3 b\nFilePath: " + path + "\nFileDate: ");
}

TEST_F(DetailsTest, PdfDetailsOfALetterPage) {
  pdf::TPdfToolkit toolkit;
  bool read = false;
  EXPECT_EQ(PdfDetails(toolkit, kLetter, "\r\n", &read),
            "Page Count: 1 page\r\n"
            "Paper Size: 612 x 792\r\n"
            "Encryption: Not encrypted\r\n"
            "Title     :Letter page\r\n"
            "Author    :Mary Shelley\r\n"
            "Subject   :Paper size\r\n"
            "Keywords  :letter one\r\n"
            "Creator   :letter.ps\r\n"
            "Producer  :GPL Ghostscript 10.00.0\r\n");
  EXPECT_TRUE(read);
}

TEST_F(DetailsTest, FailedLoadDescribesNothingOfTheDocumentBefore) {
  pdf::TPdfToolkit toolkit;
  (void)PdfDetails(toolkit, kLetter, "\n");
  bool read = true;
  const std::string broken = Write("broken.pdf", "%PDF-1.4 this is not a PDF body");
  EXPECT_EQ(PdfDetails(toolkit, broken, "\n", &read),
            "Page Count: 0 page\nPaper Size: 0 x 0\nEncryption: \nTitle     :\nAuthor    :\nSubject   :\n"
            "Keywords  :\nCreator   :\nProducer  :\n");
  EXPECT_FALSE(read);
}

TEST_F(DetailsTest, PdfHeldByAnOpenLinkHasNoPageData) {
  // While a link to the file is open, a second direct-access open fails.
  pdf::TPdfToolkit toolkit;
  const pdf::TDALink held = toolkit.DAOpenFile(kLetter);
  ASSERT_TRUE(held);
  const std::string text = PdfDetails(toolkit, kLetter, "\n");
  EXPECT_EQ(text.substr(0, text.find("Encryption")), "Page Count: 0 page\nPaper Size: 0 x 0\n");
  // The load itself still works.
  EXPECT_NE(text.find("Title     :Letter page\n"), std::string::npos);
  toolkit.DACloseFile(held);
  // The details closed their own links: a new open succeeds.
  const pdf::TDALink again = toolkit.DAOpenFile(kLetter);
  EXPECT_TRUE(again);
  toolkit.DACloseFile(again);
}

TEST_F(DetailsTest, PagesInThePlural) {
  pdf::TPdfToolkit toolkit;
  EXPECT_EQ(PdfDetails(toolkit, kData + "/pdf/da-tree.pdf", "\n").substr(0, 20), "Page Count: 4 pages\n");
}

TEST_F(DetailsTest, BuildStepsByName) {
  fs::copy_file(kLetter, folder_ / "notes.PDF");
  fs::copy_file(kLetter, folder_ / ".pdf");
  fs::copy_file(kLetter, folder_ / "x.pdf.bak");
  fs::copy_file(kData + "/summary/report.doc", folder_ / "report.doc");
  // Excel and PowerPoint files carry the same summary information.
  fs::copy_file(kData + "/summary/report.doc", folder_ / "report.xls");
  fs::copy_file(kData + "/summary/report.doc", folder_ / "report.ppt");
  pdf::TPdfToolkit toolkit;
  struct Case {
    const char* name;
    bool pdf, summary;
  };
  const Case cases[] = {
      {"notes.PDF", true, false},
      {".pdf", false, false},
      {"x.pdf.bak", true, false},
      {"report.doc", false, true},
      {"report.xls", false, true},
      {"report.ppt", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TDetailsText d = BuildDetailsText(toolkit, Row(c.name), "\r\n");
    EXPECT_TRUE(d.complete);
    EXPECT_EQ(d.text.find("\r\nPage Count: ") != std::string::npos, c.pdf);
    EXPECT_EQ(d.text.find("\r\nTitle: Quarterly Plan\r\nSubject: ") != std::string::npos, c.summary);
    EXPECT_EQ(d.text.find('\r', d.text.find("FileDate: ")) == std::string::npos, !c.pdf && !c.summary);
  }
}

TEST_F(DetailsTest, SummaryLinesTakeTheLineBreak) {
  fs::copy_file(kData + "/summary/report.doc", folder_ / "report.doc");
  pdf::TPdfToolkit toolkit;
  const TDetailsText d = BuildDetailsText(toolkit, Row("report.doc"), "\n");
  EXPECT_EQ(d.text.find('\r'), std::string::npos);
  EXPECT_NE(d.text.find("\nTitle: Quarterly Plan\nSubject: Budget caf\xC3\xA9\n"), std::string::npos);
  EXPECT_EQ(d.text.substr(d.text.size() - 19), "Security: 00000000\n");
}

TEST_F(DetailsTest, WordFileThatIsNoCompoundDocumentKeepsTheFileLines) {
  const std::string path = Write("letter.doc", "{\\rtf1 saved as .doc}");
  pdf::TPdfToolkit toolkit;
  const TDetailsText d = BuildDetailsText(toolkit, Row("letter.doc"), "\r\n");
  EXPECT_FALSE(d.complete);
  EXPECT_FALSE(d.read);
  EXPECT_NE(d.failure.find("is not a compound document"), std::string::npos);
  EXPECT_EQ(d.text, FileLines(Row("letter.doc"), "\r\n"));
}

TEST_F(DetailsTest, BothStepsForAPdfDocName) {
  // "a.pdf.doc": the PDF details (of a file that is no PDF), then the
  // summary properties.
  fs::copy_file(kData + "/summary/report.doc", folder_ / "a.pdf.doc");
  pdf::TPdfToolkit toolkit;
  const TDetailsText d = BuildDetailsText(toolkit, Row("a.pdf.doc"), "\n");
  EXPECT_TRUE(d.complete);
  EXPECT_NE(d.text.find("\nPage Count: 0 page\n"), std::string::npos);
  EXPECT_NE(d.text.find("Producer  :\n\nTitle: Quarterly Plan\n"), std::string::npos);
}

// ---- `tessaly --details` end to end ----

struct RunResult {
  int status = -1;
  std::string out, err;
};

RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args) {
  const fs::path dir = fs::temp_directory_path() / ("tessaly-details-run-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string outFile = (dir / "out").string(), errFile = (dir / "err").string();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (!std::freopen(outFile.c_str(), "w", stdout) || !std::freopen(errFile.c_str(), "w", stderr)) ::_exit(126);
    std::vector<std::string> copy = args;
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (std::string& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execvp(exe.c_str(), argv.data());
    ::_exit(127);
  }
  RunResult r;
  int st = 0;
  ::waitpid(pid, &st, 0);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  r.out = Slurp(outFile);
  r.err = Slurp(errFile);
  fs::remove_all(dir);
  return r;
}

RunResult Tessaly(const std::vector<std::string>& args) {
  std::vector<std::string> all{"--details"};
  all.insert(all.end(), args.begin(), args.end());
  return RunProgram(std::string(TESSALY_BIN_DIR) + "/tessaly", all);
}

// "Key:   value" lines of pdfinfo as a map.
std::map<std::string, std::string> PdfInfo(const std::string& file) {
  const RunResult r = RunProgram("pdfinfo", {file});
  std::map<std::string, std::string> fields;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::size_t value = line.find_first_not_of(' ', colon + 1);
    fields[line.substr(0, colon)] = value == std::string::npos ? "" : line.substr(value);
  }
  return fields;
}

// Our lines as a map: "Key: value", or "Key   :value" for the padded
// field labels.
std::map<std::string, std::string> DetailsLines(const std::string& text) {
  std::map<std::string, std::string> fields;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) continue;
    const bool padded = line[colon - 1] == ' ';
    std::string key = line.substr(0, colon);
    while (!key.empty() && key.back() == ' ') key.pop_back();
    std::string value = line.substr(colon + 1);
    if (!padded && !value.empty() && value.front() == ' ') value.erase(0, 1);
    fields[key] = value;
  }
  return fields;
}

TEST(DetailsCommand, AgreesWithPdfinfo) {
  if (RunProgram("pdfinfo", {"-v"}).status == 127) GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
  struct Case {
    std::string file;
    std::string encryption;  // pdfinfo names no key length
  };
  const Case cases[] = {
      {kLetter, "Not encrypted"},
      {kData + "/pdf/gs-smith.pdf", "Not encrypted"},
      {kData + "/pdf/gs-utf16.pdf", "Not encrypted"},          // UTF-16 and PDFDoc text fields
      {kData + "/pdf/qpdf-objstm.pdf", "Not encrypted"},       // Info in an object stream
      {kData + "/pdf/qpdf-rc4-40.pdf", "40-bit encryption"},
      {kData + "/pdf/qpdf-rc4-128.pdf", "128-bit encryption"},
      {kData + "/pdf/da-tree.pdf", "Not encrypted"},           // four pages
      {kData + "/pdf/da-tree-update.pdf", "Not encrypted"},    // page 1 redefined by an update
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const RunResult r = Tessaly({c.file});
    EXPECT_EQ(r.status, 0) << r.err;
    std::map<std::string, std::string> ours = DetailsLines(r.out);
    std::map<std::string, std::string> theirs = PdfInfo(c.file);
    const std::string pages = theirs["Pages"];
    EXPECT_EQ(ours["Page Count"], pages + (pages == "0" || pages == "1" ? " page" : " pages"));
    const std::string size = theirs["Page size"];
    EXPECT_EQ(ours["Paper Size"], size.substr(0, size.find(" pts")));
    EXPECT_EQ(ours["Encryption"], c.encryption);
    EXPECT_EQ(theirs["Encrypted"].substr(0, 2), c.encryption == "Not encrypted" ? "no" : "ye");
    for (const char* key : {"Title", "Author", "Subject", "Keywords", "Creator", "Producer"}) EXPECT_EQ(ours[key], theirs[key]) << key;
  }
}

TEST(DetailsCommand, PackageProperties) {
  // LibreOffice's files (tests/data/packages), read in UTC under the C locale.
  struct Case {
    std::string file;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {kData + "/packages/letter.docx",
       {"Title: Harbour Letter", "Subject: Fixtures", "Author: Ada Quill", "Keywords: harbour", "Revision number: 0",
        "Total editing time: 0 sec", "Last printed: -", "Create time/date: 03/05/24 10:20:30",
        "Name of creating application: LibreOffice/7.4"}},
      {kData + "/packages/letter.odt",
       {"Title: Harbour Letter", "Author: Ada Quill", "Keywords: harbour", "Create time/date: 03/05/24 10:20:30",
        "Number of pages: 1", "Number of words: 26", "Number of characters: 154", "Security: 00000000"}},
      {kData + "/packages/deck.pptx", {"Title: Deck", "Author: Ada Quill"}},
      {kData + "/packages/ledger.ods", {"Title: Ledger", "Author: Ada Quill"}},
      // pandoc's book: the package document's metadata.
      {kData + "/packages/voyage.epub", {"Title: The Voyage of the Quokka", "Author: Ada Quill", "Publisher: Harbour Press"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const RunResult r = Tessaly({c.file});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const std::string& line : c.lines) EXPECT_NE(r.out.find("\n" + line), std::string::npos) << line << "\n" << r.out;
  }
}

// Files of common producers with pdfinfo's answers (poppler 22.12) recorded:
// comments inside dictionaries (cairo's page objects, ReportLab's trailer),
// AES-128 and AES-256 from qpdf, and RC4 through a version 4 crypt filter.
TEST(DetailsCommand, RealProducersAgreeWithRecordedPdfinfo) {
  struct Case {
    const char* file;
    const char* pages;
    const char* size;
    const char* encryption;
    const char* fields[6];  // Title, Author, Subject, Keywords, Creator, Producer
  };
  const char* const kSmith[6] = {"Quarterly report", "J. Smith", "Sales", "alpha beta", "", "GPL Ghostscript 10.00.0"};
  const Case cases[] = {
      {"cairo-two-sizes.pdf", "2 pages", "595 x 842", "Not encrypted",
       {"Cairo two sizes", "Ann Cairo", "Page sizes", "cairo test", "mk_cairo.py",
        "cairo 1.16.0 (https://cairographics.org)"}},
      {"reportlab-trailer-comment.pdf", "4 pages", "612 x 792", "Not encrypted",
       {"ReportLab invoice", "Rita Lab", "Invoices", "invoice report", "mk_reportlab.py",
        "ReportLab PDF Library - www.reportlab.com"}},
      {"qpdf-aes-128.pdf", "1 page", "595 x 842", "128-bit encryption", {}},
      {"qpdf-aes-256.pdf", "1 page", "595 x 842", "256-bit encryption", {}},
      {"qpdf-aes-256-objstm.pdf", "1 page", "595 x 842", "256-bit encryption", {}},
      {"qpdf-rc4-v4.pdf", "1 page", "595 x 842", "128-bit encryption", {}},
      {"da-tree-aes-objstm.pdf", "4 pages", "595 x 842", "128-bit encryption",
       {"Direct access tree", "", "", "", "", "hand-written"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const RunResult r = Tessaly({kData + "/pdf/" + c.file});
    EXPECT_EQ(r.status, 0) << r.err;
    std::map<std::string, std::string> ours = DetailsLines(r.out);
    EXPECT_EQ(ours["Page Count"], c.pages);
    EXPECT_EQ(ours["Paper Size"], c.size);
    EXPECT_EQ(ours["Encryption"], c.encryption);
    const char* const* fields = c.fields[0] != nullptr ? c.fields : kSmith;
    int i = 0;
    for (const char* key : {"Title", "Author", "Subject", "Keywords", "Creator", "Producer"})
      EXPECT_EQ(ours[key], fields[i++]) << key;
  }
  // A 256-bit file whose user password is set: no page data, no fields.
  const RunResult locked = Tessaly({kData + "/pdf/qpdf-aes-256-user.pdf"});
  std::map<std::string, std::string> ours = DetailsLines(locked.out);
  EXPECT_EQ(ours["Page Count"], "0 page");
  EXPECT_EQ(ours["Encryption"], "256-bit encryption");
  EXPECT_EQ(ours["Author"], "");
}

TEST(DetailsCommand, FilesAreSeparatedByOneBlankLine) {
  const std::string doc = kData + "/summary/report.doc";
  const RunResult r = Tessaly({kLetter, doc, kData + "/details/README.md"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find('\r'), std::string::npos);
  EXPECT_NE(r.out.find("Producer  :GPL Ghostscript 10.00.0\n\nFileName: report.doc\n"), std::string::npos);
  EXPECT_NE(r.out.find("Security: 00000000\n\nFileName: README.md\n"), std::string::npos);
  EXPECT_EQ(r.out.find("\n\n\n"), std::string::npos);
  EXPECT_EQ(r.out.back(), '\n');
  EXPECT_EQ(r.out.substr(r.out.size() - 2).find("\n\n"), std::string::npos);
  EXPECT_NE(r.out.find("FilePath: " + kData + "/summary\n"), std::string::npos);
  EXPECT_EQ(r.err, "");
}

TEST(DetailsCommand, UnreadableFilesGiveStatusOne) {
  struct Case {
    const char* what;
    std::string file;
    std::string message;
  };
  const std::string bad = (fs::temp_directory_path() / ("tessaly-details-bad-" + std::to_string(::getpid()) + ".doc")).string();
  std::ofstream(bad) << "no compound document";
  const Case cases[] = {
      {"missing", "/no/such/file.txt", "could not be read"},
      {"missing PDF", "/no/such/file.pdf", "could not be read"},
      {"no compound document", bad, "is not a compound document"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RunResult r = Tessaly({kLetter, c.file});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("Producer  :GPL Ghostscript 10.00.0\n\nFileName: "), std::string::npos);
  }
  fs::remove(bad);
  EXPECT_EQ(Tessaly({}).status, 2);
}

}  // namespace
}  // namespace tessaly::console
