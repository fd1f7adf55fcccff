// Tests of the direct-access reader: the sorted offset list, the version
// header, the tail scan, cross-reference tables and streams along /Prev,
// object text bounds, stream data and object streams.
#include <gtest/gtest.h>

#include <zlib.h>

#include <string>

#include "SmartPDFTestFile.h"
#include "pdf/SmartPDFReader.h"
#include "pdf/SortedNumberList.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {
namespace {

using testing::TTestPdf;
using testing::TXEntry;

// A reader over bytes; the source lives as long as the reader.
struct TReaderOver {
  explicit TReaderOver(const std::string& bytes) : source(bytes), reader(source) {}
  TSmartPDFMemorySource source;
  TSmartPDFReader reader;
};

std::string Text(TPDFObject* obj) { return obj ? obj->AsText() : "<none>"; }

// A file with objects 1..3 and a table listing 0..3.
TTestPdf ThreeObjects() {
  TTestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Object(2, "(two)");
  pdf.Object(3, "(three)");
  return pdf;
}

std::vector<TXEntry> WithFree0(std::vector<TXEntry> entries) {
  entries.insert(entries.begin(), TXEntry{0, 0, 65535, 'f'});
  return entries;
}

TEST(SortedNumberList, NextAbove) {
  TSortedNumberList empty;
  EXPECT_EQ(empty.NextAbove(5), 0);

  TSortedNumberList list;
  for (std::int64_t v : {300, 100, 200}) list.Add(v);
  // Unsorted: the first in list order that is greater.
  EXPECT_EQ(list.NextAbove(50), 300);
  list.Sort();
  struct Case { std::int64_t a, want; } cases[] = {
      {50, 100},   // below all
      {100, 200},  // equal to one: the next one
      {150, 200},  // between
      {300, 300},  // none greater: the last number
      {999, 300},
  };
  for (const Case& c : cases) EXPECT_EQ(list.NextAbove(c.a), c.want) << "a=" << c.a;
}

TEST(SmartPDFReader, VersionHeader) {
  struct Case {
    std::string prefix;  // bytes before the rest of a valid file
    std::string header;
    int error;
    std::string version;
  } cases[] = {
      {"", "%PDF-1.4\n", 0, "1.4"},
      {"", "%PDF-1.10\n", 0, "1.10"},                     // two-digit minor
      {std::string(500, 'x'), "%PDF-1.3\n", 0, "1.3"},    // after 500 bytes of other data
      {std::string(1100, 'x'), "%PDF-1.3\n", 1, ""},      // beyond the first 1024 bytes
      {"", "%PDF-\n", 1, ""},                             // empty run
      {"", "%PDF-1.2.3\n", 1, ""},                        // not a number
      {"", "%!PS-Adobe-3.0 PDF-1.2\n", 0, "1.2"},         // PostScript-wrapped header
      {"", "%PDF-1.4\n%!PS-Adobe-3.0 PDF-1.6\n", 0, "1.6"},  // both: the second wins
  };
  for (const Case& c : cases) {
    TTestPdf pdf(c.prefix + c.header);
    pdf.Object(1, "<< /Type /Catalog >>");
    pdf.Table(WithFree0(pdf.InUse()), "<< /Size 2 /Root 1 0 R >>");
    TReaderOver r(pdf.text);
    EXPECT_EQ(r.reader.Error(), c.error) << c.header;
    if (c.error == 0) {
      EXPECT_EQ(r.reader.Version(), c.version) << c.header;
    }
  }
}

TEST(SmartPDFReader, TailScan) {
  struct Case {
    const char* what;
    std::size_t junkAfterEof;
    bool keepStartxrefWord;
    std::int64_t startxrefDelta;  // added to the table's offset
    bool rebuilt;                 // read through an index rebuilt by a scan
  } cases[] = {
      {"plain", 0, true, 0, false},
      {"1000 bytes after %%EOF", 1000, true, 0, false},
      // The number after the word "startxref" is taken.
      {"1100 bytes after %%EOF", 1100, true, 0, false},
      {"no startxref word", 0, false, 0, true},
      {"offset 20 bytes past the keyword", 0, true, 20, false},
      {"offset 21 bytes past the keyword", 0, true, 21, true},
      {"offset 16 bytes before the keyword", 0, true, -16, false},
      {"offset 17 bytes before the keyword", 0, true, -17, true},
  };
  for (const Case& c : cases) {
    TTestPdf pdf = ThreeObjects();
    // Padding keeps the probe window before the keyword free of "<<".
    pdf.text += std::string(40, ' ') + "\n";
    const std::int64_t at = pdf.Size();
    pdf.Table(WithFree0(pdf.InUse()), "<< /Size 4 /Root 1 0 R >>", 0);
    // Rewrite the tail with the chosen number.
    pdf.text.resize(pdf.text.rfind("startxref"));
    pdf.text += std::string(c.keepStartxrefWord ? "startxref" : "startxrex") + "\n" +
                std::to_string(at + c.startxrefDelta) + "\n%%EOF\n" + std::string(c.junkAfterEof, '#');
    TReaderOver r(pdf.text);
    EXPECT_EQ(r.reader.Error(), 0) << c.what;
    EXPECT_EQ(r.reader.Rebuilt(), c.rebuilt) << c.what;
    EXPECT_EQ(Text(r.reader.FetchObject(2)), "(two)") << c.what;
  }
}

TEST(SmartPDFReader, StartxrefNotPositive) {
  TTestPdf pdf = ThreeObjects();
  pdf.Table(WithFree0(pdf.InUse()), "<< /Size 4 >>", 0);
  TReaderOver r(pdf.text);
  // No section is read at offset 0; the scan finds the catalog.
  EXPECT_EQ(r.reader.StartXRef(), 0);
  EXPECT_TRUE(r.reader.Rebuilt());
}

TEST(SmartPDFReader, TableEntries) {
  TTestPdf pdf = ThreeObjects();
  // Two subsections, object 2 with generation 3, object 5 listed free.
  std::vector<TXEntry> e = {{0, 0, 65535, 'f'}, {1, pdf.offsets[1], 0, 'n'},
                            {2, pdf.offsets[2], 3, 'n'}, {5, 0, 1, 'f'},
                            {6, pdf.offsets[3], 0, 'n'}};
  pdf.Table(e, "<< /Size 7 /Root 1 0 R >>");
  TReaderOver r(pdf.text);
  ASSERT_EQ(r.reader.Error(), 0);
  EXPECT_EQ(r.reader.Entry(0), nullptr);  // object 0 is never stored
  ASSERT_NE(r.reader.Entry(2), nullptr);
  EXPECT_EQ(r.reader.Entry(2)->type, 'n');
  EXPECT_EQ(r.reader.Entry(2)->first, pdf.offsets[2]);
  EXPECT_EQ(r.reader.Entry(2)->second, 3);
  ASSERT_NE(r.reader.Entry(5), nullptr);
  EXPECT_EQ(r.reader.Entry(5)->type, 'f');
  EXPECT_EQ(r.reader.Entry(3), nullptr);  // in no subsection
  EXPECT_EQ(r.reader.EntryTableSize(), 7);
  EXPECT_EQ(Text(r.reader.FetchObject(6)), "(three)");
  EXPECT_EQ(r.reader.FetchObject(5), nullptr);
  EXPECT_EQ(r.reader.FetchObject(7), nullptr);
  EXPECT_EQ(r.reader.FetchObject(-1), nullptr);
  // A table's trailer without a dictionary fails the section: the index
  // is rebuilt.
  TTestPdf bad = ThreeObjects();
  bad.Table(WithFree0(bad.InUse()), "no dictionary");
  TReaderOver rb(bad.text);
  EXPECT_EQ(rb.reader.Error(), 0);
  EXPECT_TRUE(rb.reader.Rebuilt());
}

TEST(SmartPDFReader, CommentsBeforeSubsectionHeadersAreWhiteSpace) {
  for (const char* comment : {"% 7 9 written by hand\n", "%a\r\n  %b 5\n\n"}) {
    TTestPdf pdf = ThreeObjects();
    const std::int64_t xref = pdf.Table(WithFree0(pdf.InUse()), "<< /Size 4 /Root 1 0 R >>");
    pdf.text.insert(static_cast<std::size_t>(xref) + 5, comment);
    TReaderOver r(pdf.text);
    ASSERT_EQ(r.reader.Error(), 0) << comment;
    EXPECT_EQ(Text(r.reader.FetchObject(3)), "(three)") << comment;
  }
}

TEST(SmartPDFReader, IncrementalUpdates) {
  struct Case {
    const char* what;
    std::string update;  // entry of object 5 in the update: 'n' redefines, 'f' frees
    std::string want;
  } cases[] = {
      {"redefined", "n", "(new)"},
      {"freed", "f", "<none>"},
  };
  for (const Case& c : cases) {
    TTestPdf pdf;
    pdf.Object(1, "<< /Type /Catalog >>");
    pdf.Object(5, "(old)");
    const std::int64_t first = pdf.Table(
        {{0, 0, 65535, 'f'}, {1, pdf.offsets[1], 0, 'n'}, {5, pdf.offsets[5], 0, 'n'}},
        "<< /Size 6 /Root 1 0 R >>");
    std::vector<TXEntry> upd;
    if (c.update == "n") {
      pdf.Object(5, "(new)");
      upd.push_back({5, pdf.offsets[5], 0, 'n'});
    } else {
      upd.push_back({5, 0, 1, 'f'});
    }
    pdf.Table(upd, "<< /Size 6 /Root 1 0 R /Prev " + std::to_string(first) + " >>");
    TReaderOver r(pdf.text);
    ASSERT_EQ(r.reader.Error(), 0) << c.what;
    EXPECT_EQ(Text(r.reader.FetchObject(5)), c.want) << c.what;
    EXPECT_EQ(Text(r.reader.FetchObject(1)), "<<\n/Type /Catalog\n>>\n") << c.what;
    EXPECT_EQ(r.reader.Trailers().size(), 2u) << c.what;
  }
}

TEST(SmartPDFReader, PrevChains) {
  struct Case {
    const char* what;
    bool loop;      // the older section's /Prev points back at the newer one
    bool selfPrev;  // the newest section's /Prev points at itself
    bool broken;    // /Prev points at no section
    bool rebuilt;
  } cases[] = {
      {"two sections", false, false, false, false},
      {"loop back to the newer section ends there", true, false, false, false},
      // Only the newest section is read, which does not list the catalog.
      {"section naming itself ends there: rebuilt", false, true, false, true},
      {"broken /Prev fails the chain: rebuilt", false, false, true, true},
  };
  for (const Case& c : cases) {
    TTestPdf pdf = ThreeObjects();
    // The newer section's offset is known before the older one is written:
    // the older one comes first in the file and the newer one after it.
    const std::string olderAt = "0000000000";
    const std::int64_t older = pdf.Table(WithFree0(pdf.InUse({1, 2})),
                                         "<< /Size 4 /Root 1 0 R /Prev " + olderAt + " >>");
    const std::int64_t newer = pdf.Size();
    std::string prev = c.broken ? "5" : c.selfPrev ? std::to_string(newer) : std::to_string(older);
    pdf.Table(pdf.InUse({3}), "<< /Size 4 /Root 1 0 R /Prev " + prev + " >>");
    // Patch the older section's /Prev: a loop names the newer section,
    // otherwise it is removed by pointing at nothing numeric.
    const std::size_t p = pdf.text.find("/Prev " + olderAt);
    std::string newerAt = std::to_string(newer);
    newerAt.insert(0, 10 - newerAt.size(), '0');
    pdf.text.replace(p, 16, c.loop ? "/Prev " + newerAt : "/Pxxx 0000000000");
    TReaderOver r(pdf.text);
    EXPECT_EQ(r.reader.Error(), 0) << c.what;
    EXPECT_EQ(r.reader.Rebuilt(), c.rebuilt) << c.what;
    EXPECT_EQ(Text(r.reader.FetchObject(3)), "(three)") << c.what;
    EXPECT_EQ(Text(r.reader.FetchObject(2)), "(two)") << c.what;
  }
}

TEST(SmartPDFReader, XRefStreamWidths) {
  struct Case {
    const char* what;
    std::vector<int> widths;
    std::string index;  // "" for no /Index
  } cases[] = {
      {"[1 2 1] without /Index covers 0 to /Size - 1", {1, 2, 1}, ""},
      {"[1 4 2]: four-byte offsets", {1, 4, 2}, ""},
      {"[0 3 0]: type 1 and generation 0 by default", {0, 3, 0}, ""},
      {"[1 8 1]: eight-byte offsets", {1, 8, 1}, ""},
      {"/Index [0 4]", {1, 2, 1}, "/Index [0 4]"},
  };
  for (const Case& c : cases) {
    TTestPdf pdf = ThreeObjects();
    std::vector<TXEntry> e = {{0, 0, 0, c.widths[0] == 0 ? 'n' : 'f'}, {1, pdf.offsets[1], 0, 'n'},
                              {2, pdf.offsets[2], 0, 'n'}, {3, pdf.offsets[3], 0, 'n'}};
    pdf.XRefStream(4, e, c.widths, "/Size 4 /Root 1 0 R " + c.index);
    TReaderOver r(pdf.text);
    ASSERT_EQ(r.reader.Error(), 0) << c.what;
    for (std::int64_t n = 1; n <= 3; ++n) {
      ASSERT_NE(r.reader.Entry(n), nullptr) << c.what << " n=" << n;
      EXPECT_EQ(r.reader.Entry(n)->type, 'n') << c.what;
      EXPECT_EQ(r.reader.Entry(n)->first, pdf.offsets[n]) << c.what;
    }
    EXPECT_EQ(Text(r.reader.FetchObject(3)), "(three)") << c.what;
    EXPECT_EQ(r.reader.Trailer()->TypeName(), "XRef") << c.what;
  }
}

TEST(SmartPDFReader, XRefStreamEntryKinds) {
  TTestPdf pdf = ThreeObjects();
  // /Index with two pairs; a free entry, a compressed one and one of an
  // unknown type (which consumes only its type byte).
  std::string data;
  TTestPdf::Put(data, 1, 1), TTestPdf::Put(data, pdf.offsets[1], 2), TTestPdf::Put(data, 7, 1);
  TTestPdf::Put(data, 0, 1), TTestPdf::Put(data, 9, 2), TTestPdf::Put(data, 2, 1);
  TTestPdf::Put(data, 2, 1), TTestPdf::Put(data, 12, 2), TTestPdf::Put(data, 4, 1);
  TTestPdf::Put(data, 9, 1);
  TTestPdf::Put(data, 1, 1), TTestPdf::Put(data, pdf.offsets[3], 2), TTestPdf::Put(data, 0, 1);
  const std::int64_t at = pdf.Size();
  pdf.text += "8 0 obj\n<< /Type /XRef /Size 31 /W [1 2 1] /Index [1 3 20 2] /Root 1 0 R /Length " +
              std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream\nendobj\n";
  pdf.Tail(at);
  TReaderOver r(pdf.text);
  ASSERT_EQ(r.reader.Error(), 0);
  ASSERT_NE(r.reader.Entry(1), nullptr);
  EXPECT_EQ(r.reader.Entry(1)->second, 7);  // generation
  ASSERT_NE(r.reader.Entry(2), nullptr);
  EXPECT_EQ(r.reader.Entry(2)->type, 'f');
  ASSERT_NE(r.reader.Entry(3), nullptr);
  EXPECT_EQ(r.reader.Entry(3)->type, 'c');
  EXPECT_EQ(r.reader.Entry(3)->first, 12);
  EXPECT_EQ(r.reader.Entry(3)->second, 4);
  EXPECT_EQ(r.reader.Entry(20), nullptr);  // unknown type: nothing stored
  ASSERT_NE(r.reader.Entry(21), nullptr);
  EXPECT_EQ(r.reader.Entry(21)->first, pdf.offsets[3]);
}

TEST(SmartPDFReader, XRefStreamFlateWithPredictor) {
  TTestPdf pdf = ThreeObjects();
  // PNG "Up" rows of 4 bytes, the form qpdf and others write.
  std::string raw, prevRow(4, '\0');
  for (std::int64_t n = 0; n <= 3; ++n) {
    std::string row;
    TTestPdf::Put(row, n == 0 ? 0 : 1, 1);
    TTestPdf::Put(row, n == 0 ? 0 : pdf.offsets[n], 2);
    TTestPdf::Put(row, 0, 1);
    raw.push_back(2);
    for (int k = 0; k < 4; ++k) raw.push_back(static_cast<char>(row[k] - prevRow[k]));
    prevRow = row;
  }
  uLongf size = compressBound(raw.size());
  std::string packed(size, '\0');
  ASSERT_EQ(compress(reinterpret_cast<Bytef*>(packed.data()), &size,
                     reinterpret_cast<const Bytef*>(raw.data()), raw.size()), Z_OK);
  packed.resize(size);
  const std::int64_t at = pdf.Size();
  pdf.text += "4 0 obj\n<< /Type /XRef /Size 4 /W [1 2 1] /Root 1 0 R /Filter /FlateDecode "
              "/DecodeParms << /Columns 4 /Predictor 12 >> /Length " + std::to_string(packed.size()) +
              " >>\nstream\r\n" + packed + "\nendstream\nendobj\n";
  pdf.Tail(at);
  TReaderOver r(pdf.text);
  ASSERT_EQ(r.reader.Error(), 0);
  EXPECT_EQ(Text(r.reader.FetchObject(2)), "(two)");
}

TEST(SmartPDFReader, XRefStreamFaults) {
  struct Case {
    const char* what;
    std::string dict;
    bool hasEntries;  // the section gives entries; otherwise a scan does
  } cases[] = {
      {"not /Type /XRef", "/Type /XRefs /Size 4 /W [1 2 1]", false},
      {"no /Size", "/Type /XRef /W [1 2 1]", false},
      {"/W of two items: no entries", "/Type /XRef /Size 4 /W [1 2]", false},
      {"a width above 8: no entries", "/Type /XRef /Size 4 /W [1 9 1]", false},
      {"all widths 0: no entries", "/Type /XRef /Size 4 /W [0 0 0]", false},
      {"huge /Size with short data", "/Type /XRef /Size 2000000000 /W [1 2 1]", true},
  };
  for (const Case& c : cases) {
    TTestPdf pdf = ThreeObjects();
    std::string data;
    for (std::int64_t n = 0; n <= 3; ++n) {
      TTestPdf::Put(data, n == 0 ? 0 : 1, 1);
      TTestPdf::Put(data, n == 0 ? 0 : pdf.offsets[n], 2);
      TTestPdf::Put(data, 0, 1);
    }
    const std::int64_t at = pdf.Size();
    pdf.text += "4 0 obj\n<< " + c.dict + " /Root 1 0 R /Length " + std::to_string(data.size()) +
                " >>\nstream\n" + data + "\nendstream\nendobj\n";
    pdf.Tail(at);
    TReaderOver r(pdf.text);
    EXPECT_EQ(r.reader.Error(), 0) << c.what;
    EXPECT_EQ(r.reader.Rebuilt(), !c.hasEntries) << c.what;
    EXPECT_EQ(Text(r.reader.FetchObject(2)), "(two)") << c.what;
  }
}

TEST(SmartPDFReader, HybridFiles) {
  struct Case {
    const char* what;
    bool brokenStream;
    std::string want2;
  } cases[] = {
      // The table lists object 2 as free; the /XRefStm stream has it in
      // object stream 5.
      {"stream entries replace the table's free ones", false, "(two)"},
      {"an unreadable /XRefStm leaves the object unknown", true, "<none>"},
  };
  for (const Case& c : cases) {
    TTestPdf pdf;
    pdf.Object(1, "<< /Type /Catalog >>");
    const std::string members = "(two)";
    pdf.Object(5, "<< /Type /ObjStm /N 1 /First 4 /Length " + std::to_string(4 + members.size()) +
                      " >>\nstream\n2 0 " + members + "\nendstream");
    std::string data;
    TTestPdf::Put(data, 2, 1), TTestPdf::Put(data, 5, 2), TTestPdf::Put(data, 0, 1);
    const std::int64_t stm = pdf.Size();
    pdf.text += "6 0 obj\n<< /Type /XRef /Size 7 /W [1 2 1] /Index [2 1] /Length 4 >>\nstream\n" +
                data + "\nendstream\nendobj\n";
    pdf.Table({{0, 0, 65535, 'f'}, {1, pdf.offsets[1], 0, 'n'}, {2, 0, 0, 'f'},
               {5, pdf.offsets[5], 0, 'n'}},
              "<< /Size 7 /Root 1 0 R /XRefStm " + std::to_string(c.brokenStream ? 3 : stm) + " >>");
    TReaderOver r(pdf.text);
    ASSERT_EQ(r.reader.Error(), 0) << c.what;
    EXPECT_EQ(Text(r.reader.FetchObject(2)), c.want2) << c.what;
    EXPECT_NE(r.reader.TrailerDictionary("Root"), nullptr) << c.what;
  }
}

TEST(SmartPDFReader, ShortObjectBeforeTable) {
  // The probe window before the table holds the "<<" of a short object.
  TTestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog >>");
  pdf.text += "2 0 obj <</A 1>>\nendobj\n";
  pdf.offsets[2] = pdf.text.rfind("2 0 obj");
  pdf.Table(WithFree0(pdf.InUse()), "<< /Size 3 /Root 1 0 R >>");
  TReaderOver r(pdf.text);
  ASSERT_EQ(r.reader.Error(), 0);
  EXPECT_EQ(r.reader.FetchObject(2)->AsText(), "<<\n/A 1\n>>\n");
}

TEST(SmartPDFReader, ObjectTextBounds) {
  TTestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog >>");
  // Object 2's offset is followed by object 3's offset 100 bytes later; a
  // string that runs on into object 3 is read only to that offset.
  const std::int64_t o2 = pdf.Size();
  pdf.text += "2 0 obj\n(" + std::string(200, 'a') + ")\nendobj\n";
  // Object 4 sits after the trailer, before startxref: no known offset
  // follows it, so it reads to the end of the file. Its entry is patched in
  // once its offset is known (entries have a fixed width).
  const std::int64_t x = pdf.Table({{0, 0, 65535, 'f'}, {1, pdf.offsets[1], 0, 'n'}, {2, o2, 0, 'n'},
                                    {3, o2 + 100, 0, 'n'}, {4, 0, 0, 'n'}},
                                   "<< /Size 5 /Root 1 0 R >>");
  pdf.text.resize(pdf.text.rfind("startxref"));
  const std::int64_t last = pdf.Size();
  pdf.text += "4 0 obj\n(last)\nendobj\n";
  pdf.Tail(x);
  const std::string field = std::to_string(last);
  pdf.text.replace(static_cast<std::size_t>(x) + 9 + 4 * 20 + 10 - field.size(), field.size(), field);

  TReaderOver r(pdf.text);
  ASSERT_EQ(r.reader.Error(), 0);
  EXPECT_EQ(r.reader.GetObjectText(2).size(), 100u - 7u);  // 100 bytes minus "2 0 obj"
  EXPECT_EQ(r.reader.FetchObject(2), nullptr);  // the cut string is unbalanced
  const std::string text4 = r.reader.GetObjectText(4);
  EXPECT_EQ(text4.substr(0, 7), "\n(last)");
  EXPECT_EQ(text4.substr(text4.size() - 6), "%%EOF\n");
  EXPECT_EQ(Text(r.reader.FetchObject(4)), "(last)");
}

TEST(SmartPDFReader, ReferenceGenerationIgnored) {
  // /Info 7 1 R names generation 1; the table records generation 0.
  TTestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog >>");
  pdf.Object(7, "<< /Answer 42 >>");
  pdf.Table({{0, 0, 65535, 'f'}, {1, pdf.offsets[1], 0, 'n'}, {7, pdf.offsets[7], 0, 'n'}},
            "<< /Size 8 /Root 1 0 R /Info 7 1 R >>");
  TReaderOver r(pdf.text);
  ASSERT_EQ(r.reader.Error(), 0);
  TPDFDictionary* info = r.reader.TrailerDictionary("Info");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->GetInteger("Answer", 0), 42);
  TPDFIndRef* ref = r.reader.TrailerReference("Info");
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->GenNum(), 1);
}

