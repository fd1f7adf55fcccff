// Whole-file loading: header, startxref, table and stream sections, the
// /Prev and /XRefStm chain, entry precedence, the object index and lazy
// object parsing. Files are built in code with exact offsets; real files
// written by qpdf and Ghostscript come from tests/data/pdf.
#include <gtest/gtest.h>

#include <zlib.h>

#include <fstream>
#include <sstream>
#include <string>

#include "PdfTextBuilder.h"
#include "pdf/PDFDocument.h"
#include "pdf/PDFXRefReader.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {
namespace {

using test::PdfTextBuilder;
using test::XRefRow;

std::string ReadFixture(const std::string& name) {
  std::ifstream in(std::string(TESSALY_TEST_DATA) + "/pdf/" + name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The string value of object n's dictionary entry `key`, or "<none>".
std::string StringIn(TPDFDocument& doc, int n, const char* key) {
  TPDFIndObj* entry = doc.FindIndObj(n, 0);
  if (entry == nullptr) return "<no entry>";
  auto* dict = PDFAs<TPDFDictionary>(entry->LoadObject());
  if (auto* stream = PDFAs<TPDFStream>(entry->LoadObject())) dict = stream->Dictionary();
  if (dict == nullptr) return "<not a dictionary>";
  const auto* s = PDFAs<TPDFString>(dict->GetValue(key, true));
  return s != nullptr ? s->Value() : "<none>";
}

// Catalog 1, pages 2, info 3 with /Author (A<tag>).
PdfTextBuilder ThreeObjects(const std::string& header, const std::string& tag) {
  PdfTextBuilder b(header);
  b.Add(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Add(2, "<< /Type /Pages /Kids [ ] /Count 0 >>");
  b.Add(3, "<< /Author (A" + tag + ") >>");
  return b;
}

std::vector<XRefRow> RowsOf(const PdfTextBuilder& b, std::initializer_list<int> numbers) {
  std::vector<XRefRow> rows{{0, 0, 65535, 0}};
  for (int n : numbers) rows.push_back({n, static_cast<std::uint64_t>(b.Offset(n)), 0, 1});
  return rows;
}

std::string SimpleFile(const std::string& header = "%PDF-1.4\n") {
  PdfTextBuilder b = ThreeObjects(header, "1");
  const auto xref = b.Table(RowsOf(b, {1, 2, 3}), "<< /Size 4 /Root 1 0 R /Info 3 0 R >>");
  b.Finish(xref);
  return b.text;
}

TEST(PdfHeader, Placement) {
  struct Case {
    const char* name;
    std::string header;
    bool loads;
    const char* version;
  };
  const Case cases[] = {
      {"at the start", "%PDF-1.4\n", true, "1.4"},
      // Other data before the header, within the first 1024 bytes.
      {"after 500 bytes", std::string(500, 'x') + "\n%PDF-1.6\n", true, "1.6"},
      {"at byte 1100", std::string(1100, 'x') + "\n%PDF-1.6\n", false, ""},
      // A PostScript wrapper names the version after "PDF-"; it wins.
      {"PostScript header", "%!PS-Adobe-3.0 PDF-1.3\n%PDF-1.5\n", true, "1.3"},
      // Two points fail the number test.
      {"bad version", "%PDF-1.4.1\n", false, ""},
      // No version digits at all: the empty text passes.
      {"empty version", "%PDF-x\n", true, ""},
      {"no header", "%XYZ-1.4\n", false, ""},
  };
  for (const Case& c : cases) {
    TPDFDocument doc;
    EXPECT_EQ(doc.Load(SimpleFile(c.header)), c.loads) << c.name;
    EXPECT_EQ(doc.Version(), c.version) << c.name;
    if (c.loads) {
      EXPECT_EQ(StringIn(doc, 3, "Author"), "A1") << c.name;
    }
  }
}

TEST(PdfXRef, StartXRefMayMissTheKeywordSlightly) {
  // The section window starts 10 bytes before the offset and is 40 bytes
  // long: the table is found from 26 bytes before "xref" to 10 after.
  for (int shift = -30; shift <= 14; ++shift) {
    PdfTextBuilder b = ThreeObjects("%PDF-1.4\n", "1");
    // A comment line keeps the last object's " obj" out of the window.
    b.text += "%" + std::string(48, '-') + "\n";
    const auto xref = b.Table(RowsOf(b, {1, 2, 3}), "<< /Size 4 /Root 1 0 R >>");
    b.Finish(xref + shift);
    TPDFDocument doc;
    // Further off, the file is read through a rebuilt index.
    EXPECT_TRUE(doc.Load(b.text)) << shift;
    EXPECT_EQ(doc.Rebuilt(), shift < -26 || shift > 10) << shift;
  }
}

TEST(PdfXRef, FindStartXRef) {
  struct Case {
    const char* name;
    std::string tail;
    std::int64_t offset;
  };
  const Case cases[] = {
      {"plain", "startxref\n1234\n%%EOF\n", 1234},
      {"blanks before %%EOF", "startxref\n77  \r\n%%EOF", 77},
      {"last %%EOF counts", "startxref\n5\n%%EOF\nstartxref\n9\n%%EOF\n", 9},
      {"no %%EOF", "startxref\n1234\n", 0},
      {"no number", "startxref\n%%EOF", 0},
      {"beyond 32 bits", "startxref\n4294967296\n%%EOF", 0},
  };
  for (const Case& c : cases) {
    const std::string text = "%PDF-1.4\n" + c.tail;
    EXPECT_EQ(TPDFXRefReader(text).FindStartXRef(), c.offset) << c.name;
  }
}

TEST(PdfXRef, FreedInNewerSectionTakesOlderEntry) {
  PdfTextBuilder b = ThreeObjects("%PDF-1.4\n", "old");
  b.Add(5, "(five)");
  const auto first = b.Table(RowsOf(b, {1, 2, 3, 5}), "<< /Size 6 /Root 1 0 R >>");
  b.Add(3, "<< /Author (Anew) >>");
  // The update replaces object 3 and frees object 5.
  const auto second = b.Table({{3, static_cast<std::uint64_t>(b.Offset(3)), 0, 1}, {4, 0, 0, 0}, {5, 0, 1, 0}},
                              "<< /Size 6 /Root 1 0 R /Prev " + std::to_string(first) + " >>");
  b.Finish(second);
  TPDFDocument doc;
  ASSERT_TRUE(doc.Load(b.text));
  EXPECT_EQ(StringIn(doc, 3, "Author"), "Anew");
  TPDFIndObj* five = doc.FindIndObj(5, 0);
  ASSERT_NE(five, nullptr);
  const auto* s = PDFAs<TPDFString>(five->LoadObject());
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Value(), "five");
}

TEST(PdfXRef, OnlyTheNewestTrailerIsKeptWithoutItsChainKeys) {
  PdfTextBuilder b = ThreeObjects("%PDF-1.4\n", "1");
  const auto first = b.Table(RowsOf(b, {1, 2, 3}), "<< /Size 4 /Root 1 0 R /Info 3 0 R /Old true >>");
  const auto second = b.Table({{1, static_cast<std::uint64_t>(b.Offset(1)), 0, 1}},
                              "<< /Size 4 /Root 1 0 R /Info 3 0 R /Prev " + std::to_string(first) + " /Filter /X >>");
  b.Finish(second);
  TPDFDocument doc;
  ASSERT_TRUE(doc.Load(b.text));
  EXPECT_EQ(doc.Trailer()->GetValue("Old"), nullptr);
  EXPECT_EQ(doc.Trailer()->GetValue("Prev"), nullptr);
  EXPECT_EQ(doc.Trailer()->GetValue("Filter"), nullptr);
  EXPECT_NE(doc.Trailer()->GetValue("Root"), nullptr);
}

TEST(PdfXRef, BrokenChainsAreRebuilt) {
  struct Case {
    const char* name;
    std::string trailerExtra;  // %P is replaced by the section's own offset
  };
  const Case cases[] = {
      {"prev into nowhere", "/Prev 3"},
      {"prev past the end", "/Prev 999999"},
      // A section whose /Prev names itself would be read forever.
      {"prev loops to itself", "/Prev %P"},
      {"xrefstm loops to itself", "/XRefStm %P"},
  };
  for (const Case& c : cases) {
    PdfTextBuilder b = ThreeObjects("%PDF-1.4\n", "1");
    const auto at = static_cast<std::int64_t>(b.text.size());
    std::string extra = c.trailerExtra;
    const auto p = extra.find("%P");
    if (p != std::string::npos) extra.replace(p, 2, std::to_string(at));
    b.Table(RowsOf(b, {1, 2, 3}), "<< /Size 4 /Root 1 0 R " + extra + " >>");
    b.Finish(at);
    TPDFDocument doc;
    EXPECT_TRUE(doc.Load(b.text)) << c.name;
    EXPECT_TRUE(doc.Rebuilt()) << c.name;
    EXPECT_EQ(StringIn(doc, 3, "Author"), "A1") << c.name;
  }
}

TEST(PdfXRef, TwoSectionLoopIsRebuilt) {
  PdfTextBuilder b = ThreeObjects("%PDF-1.4\n", "1");
  // Section A's /Prev is B and B's /Prev is A; B's offset is known once A
  // is written, so A names a fixed-width placeholder patched afterwards.
  const auto a = b.Table(RowsOf(b, {1, 2, 3}), "<< /Size 4 /Root 1 0 R /Prev 0000000000 >>");
  const auto bOffset = b.Table(RowsOf(b, {1}), "<< /Size 4 /Root 1 0 R /Prev " + std::to_string(a) + " >>");
  char patched[11];
  std::snprintf(patched, sizeof patched, "%010lld", static_cast<long long>(bOffset));
  b.text.replace(b.text.find("/Prev 0000000000") + 6, 10, patched);
  b.Finish(bOffset);
  TPDFDocument doc;
  EXPECT_TRUE(doc.Load(b.text));
  EXPECT_TRUE(doc.Rebuilt());
}

// A file of `sections` incremental updates, each a table listing object 1.
std::string ChainOf(int sections) {
  PdfTextBuilder b = ThreeObjects("%PDF-1.4\n", "1");
  std::int64_t prev = b.Table(RowsOf(b, {1, 2, 3}), "<< /Size 4 /Root 1 0 R /Info 3 0 R >>");
  for (int i = 1; i < sections; ++i)
    prev = b.Table({{1, static_cast<std::uint64_t>(b.Offset(1)), 0, 1}},
                   "<< /Size 4 /Root 1 0 R /Prev " + std::to_string(prev) + " >>");
  b.Finish(prev);
  return b.text;
}

TEST(PdfXRef, LongChainsAreFollowedUpToTheCap) {
  TPDFDocument doc;
  // The chain is followed in a loop, so thousands of updates still load.
  EXPECT_TRUE(doc.Load(ChainOf(TPDFXRefReader::kMaxSectionChain)));
  EXPECT_FALSE(doc.Rebuilt());
  EXPECT_EQ(StringIn(doc, 3, "Author"), "A1");
  // One more section: the chain is refused and the index rebuilt.
  EXPECT_TRUE(doc.Load(ChainOf(TPDFXRefReader::kMaxSectionChain + 1)));
  EXPECT_TRUE(doc.Rebuilt());
}

TEST(PdfXRefStream, SmallStreamClaimingMillionsOfObjectsFailsTheLoad) {
  // A thousand entries load; two million compress to a few kilobytes and
  // claim far more objects than such a small file can hold.
  for (int count : {1000, 2'000'000}) {
    std::vector<XRefRow> rows;
    for (int n = 1; n <= count; ++n) rows.push_back({n, 9, 0, 1});
    const std::string raw = PdfTextBuilder::Entries(rows, 1, 1, 0);
    uLongf packedSize = compressBound(raw.size());
    std::string packed(packedSize, '\0');
    ASSERT_EQ(compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                       reinterpret_cast<const Bytef*>(raw.data()), raw.size()),
              Z_OK);
    packed.resize(packedSize);
    PdfTextBuilder b("%PDF-1.5\n");
    const auto at = b.XRefStream(
        1, "/Size 2000001 /W [ 1 1 0 ] /Index [ 1 " + std::to_string(count) + " ] /Filter /FlateDecode", packed);
    b.Finish(at);
    ASSERT_LT(b.text.size(), 100'000u);
    TPDFDocument doc;
    EXPECT_EQ(doc.Load(b.text), count == 1000) << count;
  }
}

TEST(PdfXRef, SubsectionHeaderMustEndWithinTwentyBytes) {
  PdfTextBuilder b = ThreeObjects("%PDF-1.4\n", "1");
  const auto xref = b.Table(RowsOf(b, {1, 2, 3}), "<< /Size 4 /Root 1 0 R >>");
  b.text.replace(static_cast<std::size_t>(xref) + 4, 1, "\n" + std::string(20, ' '));
  b.Finish(xref);
  TPDFDocument doc;
  EXPECT_TRUE(doc.Load(b.text));
  EXPECT_TRUE(doc.Rebuilt());
}

TEST(PdfXRef, CommentsBeforeSubsectionHeadersAreWhiteSpace) {
  for (const char* comment : {"% 7 9 written by hand\n", "%a\r\n  %b 5\n\n"}) {
    PdfTextBuilder b = ThreeObjects("%PDF-1.4\n", "1");
    const auto xref = b.Table(RowsOf(b, {1, 2, 3}), "<< /Size 4 /Root 1 0 R /Info 3 0 R >>");
    b.text.insert(static_cast<std::size_t>(xref) + 5, comment);
    b.Finish(xref);
    TPDFDocument doc;
    ASSERT_TRUE(doc.Load(b.text)) << comment;
    EXPECT_EQ(StringIn(doc, 3, "Author"), "A1") << comment;
  }
}

TEST(PdfXRef, TableEntryCutByTheEndOfTheFileIsIgnored) {
  PdfTextBuilder b = ThreeObjects("%PDF-1.4\n", "1");
  const auto xref = static_cast<std::int64_t>(b.text.size());
  b.text += "xref\n0 4\n0000000000 65535 f \n0000000009 00000 n \n0000";
  TPDFXRefReader reader(b.text);
  int entries = 0;
  reader.OnEntry = [&entries](std::int64_t, std::int64_t, char, std::int64_t) { ++entries; };
  EXPECT_FALSE(reader.ReadSectionAt(xref));  // and then no trailer
  EXPECT_EQ(entries, 2);
}

// A file whose objects are listed by a cross-reference stream with the given
// widths.
std::string StreamFile(int w1, int w2, int w3, const std::string& indexKey = "") {
  PdfTextBuilder b = ThreeObjects("%PDF-1.5\n", "1");
  std::vector<XRefRow> rows = RowsOf(b, {1, 2, 3});
  const auto at = static_cast<std::uint64_t>(b.text.size());
  rows.push_back({4, at, 0, 1});
  const std::string data = PdfTextBuilder::Entries(rows, w1, w2, w3);
  const std::string w = "/W [ " + std::to_string(w1) + " " + std::to_string(w2) + " " + std::to_string(w3) + " ]";
  b.XRefStream(4, "/Size 5 /Root 1 0 R /Info 3 0 R " + w + " " + indexKey, data);
  b.Finish(static_cast<std::int64_t>(at));
  return b.text;
}

TEST(PdfXRefStream, FieldWidths) {
  struct Case {
    const char* name;
    int w1, w2, w3;
  };
  const Case cases[] = {
      {"the usual widths", 1, 2, 1},
      // Incremental updates of some tools and qpdf's files over 16 MiB.
      {"four-byte offsets", 1, 4, 2},
      {"three-byte offsets", 1, 3, 0},
      {"eight-byte fields", 8, 8, 8},
      {"five and six bytes", 1, 5, 6},
  };
  for (const Case& c : cases) {
    TPDFDocument doc;
    ASSERT_TRUE(doc.Load(StreamFile(c.w1, c.w2, c.w3))) << c.name;
    EXPECT_EQ(StringIn(doc, 3, "Author"), "A1") << c.name;
    EXPECT_EQ(doc.Version(), "1.5") << c.name;
  }
}

TEST(PdfXRefStream, ZeroTypeWidthMeansInUse) {
  // Without a type field every entry is type 1; the free entry 0 then
  // reads as an object at offset 0, which is not "0 0 obj" and stays null.
  TPDFDocument doc;
  ASSERT_TRUE(doc.Load(StreamFile(0, 2, 1)));
  EXPECT_EQ(StringIn(doc, 3, "Author"), "A1");
}

TEST(PdfXRefStream, ReadField) {
  const std::string data("\x01\x02\x03\x04\x05", 5);
  struct Case {
    const char* name;
    std::size_t pos;
    int width;
    std::uint64_t def;
    std::uint64_t value;
    std::size_t posAfter;
  };
  const Case cases[] = {
      {"one byte", 0, 1, 9, 1, 1},
      {"most significant first", 0, 4, 9, 0x01020304, 4},
      {"width 0 gives the default", 2, 0, 9, 9, 2},
      // A field that runs past the end reads as 0 and still moves on.
      {"past the end", 3, 4, 9, 0, 7},
      {"at the end", 5, 1, 9, 0, 6},
  };
  for (const Case& c : cases) {
    std::size_t pos = c.pos;
    EXPECT_EQ(TPDFXRefReader::ReadField(data, pos, c.width, c.def), c.value) << c.name;
    EXPECT_EQ(pos, c.posAfter) << c.name;
  }
}

TEST(PdfXRefStream, UnknownEntryTypeKeepsLaterEntriesInStep) {
  PdfTextBuilder b = ThreeObjects("%PDF-1.5\n", "1");
  const auto at = static_cast<std::uint64_t>(b.text.size());
  std::vector<XRefRow> rows = {{0, 0, 0, 0}, {1, static_cast<std::uint64_t>(b.Offset(1)), 0, 1},
                               {2, 0, 0, 7},  // a type no writer defines
                               {3, static_cast<std::uint64_t>(b.Offset(3)), 0, 1}, {4, at, 0, 1}};
  b.XRefStream(4, "/Size 5 /Root 1 0 R /W [ 1 2 1 ]", PdfTextBuilder::Entries(rows, 1, 2, 1));
  b.Finish(static_cast<std::int64_t>(at));
  TPDFDocument doc;
  ASSERT_TRUE(doc.Load(b.text));
  EXPECT_EQ(doc.FindIndObj(2, 0), nullptr);
  EXPECT_EQ(StringIn(doc, 3, "Author"), "A1");
}

TEST(PdfXRefStream, IndexSubsections) {
  PdfTextBuilder b = ThreeObjects("%PDF-1.5\n", "1");
  const auto at = static_cast<std::uint64_t>(b.text.size());
  // Two subsections: 1..1 and 3..4.
  std::vector<XRefRow> rows = {{1, static_cast<std::uint64_t>(b.Offset(1)), 0, 1},
                               {3, static_cast<std::uint64_t>(b.Offset(3)), 0, 1}, {4, at, 0, 1}};
  b.XRefStream(4, "/Size 5 /Root 1 0 R /Index [ 1 1 3 2 ] /W [ 1 2 1 ]", PdfTextBuilder::Entries(rows, 1, 2, 1));
  b.Finish(static_cast<std::int64_t>(at));
  TPDFDocument doc;
  ASSERT_TRUE(doc.Load(b.text));
  EXPECT_EQ(StringIn(doc, 3, "Author"), "A1");
  EXPECT_EQ(doc.FindIndObj(2, 0), nullptr);
}

TEST(PdfXRefStream, DictionaryFaults) {
  struct Case {
    const char* name;
    std::string keys;
    bool entries;  // the section gives entries
  };
  // A section that cannot be read, or gives no entries (so no catalog),
  // leaves the file to a rebuild.
  const Case cases[] = {
      {"not /Type /XRef", "/Type /XRefx", false},
      {"/Size as a reference", "/Size 9 0 R", false},
      {"/W of two items", "/W [ 1 2 ]", false},
      {"/W wider than 8", "/W [ 1 9 1 ]", false},
      {"/Length as a reference", "/Length 9 0 R", false},
      {"sound", "", true},
  };
  for (const Case& c : cases) {
    PdfTextBuilder b = ThreeObjects("%PDF-1.5\n", "1");
    std::vector<XRefRow> rows = RowsOf(b, {1, 2, 3});
    const auto at = static_cast<std::int64_t>(b.text.size());
    const std::string data = PdfTextBuilder::Entries(rows, 1, 2, 1);
    // Later keys replace earlier ones in a dictionary, so each case's keys
    // override the good defaults.
    b.Add(4, "<< /Type /XRef /Size 4 /Root 1 0 R /W [ 1 2 1 ] /Length " + std::to_string(data.size()) + " " + c.keys +
                 " >>\nstream\n" + data + "\nendstream");
    b.Finish(at);
    TPDFDocument doc;
    EXPECT_TRUE(doc.Load(b.text)) << c.name;
    EXPECT_EQ(doc.Rebuilt(), !c.entries) << c.name;
    EXPECT_EQ(StringIn(doc, 3, "Author"), "A1") << c.name;
  }
}

TEST(PdfXRefStream, HybridFileReadsTheStreamBeforePrev) {
  PdfTextBuilder b = ThreeObjects("%PDF-1.4\n", "table");
  const auto old = b.Table(RowsOf(b, {1, 2, 3}), "<< /Size 6 /Root 1 0 R >>");
  // An update adds object 3 again; only the stream lists the new one.
  b.Add(3, "<< /Author (Astream) >>");
  const auto streamAt = static_cast<std::uint64_t>(b.text.size());
  b.XRefStream(5, "/Size 6 /W [ 1 2 1 ] /Index [ 3 1 ]",
               PdfTextBuilder::Entries({{3, static_cast<std::uint64_t>(b.Offset(3)), 0, 1}}, 1, 2, 1));
  const auto table = b.Table({{1, static_cast<std::uint64_t>(b.Offset(1)), 0, 1}},
                             "<< /Size 6 /Root 1 0 R /XRefStm " + std::to_string(streamAt) + " /Prev " +
                                 std::to_string(old) + " >>");
  b.Finish(table);
  TPDFDocument doc;
  ASSERT_TRUE(doc.Load(b.text));
  EXPECT_EQ(StringIn(doc, 3, "Author"), "Astream");
}

TEST(PdfObjects, StreamLength) {
  struct Case {
    const char* name;
    std::string lengthValue;
    bool isStream;
    std::string data;
  };
  const Case cases[] = {
      {"direct", "5", true, "Hello"},
      {"by reference", "9 0 R", true, "Hello"},
      // The reference names no object: no stream, a plain dictionary.
      {"reference to a missing object", "8 0 R", false, ""},
      // Longer than the data: the bytes up to the next object come along.
      {"too large", "30", true, "Hello\nendstream\nendobj\n"},
      {"not a number", "(5)", false, ""},
  };
  for (const Case& c : cases) {
    PdfTextBuilder b("%PDF-1.4\n");
    b.Add(1, "<< /Type /Catalog >>");
    b.Add(4, "<< /Length " + c.lengthValue + " >>\nstream\nHello\nendstream");
    b.Add(9, "5");
    const auto xref = b.Table(RowsOf(b, {1, 4, 9}), "<< /Size 10 /Root 1 0 R >>");
    b.Finish(xref);
    TPDFDocument doc;
    ASSERT_TRUE(doc.Load(b.text)) << c.name;
    TPDFObject* body = doc.FindIndObj(4, 0)->LoadObject();
    auto* stream = PDFAs<TPDFStream>(body);
    EXPECT_EQ(stream != nullptr, c.isStream) << c.name;
    if (stream != nullptr) {
      EXPECT_EQ(stream->Stream(), c.data) << c.name;
      EXPECT_EQ(stream->Dictionary()->GetInteger("Length", -1), static_cast<int>(c.data.size())) << c.name;
    } else {
      EXPECT_NE(PDFAs<TPDFDictionary>(body), nullptr) << c.name;
    }
    EXPECT_TRUE(body->IsIndirect());
    EXPECT_EQ(body->IndObjNum(), 4);
  }
}

TEST(PdfObjects, TextThatIsNotTheObjectReadsAsNull) {
  struct Case {
    const char* name;
    std::string objectText;
  };
  const Case cases[] = {
      {"other number", "7 0 obj\n(x)\nendobj\n"},
      {"other generation", "4 1 obj\n(x)\nendobj\n"},
      {"no obj keyword", "4 0 objx (x)\nendobj\n"},
  };
  for (const Case& c : cases) {
    PdfTextBuilder b("%PDF-1.4\n");
    b.Add(1, "<< /Type /Catalog >>");
    const auto at = static_cast<std::uint64_t>(b.text.size());
    b.text += c.objectText;
    auto rows = RowsOf(b, {1});
    rows.push_back({4, at, 0, 1});
    const auto xref = b.Table(rows, "<< /Size 5 /Root 1 0 R >>");
    b.Finish(xref);
    TPDFDocument doc;
    ASSERT_TRUE(doc.Load(b.text)) << c.name;
    // The table lists object 4 where it is not: the index is rebuilt from
    // the headers in the file, and object 4 is not among them.
    EXPECT_TRUE(doc.Rebuilt()) << c.name;
    TPDFIndObj* four = doc.FindIndObj(4, 0);
    EXPECT_TRUE(four == nullptr || PDFAs<TPDFNull>(four->LoadObject()) != nullptr) << c.name;
  }
}

TEST(PdfObjects, DictionaryDirectlyAfterObj) {
  PdfTextBuilder b("%PDF-1.4\n");
  b.Add(1, "<< /Type /Catalog >>");
  const auto at = static_cast<std::uint64_t>(b.text.size());
  b.text += "4 0 obj<< /Author (tight) >>endobj\n";
  auto rows = RowsOf(b, {1});
  rows.push_back({4, at, 0, 1});
  b.Finish(b.Table(rows, "<< /Size 5 /Root 1 0 R >>"));
  TPDFDocument doc;
  ASSERT_TRUE(doc.Load(b.text));
  EXPECT_EQ(StringIn(doc, 4, "Author"), "tight");
}

// An object stream 6 holding objects 3 (and 7), listed by a cross-reference
// stream; `header` is the object stream's number/offset header.
std::string ObjectStreamFile(const std::string& header, const std::string& members, int n) {
  PdfTextBuilder b("%PDF-1.5\n");
  b.Add(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.Add(2, "<< /Type /Pages /Kids [ ] /Count 0 >>");
  const std::string data = header + members;
  b.Add(6, "<< /Type /ObjStm /N " + std::to_string(n) + " /First " + std::to_string(header.size()) + " /Length " +
               std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream");
  const auto at = static_cast<std::uint64_t>(b.text.size());
  std::vector<XRefRow> rows = {{0, 0, 0, 0},
                               {1, static_cast<std::uint64_t>(b.Offset(1)), 0, 1},
                               {2, static_cast<std::uint64_t>(b.Offset(2)), 0, 1},
                               {3, 6, 0, 2},
                               {4, at, 0, 1},
                               {5, 0, 0, 0},
                               {6, static_cast<std::uint64_t>(b.Offset(6)), 0, 1},
                               {7, 6, 1, 2}};
  b.XRefStream(4, "/Size 8 /Root 1 0 R /Info 3 0 R /W [ 1 2 1 ]", PdfTextBuilder::Entries(rows, 1, 2, 1));
  b.Finish(static_cast<std::int64_t>(at));
  return b.text;
}

TEST(PdfObjects, ObjectStreamMembers) {
  const std::string members = "<< /Author (in stream) >> (seven)";
  TPDFDocument doc;
  ASSERT_TRUE(doc.Load(ObjectStreamFile("3 0 7 26 ", members, 2)));
  EXPECT_EQ(StringIn(doc, 3, "Author"), "in stream");
  TPDFIndObj* seven = doc.FindIndObj(7, 0);
  ASSERT_NE(seven, nullptr);
  const auto* s = PDFAs<TPDFString>(seven->LoadObject());
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Value(), "seven");
  EXPECT_TRUE(seven->Decrypted);  // members count as decrypted with their stream
}

TEST(PdfObjects, ObjectStreamHeaderFaults) {
  const std::string members = "<< /Author (in stream) >> (seven)";
  struct Case {
    const char* name;
    std::string header;
    int n;
  };
  const Case cases[] = {
      // The header pair names another object number.
      {"other number", "8 0 7 26 ", 2},
      {"index beyond /N", "3 0 7 26 ", 0},
      {"header too short", "3 0 ", 2},
      {"offset not a number", "3 x 7 26 ", 2},
  };
  for (const Case& c : cases) {
    TPDFDocument doc;
    ASSERT_TRUE(doc.Load(ObjectStreamFile(c.header, members, c.n))) << c.name;
    TPDFIndObj* three = doc.FindIndObj(3, 0);
    ASSERT_NE(three, nullptr) << c.name;
    EXPECT_NE(PDFAs<TPDFNull>(three->LoadObject()), nullptr) << c.name;
  }
}

TEST(PdfObjects, ObjectStreamThatHoldsItself) {
  // Object 6 is listed as a member of itself: loading it ends with nothing.
  PdfTextBuilder b("%PDF-1.5\n");
  b.Add(1, "<< /Type /Catalog >>");
  const auto at = static_cast<std::uint64_t>(b.text.size());
  std::vector<XRefRow> rows = {{1, static_cast<std::uint64_t>(b.Offset(1)), 0, 1}, {4, at, 0, 1}, {6, 6, 0, 2}};
  b.XRefStream(4, "/Size 7 /Root 1 0 R /Index [ 1 1 4 1 6 1 ] /W [ 1 2 1 ]", PdfTextBuilder::Entries(rows, 1, 2, 1));
  b.Finish(static_cast<std::int64_t>(at));
  TPDFDocument doc;
  ASSERT_TRUE(doc.Load(b.text));
  EXPECT_NE(PDFAs<TPDFNull>(doc.FindIndObj(6, 0)->LoadObject()), nullptr);
}

TEST(PdfObjects, IndexIsSortedByOffsetWithExtents) {
  TPDFDocument doc;
  ASSERT_TRUE(doc.Load(SimpleFile()));
  const auto& index = doc.ObjectIndex();
  ASSERT_EQ(index.size(), 3u);
  for (std::size_t i = 0; i + 1 < index.size(); ++i) {
    EXPECT_LT(index[i]->Offset, index[i + 1]->Offset);
    EXPECT_EQ(index[i]->Extent, index[i + 1]->Offset - index[i]->Offset);
  }
  EXPECT_EQ(index.back()->Extent, static_cast<std::int64_t>(doc.FileText().size()) - index.back()->Offset);
}

TEST(PdfObjects, ReferencesResolveThroughTheDocument) {
  TPDFDocument doc;
  ASSERT_TRUE(doc.Load(SimpleFile()));
  auto* catalog = PDFAs<TPDFDictionary>(doc.FindIndObj(1, 0)->LoadObject());
  ASSERT_NE(catalog, nullptr);
  auto* pages = PDFAs<TPDFDictionary>(catalog->GetValue("Pages", true));
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(pages->TypeName(), "Pages");
}

TEST(PdfFixtures, FilesWrittenByRealPrograms) {
  struct Case {
    const char* file;
    const char* version;
  };
  const Case cases[] = {
      {"gs-smith.pdf", "1.7"},       // Ghostscript: classic table
      {"qpdf-objstm.pdf", "1.7"},    // qpdf: cross-reference stream, object streams
      {"qpdf-linear.pdf", "1.7"},    // qpdf: linearised, two sections
  };
  for (const Case& c : cases) {
    TPDFDocument doc;
    ASSERT_TRUE(doc.Load(ReadFixture(c.file))) << c.file;
    EXPECT_EQ(doc.Version(), c.version) << c.file;
    auto* info = doc.InfoDictionary();
    ASSERT_NE(info, nullptr) << c.file;
    EXPECT_EQ(doc.ReadInfoField("Author"), "J. Smith") << c.file;
    auto* root = PDFAs<TPDFDictionary>(doc.Trailer()->GetValue("Root", true));
    ASSERT_NE(root, nullptr) << c.file;
    EXPECT_EQ(root->TypeName(), "Catalog") << c.file;
  }
}

TEST(PdfFixtures, TruncatedFilesNeverCrash) {
  // Every prefix of a real file loads or fails; the information read after
  // it gives a text or nothing.
  for (const char* file : {"qpdf-objstm.pdf", "gs-smith.pdf", "qpdf-rc4-128-objstm.pdf"}) {
    const std::string text = ReadFixture(file);
    ASSERT_FALSE(text.empty()) << file;
    int loaded = 0;
    for (std::size_t cut = 0; cut < text.size(); cut += 7) {
      TPDFDocument doc;
      if (doc.Load(text.substr(0, cut))) {
        ++loaded;
        doc.ReadInfoField("Author");
      }
    }
    // Prefixes that cut only the last line still load ("%%EOF" is kept in
    // the window until it is cut).
    EXPECT_LT(loaded, static_cast<int>(text.size() / 7)) << file;
  }
}

TEST(PdfDocument, LoadFromStreamAndReset) {
  std::istringstream in(SimpleFile());
  TPDFDocument doc;
  ASSERT_TRUE(doc.Load(in));
  EXPECT_EQ(doc.ReadInfoField("Author"), "A1");
  doc.Reset();
  EXPECT_TRUE(doc.FileText().empty());
  EXPECT_TRUE(doc.ObjectIndex().empty());
  EXPECT_EQ(doc.ReadInfoField("Author"), "");
}

}  // namespace
}  // namespace tessaly::pdf
