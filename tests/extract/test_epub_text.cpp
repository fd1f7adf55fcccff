// The EPUB reader: a book written by pandoc, the reading rules on books
// built in memory, damaged and hostile books, and the details fields.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <fstream>
#include <optional>
#include <sstream>

#include "TempFolder.h"
#include "ZipWriter.h"
#include "extract/EpubPackage.h"
#include "extract/EpubText.h"
#include "extract/OfficePackage.h"
#include "extract/PackageSummary.h"
#include "extract/PackageText.h"
#include "extract/SummaryInfo.h"

namespace tessaly::extract {
namespace {

using test::MakeZip;
using test::Stored;
using test::TZipMember;

std::string Fixture(const std::string& name) {
  std::ifstream in(std::string(TESSALY_TEST_DATA) + "/packages/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string FixturePath(const std::string& name) { return std::string(TESSALY_TEST_DATA) + "/packages/" + name; }

std::string Container(const std::string& opf) {
  return "<?xml version=\"1.0\"?><container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">"
         "<rootfiles><rootfile full-path=\"" + opf + "\" media-type=\"application/oebps-package+xml\"/></rootfiles>"
         "</container>";
}

// A package document with `manifest` items and `spine` itemrefs.
std::string Opf(const std::string& metadata, const std::string& manifest, const std::string& spine) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\">"
         "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:opf=\"http://www.idpf.org/2007/opf\">" +
         metadata + "</metadata><manifest>" + manifest + "</manifest><spine>" + spine + "</spine></package>";
}

std::string Xhtml(const std::string& body, const char* doctype = "<!DOCTYPE html>") {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + doctype +
         "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>head title</title>"
         "<style>p { color: red }</style></head><body>" + body + "</body></html>";
}

// A book in OPS/: the manifest lists the navigation document, chapter two
// and chapter one, the spine reads one, then two.
std::vector<TZipMember> Book(const std::string& one, const std::string& two, const std::string& metadata = "") {
  return {Stored("mimetype", "application/epub+zip"), Stored("META-INF/container.xml", Container("OPS/package.opf")),
          Stored("OPS/package.opf",
                 Opf(metadata,
                     "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>"
                     "<item id=\"c2\" href=\"text/Chapter%202.xhtml\" media-type=\"application/xhtml+xml\"/>"
                     "<item id=\"c1\" href=\"./text/../text/one.xhtml#start\" media-type=\"application/xhtml+xml\"/>"
                     "<item id=\"css\" href=\"style.css\" media-type=\"text/css\"/>",
                     "<itemref idref=\"c1\"/><itemref idref=\"c2\"/><itemref idref=\"c1\"/>")),
          Stored("OPS/nav.xhtml", Xhtml("<nav><ol><li>navigation only</li></ol></nav>")),
          Stored("OPS/text/Chapter 2.xhtml", two), Stored("OPS/text/one.xhtml", one),
          Stored("OPS/style.css", "p { margin: 0 }")};
}

const std::string kOne = Xhtml(
    "<h1>Chapter\n   One</h1><p>  The   quokkafish\n swims, caf&eacute;&nbsp;au&nbsp;lait &amp; &#x20AC;5&hellip;&bogus;</p>"
    "<div>intro<p>inner</p>tail</div><script>var hidden = 1;</script>"
    "<ul><li>first</li><li>second<br/>line</li></ul><pre>a  b\n  c</pre>"
    "<table><tr><td>x</td><td><p>y</p></td></tr><tr><th>z</th></tr></table>",
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" \"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">");
const std::string kTwo = Xhtml("<section><p>Second <em>chapter</em> text.</p></section>");

TEST(EpubTextTest, ReadsTheSpineInOrder) {
  const std::string expected =
      "Chapter One\nThe quokkafish swims, café au lait & €5…\nintro\ninner\ntail\nfirst\nsecond\nline\n"
      "a  b\n  c\nx\ty\nz\n"
      "Second chapter text.\n";
  const TPackageText result = PackageTextOfBytes(MakeZip(Book(kOne, kTwo)));
  EXPECT_EQ(result.outcome.status, PackageStatus::Complete) << result.outcome.fault;
  EXPECT_EQ(result.text, expected);
}

TEST(EpubTextTest, ReadsWhatPandocWrites) {
  const TPackageText result = PackageTextOfBytes(Fixture("voyage.epub"));
  EXPECT_EQ(result.outcome.status, PackageStatus::Complete) << result.outcome.fault;
  const std::string parts[] = {
      "The Voyage of the Quokka",
      "The Harbour\nThe quokkafish left the harbour at dawn, with Smith & Sons aboard the CAFÉ ÜBER.\n",
      "The Storm\nA storm rose over the echidnapie reef.\n", "Wind\tWave\ngale\ttall\n"};
  std::size_t at = 0;
  for (const std::string& part : parts) {
    const std::size_t found = result.text.find(part, at);
    ASSERT_NE(found, std::string::npos) << part << "\nin:\n" << result.text;
    at = found + part.size();
  }
  EXPECT_EQ(result.text.find("code{"), std::string::npos);
}

TEST(EpubTextTest, DamagedBooksYieldWhatWasRead) {
  auto without = [](std::vector<TZipMember> members, const std::string& name) {
    std::erase_if(members, [&](const TZipMember& m) { return m.name == name; });
    return members;
  };
  auto replaced = [](std::vector<TZipMember> members, const std::string& name, const std::string& data) {
    for (TZipMember& m : members)
      if (m.name == name) m = Stored(name, data);
    return members;
  };
  const std::vector<TZipMember> book = Book(Xhtml("<p>one</p>"), Xhtml("<p>two</p>"));
  struct Case {
    const char* what;
    std::vector<TZipMember> members;
    PackageStatus status;
    std::string text;
  };
  const Case cases[] = {
      {"a missing spine document", without(book, "OPS/text/one.xhtml"), PackageStatus::Damaged, "two\n"},
      {"a spine entry the manifest lacks",
       replaced(book, "OPS/package.opf",
                Opf("", "<item id=\"c2\" href=\"text/Chapter%202.xhtml\" media-type=\"application/xhtml+xml\"/>",
                    "<itemref idref=\"gone\"/><itemref idref=\"c2\"/>")),
       PackageStatus::Damaged, "two\n"},
      {"a chapter broken in the middle", replaced(book, "OPS/text/one.xhtml", "<html><body><p>before</p><p>x</b>"),
       PackageStatus::Damaged, "before\nx\ntwo\n"},
      {"an internal subset declaring entities",
       replaced(book, "OPS/text/one.xhtml",
                "<!DOCTYPE html [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                "<html><body><p>&b;</p></body></html>"),
       PackageStatus::Damaged, "two\n"},
      {"no container: the package document is found by its name", without(book, "META-INF/container.xml"),
       PackageStatus::Damaged, "one\ntwo\n"},
      {"no package document", without(book, "OPS/package.opf"), PackageStatus::Damaged, ""},
      {"an empty spine", replaced(book, "OPS/package.opf", Opf("", "", "")), PackageStatus::Damaged, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TPackageText result = PackageTextOfBytes(MakeZip(c.members));
    EXPECT_EQ(result.outcome.status, c.status) << result.outcome.fault;
    EXPECT_FALSE(result.outcome.fault.empty());
    EXPECT_EQ(result.text, c.text);
  }
}

class CutBookTest : public test::TempFolderTest {};

TEST_F(CutBookTest, DamagedWithTheTextBeforeTheCut) {
  const std::string whole = Fixture("voyage.epub");
  ASSERT_GT(whole.size(), 1000u);
  for (std::size_t size = 0; size < whole.size(); size += 97) {
    const TPackageText result = PackageTextOfBytes(std::string_view(whole).substr(0, size));
    EXPECT_EQ(result.outcome.status, PackageStatus::Damaged) << size;
  }
  // Cut inside the last chapter, which lies before the ZIP directory: the
  // chapters before it are read from the members' own headers, in memory
  // and from a file.
  const std::size_t lastChapter = whole.find("EPUB/text/ch002.xhtml");
  ASSERT_NE(lastChapter, std::string::npos);
  const std::string cut = whole.substr(0, lastChapter + 200);
  {
    std::ofstream out(Path("cut.epub"), std::ios::binary);
    out << cut;
  }
  for (const TPackageText& result : {PackageTextOfBytes(cut), PackageTextOf(Path("cut.epub"))}) {
    EXPECT_EQ(result.outcome.status, PackageStatus::Damaged);
    EXPECT_NE(result.text.find("The quokkafish left the harbour"), std::string::npos) << result.text;
  }
}

long PeakMegabytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

TEST(EpubTextTest, ABombEndsAtTheLimit) {
  // A chapter that inflates to 1 GiB of paragraphs.
  TZipMember bomb{"OPS/text/one.xhtml", {}, 8};
  bomb.data = test::RepeatedDeflate("<html><body>", test::Repeated("<p>a</p>", 1 << 20), 1024, &bomb.crc, &bomb.size);
  std::vector<TZipMember> members = Book("", Xhtml("<p>two</p>"));
  for (TZipMember& m : members)
    if (m.name == bomb.name) m = bomb;
  const TPackageText result = PackageTextOfBytes(MakeZip(members));
  EXPECT_EQ(result.outcome.status, PackageStatus::TooLarge) << result.outcome.fault;
  EXPECT_LT(result.text.size(), kMaxCollectedText);
  EXPECT_LT(PeakMegabytes(), 400);
}

TEST(EpubTextTest, KnowsABookByItsMimetype) {
  const std::string pandoc = Fixture("voyage.epub");
  EXPECT_TRUE(StartsLikeEpub(pandoc));
  EXPECT_FALSE(StartsLikeEpub(Fixture("letter.odt")));
  EXPECT_FALSE(StartsLikeEpub(pandoc.substr(0, 40)));
  TOfficePackage book{std::string_view(pandoc)};
  EXPECT_TRUE(IsEpub(book));
  const std::string odt = Fixture("letter.odt");
  TOfficePackage document{std::string_view(odt)};
  EXPECT_FALSE(IsEpub(document));
}

class EpubDetailsTest : public test::TempFolderTest {};

TEST_F(EpubDetailsTest, ShowsTheMetadata) {
  const std::string metadata =
      "<dc:title>First Title</dc:title><dc:title>Subtitle</dc:title><dc:creator opf:role=\"aut\">Ada Quill</dc:creator>"
      "<dc:creator>Bo Reed</dc:creator><dc:subject>sea</dc:subject><dc:subject>quokkas</dc:subject>"
      "<dc:date opf:event=\"modification\">2020-01-01</dc:date><dc:date opf:event=\"publication\">2019</dc:date>"
      "<dc:language>en</dc:language><dc:publisher>Harbour &amp; Co</dc:publisher>";
  const std::string path = Path("built.epub");
  {
    std::ofstream out(path, std::ios::binary);
    out << MakeZip(Book(Xhtml("<p>one</p>"), Xhtml("<p>two</p>"), metadata));
  }
  EXPECT_EQ(ReadPackageSummary(path),
            "Title: First Title\rAuthor: Ada Quill; Bo Reed\rSubject: sea; quokkas\rDescription: \r"
            "Publisher: Harbour & Co\rDate: 2019\rLanguage: en\r");
  const std::string pandoc = ReadPackageSummary(FixturePath("voyage.epub"));
  for (const char* line : {"Title: The Voyage of the Quokka\r", "Author: Ada Quill\r", "Subject: Sea stories\r",
                           "Description: A short test book about a quokka at sea.\r", "Publisher: Harbour Press\r",
                           "Language: en-GB\r"})
    EXPECT_NE(pandoc.find(line), std::string::npos) << line << " in " << pandoc;
  // A full date is shown as the locale writes dates.
  const std::size_t date = pandoc.find("Date: ");
  ASSERT_NE(date, std::string::npos);
  const std::string dateLine = pandoc.substr(date, pandoc.find('\r', date) - date);
  EXPECT_GT(dateLine.size(), 8u) << dateLine;
  EXPECT_NE(dateLine, "Date: 2024-03-05");
}

TEST(PackageFieldTest, FieldsOfEveryPackageKind) {
  struct Case {
    const char* file;
    const char* field;
    std::optional<std::string> value;
  };
  const Case cases[] = {
      {"voyage.epub", "Author", "Ada Quill"},
      {"voyage.epub", "Title", "The Voyage of the Quokka"},
      {"voyage.epub", "Subject", "Sea stories"},
      {"voyage.epub", "Keywords", "Sea stories"},
      {"voyage.epub", "Creator", std::nullopt},
      {"letter.docx", "Author", "Ada Quill"},
      {"letter.docx", "Title", "Harbour Letter"},
      {"letter.odt", "Author", "Ada Quill"},
      {"letter.odt", "Title", "Harbour Letter"},
      {"ledger.xlsx", "Keywords", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.field);
    EXPECT_EQ(PackageFieldOf(FixturePath(c.file), c.field), c.value);
  }
  // A compound document gives the same fields through its summary information.
  const std::string doc = std::string(TESSALY_TEST_DATA) + "/summary/report.doc";
  EXPECT_EQ(ReadSummaryField(doc, "Author"), "Ada Lovelace");
  EXPECT_EQ(ReadSummaryField(doc, "Keywords"), "plan, budget");
  EXPECT_EQ(ReadSummaryField(doc, "Producer"), std::nullopt);
}

}  // namespace
}  // namespace tessaly::extract
