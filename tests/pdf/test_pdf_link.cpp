// Tests of the direct-access link through the toolkit: real files made by
// qpdf and ghostscript, encrypted files and passwords, closing and opening
// twice, read-only files and files another program holds open.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "SmartPDFTestFile.h"
#include "pdf/PdfToolkit.h"
#include "pdf/SmartPDFLink.h"
#include "pdf/SmartPDFInfo.h"
#include "pdf/SmartPDFReader.h"

namespace tessaly::pdf {
namespace {

namespace fs = std::filesystem;

std::string Fixture(const std::string& name) { return std::string(TESSALY_TEST_DATA) + "/pdf/" + name; }

// A private folder for files a test makes, removed at the end.
class TScratch {
 public:
  TScratch() {
    path_ = fs::temp_directory_path() / ("tessaly-pdf-link-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TScratch() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, ec);
    fs::remove_all(path_, ec);
  }
  std::string Copy(const std::string& fixture, const std::string& name) {
    const fs::path to = path_ / name;
    fs::copy_file(Fixture(fixture), to, fs::copy_options::overwrite_existing);
    return to.string();
  }
  fs::path Path() const { return path_; }

 private:
  fs::path path_;
};

TEST(SmartPDFLink, RealFiles) {
  struct Case {
    const char* file;
    bool opens;
    int pages;
    double width1, height1;  // page 1
    double width4, height4;  // page 4 (0 when the file has fewer pages)
  } cases[] = {
      {"gs-smith.pdf", true, 1, 595, 842, 0, 0},             // ghostscript, classic table
      {"gs-utf16.pdf", true, 1, 595, 842, 0, 0},
      {"qpdf-linear.pdf", true, 1, 595, 842, 0, 0},          // linearized: two tables
      {"qpdf-objstm.pdf", true, 1, 595, 842, 0, 0},          // xref stream, object streams
      {"da-tree.pdf", true, 4, 595, 842, 420, 595},          // two-level tree
      {"da-tree-objstm.pdf", true, 4, 595, 842, 420, 595},   // the same in object streams
      {"da-tree-update.pdf", true, 4, 300, 400, 420, 595},   // update redefines page 1
      {"da-tree-rc4-objstm.pdf", true, 4, 595, 842, 420, 595},  // RC4 128, encrypted object streams
      {"gs-rc4-128.pdf", true, 1, 595, 842, 0, 0},           // empty user password
      {"qpdf-rc4-128.pdf", true, 1, 595, 842, 0, 0},
      {"qpdf-rc4-40.pdf", true, 1, 595, 842, 0, 0},
      {"qpdf-rc4-128-objstm.pdf", true, 1, 595, 842, 0, 0},
      {"qpdf-rc4-128-user.pdf", false, 0, 0, 0, 0, 0},       // both passwords set
      {"qpdf-rc4-40-user.pdf", false, 0, 0, 0, 0, 0},
      {"da-tree-both-pw.pdf", false, 0, 0, 0, 0, 0},
      {"qpdf-aes-128.pdf", true, 1, 595, 842, 0, 0},         // AES-128 (/V 4)
      {"qpdf-rc4-v4.pdf", true, 1, 595, 842, 0, 0},          // RC4 through a /V 4 crypt filter
      {"qpdf-aes-256-objstm.pdf", true, 1, 595, 842, 0, 0},  // AES-256, R 6, object streams
      {"da-tree-aes-objstm.pdf", true, 4, 595, 842, 420, 595},  // AES-128 object streams
      {"qpdf-aes-256-user.pdf", false, 0, 0, 0, 0, 0},       // user password set
      {"cairo-two-sizes.pdf", true, 2, 595, 842, 0, 0},      // comments in page dictionaries
      {"reportlab-trailer-comment.pdf", true, 4, 612, 792, 612, 792},  // comment in the trailer
      {"smith.ps", false, 0, 0, 0, 0, 0},                    // not a PDF file
  };
  TPdfToolkit toolkit;
  for (const Case& c : cases) {
    const TDALink link = toolkit.DAOpenFile(Fixture(c.file));
    ASSERT_EQ(static_cast<bool>(link), c.opens) << c.file;
    if (!link) continue;
    EXPECT_EQ(toolkit.DAGetPageCount(link), c.pages) << c.file;
    const TDAPage p1 = toolkit.DAFindPage(link, 1);
    EXPECT_DOUBLE_EQ(toolkit.DAGetPageWidth(link, p1), c.width1) << c.file;
    EXPECT_DOUBLE_EQ(toolkit.DAGetPageHeight(link, p1), c.height1) << c.file;
    if (c.pages >= 4) {
      const TDAPage p4 = toolkit.DAFindPage(link, 4);
      EXPECT_DOUBLE_EQ(toolkit.DAGetPageWidth(link, p4), c.width4) << c.file;
      EXPECT_DOUBLE_EQ(toolkit.DAGetPageHeight(link, p4), c.height4) << c.file;
      // Pages 2 and 3: the inherited box, and the one with /Rotate 90.
      for (int n : {2, 3}) {
        const TDAPage p = toolkit.DAFindPage(link, n);
        EXPECT_DOUBLE_EQ(toolkit.DAGetPageWidth(link, p), 612) << c.file << " page " << n;
        EXPECT_DOUBLE_EQ(toolkit.DAGetPageHeight(link, p), 792) << c.file << " page " << n;
      }
    }
    EXPECT_FALSE(toolkit.DAFindPage(link, c.pages + 1)) << c.file;
    EXPECT_EQ(toolkit.DACloseFile(link), 1) << c.file;
  }
}

TEST(SmartPDFLink, Passwords) {
  struct Case {
    const char* file;
    const char* password;
    bool opens;
  } cases[] = {
      {"da-tree-both-pw.pdf", "", false},
      {"da-tree-both-pw.pdf", "user", true},    // the user password
      {"da-tree-both-pw.pdf", "owner", true},   // the owner password
      {"da-tree-both-pw.pdf", "wrong", false},
      {"da-tree.pdf", "anything", true},        // not encrypted: any password opens
      // AES-256, revision 6: the iterated hash of each password.
      {"qpdf-aes-256-user.pdf", "user", true},
      {"qpdf-aes-256-user.pdf", "owner", true},
      {"qpdf-aes-256-user.pdf", "User", false},
      {"qpdf-aes-256-user.pdf", "", false},
  };
  TPdfToolkit toolkit;
  for (const Case& c : cases) {
    const TDALink link = toolkit.DAOpenFile(Fixture(c.file), c.password);
    EXPECT_EQ(static_cast<bool>(link), c.opens) << c.file << " / " << c.password;
    if (link) {
      EXPECT_GE(toolkit.DAGetPageCount(link), 1) << c.file << " / " << c.password;
      toolkit.DACloseFile(link);
    }
  }
}

TEST(SmartPDFLink, EncryptionFacts) {
  struct Case {
    const char* file;
    int state;
    int keyLength;
    bool emptyPasswordOpens;
  } cases[] = {
      {"da-tree.pdf", 0, 0, true},
      {"qpdf-rc4-40.pdf", 1, 40, true},
      {"qpdf-rc4-128.pdf", 1, 128, true},
      {"qpdf-rc4-128-user.pdf", 1, 128, false},
      {"qpdf-aes-128.pdf", 1, 128, true},
      {"qpdf-aes-256.pdf", 1, 256, true},
      {"qpdf-aes-256-user.pdf", 1, 256, false},
  };
  for (const Case& c : cases) {
    // The link refuses some of these; the info is read over its own reader.
    TSmartPDFFileSource source(Fixture(c.file));
    ASSERT_TRUE(source.IsOpen()) << c.file;
    TSmartPDFReader reader(source);
    ASSERT_EQ(reader.Error(), 0) << c.file;
    TSmartPDFInfo info(reader);
    EXPECT_EQ(info.EncryptionState(), c.state) << c.file;
    EXPECT_EQ(info.KeyLength(), c.keyLength) << c.file;
    EXPECT_EQ(info.EmptyPasswordOpens(), c.emptyPasswordOpens) << c.file;
    EXPECT_EQ(reader.Encrypted(), c.state != 0) << c.file;
    if (c.state != 0) {
      EXPECT_EQ(info.FileId().size(), 16u) << c.file;
    }
  }
}

TEST(SmartPDFLink, CloseTwiceAndBogusHandles) {
  TPdfToolkit toolkit;
  const TDALink link = toolkit.DAOpenFile(Fixture("da-tree.pdf"));
  ASSERT_TRUE(link);
  EXPECT_EQ(toolkit.DACloseFile(link), 1);
  EXPECT_EQ(toolkit.DACloseFile(link), 0);   // already closed
  EXPECT_EQ(toolkit.DACloseFile(TDALink{}), 0);
  EXPECT_EQ(toolkit.DACloseFile(TDALink{777}), 0);  // never handed out
  EXPECT_EQ(toolkit.DAGetPageCount(link), 0);
  EXPECT_FALSE(toolkit.DAFindPage(link, 1));
  // A new link gets a new handle; the closed one stays rejected.
  const TDALink again = toolkit.DAOpenFile(Fixture("da-tree.pdf"));
  ASSERT_TRUE(again);
  EXPECT_NE(again, link);
  EXPECT_EQ(toolkit.DAGetPageCount(link), 0);
  EXPECT_EQ(toolkit.DAGetPageCount(again), 4);
}

TEST(SmartPDFLink, OpenTwice) {
  TScratch scratch;
  const std::string file = scratch.Copy("da-tree.pdf", "a.pdf");
  const std::string other = scratch.Copy("da-tree.pdf", "b.pdf");
  const fs::path alias = scratch.Path() / "alias.pdf";
  fs::create_symlink(file, alias);
  TPdfToolkit toolkit;
  const TDALink first = toolkit.DAOpenFile(file);
  ASSERT_TRUE(first);
  EXPECT_FALSE(toolkit.DAOpenFile(file));            // the same file again
  EXPECT_FALSE(toolkit.DAOpenFile(alias.string()));  // the same file by another name
  const TDALink copy = toolkit.DAOpenFile(other);    // an equal but different file
  EXPECT_TRUE(copy);
  EXPECT_EQ(toolkit.DACloseFile(first), 1);
  const TDALink reopened = toolkit.DAOpenFile(alias.string());
  EXPECT_TRUE(reopened);
  EXPECT_EQ(toolkit.DAGetPageCount(reopened), 4);
}

TEST(SmartPDFLink, ReadOnlyAndHeldOpenFilesOpen) {
  TScratch scratch;
  const std::string readOnly = scratch.Copy("da-tree.pdf", "ro.pdf");
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string held = scratch.Copy("da-tree-objstm.pdf", "held.pdf");
  // Another program has the file open for writing.
  std::ofstream writer(held, std::ios::app | std::ios::binary);
  ASSERT_TRUE(writer.is_open());
  // The folder itself read-only too, as on read-only media.
  fs::permissions(scratch.Path(), fs::perms::owner_read | fs::perms::owner_exec);

  TPdfToolkit toolkit;
  for (const std::string& file : {readOnly, held}) {
    const TDALink link = toolkit.DAOpenFile(file);
    ASSERT_TRUE(link) << file;
    EXPECT_EQ(toolkit.DAGetPageCount(link), 4) << file;
    const TDAPage page = toolkit.DAFindPage(link, 1);
    EXPECT_DOUBLE_EQ(toolkit.DAGetPageWidth(link, page), 595) << file;
    EXPECT_EQ(toolkit.DACloseFile(link), 1) << file;
  }
}

TEST(SmartPDFLink, FilesThatDoNotOpen) {
  TScratch scratch;
  std::ofstream(scratch.Path() / "empty.pdf").close();
  std::ofstream(scratch.Path() / "text.pdf") << "just text\n";
  TPdfToolkit toolkit;
  for (const fs::path& p : {scratch.Path() / "missing.pdf", scratch.Path() / "empty.pdf",
                            scratch.Path() / "text.pdf", scratch.Path()}) {
    EXPECT_FALSE(toolkit.DAOpenFile(p.string())) << p;
  }
}

TEST(SmartPDFLink, DamagedRealFiles) {
  // Every prefix of real files, and each with one byte changed, opens or
  // is refused without fault; the page operations then answer values.
  for (const char* name : {"da-tree-objstm.pdf", "da-tree-rc4-objstm.pdf", "da-tree-update.pdf"}) {
    std::ifstream in(Fixture(name), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty()) << name;
    std::size_t opened = 0;
    for (std::size_t k = 0; k <= bytes.size(); ++k) {
      std::string damaged = bytes.substr(0, k);
      if (k < bytes.size()) damaged += bytes.substr(k + 1).insert(0, 1, static_cast<char>(bytes[k] ^ 0x5A));
      for (const std::string& b : {bytes.substr(0, k), damaged}) {
        TSmartPDFLinkList links;
        const TDALink link = links.Open(std::make_unique<TSmartPDFMemorySource>(b));
        if (!link) continue;
        ++opened;
        const TDAPage page = links.FindPage(link, std::min(links.PageCount(link), 4));
        EXPECT_GE(links.PageWidth(link, page), 0) << name << " at " << k;
      }
    }
    EXPECT_GT(opened, 0u) << name;
  }
}

TEST(SmartPDFLink, OpenOverBytes) {
  // A link over bytes held in memory, as the fuzz target opens its input.
  testing::TTestPdf pdf;
  testing::AddTwoPages(pdf);
  pdf.Table({{0, 0, 65535, 'f'}, {1, pdf.offsets[1], 0, 'n'}, {2, pdf.offsets[2], 0, 'n'},
             {3, pdf.offsets[3], 0, 'n'}, {4, pdf.offsets[4], 0, 'n'}},
            "<< /Size 5 /Root 1 0 R >>");
  TSmartPDFLink link(pdf.Source(), "");
  ASSERT_TRUE(link.Valid());
  EXPECT_EQ(link.Info()->EncryptionState(), 0);
  EXPECT_EQ(link.Info()->Version(), "1.4");
  TSmartPDFLink broken(std::make_unique<TSmartPDFMemorySource>(pdf.text.substr(0, 12)), "");
  EXPECT_FALSE(broken.Valid());
  EXPECT_EQ(broken.Reader(), nullptr);
}

}  // namespace
}  // namespace tessaly::pdf