TEST(SmartPDFReader, TrailerLookupsFallBackToOlderTrailers) {
  TTestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog >>");
  pdf.Object(2, "<< /Title (t) >>");
  const std::int64_t first = pdf.Table(WithFree0(pdf.InUse()), "<< /Size 3 /Root 1 0 R /Info 2 0 R >>");
  // The update's /Info names a missing object; /Root is absent.
  pdf.Table({{0, 0, 65535, 'f'}},
            "<< /Size 3 /Info 9 0 R /Prev " + std::to_string(first) + " >>");
  TReaderOver r(pdf.text);
  ASSERT_EQ(r.reader.Error(), 0);
  EXPECT_NE(r.reader.TrailerDictionary("Root"), nullptr);
  EXPECT_NE(r.reader.TrailerDictionary("Info"), nullptr);
  EXPECT_EQ(r.reader.TrailerReference("Info")->ObjNum(), 9);  // the newest that has the key
  EXPECT_EQ(r.reader.TrailerDictionary("Encrypt"), nullptr);
  EXPECT_FALSE(r.reader.Encrypted());
}

TEST(SmartPDFReader, StreamData) {
  struct Case {
    const char* what;
    std::string body;
    std::string want;  // raw data, or "<dict>" when no stream results
  } cases[] = {
      {"LF after stream", "<< /Length 5 >>\nstream\nHello\nendstream", "Hello"},
      {"CR LF after stream", "<< /Length 5 >>\nstream\r\nHello\nendstream", "Hello"},
      {"lone CR after stream", "<< /Length 5 >>\nstream\rHello\nendstream", "Hello"},
      {"blank after stream: no data", "<< /Length 5 >>\nstream Hello\nendstream", "<dict>"},
      {"/Length as a reference", "<< /Length 9 0 R >>\nstream\nHello world\nendstream", "Hello"},
      {"/Length naming itself", "<< /Length 2 0 R >>\nstream\nHello\nendstream", "<dict>"},
      {"/Length longer than the text", "<< /Length 500 >>\nstream\nHi\nendstream", "Hi\nendstream\nendobj\n"},
      {"no endstream", "<< /Length 5 >>\nstream\nHello", "<dict>"},
  };
  for (const Case& c : cases) {
    TTestPdf pdf;
    pdf.Object(1, "<< /Type /Catalog >>");
    pdf.Object(2, c.body);
    pdf.Object(9, "5");
    pdf.Table({{0, 0, 65535, 'f'}, {1, pdf.offsets[1], 0, 'n'}, {2, pdf.offsets[2], 0, 'n'},
               {9, pdf.offsets[9], 0, 'n'}},
              "<< /Size 10 /Root 1 0 R >>");
    TReaderOver r(pdf.text);
    ASSERT_EQ(r.reader.Error(), 0) << c.what;
    TPDFObject* obj = r.reader.FetchObject(2);
    if (c.want == "<dict>") {
      EXPECT_NE(PDFAs<TPDFDictionary>(obj), nullptr) << c.what;
    } else {
      auto* s = PDFAs<TPDFStream>(obj);
      ASSERT_NE(s, nullptr) << c.what;
      EXPECT_EQ(s->Stream(), c.want) << c.what;
    }
  }
}

