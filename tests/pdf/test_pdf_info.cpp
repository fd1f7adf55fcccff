// The facade's information and encryption queries: the field table, text
// decoding, the information dictionary's odd forms, encrypted files written
// by qpdf and Ghostscript and built in code, and the selection rules around
// failed loads.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "PdfTextBuilder.h"
#include "pdf/PDFDate.h"
#include "pdf/PDFDocument.h"
#include "pdf/PDFMD5.h"
#include "pdf/PDFRC4.h"
#include "pdf/PDFSecurity.h"
#include "pdf/PdfToolkit.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {
namespace {

using test::PdfTextBuilder;
using test::XRefRow;

std::string Fixture(const std::string& name) { return std::string(TESSALY_TEST_DATA) + "/pdf/" + name; }

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

// A file with catalog 1 and the given objects, and `trailerKeys` added to
// /Size and /Root.
std::string FileWith(const std::vector<std::pair<int, std::string>>& objects, const std::string& trailerKeys) {
  PdfTextBuilder b;
  b.Add(1, "<< /Type /Catalog >>");
  std::vector<XRefRow> rows = {{0, 0, 65535, 0}, {1, static_cast<std::uint64_t>(b.Offset(1)), 0, 1}};
  for (const auto& [n, body] : objects) rows.push_back({n, static_cast<std::uint64_t>(b.Add(n, body)), 0, 1});
  b.Finish(b.Table(rows, "<< /Size 20 /Root 1 0 R " + trailerKeys + " >>"));
  return b.text;
}

TEST(PdfInformation, FieldTableOfAGhostscriptFile) {
  TPdfToolkit toolkit;
  ASSERT_EQ(toolkit.LoadFromFile(Fixture("gs-smith.pdf")), 1);
  struct Case {
    std::int64_t index;
    const char* text;
  };
  const Case cases[] = {
      {0, "1.7"},          {1, "J. Smith"},   {2, "Quarterly report"},
      {3, "Sales"},        {4, "alpha beta"}, {5, ""},  // Ghostscript writes no Creator here
      {6, "GPL Ghostscript 10.00.0"},
      {9, ""},             {-1, ""},          {1LL << 40, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(toolkit.GetInformation(c.index), c.text) << c.index;
  // Dates come back as stored.
  EXPECT_TRUE(std::regex_match(toolkit.GetInformation(7), std::regex(R"(D:\d{14}Z00'00')")))
      << toolkit.GetInformation(7);
  EXPECT_EQ(toolkit.Encrypted(), 0);
  EXPECT_EQ(toolkit.EncryptionStrength(), 0);
}

TEST(PdfInformation, TextForms) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, std::string>> objects;
    std::string trailer;
    const char* title;
  };
  const Case cases[] = {
      // Byte E9 passes the decoding table unchanged and reads as é.
      {"literal with octal escape", {{3, "<< /Title (Caf\\351) >>"}}, "/Info 3 0 R", "Caf\xC3\xA9"},
      {"UTF-16 hex", {{3, "<< /Title <FEFF00430061006600E9> >>"}}, "/Info 3 0 R", "Caf\xC3\xA9"},
      // PDF byte 8D is the left double quotation mark (Windows-1252 93).
      {"PDFDoc byte 8D", {{3, "<< /Title <8D> >>"}}, "/Info 3 0 R", "\xE2\x80\x9C"},
      {"referenced string", {{3, "<< /Title 12 0 R >>"}, {12, "(by reference)"}}, "/Info 3 0 R", "by reference"},
      {"stream value", {{3, "<< /Title 12 0 R >>"}, {12, "<< /Length 6 >>\nstream\nstream\nendstream"}},
       "/Info 3 0 R", "stream"},
      {"number value", {{3, "<< /Title 12 >>"}}, "/Info 3 0 R", ""},
      {"name value", {{3, "<< /Title /Name >>"}}, "/Info 3 0 R", ""},
      // A direct /Info is not read: it is replaced by a new empty one.
      {"direct info", {}, "/Info << /Title (direct) >>", ""},
      {"info object missing", {}, "/Info 7 0 R", ""},
      {"info not a dictionary", {{3, "(text)"}}, "/Info 3 0 R", ""},
      {"no info", {}, "", ""},
  };
  for (const Case& c : cases) {
    TPdfToolkit toolkit;
    ASSERT_EQ(toolkit.LoadFromMemory(FileWith(c.objects, c.trailer)), 1) << c.name;
    EXPECT_EQ(toolkit.GetInformation(2), c.title) << c.name;
    EXPECT_EQ(toolkit.GetInformation(1), "") << c.name;
    EXPECT_EQ(toolkit.GetInformation(0), "1.4") << c.name;
  }
}

TEST(PdfInformation, DirectInfoBecomesANewIndirectObject) {
  TPDFDocument doc;
  ASSERT_TRUE(doc.Load(FileWith({}, "/Info << /Title (direct) >>")));
  EXPECT_EQ(doc.ReadInfoField("Title"), "");
  auto* ref = PDFAs<TPDFIndRef>(doc.Trailer()->GetValue("Info"));
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->ObjNum(), 2);  // the next number after catalog 1
  EXPECT_NE(doc.FindIndObj(ref->ObjNum(), 0), nullptr);
}

