// The PDF text helper and its client: the real helper gives pdftotext's
// text page for page and its verdicts on the PDFs under tests/data/pdf and
// on generated ones; a stand-in helper (StandInPdfText.cpp) that crashes,
// hangs or garbles its frames costs one document and leaves no process.
#include "extract/PdfTextHelper.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <vector>

#include "PdfWriter.h"
#include "TempFolder.h"
#include "engine/ConversionDeadline.h"
#include "extract/ConverterRunner.h"

namespace tessaly::extract {
namespace {

using namespace std::chrono_literals;
using test::TempFolderTest;

const std::string kHelper = std::string(TESSALY_BIN_DIR) + "/tessaly-pdftext";
const std::string kStandIn = std::string(TESSALY_BIN_DIR) + "/stand-in-pdftext";

// Runs of white space made one blank, none at the ends.
std::string Squeezed(std::string_view text) {
  std::string out;
  bool blank = false;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

// Collects the pages; `stopAtPage` makes the sink say "enough" on that page.
class PageCollector : public TTextSink {
 public:
  explicit PageCollector(int stopAtPage = 0, std::atomic<bool>* raiseStop = nullptr)
      : stopAt_(stopAtPage), raise_(raiseStop) {}
  bool BeginPart(PartKind kind, int number, std::string_view) override {
    EXPECT_EQ(kind, PartKind::Page);
    numbers.push_back(number);
    pages.emplace_back();
    if (raise_ && number == stopAt_) raise_->store(true);
    return raise_ || number != stopAt_;
  }
  bool Append(std::string_view text) override {
    pages.back() += text;
    return true;
  }
  std::vector<int> numbers;
  std::vector<std::string> pages;

 private:
  int stopAt_;
  std::atomic<bool>* raise_;
};

bool ProcessGone(int pid) { return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH; }

// pdftotext's pages as the file route reads them: cut at form feeds, the
// empty piece after the last one dropped.
struct PdftotextPages {
  std::vector<std::string> pages;
  int exitStatus = 0;
  std::string errors;
};

PdftotextPages RunPdftotext(const std::string& path) {
  CommandLine line;
  line.Add("pdftotext").Add("-enc").Add("UTF-8").Add(path, true).Add("-");
  const ConverterRun run = RunConverter(line);
  PdftotextPages out{{}, run.exitStatus, run.errors};
  std::size_t at = 0;
  while (at < run.text.size()) {
    const std::size_t cut = run.text.find('\f', at);
    if (cut == std::string::npos) {
      if (!Squeezed(run.text.substr(at)).empty()) out.pages.push_back(run.text.substr(at));
      break;
    }
    out.pages.push_back(run.text.substr(at, cut - at));
    at = cut + 1;
  }
  return out;
}

class PdfTextHelperTest : public TempFolderTest {};

// Every test PDF and a few generated ones: the same pages, the same text
// (white space aside: the capture turns LF into CR LF) and the same verdict
// as pdftotext's.
TEST_F(PdfTextHelperTest, SameTextAsPdftotextPageForPage) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(TESSALY_TEST_DATA) + "/pdf"))
    if (entry.path().extension() == ".pdf") files.push_back(entry.path().string());
  const std::vector<std::vector<test::PdfPageLines>> generated = {
      // three pages, the middle one empty
      {{"first page words", "second line"}, {}, {"third page zeppelin"}},
      // a word hyphenated over two lines, accented letters (WinAnsi)
      {{"an exam-", "ple of caf\\351 and gar\\347on", "\\300 la carte"}},
      // two columns on one line
      {{"left column text", "@320 right column text", "left again", "@320 right again"}},
      // forty pages
      std::vector<test::PdfPageLines>(40, test::PdfPageLines{"page of forty", "with a line"}),
  };
  for (std::size_t i = 0; i < generated.size(); ++i)
    files.push_back(Write("generated" + std::to_string(i) + ".pdf", test::MakeTextPdf(generated[i])));

