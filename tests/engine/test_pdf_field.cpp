// The PDF information-field test: field names, A-to-Z-only folding, and a
// search's toolkit across loadable and unloadable files (fixtures from
// tests/data/pdf, written by Ghostscript and qpdf).
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "RecordingHost.h"
#include "engine/PdfFieldTest.h"
#include "engine/ResultStore.h"
#include "engine/SearchContext.h"
#include "engine/SearchCriteria.h"

namespace tessaly::engine {
namespace {

std::string Fixture(const std::string& name) { return std::string(TESSALY_TEST_DATA) + "/pdf/" + name; }

struct Search {
  SearchCriteria criteria;
  ResultStore store;
  test::RecordingHost host;
  std::atomic<bool> stop{false};
  SearchContext context{criteria, store, host, stop, {}};
};

TEST(PdfField, FieldIndexes) {
  const std::pair<const char*, int> cases[] = {{"Author", 1},   {"Title", 2},    {"Subject", 3},   {"Keywords", 4},
                                               {"Creator", 5},  {"Producer", 6}, {"Full-Text", 0}, {"author", 0},
                                               {"CreationDate", 0}};
  for (const auto& [name, index] : cases) EXPECT_EQ(PdfFieldIndex(name), index) << name;
}

TEST(PdfField, Contains) {
  struct Case {
    const char* name;
    const char* file;
    const char* field;
    const char* text;
    bool caseSensitive;
    bool contains;
  };
  const Case cases[] = {
      // Author "J. Smith".
      {"folded", "gs-smith.pdf", "Author", "smith", false, true},
      {"longer than the field", "gs-smith.pdf", "Author", "Smith Jr.", false, false},
      {"case-sensitive mismatch", "gs-smith.pdf", "Author", "smith", true, false},
      {"case-sensitive match", "gs-smith.pdf", "Author", "Smith", true, true},
      {"other field", "gs-smith.pdf", "Title", "QUARTERLY", false, true},
      {"missing field", "gs-smith.pdf", "Creator", "a", false, false},
      // Title stored as UTF-16 "Café": only A to Z fold, é stays é.
      {"UTF-16 title", "gs-utf16.pdf", "Title", "CAF\xC3\xA9", false, true},
      {"accent not folded", "gs-utf16.pdf", "Title", "caf\xC3\x89", false, false},
      {"byte E9 as Windows-1252", "gs-utf16.pdf", "Creator", "caf\xC3\xA9 WRITER", false, true},
      // Encrypted: readable with the empty user password only.
      {"RC4 empty user password", "qpdf-rc4-128.pdf", "Author", "smith", false, true},
      {"RC4 user password set", "qpdf-rc4-128-user.pdf", "Author", "smith", false, false},
      {"AES-128", "qpdf-aes-128.pdf", "Author", "smith", false, true},
      {"AES-256", "qpdf-aes-256.pdf", "Title", "quarterly", false, true},
      {"AES-256 user password set", "qpdf-aes-256-user.pdf", "Author", "smith", false, false},
      {"not a field name", "gs-smith.pdf", "Full-Text", "smith", false, false},
      {"missing file", "none.pdf", "Author", "smith", false, false},
  };
  for (const Case& c : cases) {
    Search s;
    s.criteria.caseSensitive = c.caseSensitive;
    EXPECT_EQ(PdfFieldContains(s.context, Fixture(c.file), c.field, c.text), c.contains) << c.name;
  }
}

TEST(PdfField, OneToolkitPerSearchMadeOnFirstNeed) {
  Search s;
  EXPECT_EQ(s.context.pdfToolkit, nullptr);
  EXPECT_TRUE(PdfFieldContains(s.context, Fixture("gs-smith.pdf"), "Author", "smith"));
  ASSERT_NE(s.context.pdfToolkit, nullptr);
  const auto* toolkit = s.context.pdfToolkit.get();
  // After a file that cannot be loaded, the next one is tested on its own
  // fields, and a failed load never answers with the previous file's.
  EXPECT_FALSE(PdfFieldContains(s.context, Fixture("none.pdf"), "Author", "smith"));
  EXPECT_EQ(ReadPdfField(s.context, Fixture("none.pdf"), "Author"), "");
  EXPECT_TRUE(PdfFieldContains(s.context, Fixture("gs-utf16.pdf"), "Author", "ann"));
  EXPECT_FALSE(PdfFieldContains(s.context, TESSALY_TEST_DATA, "Author", "ann"));
  EXPECT_EQ(ReadPdfField(s.context, Fixture("qpdf-objstm.pdf"), "Author"), "J. Smith");
  EXPECT_EQ(s.context.pdfToolkit.get(), toolkit);
}

}  // namespace
}  // namespace tessaly::engine