TEST(PdfInformation, InitialDocument) {
  TPdfToolkit toolkit;
  EXPECT_EQ(toolkit.GetInformation(0), "1.4");
  EXPECT_EQ(toolkit.GetInformation(5), kPdfComponentIdentification);
  EXPECT_EQ(toolkit.GetInformation(6), kPdfComponentIdentification);
  EXPECT_TRUE(std::regex_match(toolkit.GetInformation(7), std::regex(R"(D:\d{14}(Z|[+-]\d\d'\d\d'))")))
      << toolkit.GetInformation(7);
  EXPECT_EQ(toolkit.GetInformation(7), toolkit.GetInformation(8));
  EXPECT_EQ(toolkit.Encrypted(), 0);
  // One page of 612 by 792 points under the catalog.
  TPDFDocument& doc = toolkit.SelectedDocument();
  auto* root = PDFAs<TPDFDictionary>(doc.Trailer()->GetValue("Root", true));
  ASSERT_NE(root, nullptr);
  auto* pages = PDFAs<TPDFDictionary>(root->GetValue("Pages", true));
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(pages->GetInteger("Count", 0), 1);
  auto* kids = PDFAs<TPDFArray>(pages->GetValue("Kids"));
  ASSERT_NE(kids, nullptr);
  auto* page = PDFAs<TPDFDictionary>(PDFAs<TPDFIndRef>(kids->Items(0))->Resolve());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->GetValue("MediaBox")->AsText(), "[ 0 0 612 792 ]");
  EXPECT_NE(PDFAs<TPDFArray>(doc.Trailer()->GetValue("ID")), nullptr);
}

TEST(PdfInformation, FailedLoadKeepsThePreviousDocument) {
  TPdfToolkit toolkit;
  ASSERT_EQ(toolkit.LoadFromFile(Fixture("gs-smith.pdf")), 1);
  TPDFDocument* smith = &toolkit.SelectedDocument();
  struct Case {
    const char* name;
    int (*load)(TPdfToolkit&);
  };
  const Case cases[] = {
      {"missing file", [](TPdfToolkit& t) { return t.LoadFromFile("/nonexistent/file.pdf"); }},
      {"a folder", [](TPdfToolkit& t) { return t.LoadFromFile(TESSALY_TEST_DATA); }},
      {"not a PDF", [](TPdfToolkit& t) { return t.LoadFromMemory("plain text"); }},
      {"broken cross-reference", [](TPdfToolkit& t) { return t.LoadFromMemory("%PDF-1.4\nstartxref\n3\n%%EOF"); }},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.load(toolkit), 0) << c.name;
    EXPECT_EQ(&toolkit.SelectedDocument(), smith) << c.name;
    EXPECT_EQ(toolkit.GetInformation(6), "GPL Ghostscript 10.00.0") << c.name;
  }
}

TEST(PdfInformation, FifoWithAPdfNameIsRefusedWithoutWaiting) {
  char folder[] = "/tmp/tessaly-pdf-fifo-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string fifo = std::string(folder) + "/pipe.pdf";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  TPdfToolkit toolkit;
  EXPECT_EQ(toolkit.LoadFromFile(fifo), 0);
  unlink(fifo.c_str());
  rmdir(folder);
}

TEST(PdfInformation, FailedFirstLoadDescribesTheInitialDocument) {
  TPdfToolkit toolkit;
  EXPECT_EQ(toolkit.LoadFromFile("/nonexistent.pdf"), 0);
  EXPECT_EQ(toolkit.GetInformation(6), kPdfComponentIdentification);
  EXPECT_EQ(toolkit.GetInformation(0), "1.4");
}

