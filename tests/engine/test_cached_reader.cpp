// The cache as a reader in front of a converter's reader: which reads are
// kept (whole ones and lasting verdicts, also when the consumer stopped
// early) and which are not (time-outs, failed converters, a stopped search,
// a file changed just now, archive members), and that a replay gives the
// consumer the same text, places and outcome as the real reader did.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine/CachedReader.h"
#include "engine/DocumentSource.h"
#include "engine/QuietSearchHost.h"
#include "engine/ResultStore.h"
#include "engine/SearchContext.h"
#include "engine/SearchTextCache.h"
#include "platform/Process.h"

namespace fs = std::filesystem;

namespace tessaly::engine {
namespace {

using extract::PartKind;

// Writes down everything it is given; says stop after `stopAfter` pieces.
class Collector : public extract::TTextSink {
 public:
  explicit Collector(int stopAfter = -1) : stopAfter_(stopAfter) {}
  bool Append(std::string_view text) override {
    events += std::string(text);
    return stopAfter_ < 0 || ++pieces_ < stopAfter_;
  }
  bool BeginPart(PartKind kind, int number, std::string_view name) override {
    events += "[" + std::to_string(static_cast<int>(kind)) + ":" + std::to_string(number) + ":" +
              std::string(name) + "]";
    return true;
  }
  std::string events;

 private:
  int stopAfter_;
  int pieces_ = 0;
};

struct Outcome {
  std::optional<UnreadableCause> cause;
  bool stopped;
  bool operator==(const Outcome&) const = default;
};

class CachedReaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new std::string((fs::temp_directory_path() / ("tessaly-cached-reader-" + std::to_string(::getpid()))).string());
    fs::remove_all(*folder_);
    fs::create_directories(*folder_ + "/docs");
    for (int i = 0; i < 12; ++i) std::ofstream(Doc(i)) << "%PDF-1.4 document " << i;
    // Files changed less than 2 s before their conversion are not kept.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  }
  static void TearDownTestSuite() {
    fs::remove_all(*folder_);
    delete folder_;
  }
  static std::string Doc(int i) { return *folder_ + "/docs/doc" + std::to_string(i) + ".pdf"; }

