// RTF files written by real programs (tests/data/ravelt, see its README):
// each must give its known text, whole or fed in small chunks, and every
// truncated prefix must read without harm.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tools/ravelt/RtfReader.h"

namespace tessaly::ravelt {
namespace {

std::string ReadData(const std::string& name) {
  std::ifstream in(std::string(TESSALY_TEST_DATA) + "/ravelt/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Interpret(const std::string& rtf, std::size_t chunk, TRtfReader::Status* status = nullptr) {
  TRtfReader reader;
  const auto* bytes = reinterpret_cast<const unsigned char*>(rtf.data());
  for (std::size_t at = 0; at < rtf.size(); at += chunk) reader.Feed(bytes + at, std::min(chunk, rtf.size() - at));
  const TRtfReader::Status s = reader.Finish();
  if (status != nullptr) *status = s;
  return reader.TakeText();
}

struct RealFile {
  const char* name;
  const char* text;
};

const RealFile kRealFiles[] = {
    // pandoc: \uN text with "?" fallbacks, bullets and numbers as text,
    // cells whose paragraphs end with \par before \cell, a hyperlink field.
    {"pandoc-sample.rtf",
     "Grüße aus Köln\r\n"
     "Plain paragraph with 100% of “quoted” words — and an en–dash.\r\n"
     "Second paragraph: Ελληνικά, Русский, 日本語 and the euro €.\r\n"
     "•\tFirst item\r\n"
     "•\tSecond item with emphasis\r\n"
     "1.\tNumbered one\r\n"
     "2.\tNumbered two\r\n"
     "Name\tCittà\r\n"
     "Zoë\tGenève\r\n"
     "Åsa\tMalmö\r\n"
     "\r\n"
     "See the site for more.\r\n"},
    // LibreOffice: \uN with \'hh fallbacks, \listtext labels (the heading's
    // empty numbering, a lone tab, shows nothing), list and style tables,
    // footers and bookmarks to leave out.
    {"libreoffice-sample.rtf",
     "Grüße aus Köln\r\n"
     "Plain paragraph with 100% of “quoted” words — and an en–dash.\r\n"
     "Second paragraph: Ελληνικά, Русский, 日本語 and the euro €.\r\n"
     "•\tFirst item\r\n"
     "•\tSecond item with emphasis\r\n"
     " 1.\tNumbered one\r\n"
     " 2.\tNumbered two\r\n"
     "Name\tCittà\r\n"
     "Zoë\tGenève\r\n"
     "Åsa\tMalmö\r\n"
     "See the site for more.\r\n"},
    // LibreOffice: no header, footer or hidden words; field results; the
    // footnote after the body; an empty cell and a cell of two paragraphs.
    {"libreoffice-features.rtf",
     "Visible start visible end.\r\n"
     "A sentence with a note in it.\r\n"
     "Field: Ann Author and a link text.\r\n"
     "Tab\tseparated\r\n"
     "second line\r\n"
     "r1c1\t\tr1c3 first\r\n"
     "r1c3 second\r\n"
     "Æble\tØl\tÅen\r\n"
     "Після таблиці: Ελληνικά 中文 — done.\r\n"
     "The footnote body.\r\n"},
    // latex2rtf: \uN for Latin-1 letters, a bullet list and a table.
    {"latex2rtf-latin1.rtf",
     "Café crème brûlée naïve.\r\n"
     "Second paragraph with emphasis and 50% off.\r\n"
     "•\tFirst point \r\n"
     "•\tSecond point \r\n"
     "\r\n"
     " Key\tValue\r\n"
     "Größe\t42\r\n"
     " \r\n"},
    // enscript: raw 8-bit Latin-1 bytes in the text, \line, escaped braces.
    {"enscript-latin1.rtf",
     "Café crème brûlée.\r\n"
     "Grüße {braces} and 100% off.\r\n"
     "\tTabbed line.\r\n"},
    // RTF::Writer: \'hh escapes in code page 1252, \uN above it, a table.
    {"rtfwriter-sample.rtf",
     "Café naïve façade, £5 or 7°C.\r\n"
     "Bold Øresund and ‘quoted’ text.\r\n"
     "Köln\tMünchen\r\n"
     "Zürich\t“Genève”\r\n"
     "Euro € and Greek Ωμέγα.\r\n"},
};

TEST(RealFilesTest, KnownText) {
  for (const RealFile& f : kRealFiles) {
    const std::string rtf = ReadData(f.name);
    ASSERT_FALSE(rtf.empty()) << f.name;
    TRtfReader::Status status;
    EXPECT_EQ(Interpret(rtf, rtf.size(), &status), f.text) << f.name;
    EXPECT_EQ(status, TRtfReader::Status::kDone) << f.name;
    EXPECT_EQ(Interpret(rtf, 7), f.text) << f.name << " in chunks of 7";
  }
}

TEST(RealFilesTest, TruncationSweep) {
  // Every prefix either is no RTF yet or ends inside a group; none reads
  // as a whole document, and none yields more text than the whole file.
  for (const RealFile& f : kRealFiles) {
    const std::string rtf = ReadData(f.name);
    const std::size_t wholeSize = std::string(f.text).size();
    const std::size_t end = rtf.rfind('}');
    for (std::size_t n = 0; n < end; n += 3) {
      TRtfReader::Status status;
      const std::string text = Interpret(rtf.substr(0, n), 64, &status);
      EXPECT_NE(status, TRtfReader::Status::kDone) << f.name << " cut at " << n;
      EXPECT_LE(text.size(), wholeSize + 8) << f.name << " cut at " << n;
    }
  }
}

}  // namespace
}  // namespace tessaly::ravelt