TEST(PdfInformation, OnlyTheLastLoadedDocumentIsKept) {
  TPdfToolkit toolkit;
  ASSERT_EQ(toolkit.LoadFromFile(Fixture("gs-smith.pdf")), 1);
  const TPDFDocument* first = &toolkit.SelectedDocument();
  ASSERT_EQ(toolkit.LoadFromFile(Fixture("gs-utf16.pdf")), 1);
  EXPECT_EQ(toolkit.GetInformation(1), "Ann Smithson");
  // The earlier document was released: it can no longer be selected.
  const TPDFDocument* second = &toolkit.SelectedDocument();
  if (first != second) {
    EXPECT_EQ(toolkit.SelectDocument(first), 0);
  }
  EXPECT_EQ(toolkit.SelectDocument(&toolkit.InitialDocument()), 1);
  EXPECT_EQ(toolkit.GetInformation(6), kPdfComponentIdentification);
  EXPECT_EQ(toolkit.SelectDocument(second), 1);
  EXPECT_EQ(toolkit.GetInformation(1), "Ann Smithson");
  EXPECT_EQ(toolkit.SelectDocument(nullptr), 0);
}

TEST(PdfInformation, LoadFromStream) {
  std::ifstream in(Fixture("qpdf-objstm.pdf"), std::ios::binary);
  TPdfToolkit toolkit;
  ASSERT_EQ(toolkit.LoadFromStream(in), 1);
  EXPECT_EQ(toolkit.GetInformation(1), "J. Smith");
}

TEST(PdfEncryption, FilesWrittenByQpdfAndGhostscript) {
  struct Case {
    const char* file;
    int encrypted;
    int strength;
    const char* author;
  };
  const Case cases[] = {
      {"qpdf-rc4-40.pdf", 1, 40, "J. Smith"},       // V 1, R 2, empty user password
      {"qpdf-rc4-128.pdf", 1, 128, "J. Smith"},     // V 2, R 3, empty user password
      {"qpdf-rc4-128-objstm.pdf", 1, 128, "J. Smith"},  // Info inside an encrypted object stream
      {"qpdf-rc4-40-user.pdf", 1, 40, ""},          // user and owner passwords set
      {"qpdf-rc4-128-user.pdf", 1, 128, ""},
      // Ghostscript writes /P 4294967292 (unsigned); it is -4.
      {"gs-rc4-128.pdf", 1, 128, "J. Smith"},
      {"qpdf-aes-128.pdf", 1, 128, "J. Smith"},     // V 4, crypt filter /AESV2
      {"qpdf-aes-128-clearmeta.pdf", 1, 128, "J. Smith"},  // /EncryptMetadata false
      {"qpdf-rc4-v4.pdf", 1, 128, "J. Smith"},      // V 4, crypt filter /V2 (RC4)
      {"qpdf-aes-256-r5.pdf", 1, 256, "J. Smith"},  // V 5, R 5 (SHA-256)
      {"qpdf-aes-256.pdf", 1, 256, "J. Smith"},     // V 5, R 6 (iterated hash)
      {"qpdf-aes-256-objstm.pdf", 1, 256, "J. Smith"},  // Info in an AES-256 object stream
      {"qpdf-aes-256-user.pdf", 1, 256, ""},        // user password set
      {"gs-smith.pdf", 0, 0, "J. Smith"},
  };
  for (const Case& c : cases) {
    TPdfToolkit toolkit;
    ASSERT_EQ(toolkit.LoadFromFile(Fixture(c.file)), 1) << c.file;
    EXPECT_EQ(toolkit.Encrypted(), c.encrypted) << c.file;
    EXPECT_EQ(toolkit.EncryptionStrength(), c.strength) << c.file;
    EXPECT_EQ(toolkit.GetInformation(1), c.author) << c.file;
    EXPECT_EQ(toolkit.GetInformation(2), *c.author ? "Quarterly report" : "") << c.file;
  }
}

// A file encrypted in code with the standard handler and an empty user
// password; `encryptKeys` is the encryption dictionary's text without its
// /O and /U, `withId` whether the trailer has an /ID.
struct EncryptedFile {
  std::string text;
  std::string fileKey;
};

// The owner entry as a writer makes it: the padded user password, RC4 keyed
// from the padded owner password (20 passes at 128 bits).
std::string OwnerEntry(const std::string& owner, const std::string& user, bool extended) {
  std::string digest = MD5Digest(Pad32(owner));
  if (extended)
    for (int i = 0; i < 50; ++i) digest = MD5Digest(digest);
  const std::string key = digest.substr(0, extended ? 16 : 5);
  std::string entry = RC4Crypt(key, Pad32(user));
  for (int j = 1; extended && j <= 19; ++j) {
    std::string k = key;
    for (char& ch : k) ch = static_cast<char>(ch ^ j);
    entry = RC4Crypt(k, entry);
  }
  return entry;
}

