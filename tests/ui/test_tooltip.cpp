// The details tooltip in the headless window: which names get PDF and Word
// details, the page data of a real PDF and of one that cannot be opened,
// the colour rotation, a Word file that is no compound document, and the
// tooltip popping up with the text.
#include <gtest/gtest.h>

#include <QToolTip>
#include <QAbstractItemView>
#include <filesystem>

#include "ui/DetailsTooltip.h"
#include "ui/Form1.h"
#include "ui/HintColours.h"
#include "UiTestSupport.h"

namespace fs = std::filesystem;

namespace tessaly::ui::test {
namespace {

const std::string kData = TESSALY_TEST_DATA;

class TooltipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("LC_ALL", "C", 1);  // dates in a fixed format
    App();
    TFormOptions options;
    options.desktop = std::make_shared<FakeDesktop>();
    options.fixedDrives = std::vector<std::string>{"/"};
    options.workFolder = work.path();
    form = std::make_unique<TForm1>(std::move(options));
    InstallDetailsTooltip(*form);
  }
  void TearDown() override {
    QToolTip::hideText();
    form.reset();
  }

  // Adds a row for a file of the scratch folder (copied from `source`, or
  // with the bytes given).
  void AddFile(const std::string& name, const std::string& source, const std::string& bytes = "x") {
    if (!source.empty()) fs::copy_file(source, fs::path(files.path()) / name);
    else files.Write(name, bytes);
    form->Store().AddHit({name, "1 Kb", files.path()});
    form->Model().SetRowCount(form->Store().Count());
  }
  // Selects row `row` and returns the details text.
  std::string Select(int row) {
    auto* view = form->findChild<QAbstractItemView*>(QStringLiteral("results"));
    EXPECT_NE(view, nullptr);
    if (!view) return {};
    view->setCurrentIndex(form->Model().index(row, 0));
    return form->DetailsText().toStdString();
  }
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

  TempFolder work, files;
  std::unique_ptr<TForm1> form;
};

TEST_F(TooltipTest, PdfDetailsByTheLowerCasedName) {
  const std::string letter = kData + "/details/letter.pdf";
  AddFile("notes.PDF", letter);
  AddFile(".pdf", letter);
  AddFile("x.pdf.bak", letter);
  struct Case {
    int row;
    const char* name;
    bool pdf;
  };
  const Case cases[] = {
      {0, "notes.PDF", true},   // upper-case extension
      {1, ".pdf", false},       // only at the first character
      {2, "x.pdf.bak", true},   // not at the end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = Select(c.row);
    EXPECT_EQ(text.rfind(std::string("FileName: ") + c.name + "\r\nFileSize: 1 Kb\r\nFilePath: " + files.path() +
                             "\r\nFileDate: ",
                         0),
              0u)
        << text;
    EXPECT_EQ(Has(text, "\r\nPage Count: "), c.pdf) << text;
  }
}

TEST_F(TooltipTest, OnePageLetterPdf) {
  AddFile("letter.pdf", kData + "/details/letter.pdf");
  const std::string text = Select(0);
  EXPECT_TRUE(Has(text, "\r\nPage Count: 1 page\r\nPaper Size: 612 x 792\r\nEncryption: Not encrypted\r\n"
                        "Title     :Letter page\r\nAuthor    :Mary Shelley\r\n"))
      << text;
}

TEST_F(TooltipTest, PdfThatCannotBeOpened) {
  AddFile("letter.pdf", kData + "/details/letter.pdf");
  AddFile("broken.pdf", "", "%PDF-1.4 nothing after the header");
  (void)Select(0);  // the window's toolkit now holds the letter
  const std::string text = Select(1);
  EXPECT_TRUE(Has(text, "\r\nPage Count: 0 page\r\nPaper Size: 0 x 0\r\n")) << text;
  // The failed load shows nothing of the letter loaded before.
  EXPECT_TRUE(Has(text, "\r\nEncryption: \r\nTitle     :\r\nAuthor    :\r\n")) << text;
}

TEST_F(TooltipTest, ColourMovesOnePerSelectionAndWraps) {
  AddFile("a.txt", "");
  AddFile("b.txt", "");
  // Before any search press the table is empty: the colour stays.
  (void)Select(0);
  EXPECT_FALSE(form->Hint().colour.isValid());

  form->Hint().ResetForSearch();
  const std::vector<QColor>& table = HintColourTable();
  ASSERT_EQ(table.size(), 14u);
  for (int i = 1; i <= 15; ++i) {
    SCOPED_TRACE(i);
    (void)Select(i % 2);
    EXPECT_EQ(form->Hint().colour, table[static_cast<std::size_t>(i % 14)]);
  }
}

TEST_F(TooltipTest, WordFileThatIsNoCompoundDocument) {
  AddFile("a.txt", "");
  AddFile("letter.doc", "", "{\\rtf1 a letter saved as .doc}");
  form->Hint().ResetForSearch();
  (void)Select(0);
  const QColor before = form->Hint().colour;
  const std::string text = Select(1);
  EXPECT_EQ(text, "FileName: letter.doc\r\nFileSize: 1 Kb\r\nFilePath: " + files.path() + "\r\nFileDate: " +
                      text.substr(text.rfind("FileDate: ") + 10));
  EXPECT_FALSE(Has(text.substr(text.rfind("FileDate: ")), "\r"));
  EXPECT_EQ(form->Hint().colour, before);
}

TEST_F(TooltipTest, WordSummaryLinesFollowTheFileLines) {
  AddFile("report.doc", kData + "/summary/report.doc");
  const std::string text = Select(0);
  EXPECT_TRUE(Has(text, "\r\nTitle: Quarterly Plan\r\nSubject: Budget caf\xC3\xA9\r\nAuthor: Ada Lovelace\r\n")) << text;
  EXPECT_FALSE(Has(text, "Page Count"));
}

TEST_F(TooltipTest, TooltipShowsTheTextAgain) {
  AddFile("letter.pdf", kData + "/details/letter.pdf");
  form->show();
  (void)Select(0);
  ASSERT_TRUE(ProcessUntil([] { return QToolTip::isVisible(); }));
  EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("Paper Size: 612 x 792")));
}

}  // namespace
}  // namespace tessaly::ui::test
