// The office package reader: text of packages written by LibreOffice, the
// reading rules on small hand-built packages, and damaged and hostile
// packages (truncation, a bomb, a lying directory, deep nesting, entity
// expansion).
#include "extract/PackageText.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <fstream>
#include <sstream>

#include "ZipWriter.h"
#include "extract/OfficePackage.h"

namespace tessaly::extract {
namespace {

using test::MakeZip;
using test::Repeated;
using test::RepeatedDeflate;
using test::Stored;

std::string Fixture(const std::string& name) {
  std::ifstream in(std::string(TESSALY_TEST_DATA) + "/packages/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Each of `parts` occurs in `text`, in this order.
::testing::AssertionResult InOrder(const std::string& text, const std::vector<std::string>& parts) {
  std::size_t at = 0;
  for (const std::string& part : parts) {
    const std::size_t found = text.find(part, at);
    if (found == std::string::npos)
      return ::testing::AssertionFailure() << "'" << part << "' missing (or out of order) in:\n" << text;
    at = found + part.size();
  }
  return ::testing::AssertionSuccess();
}

TEST(PackageTextTest, ReadsWhatLibreOfficeWrites) {
  struct Case {
    const char* file;
    std::vector<std::string> inOrder;
  };
  const Case cases[] = {
      // A word split over two runs, an entity, then the header, then the footnote.
      {"letter.docx",
       {"The quokkafish swims", "Smith & Sons ordered the CAFÉ ÜBER menu.", "Two  spaces and echidnapie.",
        "Lighthouse header line", "A footnote about the wombat."}},
      // Spans, <text:s text:c="2"/>, the footnote inside its paragraph.
      {"letter.odt",
       {"The quokkafish swims", "Smith & Sons ordered the CAFÉ ÜBER menu.", "A footnote about the wombat.",
        "Two  spaces and echidnapie."}},
      // Shared strings and a number as written, rows and cells, then the second sheet.
      {"ledger.xlsx", {"Item\twombatstew\t4711.5\n", "wombatstew\tÄpfel\n", "numbatsoup"}},
      // (LibreOffice ends the row with an empty repeated cell.)
      {"ledger.ods", {"Item\twombatstew\t4711.5\n", "wombatstew\tÄpfel\t\n", "numbatsoup"}},
      // Slides in order, then the notes.
      {"deck.pptx", {"first slide alpha", "second slide beta", "third slide bilbycake", "speaker note delta"}},
      {"deck.odp", {"first slide alpha", "speaker note delta", "second slide beta", "third slide bilbycake"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const TPackageText result = PackageTextOfBytes(Fixture(c.file));
    EXPECT_EQ(result.outcome.status, PackageStatus::Complete) << result.outcome.fault;
    EXPECT_TRUE(InOrder(result.text, c.inOrder));
  }
}

constexpr const char* kWordNs = R"(xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main")";

std::string WordPackage(const std::string& body) {
  return MakeZip({Stored("[Content_Types].xml", "<Types/>"),
                  Stored("word/document.xml", std::string("<w:document ") + kWordNs + "><w:body>" + body +
                                                  "</w:body></w:document>")});
}

TEST(PackageTextTest, ReadingRules) {
  struct Case {
    const char* what;
    std::string package;
    std::string text;
  };
  const Case cases[] = {
      {"runs joined, tab and break in runs, tab stops ignored, references decoded",
       WordPackage("<w:p><w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>"
                   "<w:r><w:t>a&amp;b</w:t></w:r><w:r><w:tab/><w:t>caf&#233;&#x20AC;</w:t><w:br/><w:t>x</w:t></w:r></w:p>"),
       "a&b\tcafé€\nx\n"},
      {"deleted text and the fallback of alternate content skipped",
       WordPackage("<w:p><w:r><w:delText>gone</w:delText><w:t>kept</w:t></w:r>"
                   "<mc:AlternateContent xmlns:mc=\"m\"><mc:Choice><w:r><w:t>one</w:t></w:r></mc:Choice>"
                   "<mc:Fallback><w:r><w:t>two</w:t></w:r></mc:Fallback></mc:AlternateContent></w:p>"),
       "keptone\n"},
      {"sheets without relationships in numeric order; shared, inline, number, boolean",
       MakeZip({Stored("xl/workbook.xml", "<workbook><sheets/></workbook>"),
                Stored("xl/sharedStrings.xml", "<sst><si><t>zero</t></si><si><r><t>o</t></r><r><t>ne</t></r>"
                                               "<rPh><t>reading</t></rPh></si></sst>"),
                Stored("xl/worksheets/sheet10.xml", "<worksheet><sheetData><row><c><v>10</v></c></row></sheetData></worksheet>"),
                Stored("xl/worksheets/sheet2.xml",
                       "<worksheet><sheetData><row><c t=\"s\"><v>1</v></c><c t=\"inlineStr\"><is><t>dingoloaf</t></is></c>"
                       "<c><f>A1</f><v>4711.5</v></c><c t=\"b\"><v>1</v></c><c t=\"s\"><v>7</v></c></row>"
                       "<row><c t=\"s\"><v>0</v></c></row></sheetData></worksheet>")}),
       "one\tdingoloaf\t4711.5\t1\t\nzero\n10\n"},
      {"slides without the presentation's relationships in numeric order, then notes",
       MakeZip({Stored("ppt/presentation.xml", "<p:presentation xmlns:p=\"p\"/>"),
                Stored("ppt/slides/slide10.xml", "<p:sld><a:p><a:r><a:t>ten</a:t></a:r></a:p></p:sld>"),
                Stored("ppt/slides/slide2.xml", "<p:sld><a:p><a:r><a:t>two</a:t></a:r><a:br/><a:r><a:t>lines</a:t></a:r></a:p></p:sld>"),
                Stored("ppt/notesSlides/notesSlide1.xml", "<p:notes><a:p><a:r><a:t>note</a:t></a:r></a:p></p:notes>")}),
       "two\nlines\nten\nnote\n"},
      {"OpenDocument white space, text:s, tab, line break, cells",
       MakeZip({Stored("mimetype", "application/vnd.oasis.opendocument.text"),
                Stored("content.xml",
                       "<office:document-content><office:body><office:text>"
                       "<text:p>  a \n  b<text:s text:c=\"3\"/>c<text:tab/>d<text:line-break/>e<text:span>f</text:span></text:p>"
                       "<table:table><table:table-row><table:table-cell><text:p>x</text:p><text:p>y</text:p></table:table-cell>"
                       "<table:table-cell><text:p>z</text:p></table:table-cell></table:table-row></table:table>"
                       "</office:text></office:body></office:document-content>")}),
       "a b   c\td\nef\nx\ny\tz\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TPackageText result = PackageTextOfBytes(c.package);
    EXPECT_EQ(result.text, c.text);
    EXPECT_EQ(result.outcome.status, PackageStatus::Complete) << result.outcome.fault;
  }
}

TEST(PackageTextTest, DamagedPackagesYieldWhatWasRead) {
  struct Case {
    const char* what;
    std::string package;
    PackageStatus status;
    std::string text;
  };
  const Case cases[] = {
      {"not a ZIP file", "PK\3\4 but nothing more", PackageStatus::Damaged, ""},
      {"a ZIP file that is no office document", MakeZip({Stored("readme.txt", "hello")}), PackageStatus::Damaged, ""},
      {"XML broken in the middle", WordPackage("<w:p><w:r><w:t>before</w:t></w:r></w:p><w:p><w:r><w:t>x</w:r>"),
       PackageStatus::Damaged, "before\nx"},
      {"a document type declaration (entity expansion)",
       MakeZip({Stored("word/document.xml",
                       "<!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                       "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><w:document><w:body><w:p><w:r><w:t>&c;</w:t>"
                       "</w:r></w:p></w:body></w:document>")}),
       PackageStatus::Damaged, ""},
      {"an undeclared entity", WordPackage("<w:p><w:r><w:t>&lol;</w:t></w:r></w:p>"), PackageStatus::Damaged, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TPackageText result = PackageTextOfBytes(c.package);
    EXPECT_EQ(result.outcome.status, c.status) << result.outcome.fault;
    EXPECT_FALSE(result.outcome.fault.empty());
    EXPECT_EQ(result.text, c.text);
  }
}

TEST(PackageTextTest, TruncatedAtEvery64thByte) {
  const std::string whole = Fixture("letter.docx");
  ASSERT_GT(whole.size(), 1000u);
  for (std::size_t size = 0; size < whole.size(); size += 64) {
    const TPackageText result = PackageTextOfBytes(std::string_view(whole).substr(0, size));
    EXPECT_NE(result.outcome.status, PackageStatus::Complete) << size;
  }
}

// Peak resident memory of this process in MB.
long PeakMegabytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

TEST(PackageTextTest, HostilePackagesEndAtTheirLimits) {
  // A member that inflates to 1 GiB of runs.
  test::TZipMember bomb{"word/document.xml", {}, 8};
  bomb.data = RepeatedDeflate(std::string("<w:document ") + kWordNs + "><w:body><w:p>",
                              Repeated("<w:r><w:t>a</w:t></w:r>", 1 << 20), 1024, &bomb.crc, &bomb.size);
  // Elements nested 100,000 deep.
  const std::string deep = "<w:document>" + Repeated("<w:p>", 500000) ;
  struct Case {
    const char* what;
    std::string package;
    PackageStatus status;
  };
  const Case cases[] = {
      {"a member inflating to 1 GiB", MakeZip({Stored("[Content_Types].xml", "<Types/>"), bomb}), PackageStatus::TooLarge},
      {"a directory claiming 100,000 members", MakeZip({Stored("word/document.xml", "<w:document/>")}, 100000),
       PackageStatus::Damaged},
      {"elements nested 100,000 deep", MakeZip({Stored("word/document.xml", deep)}), PackageStatus::TooLarge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TPackageText result = PackageTextOfBytes(c.package);
    EXPECT_EQ(result.outcome.status, c.status) << result.outcome.fault;
    EXPECT_LT(result.text.size(), kMaxCollectedText);
  }
  EXPECT_LT(PeakMegabytes(), 400);
}

}  // namespace
}  // namespace tessaly::extract