EncryptedFile BuildEncrypted(int v, int r, int length, bool withLength, bool withId, const std::string& title,
                             bool titleByReference, const std::string& userPassword = "") {
  TPDFSecurityParams p;
  p.state = kStandardEncrypted;
  p.handlerVersion = v;
  p.revision = r;
  p.strength = v == 2 ? (withLength ? length : 0) : 40;
  p.permissionWord = -4;
  p.fileId = std::string("0123456789abcdef");
  // With a user password the owner password is empty, so the file opens
  // through the owner test; otherwise the owner entry is arbitrary.
  p.ownerEntry = userPassword.empty() ? MD5Digest("owner") + MD5Digest("entry")
                                      : OwnerEntry("", userPassword, p.strength != 40);
  TPDFSecurityHandler maker(p);
  const std::string key = maker.ComputeFileKey(userPassword);
  p.userEntry = maker.UserEntryFor(key);
  TPDFSecurityHandler keyed(p);
  keyed.TryPassword(userPassword);

  std::string encrypt = "<< /Filter /Standard /V " + std::to_string(v) + " /R " + std::to_string(r) +
                        (withLength ? " /Length " + std::to_string(length) : std::string()) + " /O <" +
                        Hex(p.ownerEntry) + "> /U <" + Hex(p.userEntry) + "> /P -4 >>";
  std::vector<std::pair<int, std::string>> objects;
  if (titleByReference) {
    objects.push_back({3, "<< /Title 12 0 R /Author <" + Hex(RC4Crypt(keyed.ObjectKey(3, 0), "Ann")) + "> >>"});
    objects.push_back({12, "<" + Hex(RC4Crypt(keyed.ObjectKey(12, 0), title)) + ">"});
  } else {
    objects.push_back({3, "<< /Title <" + Hex(RC4Crypt(keyed.ObjectKey(3, 0), title)) + "> /Author <" +
                              Hex(RC4Crypt(keyed.ObjectKey(3, 0), "Ann")) + "> >>"});
  }
  objects.push_back({9, encrypt});
  const std::string id = withId ? " /ID [ <" + Hex(p.fileId) + "> <" + Hex(p.fileId) + "> ]" : std::string();
  return {FileWith(objects, "/Info 3 0 R /Encrypt 9 0 R" + id), key};
}

TEST(PdfEncryption, FilesBuiltInCode) {
  struct Case {
    const char* name;
    int v, r, length;
    bool withLength, withId;
    int strength;
    const char* title;
  };
  const Case cases[] = {
      {"40 bits", 1, 2, 40, false, true, 40, "secret title"},
      {"128 bits", 2, 3, 128, true, true, 128, "secret title"},
      // V 2 without /Length: strength 0, but 16-byte keys all the same.
      {"V 2 without /Length", 2, 3, 0, false, true, 0, "secret title"},
      // Without /ID the file gets a made-up identifier: never readable.
      {"no /ID", 2, 3, 128, true, false, 128, ""},
      {"no /ID at 40 bits", 1, 2, 40, false, false, 40, ""},
  };
  for (const Case& c : cases) {
    const EncryptedFile file = BuildEncrypted(c.v, c.r, c.length, c.withLength, c.withId, "secret title", false);
    TPdfToolkit toolkit;
    ASSERT_EQ(toolkit.LoadFromMemory(file.text), 1) << c.name;
    EXPECT_EQ(toolkit.Encrypted(), 1) << c.name;
    EXPECT_EQ(toolkit.EncryptionStrength(), c.strength) << c.name;
    EXPECT_EQ(toolkit.GetInformation(2), c.title) << c.name;
    // Reading twice does not decrypt twice.
    EXPECT_EQ(toolkit.GetInformation(2), c.title) << c.name;
    EXPECT_EQ(toolkit.GetInformation(1), *c.title ? "Ann" : "") << c.name;
    if (!c.withId) {
      EXPECT_NE(PDFAs<TPDFArray>(toolkit.SelectedDocument().Trailer()->GetValue("ID")), nullptr);
    }
  }
}