  TPdfTextHelper helper(kHelper);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const PdftotextPages expected = RunPdftotext(file);
    PageCollector got;
    engine::ConversionDeadline deadline(60s);
    const PdfTextResult result = helper.Convert(file, got, deadline);
    if (expected.exitStatus != 0) {
      const bool password = expected.errors.find("Incorrect password") != std::string::npos;
      EXPECT_EQ(result.status, password ? PdfTextStatus::PasswordRequired : PdfTextStatus::Damaged);
      continue;
    }
    ASSERT_EQ(result.status, PdfTextStatus::Complete);
    ASSERT_EQ(got.pages.size(), expected.pages.size());
    for (std::size_t p = 0; p < got.pages.size(); ++p) {
      EXPECT_EQ(got.numbers[p], static_cast<int>(p + 1));
      EXPECT_EQ(Squeezed(got.pages[p]), Squeezed(expected.pages[p])) << "page " << p + 1;
    }
  }
  // One helper for all of them.
  EXPECT_EQ(helper.Starts(), 1);
}

TEST_F(PdfTextHelperTest, DamagedAndMissingFiles) {
  TPdfTextHelper helper(kHelper);
  const std::string pdf = test::MakeTextPdf({{"words"}});
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"not a PDF", "hello, world\n"},
      {"empty", ""},
      {"cut in its header", pdf.substr(0, 6)},
  };
  for (const auto& c : cases) {
    PageCollector got;
    engine::ConversionDeadline deadline(60s);
    EXPECT_EQ(helper.Convert(Write("bad.pdf", c.bytes), got, deadline).status, PdfTextStatus::Damaged) << c.what;
  }
  PageCollector got;
  engine::ConversionDeadline deadline(60s);
  EXPECT_EQ(helper.Convert(Path("missing.pdf"), got, deadline).status, PdfTextStatus::Damaged);
  EXPECT_EQ(helper.Starts(), 1);
}

// The sink's "enough" stops the document and keeps the helper; with the
// whole text wanted every page comes all the same.
TEST_F(PdfTextHelperTest, SinkStopsTheDocumentUnlessTheWholeTextIsWanted) {
  const std::string file = Write("forty.pdf", test::MakeTextPdf(std::vector<test::PdfPageLines>(40, {"text"})));
  TPdfTextHelper helper(kHelper);
  for (const bool whole : {false, true}) {
    PageCollector got(1);
    engine::ConversionDeadline deadline(60s);
    const PdfTextResult result = helper.Convert(file, got, deadline, nullptr, whole);
    EXPECT_EQ(result.status, whole ? PdfTextStatus::Complete : PdfTextStatus::SinkStopped);
    EXPECT_EQ(result.pages, whole ? 40 : 1);
  }
  EXPECT_EQ(helper.Starts(), 1);
}

// What a bad document does to the stand-in, and what the client makes of
// it; after each the next document is read by a helper that works.
TEST_F(PdfTextHelperTest, BadHelperCostsOneDocument) {
  const std::string good = Write("good.pdf", "page one\fpage two");
  const struct {
    const char* mark;
    PdfTextStatus status;
    int pages;  // delivered before the fault
    bool restarts;
  } cases[] = {
      {"#crash\n", PdfTextStatus::Crashed, 0, true},
      {"#sleep\nbefore the hang", PdfTextStatus::TimedOut, 1, true},
      {"#garbage\n", PdfTextStatus::Failed, 1, true},
      {"#password\n", PdfTextStatus::PasswordRequired, 0, false},
      {"#damaged\n", PdfTextStatus::Damaged, 0, false},
  };
  TPdfTextHelper helper(kStandIn);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mark);
    PageCollector first;
    engine::ConversionDeadline warm(60s);
    ASSERT_EQ(helper.Convert(good, first, warm).status, PdfTextStatus::Complete);
    const int pid = helper.Pid();
    const int starts = helper.Starts();

    PageCollector got;
    engine::ConversionDeadline deadline(300ms);
    const PdfTextResult result = helper.Convert(Write("bad.pdf", c.mark), got, deadline);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.pages, c.pages);
    if (c.restarts) {
      EXPECT_EQ(helper.Pid(), -1);
      EXPECT_TRUE(ProcessGone(pid));
    }

    PageCollector after;
    engine::ConversionDeadline again(60s);
    EXPECT_EQ(helper.Convert(good, after, again).status, PdfTextStatus::Complete);
    EXPECT_EQ(after.pages, (std::vector<std::string>{"page one", "page two"}));
    EXPECT_EQ(helper.Starts(), starts + (c.restarts ? 1 : 0));
  }
}

