// A search whose content tests run on workers: stopping it in the middle
// ends every converter it started and leaves no capture or text file.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "../extract/TempFolder.h"
#include "RecordingHost.h"
#include "engine/ResultStore.h"
#include "engine/SearchThread.h"

namespace tessaly::engine {
namespace {

namespace fs = std::filesystem;

class ParallelSearchTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    const char* path = std::getenv("PATH");
    oldPath_ = path ? path : "";
    fs::create_directory(Path("bin"));
    fs::create_directory(Path("pids"));
    ::setenv("PATH", Path("bin").c_str(), 1);
  }
  void TearDown() override {
    ::setenv("PATH", oldPath_.c_str(), 1);
    TempFolderTest::TearDown();
  }

  std::vector<int> Pids() {
    std::vector<int> pids;
    for (const auto& e : fs::directory_iterator(Path("pids"))) pids.push_back(std::stoi(Read(e.path().string())));
    return pids;
  }

 private:
  std::string oldPath_;
};

// Waits up to `limit` for `done`.
template <typename Done>
bool WaitFor(Done done, std::chrono::seconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

TEST_F(ParallelSearchTest, StopEndsEveryConversionAndLeavesNoFileBehind) {
  // Converters that note their process and then never end by themselves.
  // The Word converter's stand-in ignores SIGTERM as well.
  const std::string note = "echo $$ > \"" + Path("pid.$$") + "\"\n/bin/mv \"" + Path("pid.$$") + "\" \"" +
                           Path("pids") + "\"\n";
  Script("bin/catdoc", "trap '' TERM\n" + note + "/bin/sleep 120");
  Script("bin/pdftotext", note + "exec /bin/sleep 120");
  fs::create_directory(Path("tree"));
  for (int i = 0; i < 6; ++i) {
    Write("tree/d" + std::to_string(i) + ".doc", "text");
    Write("tree/p" + std::to_string(i) + ".pdf", "text");
  }
  SearchCriteria criteria;
  criteria.locationText = Path("tree");
  criteria.typeText = "PDF;DOC";
  criteria.containsText = "harbour";
  criteria.jobs = 4;
  criteria.pdfText = PdfTextRoute::Pdftotext;
  criteria.Derive();
  ResultStore store;
  test::RecordingHost host;
  {
    TSearchThread search(criteria, store, host);
    // Four workers: four conversions run at once.
    ASSERT_TRUE(WaitFor([&] { return Pids().size() >= 4; }, std::chrono::seconds(30)));
    const auto stopped = std::chrono::steady_clock::now();
    search.RequestStop();
    search.Join();
    // Meant to take well under 200 ms; the bound leaves room for a busy
    // machine but not for a converter's one-second grace or time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::milliseconds(900));
  }
  for (const int pid : Pids())
    EXPECT_TRUE(WaitFor([pid] { return ::kill(pid, 0) != 0 && errno == ESRCH; }, std::chrono::seconds(10)))
        << "converter " << pid << " still runs";
  for (const std::string& name : WorkFiles())
    EXPECT_TRUE(name.rfind("tmp", 0) != 0 && name.rfind("tempdat", 0) != 0) << name << " left behind";
  EXPECT_EQ(store.Count(), 0u);
}

}  // namespace
}  // namespace tessaly::engine

namespace tessaly::engine {
namespace {

// Every match mode lists the same rows, in the same order, with the same
// lines, on workers as on one thread.
TEST_F(ParallelSearchTest, EveryModeListsWhatOneThreadLists) {
  fs::create_directory(Path("words"));
  const char* texts[] = {"a survey of the harbour\n", "the harbour alone\n", "concatenate\n", "the cat.\n",
                         "paid invoice-2024\n",       "inv0ice-2025 due\n",  "x\ny\nharbour cat\n"};
  for (int i = 0; i < 60; ++i) Write("words/f" + std::to_string(i) + ".txt", std::string(i, '\n') + texts[i % 7]);
  struct Mode {
    const char* text;
    bool regex, whole, all;
  };
  for (const Mode& m : {Mode{"harbour", false, false, false}, Mode{"inv[o0]ice-20(24|25)", true, false, false},
                        Mode{"cat", false, true, false}, Mode{"harbour survey", false, false, true}}) {
    std::vector<std::vector<ItemData>> results;
    for (unsigned jobs : {1u, 4u}) {
      SearchCriteria criteria;
      criteria.locationText = Path("words");
      criteria.containsText = m.text;
      criteria.regex = m.regex;
      criteria.wholeWords = m.whole;
      criteria.allWords = m.all;
      criteria.jobs = jobs;
      criteria.Derive();
      ResultStore store;
      test::RecordingHost host;
      {
        TSearchThread search(criteria, store, host);
        search.Join();
      }
      std::vector<ItemData> rows;
      for (std::size_t i = 0; i < store.Count(); ++i) rows.push_back(store.Row(i));
      results.push_back(std::move(rows));
    }
    EXPECT_FALSE(results[0].empty()) << m.text;
    EXPECT_EQ(results[0], results[1]) << m.text;
  }
}

}  // namespace
}  // namespace tessaly::engine