TEST(PdfEncryption, UserPasswordSetOwnerPasswordEmpty) {
  for (int v : {1, 2}) {
    const EncryptedFile file = BuildEncrypted(v, v + 1, 128, v == 2, true, "owner opens it", false, "secret");
    TPdfToolkit toolkit;
    ASSERT_EQ(toolkit.LoadFromMemory(file.text), 1) << v;
    EXPECT_EQ(toolkit.Encrypted(), 1) << v;
    EXPECT_EQ(toolkit.GetInformation(2), "owner opens it") << v;
    EXPECT_EQ(*toolkit.SelectedDocument().AcceptedPassword(), "") << v;
    EXPECT_EQ(toolkit.SelectedDocument().Security().FileKey(), file.fileKey) << v;
  }
}

TEST(PdfEncryption, ReferencedFieldIsDecryptedWithItsOwnKey) {
  // Writers encrypt every string of every indirect object, a field value
  // held in an object of its own included.
  const EncryptedFile file = BuildEncrypted(2, 3, 128, true, true, "held apart", true);
  TPdfToolkit toolkit;
  ASSERT_EQ(toolkit.LoadFromMemory(file.text), 1);
  EXPECT_EQ(toolkit.GetInformation(2), "held apart");
  EXPECT_EQ(toolkit.GetInformation(2), "held apart");
  EXPECT_EQ(toolkit.GetInformation(1), "Ann");
}

TEST(PdfEncryption, EncryptDictionaryForms) {
  struct Case {
    const char* name;
    std::string encrypt;  // the /Encrypt value in the trailer
    std::vector<std::pair<int, std::string>> objects;
    int encrypted;
    int strength;
  };
  const Case cases[] = {
      // V 4 without /StmF and /StrF encrypts nothing (both /Identity).
      {"V 4 without filters", "9 0 R", {{9, "<< /Filter /Standard /V 4 /R 4 /Length 128 >>"}}, 1, 128},
      {"unknown crypt method", "9 0 R",
       {{9, "<< /Filter /Standard /V 4 /R 4 /CF << /F << /CFM /Other >> >> /StmF /F /StrF /F >>"}}, 2, 0},
      {"filter not in /CF", "9 0 R", {{9, "<< /Filter /Standard /V 4 /R 4 /StmF /F >>"}}, 2, 0},
      {"AES-256 filter at V 4", "9 0 R",
       {{9, "<< /Filter /Standard /V 4 /R 4 /CF << /F << /CFM /AESV3 >> >> /StmF /F >>"}}, 2, 0},
      {"RC4 filter at V 5", "9 0 R",
       {{9, "<< /Filter /Standard /V 5 /R 6 /CF << /F << /CFM /V2 >> >> /StrF /F >>"}}, 2, 0},
      {"revision 4", "9 0 R", {{9, "<< /Filter /Standard /V 2 /R 4 /Length 128 >>"}}, 2, 0},
      {"public-key handler", "9 0 R", {{9, "<< /Filter /Adobe.PubSec /V 2 /R 3 >>"}}, 2, 0},
      {"not a dictionary", "9 0 R", {{9, "(x)"}}, 2, 0},
      {"missing object", "8 0 R", {}, 2, 0},
      {"direct dictionary", "<< /Filter /Standard /V 1 /R 2 >>", {}, 1, 40},
      // /V read only when it is a direct number.
      {"V as a reference", "9 0 R", {{9, "<< /Filter /Standard /V 10 0 R /R 2 >>"}, {10, "1"}}, 2, 0},
  };
  for (const Case& c : cases) {
    TPdfToolkit toolkit;
    ASSERT_EQ(toolkit.LoadFromMemory(FileWith(c.objects, "/Encrypt " + c.encrypt)), 1) << c.name;
    EXPECT_EQ(toolkit.Encrypted(), c.encrypted) << c.name;
    EXPECT_EQ(toolkit.EncryptionStrength(), c.strength) << c.name;
    EXPECT_EQ(toolkit.GetInformation(1), "") << c.name;
    EXPECT_EQ(toolkit.GetInformation(0), "1.4") << c.name;
  }
}

TEST(PdfDate, Text) {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 9;
  t.tm_hour = 8;
  t.tm_min = 5;
  t.tm_sec = 3;
  struct Case {
    long offset;
    const char* text;
  };
  const Case cases[] = {
      {0, "D:20261209080503Z"},
      {3600, "D:20261209080503+01'00'"},
      {-19800, "D:20261209080503-05'30'"},
      {20700, "D:20261209080503+05'45'"},
  };
  for (const Case& c : cases) EXPECT_EQ(PdfDateText(t, c.offset), c.text) << c.offset;
}

}  // namespace
}  // namespace tessaly::pdf
