// End-to-end content searches: `tessaly --search -c TEXT` over documents
// made by real programs, read by the real converters (poppler-utils,
// catdoc, pptext, ravelt) or, for office packages, in-process.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <sys/wait.h>
#include <zlib.h>

#include "TempFolder.h"

namespace tessaly {
namespace {

class ContentSearchTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    std::filesystem::create_directory(Path("docs"));
    for (const char* name : {"sample.pdf", "sample.doc", "sample.xls", "sample.rtf", "sample.docx", "sample.odt",
                             "sample.xlsx", "sample.ods", "sample.pptx", "sample.odp"})
      std::filesystem::copy_file(std::string(TESSALY_TEST_DATA) + "/content/" + name, Path(std::string("docs/") + name));
    Write("docs/sample.ppt", Gunzip(std::string(TESSALY_TEST_DATA) + "/content/sample.ppt.gz"));
    Write("docs/notes.txt", "Harbour lights at Straße 5");
    Write("docs/page.html", "<p>harbour <b>pelican</b></p>");
    Write("docs/photo.jpg", "harbour");
  }

  static std::string Gunzip(const std::string& path) {
    std::string bytes;
    gzFile in = ::gzopen(path.c_str(), "rb");
    if (!in) return bytes;
    char buffer[65536];
    int n;
    while ((n = ::gzread(in, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(n));
    ::gzclose(in);
    return bytes;
  }

  // The names `tessaly --search --rows` lists for `text`.
  std::set<std::string> Search(const std::string& text, const std::string& options = "") {
    const std::string command = std::string(TESSALY_BIN_DIR) + "/tessaly --search --rows -l '" + Path("docs") +
                                "' -c '" + text + "' " + options + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::set<std::string> names;
    if (!pipe) return names;
    std::string output;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    // Exit status 1 is a search without hits.
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << command;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) names.insert(line.substr(0, line.find('\t')));
    return names;
  }
};

using Names = std::set<std::string>;

TEST_F(ContentSearchTest, ListsExactlyTheFilesThatHoldTheText) {
  struct Case {
    const char* what;
    std::string text;
    std::string options;
    Names names;
  };
  const Case cases[] = {
      {"in every document", "harbour", "",
       {"sample.pdf", "sample.doc", "sample.xls", "sample.rtf", "sample.ppt", "notes.txt", "page.html", "sample.docx",
        "sample.odt", "sample.xlsx", "sample.ods", "sample.pptx", "sample.odp"}},
      {"PDF only", "pelican", "", {"sample.pdf", "page.html"}},
      // The package forms are read in-process (*.DOC also finds .docx).
      {"Word only", "walrus", "", {"sample.doc", "sample.docx", "sample.odt"}},
      {"Excel only", "narwhal", "", {"sample.xls", "sample.xlsx", "sample.ods"}},
      {"PowerPoint only", "ocelot", "", {"sample.ppt", "sample.pptx", "sample.odp"}},
      {"RTF only", "heron", "", {"sample.rtf"}},
      {"non-ASCII from the RTF", "smørrebrød", "", {"sample.rtf"}},
      {"nowhere", "zebra", "", {}},
      // With case: "harbour" is lower case only in the sheet and the page.
      {"case kept", "Harbour", "-s",
       {"sample.pdf", "sample.doc", "sample.rtf", "sample.ppt", "notes.txt", "sample.docx", "sample.odt",
        "sample.pptx", "sample.odp"}},
      // One folding for every kind: converter output, text, PDF and packages.
      {"Café in the Word text", "café", "", {"sample.doc", "sample.docx", "sample.odt"}},
      {"CAFÉ in the Word converter's text too", "CAFÉ", "", {"sample.doc", "sample.docx", "sample.odt"}},
      {"GRÜSSE in the PDF text", "GRÜßE", "", {"sample.pdf"}},
      {"straße in the slides and the text file", "straße", "", {"sample.ppt", "notes.txt", "sample.pptx", "sample.odp"}},
      {"non-ASCII from the sheet", "Äpfel", "", {"sample.xls", "sample.xlsx", "sample.ods"}},
      // Producer is a field of PDF files only: no other document passes.
      {"PDF producer", "libreoffice", "--in Producer", {"sample.pdf"}},
      {"not the PDF producer", "pelican", "--in Producer", {}},
      // "Search in PDF files" off: PDFs are not read, so never listed.
      {"PDF search off", "walrus", "--no-pdf", {"sample.doc", "sample.docx", "sample.odt"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Search(c.text, c.options), c.names) << c.what;
  EXPECT_TRUE(WorkFiles().empty()) << "temporary files left in the work folder";
}

}  // namespace
}  // namespace tessaly
