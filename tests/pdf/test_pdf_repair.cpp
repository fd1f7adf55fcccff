// Damaged files as they are met in the wild, made from real files of
// tests/data/pdf: both readers give what pdfinfo (poppler 22.12) gives on
// the same bytes, through offsets counted from the header or an index
// rebuilt by scanning the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "pdf/PdfToolkit.h"
#include "pdf/SmartPDFDocument.h"
#include "pdf/SmartPDFLink.h"
#include "pdf/SmartPDFSource.h"

namespace tessaly::pdf {
namespace {

std::string Fixture(const std::string& name) {
  std::ifstream in(std::string(TESSALY_TEST_DATA) + "/pdf/" + name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// Seven bytes after the header line: every offset of the file is 7 short.
std::string Shifted7(std::string text) {
  text.insert(text.find('\n') + 1, "%pad7\n ");
  return text;
}

struct Expected {
  int pages;
  double width, height;
  const char* fields[6];  // Author, Title, Subject, Keywords, Creator, Producer
};

const Expected kReportLab = {4, 612, 792,
                             {"Rita Lab", "ReportLab invoice", "Invoices", "invoice report", "mk_reportlab.py",
                              "ReportLab PDF Library - www.reportlab.com"}};
const Expected kSmith = {1, 595, 842,
                         {"J. Smith", "Quarterly report", "Sales", "alpha beta", "", "GPL Ghostscript 10.00.0"}};

TEST(PdfRepair, DamagedFilesReadAsPdfinfoReadsThem) {
  const std::string rl = Fixture("reportlab-trailer-comment.pdf");
  const std::string rc4 = Fixture("qpdf-rc4-v4.pdf");
  struct Case {
    const char* name;
    std::string bytes;
    const Expected& want;
  };
  const Case cases[] = {
      {"a mail header before %PDF-", "Received: from mail\r\nContent-Type: application/pdf\r\n\r\n" + rl, kReportLab},
      {"a byte-order mark before %PDF-", "\xEF\xBB\xBF" + rl, kReportLab},
      {"RC4 through /V 4, a line before %PDF-", "junk line\n" + rc4, kSmith},
      {"startxref on the trailer's line, trailer<<",
       Replaced(Replaced(rl, ">>\nstartxref\n", ">> startxref "), "trailer\n<<", "trailer<<"), kReportLab},
      {"no %%EOF", rl.substr(0, rl.rfind("%%EOF")), kReportLab},
      {"2000 bytes after %%EOF", rl + std::string(2000, '\0'), kReportLab},
      {"offsets 7 bytes off", Shifted7(rl), kReportLab},
      {"offsets 7 bytes off, RC4 through /V 4", Shifted7(rc4), kSmith},
      {"cross-reference table cut off", rl.substr(0, rl.rfind("xref") + 30), kReportLab},
      // pdfinfo gives up on these two; every object is there.
      {"offsets 7 bytes off, cross-reference and object streams", Shifted7(Fixture("qpdf-objstm.pdf")), kSmith},
      {"linearized, first-page trailer without /Root and /Prev",
       Replaced(Replaced(Fixture("qpdf-linear.pdf"), "/Root 5 0 R", std::string(11, ' ')), "/Prev 2905",
                std::string(10, ' ')),
       kSmith},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPdfToolkit toolkit;
    ASSERT_EQ(toolkit.LoadFromMemory(c.bytes), 1);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(toolkit.GetInformation(i + 1), c.want.fields[i]) << i + 1;

    TSmartPDFLink link(std::make_unique<TSmartPDFMemorySource>(c.bytes), "");
    ASSERT_TRUE(link.Valid());
    TSmartPDFDocument& doc = *link.Document();
    EXPECT_EQ(doc.PageCount(), c.want.pages);
    TPDFIndRef* first = doc.FindPage(1);
    EXPECT_EQ(doc.PageWidth(first), c.want.width);
    EXPECT_EQ(doc.PageHeight(first), c.want.height);
    EXPECT_NE(doc.FindPage(c.want.pages), nullptr);
  }
}

TEST(PdfRepair, AStopAtAnyQuestionEndsTheLoadOfALargeDamagedFile) {
  // 6 MiB of comment after the header line: every offset is off, so the
  // file is read in pieces and then rebuilt by a scan of many pieces.
  std::string bytes = Fixture("reportlab-trailer-comment.pdf");
  bytes.insert(bytes.find('\n') + 1, "%" + std::string(6u << 20, 'x') + "\n");
  const std::string path = ::testing::TempDir() + "large-damaged.pdf";
  std::ofstream(path, std::ios::binary) << bytes;

  int asked = 0;
  TPdfToolkit toolkit;
  toolkit.SetStopCheck([&] { return ++asked < 0; });
  ASSERT_EQ(toolkit.LoadFromFile(path), 1);
  EXPECT_EQ(toolkit.GetInformation(1), "Rita Lab");
  const int questions = asked;
  EXPECT_GT(questions, 6) << "the scan asks once per mebibyte";

  // A stop at any of those questions fails the load and keeps the document
  // loaded before.
  ASSERT_EQ(toolkit.LoadFromMemory(Fixture("gs-smith.pdf")), 1);
  for (int stopAt = 1; stopAt <= questions; ++stopAt) {
    SCOPED_TRACE(stopAt);
    asked = 0;
    toolkit.SetStopCheck([&] { return ++asked >= stopAt; });
    EXPECT_EQ(toolkit.LoadFromFile(path), 0);
    EXPECT_EQ(asked, stopAt);
    EXPECT_EQ(toolkit.GetInformation(1), "J. Smith");
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tessaly::pdf