// An object stream holding objects 10 and 11, and object 12 stored
// directly; the table lists 10 and 11 as compressed entries of object 5.
std::string ObjectStreamFile(const std::string& header, int n) {
  TTestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog >>");
  const std::string members = "(ten) << /Eleven 11 >>";
  const std::string data = header + members;
  pdf.Object(5, "<< /Type /ObjStm /N " + std::to_string(n) + " /First " +
                    std::to_string(header.size()) + " /Length " + std::to_string(data.size()) +
                    " >>\nstream\n" + data + "\nendstream");
  const std::int64_t at = pdf.Size();
  pdf.text += "xref\n0 2\n0000000000 65535 f \n";
  char line[32];
  std::snprintf(line, sizeof line, "%010lld 00000 n \n", static_cast<long long>(pdf.offsets[1]));
  pdf.text += line;
  pdf.text += "5 1\n";
  std::snprintf(line, sizeof line, "%010lld 00000 n \n", static_cast<long long>(pdf.offsets[5]));
  pdf.text += line;
  pdf.text += "10 2\n0000000005 00000 c \n0000000005 00001 c \n";
  pdf.text += "trailer\n<< /Size 12 /Root 1 0 R >>\n";
  pdf.Tail(at);
  return pdf.text;
}

TEST(SmartPDFReader, ObjectStreams) {
  struct Case {
    const char* what;
    std::string header;
    int n;
    std::string want10, want11;
  } cases[] = {
      {"two members", "10 0 11 6 ", 2, "(ten)", "<<\n/Eleven 11\n>>\n"},
      {"header pair names another object", "10 0 99 6 ", 2, "(ten)", "<none>"},
      {"/N larger than the header", "10 0 11 6 ", 3, "<none>", "<none>"},
      {"/N of one: index 1 is outside", "10 0 11 6 ", 1, "(ten)", "<none>"},
  };
  for (const Case& c : cases) {
    TReaderOver r(ObjectStreamFile(c.header, c.n));
    ASSERT_EQ(r.reader.Error(), 0) << c.what;
    EXPECT_EQ(Text(r.reader.FetchObject(10)), c.want10) << c.what;
    EXPECT_EQ(Text(r.reader.FetchObject(11)), c.want11) << c.what;
    // A second fetch comes from the cached, decoded stream.
    EXPECT_EQ(Text(r.reader.FetchObject(10)), c.want10) << c.what;
  }
}

