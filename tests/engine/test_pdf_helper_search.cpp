// Searches whose PDFs go through the text helper, with the stand-in helper
// of tests/extract: a PDF that crashes it counts as "converter failed", one
// that hangs as "timed out" (the page that came before the hang is
// searched), and the PDFs after them are searched by a fresh helper; a stop
// ends every helper before the search is joined; without a helper the
// pdftotext route reads the PDFs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "../extract/PdfWriter.h"
#include "../extract/TempFolder.h"
#include "RecordingHost.h"
#include "engine/ConversionDeadline.h"
#include "engine/DocumentSource.h"
#include "engine/PdfTextReader.h"
#include "engine/ResultStore.h"
#include "engine/SearchThread.h"

namespace tessaly::engine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kStandIn = std::string(TESSALY_BIN_DIR) + "/stand-in-pdftext";
const std::string kHelper = std::string(TESSALY_BIN_DIR) + "/tessaly-pdftext";

// Conversions time out after 300 ms, so a hanging helper costs little.
class ShortHost : public test::RecordingHost {
 public:
  std::unique_ptr<extract::ConversionTimeout> NewConversionTimeout() override {
    return std::make_unique<ConversionDeadline>(300ms);
  }
  void ReportMissingConverters(const std::string& text) override { missing = text; }
  std::string missing;
};

class PdfHelperSearchTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    fs::create_directory(Path("tree"));
    fs::create_directory(Path("pids"));
    criteria.locationText = Path("tree");
    criteria.typeText = "PDF";
    criteria.containsText = "harbour";
    criteria.pdfTextHelper = kStandIn;
    ::setenv("STAND_IN_PIDS", Path("pids").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("STAND_IN_PIDS");
    TempFolderTest::TearDown();
  }

  std::vector<std::string> Unreadable() {
    std::vector<std::string> list;
    for (const auto& e : host.unreadable.Kept()) list.push_back(std::string(CauseText(e.cause)) + " " + e.path);
    std::sort(list.begin(), list.end());
    return list;
  }

  std::vector<std::string> Run() {
    host.unreadable = {};
    criteria.Derive();
    store.Clear();
    {
      TSearchThread search(criteria, store, host);
      search.Join();
    }
    std::vector<std::string> names;
    for (std::size_t i = 0; i < store.Count(); ++i) names.push_back(store.Row(i).Name);
    std::sort(names.begin(), names.end());  // walk order is the folder's order
    return names;
  }

  SearchCriteria criteria;
  ResultStore store;
  ShortHost host;
};

// The real helper and pdftotext list the same hits and the same unreadable
// documents, over the test PDFs and generated ones, for words on one page,
// on several, across a line break, with accents and with none.
TEST_F(PdfHelperSearchTest, BothRoutesListTheSameDocuments) {
  for (const auto& entry : fs::directory_iterator(std::string(TESSALY_TEST_DATA) + "/pdf"))
    if (entry.path().extension() == ".pdf") fs::copy_file(entry.path(), Path("tree/" + entry.path().filename().string()));
  const std::vector<std::vector<test::PdfPageLines>> generated = {
      {{"the harbour master"}, {}, {"zeppelin over the quay"}},
      {{"an exam-", "ple of caf\\351 and gar\\347on"}},
      {{"left column harbour", "@320 right column pelican"}},
      std::vector<test::PdfPageLines>(30, test::PdfPageLines{"page of thirty", "tide"}),
  };
  for (std::size_t i = 0; i < generated.size(); ++i)
    Write("tree/generated" + std::to_string(i) + ".pdf", test::MakeTextPdf(generated[i]));
  Write("tree/not-a-pdf.pdf", "plain text, no PDF");
  criteria.pdfTextHelper = kHelper;
  criteria.jobs = 2;
  for (const char* word : {"tessaly", "harbour", "zeppelin", "CAF\xc3\x89", "gar\xc3\xa7on", "example", "pelican",
                           "quokkafish"}) {
    SCOPED_TRACE(word);
    criteria.containsText = word;
    criteria.pdfText = PdfTextRoute::Helper;
    const std::vector<std::string> helperRows = Run(), helperUnreadable = Unreadable();
    EXPECT_EQ(helperRows.empty(), std::string(word) == "quokkafish");
    EXPECT_FALSE(helperUnreadable.empty());  // the encrypted test files, the file that is no PDF
    criteria.pdfText = PdfTextRoute::Pdftotext;
    EXPECT_EQ(Run(), helperRows);
    EXPECT_EQ(Unreadable(), helperUnreadable);
  }
}