// A stop during a conversion ends the helper at once: no process is left.
TEST_F(PdfTextHelperTest, StopEndsTheHelper) {
  TPdfTextHelper helper(kStandIn);
  std::atomic<bool> stop{false};
  PageCollector got(1, &stop);
  engine::ConversionDeadline deadline(600s);
  const PdfTextResult result = helper.Convert(Write("hang.pdf", "#sleep\ntext"), got, deadline, &stop);
  EXPECT_EQ(result.status, PdfTextStatus::Cancelled);
  EXPECT_EQ(helper.Pid(), -1);
  EXPECT_EQ(helper.Starts(), 1);
  // Once stopped, nothing starts again.
  PageCollector none;
  EXPECT_EQ(helper.Convert(Write("good.pdf", "text"), none, deadline, &stop).status, PdfTextStatus::Cancelled);
  EXPECT_EQ(helper.Starts(), 1);
}

TEST_F(PdfTextHelperTest, HelperThatCannotStart) {
  const struct {
    const char* what;
    std::string program;
  } cases[] = {
      {"missing", Path("no-such-helper")},
      {"ends at once", "/bin/true"},
      {"answers no hello", Script("chatty", "echo not a helper; sleep 5")},
  };
  for (const auto& c : cases) {
    TPdfTextHelper helper(c.program);
    PageCollector got;
    engine::ConversionDeadline deadline(60s);
    EXPECT_EQ(helper.Convert(Write("a.pdf", "x"), got, deadline).status, PdfTextStatus::NotStarted) << c.what;
    EXPECT_TRUE(helper.Unavailable()) << c.what;
    EXPECT_EQ(helper.Pid(), -1) << c.what;
  }
}

TEST(PdfTextFrames, DecoderCutsFramesAndRefusesBadLengths) {
  using pdftext::FrameDecoder;
  using pdftext::FrameType;
  FrameDecoder decoder(16);
  const std::string two = pdftext::EncodeFrame(FrameType::Page, pdftext::U32Payload(7)) +
                          pdftext::EncodeFrame(FrameType::Text, "abc");
  pdftext::Frame frame;
  // Byte by byte: nothing until a frame is whole.
  for (std::size_t i = 0; i < two.size(); ++i) {
    decoder.Feed(two.data() + i, 1);
    const auto r = decoder.Next(frame);
    if (i == 8) {
      ASSERT_EQ(r, FrameDecoder::Result::Frame);
      EXPECT_EQ(frame.type, FrameType::Page);
      EXPECT_EQ(pdftext::GetU32(frame.payload.data()), 7u);
    } else if (i == two.size() - 1) {
      ASSERT_EQ(r, FrameDecoder::Result::Frame);
      EXPECT_EQ(frame.payload, "abc");
    } else {
      EXPECT_EQ(r, FrameDecoder::Result::NeedMore) << i;
    }
  }
  for (const std::uint32_t length : {0u, 17u, 0xFFFFFFFFu}) {
    FrameDecoder bad(16);
    std::string head;
    pdftext::PutU32(head, length);
    bad.Feed(head.data(), head.size());
    EXPECT_EQ(bad.Next(frame), FrameDecoder::Result::Bad) << length;
  }
}

}  // namespace
}  // namespace tessaly::extract