TEST(SmartPDFReader, ObjectStreamInsideItselfEnds) {
  // Object 5 is listed as a member of object stream 5.
  TTestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog >>");
  const std::int64_t at = pdf.Size();
  pdf.text += "xref\n0 2\n0000000000 65535 f \n";
  char line[32];
  std::snprintf(line, sizeof line, "%010lld 00000 n \n", static_cast<long long>(pdf.offsets[1]));
  pdf.text += line;
  pdf.text += "5 2\n0000000005 00000 c \n0000000006 00000 c \n";
  pdf.text += "trailer\n<< /Size 7 /Root 1 0 R >>\n";
  pdf.Tail(at);
  TReaderOver r(pdf.text);
  ASSERT_EQ(r.reader.Error(), 0);
  EXPECT_EQ(r.reader.FetchObject(5), nullptr);
  EXPECT_EQ(r.reader.FetchObject(6), nullptr);
}

TEST(SmartPDFReader, TruncationSweep) {
  // Every prefix of a valid file reads without fault; only those that keep
  // the startxref number whole (%%EOF may be cut) read through the table,
  // the others through a scan once the catalog's header is there.
  TTestPdf pdf = ThreeObjects();
  pdf.Table(WithFree0(pdf.InUse()), "<< /Size 4 /Root 1 0 R >>");
  for (std::size_t len = 0; len <= pdf.text.size(); ++len) {
    TReaderOver r(pdf.text.substr(0, len));
    if (r.reader.Error() == 0 && !r.reader.Rebuilt()) {
      EXPECT_GE(len, pdf.text.rfind("\n%%EOF"));
      EXPECT_EQ(Text(r.reader.FetchObject(3)), "(three)");
    }
    if (r.reader.Error() == 0) r.reader.FetchObject(3);
  }
}

TEST(SmartPDFReader, ReadsOnlyPartsOfTheFile) {
  // A 1 MB object in the middle is never read at open.
  TTestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog >>");
  pdf.Object(2, "(" + std::string(1 << 20, 'x') + ")");
  pdf.Table(WithFree0(pdf.InUse()), "<< /Size 3 /Root 1 0 R >>");
  TSmartPDFMemorySource source(pdf.text);
  TSmartPDFReader reader(source);
  ASSERT_EQ(reader.Error(), 0);
  EXPECT_LT(source.BytesRead(), 8000u);
  EXPECT_NE(reader.TrailerDictionary("Root"), nullptr);
  EXPECT_LT(source.BytesRead(), 9000u);
}

}  // namespace
}  // namespace tessaly::pdf