// The reader on both routes: pages with their numbers, the sink's false
// ending the read, and with the whole text wanted every page delivered and
// the read not stopped.
TEST_F(PdfHelperSearchTest, ReaderStopsAtTheSinkUnlessTheWholeTextIsWanted) {
  const std::string file = Write("five.pdf", test::MakeTextPdf({{"one"}, {"two"}, {"three"}, {"four"}, {"five"}}));
  struct Pages : extract::TTextSink {
    bool BeginPart(extract::PartKind kind, int number, std::string_view) override {
      EXPECT_EQ(kind, extract::PartKind::Page);
      numbers.push_back(number);
      return number < 2;
    }
    bool Append(std::string_view text) override {
      text_ += text;
      return true;
    }
    std::vector<int> numbers;
    std::string text_;
  };
  criteria.pdfTextHelper = kHelper;
  criteria.Derive();
  for (const PdfTextRoute route : {PdfTextRoute::Helper, PdfTextRoute::Pdftotext}) {
    for (const bool whole : {false, true}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(route)) + (whole ? " whole" : ""));
      criteria.pdfText = route;
      std::atomic<bool> stop{false};
      SearchContext context{criteria, store, host, stop, {}};
      context.wholeText = whole;
      TDocumentSource source(file);
      Pages pages;
      const ReadOutcome outcome = ReadPdfText(context, source, pages);
      EXPECT_FALSE(outcome.cause);
      EXPECT_EQ(outcome.stopped, !whole);
      EXPECT_EQ(pages.numbers, whole ? (std::vector<int>{1, 2, 3, 4, 5}) : (std::vector<int>{1, 2}));
      EXPECT_EQ(pages.text_.find("five") != std::string::npos, whole);
    }
  }
}

TEST_F(PdfHelperSearchTest, CrashAndHangCostOneDocumentEach) {
  const struct {
    const char* name;
    const char* text;
  } files[] = {
      {"a.pdf", "the harbour"},
      {"b-crash.pdf", "#crash\nharbour"},
      {"c.pdf", "page one\fthe harbour on page two"},
      {"d-hang.pdf", "#sleep\nno word before the hang"},
      {"e-hang.pdf", "#sleep\nthe harbour before the hang"},
      {"f.pdf", "harbour"},
      {"g.pdf", "the quay"},
  };
  for (const auto& f : files) Write("tree/" + std::string(f.name), f.text);
  for (const unsigned jobs : {1u, 2u}) {
    SCOPED_TRACE(jobs);
    criteria.jobs = jobs;
    for (const auto& e : fs::directory_iterator(Path("pids"))) fs::remove(e.path());
    EXPECT_EQ(Run(), (std::vector<std::string>{"a.pdf", "c.pdf", "e-hang.pdf", "f.pdf"}));
    auto entries = host.unreadable.Kept();
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, Path("tree/b-crash.pdf"));
    EXPECT_EQ(entries[0].cause, UnreadableCause::ConverterFailed);
    EXPECT_EQ(entries[1].path, Path("tree/d-hang.pdf"));
    EXPECT_EQ(entries[1].cause, UnreadableCause::TimedOut);
  }
}

TEST_F(PdfHelperSearchTest, StopEndsEveryHelperBeforeTheSearchIsJoined) {
  for (int i = 0; i < 6; ++i) Write("tree/hang" + std::to_string(i) + ".pdf", "#sleep\nno word");
  criteria.jobs = 2;
  criteria.Derive();
  test::RecordingHost longHost;  // 9 s time-outs: only the stop ends the helpers
  std::vector<int> pids;
  {
    TSearchThread search(criteria, store, longHost);
    const auto end = std::chrono::steady_clock::now() + 30s;
    while (std::distance(fs::directory_iterator(Path("pids")), fs::directory_iterator()) < 2 &&
           std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(10ms);
    search.RequestStop();
    search.Join();
    for (const auto& e : fs::directory_iterator(Path("pids"))) pids.push_back(std::stoi(e.path().filename().string()));
    ASSERT_EQ(pids.size(), 2u);
    for (const int pid : pids) EXPECT_TRUE(::kill(pid, 0) != 0 && errno == ESRCH) << "helper " << pid << " still runs";
  }
  EXPECT_EQ(store.Count(), 0u);
}

// Without a helper that starts, the PDFs go the pdftotext route; without
// pdftotext either, pdftotext is the converter reported missing.
TEST_F(PdfHelperSearchTest, MissingHelperFallsBackToPdftotext) {
  Write("tree/a.pdf", "the harbour");
  fs::create_directory(Path("bin"));
  const char* oldPath = std::getenv("PATH");
  const std::string saved = oldPath ? oldPath : "";
  ::setenv("PATH", Path("bin").c_str(), 1);
  criteria.pdfTextHelper = Path("no-such-helper");
  Script("bin/pdftotext", "/bin/cp \"$3\" \"$4\"");
  EXPECT_EQ(Run(), std::vector<std::string>{"a.pdf"});
  EXPECT_EQ(host.missing, "");
  fs::remove(Path("bin/pdftotext"));
  EXPECT_EQ(Run(), std::vector<std::string>{});
  EXPECT_NE(host.missing.find("pdftotext"), std::string::npos);
  ::setenv("PATH", saved.c_str(), 1);
}

}  // namespace
}  // namespace tessaly::engine