  void SetUp() override {
    if (platform::FindProgram("pdftotext").empty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    fs::remove_all(*folder_ + "/cache");
    NewCache();
  }
  void NewCache() {
    cache::TCacheOptions options;
    options.folder = *folder_ + "/cache";
    options.say = [this](const std::string& text) { messages_.push_back(text); };
    context_.textCache.reset();
    context_.textCache = std::make_shared<TSearchTextCache>(options);
  }
  // A reader that delivers two pages and ends with `cause`, counting runs.
  TextRead Reader(std::optional<UnreadableCause> cause, bool stopSearch = false) {
    return [this, cause, stopSearch](extract::TTextSink& sink) -> ReadOutcome {
      ++runs_;
      if (!sink.BeginPart(PartKind::Page, 1, "") || !sink.Append("harbour ")) return {std::nullopt, true};
      if (!sink.Append("zeppelin\r\n")) return {std::nullopt, true};
      if (stopSearch) {
        stop_ = true;
        return {std::nullopt, true};
      }
      if (!sink.BeginPart(PartKind::Page, 2, "") || !sink.Append("second page\r\n")) return {std::nullopt, true};
      return {cause, false};
    };
  }
  Outcome Read(TDocumentSource& source, const TextRead& reader, Collector& sink) {
    (void)source.FirstBlock();  // the kind decision opens the file first
    const ReadOutcome o = ReadThroughCache(context_, source, DocumentKind::Pdf, sink, reader);
    if (context_.textCache) context_.textCache->Store().Flush();
    return {o.cause, o.stopped};
  }

  static std::string* folder_;
  SearchCriteria criteria_;
  ResultStore store_;
  QuietSearchHost host_;
  std::atomic<bool> stop_{false};
  SearchContext context_{criteria_, store_, host_, stop_, {}};
  int runs_ = 0;
  std::vector<std::string> messages_;
};

std::string* CachedReaderTest::folder_ = nullptr;

TEST_F(CachedReaderTest, KeptReadsReplayWithoutTheReaderAndOthersRunItAgain) {
  const std::string whole = "[1:1:]harbour zeppelin\r\n[1:2:]second page\r\n";
  struct Case {
    const char* what;
    std::optional<UnreadableCause> cause;
    bool kept;
  };
  const Case cases[] = {
      {"whole text", std::nullopt, true},
      {"damaged after some text", UnreadableCause::Damaged, true},
      {"password required", UnreadableCause::PasswordRequired, true},
      {"timed out", UnreadableCause::TimedOut, false},
      {"converter failed", UnreadableCause::ConverterFailed, false},
      {"too large", UnreadableCause::TooLarge, false},
  };
  int i = 0;
  for (const Case& c : cases) {
    const std::string path = Doc(i++);
    runs_ = 0;
    Collector first, second;
    TDocumentSource a(path), b(path);
    const Outcome o1 = Read(a, Reader(c.cause), first);
    const Outcome o2 = Read(b, Reader(c.cause), second);
    EXPECT_EQ(runs_, c.kept ? 1 : 2) << c.what;
    EXPECT_EQ(first.events, whole) << c.what;
    EXPECT_EQ(second.events, whole) << c.what;
    EXPECT_EQ(o1, (Outcome{c.cause, false})) << c.what;
    EXPECT_EQ(o2, o1) << c.what;
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(CachedReaderTest, AConsumerThatStopsEarlyStillFillsTheCache) {
  runs_ = 0;
  Collector early(1), full;
  TDocumentSource a(Doc(6)), b(Doc(6));
  EXPECT_EQ(Read(a, Reader(UnreadableCause::Damaged), early), (Outcome{std::nullopt, true}));
  EXPECT_EQ(early.events, "[1:1:]harbour ") << "nothing reaches the consumer after its stop";
  EXPECT_EQ(Read(b, Reader(UnreadableCause::Damaged), full), (Outcome{UnreadableCause::Damaged, false}));
  EXPECT_EQ(full.events, "[1:1:]harbour zeppelin\r\n[1:2:]second page\r\n");
  EXPECT_EQ(runs_, 1);
  // A replay to a consumer that stops early ends as the real read would.
  Collector earlyAgain(1);
  TDocumentSource c(Doc(6));
  EXPECT_EQ(Read(c, Reader(std::nullopt), earlyAgain), (Outcome{std::nullopt, true}));
  EXPECT_EQ(runs_, 1);
}

TEST_F(CachedReaderTest, NothingIsKeptOfAStoppedSearchAFreshFileOrAMember) {
  struct Case {
    const char* what;
    std::function<std::unique_ptr<TDocumentSource>()> source;
    bool stopSearch;
    bool withCache;
  };
  const std::string fresh = *folder_ + "/docs/fresh.pdf";
  std::ofstream(fresh) << "%PDF-1.4 just written";
  const Case cases[] = {
      {"the search was stopped", [] { return std::make_unique<TDocumentSource>(Doc(7)); }, true, true},
      {"the file was changed just now", [&] { return std::make_unique<TDocumentSource>(fresh); }, false, true},
      {"an archive member",
       [] { return std::make_unique<TDocumentSource>("a.zip/inner.pdf", std::string("%PDF-1.4 member")); }, false,
       true},
      {"a search without the cache", [] { return std::make_unique<TDocumentSource>(Doc(8)); }, false, false},
  };
  for (const Case& c : cases) {
    if (!c.withCache) context_.textCache.reset();
    runs_ = 0;
    for (int round = 0; round < 2; ++round) {
      stop_ = false;
      Collector sink;
      auto source = c.source();
      Read(*source, Reader(std::nullopt, c.stopSearch), sink);
    }
    EXPECT_EQ(runs_, 2) << c.what;
    if (!c.withCache) NewCache();
  }
}

}  // namespace
}  // namespace tessaly::engine
