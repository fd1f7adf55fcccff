// The folder walk and the search thread over real temporary trees.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include <sys/resource.h>
#include <sys/stat.h>

#include "DeepTree.h"
#include "RecordingHost.h"
#include "engine/FileMatches.h"
#include "engine/FolderLister.h"
#include "engine/FolderWalk.h"
#include "engine/SearchThread.h"

namespace fs = std::filesystem;
using namespace tessaly::engine;
using tessaly::test::RecordingHost;

namespace {

class WalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tessaly-walk-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { tessaly::test::RemoveTree(root_.string()); }
  void File(const std::string& rel, const std::string& content = "x") {
    fs::create_directories((root_ / rel).parent_path());
    std::ofstream(root_ / rel) << content;
  }
  // Runs one search to its end and returns the rows as "Path|Name|Size".
  std::vector<std::string> Search(SearchCriteria c, ArchiveDispatch dispatch = {}) {
    if (c.locationText.empty()) c.locationText = root_.string();
    c.Derive();
    {
      TSearchThread t(c, store_, host_, dispatch);
      t.Join();
    }
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < store_.Count(); ++i) {
      ItemData r = store_.Row(i);
      rows.push_back(Rel(r.Path) + "|" + r.Name + "|" + r.Size);
    }
    return rows;
  }
  std::string Rel(const std::string& p) {
    std::string base = root_.string();
    return p.size() >= base.size() ? "." + p.substr(base.size()) : p;
  }
  fs::path root_;
  ResultStore store_;
  RecordingHost host_;
};

using Rows = std::vector<std::string>;

TEST_F(WalkTest, DesignedRowOrderAndSubfolders) {
  File("b.txt", "12");
  File("a.pdf", "1234");
  File("sub/c.txt");
  File("photo.jpg");
  SearchCriteria c;
  c.typeText = "PDF;TXT";
  Rows rows = Search(c);
  // Pattern by pattern over the listing, then the sub-folders.
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], ".|a.pdf|4 b");
  EXPECT_EQ(rows[1], ".|b.txt|2 b");
  EXPECT_EQ(rows[2], "./sub|c.txt|1 b");
  EXPECT_EQ(host_.foldersWalked, 2u);  // the location and sub
  EXPECT_TRUE(host_.Has("finished:3"));
  EXPECT_EQ(host_.Events().front(), "started");
  EXPECT_EQ(host_.Events().back(), "ended");
}

TEST_F(WalkTest, HiddenFoldersNotWalkedHiddenFilesListed) {
  File(".secret/inner.txt");
  File(".hidden.txt");
  SearchCriteria c;
  c.typeText = "TXT";
  EXPECT_EQ(Search(c), (Rows{".|.hidden.txt|1 b"}));
  EXPECT_EQ(host_.foldersWalked, 1u);  // the hidden folder is not walked
}

TEST_F(WalkTest, FolderNamedLikeAPatternIsListedWhateverTheFilters) {
  fs::create_directories(root_ / "Report.pdf");
  File("report-big.pdf", std::string(100, 'x'));
  SearchCriteria c;
  c.nameText = "report";
  c.sizeFilter = {true, SizeKind::AtMost, 10};
  EXPECT_EQ(Search(c), (Rows{".|Report.pdf|[folder]"}));
  c.listFolders = false;
  EXPECT_EQ(Search(c), Rows{});
}

TEST_F(WalkTest, SubfoldersWalkedWithListFoldersOff) {
  File("deep/er/x.txt");
  SearchCriteria c;
  c.listFolders = false;
  c.typeText = "TXT";
  EXPECT_EQ(Search(c), (Rows{"./deep/er|x.txt|1 b"}));
}

TEST_F(WalkTest, OverlappingLocationsListEachFileOnce) {
  File("docs/a.txt");
  SearchCriteria c;
  c.locationText = root_.string() + ";" + (root_ / "docs").string();
  c.typeText = "TXT";
  EXPECT_EQ(Search(c), (Rows{"./docs|a.txt|1 b"}));
  EXPECT_EQ(host_.foldersWalked, 3u);  // the count runs on over the locations: docs is walked twice
}

TEST_F(WalkTest, MissingLocationsReportedAfterTheWalk) {
  File("a.txt");
  SearchCriteria c;
  c.locationText = root_.string() + ";/no/such/folder;" + (root_ / "a.txt").string();
  c.typeText = "TXT";
  EXPECT_EQ(Search(c).size(), 1u);
  EXPECT_TRUE(host_.Has("missing:/no/such/folder\n\r" + (root_ / "a.txt").string() + "\n\r"));
}

TEST_F(WalkTest, LinksToFoldersAreListedButNeverDescended) {
  File("real/x.txt");
  fs::create_directory_symlink(root_ / "real", root_ / "alias.txt");
  fs::create_directory_symlink(root_, root_ / "real" / "loop");
  SearchCriteria c;
  c.typeText = "TXT";
  Rows rows = Search(c);
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (Rows{"./real|x.txt|1 b", ".|alias.txt|[folder]"}));
}

TEST_F(WalkTest, ArchivesGoToTheDispatcherWhateverThePatterns) {
  File("data.zip");
  File("data.zipx");
  File("sub/old.ARJ");
  fs::create_directories(root_ / "folder.zip");
  // Archive listings run on the pool's workers, so the dispatcher is called
  // from several threads at once, in no set order.
  std::mutex lock;
  std::vector<std::string> offered;
  SearchCriteria c;
  c.typeText = "PDF";
  Search(c, [&](SearchContext&, const std::string& path, const std::string& patterns) {
    const std::lock_guard<std::mutex> hold(lock);
    offered.push_back(Rel(path) + " " + patterns);
    return std::optional<UnreadableCause>();
  });
  std::sort(offered.begin(), offered.end());
  // data.zipx matches *.zip by the three-letter rule; the dispatcher decides.
  EXPECT_EQ(offered, (Rows{"./data.zip **.PDF", "./data.zipx **.PDF", "./sub/old.ARJ **.PDF"}));
}

TEST_F(WalkTest, AnErrorInOneEntryEndsOnlyThatEntry) {
  File("a.zip");
  File("b.txt");
  SearchCriteria c;
  c.typeText = "TXT";
  Rows rows = Search(c, [](SearchContext&, const std::string&, const std::string&) -> std::optional<UnreadableCause> {
    throw std::runtime_error("'[' is an invalid mask at (1)");
  });
  EXPECT_EQ(rows, (Rows{".|b.txt|1 b"}));
  EXPECT_TRUE(host_.Has("finished:1"));
}

TEST_F(WalkTest, FiltersHoldForFilesOfEveryKind) {
  File("photo.jpg");
  File("page.html");
  SearchCriteria c;
  c.typeText = "JPG;HTML";
  EXPECT_EQ(Search(c).size(), 2u);  // no filter: every name-matched file
  c.sizeFilter = {true, SizeKind::AtMost, 1000};
  EXPECT_EQ(Search(c).size(), 2u);
  c.sizeFilter = {true, SizeKind::AtLeast, 1000};
  EXPECT_EQ(Search(c).size(), 0u);
}

// Stops its search when the row count reaches 50, as the Stop button would.
class StoppingHost : public RecordingHost {
 public:
  // The search waits at its start until the test has told the host its thread.
  void SearchStarted() override {
    while (!thread.load()) std::this_thread::yield();
    RecordingHost::SearchStarted();
  }
  void RowCountChanged(std::size_t count) override {
    RecordingHost::RowCountChanged(count);
    if (TSearchThread* t = thread.load(); count == 50 && t) t->RequestStop();
  }
  std::atomic<TSearchThread*> thread{nullptr};
};

TEST_F(WalkTest, StopDuringALongWalk) {
  for (int i = 0; i < 200; ++i) {
    File("d" + std::to_string(i) + "/f.txt");
    File("d" + std::to_string(i) + "/cut.zip");
  }
  SearchCriteria c;
  c.typeText = "TXT";
  c.locationText = root_.string();
  c.Derive();
  StoppingHost host;
  // Every archive is unreadable: the stopped search still tells nothing.
  const ArchiveDispatch damaged = [](SearchContext&, const std::string&, const std::string&) {
    return std::optional<UnreadableCause>(UnreadableCause::Damaged);
  };
  {
    TSearchThread t(c, store_, host, damaged);
    host.thread = &t;
    t.Join();
  }
  EXPECT_EQ(store_.Count(), 50u);  // no row after the stop
  for (const auto& e : host.Events()) EXPECT_NE(e.rfind("finished", 0), 0u) << e;
  for (const auto& e : host.Events()) EXPECT_NE(e.rfind("ended", 0), 0u) << e;
  for (const auto& e : host.Events()) EXPECT_NE(e.rfind("unreadable", 0), 0u) << e;
}

// The walk descends by folder descriptors: a chain far past the path limit
// is walked to its end, and with few descriptors allowed a deep tree whose
// folders each have more sub-folders comes out whole and in walk order.
TEST_F(WalkTest, DeepTreesAreWalkedWholeWithFewDescriptors) {
  // 1,000 levels, 7,000 bytes of path: past the path limit and far past the
  // descriptors allowed below.
  ASSERT_TRUE(tessaly::test::MakeChain(root_.string(), 1000, "dddddd", "bottom.txt", "x"));
  // A comb: each of 300 levels holds a leaf folder beside the next level.
  fs::create_directories(root_ / "comb");
  std::string rel = "comb";
  for (int i = 0; i < 300; ++i) {
    File(rel + "/leaf/f" + std::to_string(i) + ".txt");
    rel += "/next";
  }
  rlimit saved{};
  ::getrlimit(RLIMIT_NOFILE, &saved);
  rlimit low = saved;
  low.rlim_cur = 200;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  SearchCriteria c;
  c.typeText = "TXT";
  Rows rows = Search(c);
  ::setrlimit(RLIMIT_NOFILE, &saved);

  ASSERT_EQ(rows.size(), 301u);
  std::string path = ".";
  for (int i = 0; i < 1000; ++i) path += "/dddddd";
  std::string combPath = "./comb";
  std::vector<std::string> combRows;
  for (int i = 0; i < 300; ++i) {
    combRows.push_back(combPath + "/leaf|f" + std::to_string(i) + ".txt|1 b");
    combPath += "/next";
  }
  const std::vector<std::string> chainRow{path + "|bottom.txt|1 b"};
  // The two trees come in listing order; within each, depth first.
  if (rows.front() == chainRow.front()) {
    EXPECT_EQ(Rows(rows.begin() + 1, rows.end()), combRows);
  } else {
    EXPECT_EQ(Rows(rows.begin(), rows.end() - 1), combRows);
    EXPECT_EQ(rows.back(), chainRow.front());
  }
  EXPECT_TRUE(host_.unreadable.empty());
}

TEST_F(WalkTest, FoldersThatCannotBeListedAreReported) {
  if (::geteuid() == 0) GTEST_SKIP() << "root lists every folder; the console end-to-end test runs this as nobody";
  File("open/a.txt");
  File("shut/b.txt");
  fs::create_directories(root_ / "locked");
  ::chmod((root_ / "shut").c_str(), 0);
  ::chmod((root_ / "locked").c_str(), 0);
  SearchCriteria c;
  c.typeText = "TXT";
  c.locationText = root_.string() + ";" + (root_ / "locked").string();
  Rows rows = Search(c);
  ::chmod((root_ / "shut").c_str(), 0755);
  ::chmod((root_ / "locked").c_str(), 0755);
  EXPECT_EQ(rows, (Rows{"./open|a.txt|1 b"}));
  std::vector<std::string> got;
  for (const auto& e : host_.unreadable.Kept()) got.push_back(std::string(CauseText(e.cause)) + " " + Rel(e.path));
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (Rows{"permission denied ./locked", "permission denied ./shut"}));
  EXPECT_FALSE(host_.Has("missing:" + (root_ / "locked").string() + "\n\r"));
}

// A listing hook that blocks every listing thread that reaches a folder
// named "hang" until the test lets it go (at the latest after a minute, so
// that a failing test ends): a folder on a dead mount.
struct HangingFolder {
  static void Hook(const std::string& path) {
    if (path.size() < 5 || path.compare(path.size() - 5, 5, "/hang") != 0) return;
    std::unique_lock lock(mutex);
    ++entered;
    changed.notify_all();
    changed.wait_for(lock, std::chrono::minutes(1), [] { return released; });
  }
  HangingFolder() {
    const std::lock_guard lock(mutex);
    released = false;
    entered = 0;
    SetListingHookForTests(&Hook);
  }
  ~HangingFolder() { Release(); }
  // Lets the blocked threads go.
  void Release() {
    {
      const std::lock_guard lock(mutex);
      released = true;
    }
    changed.notify_all();
    SetListingHookForTests(nullptr);
  }
  bool WaitEntered() {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(30), [] { return entered > 0; });
  }
  static inline std::mutex mutex;
  static inline std::condition_variable changed;
  static inline bool released = false;
  static inline int entered = 0;
};

TEST_F(WalkTest, AFolderThatNeverAnswersTimesOutAndTheWalkGoesOn) {
  File("a/one.txt");
  File("hang/lost.txt");
  File("z/two.txt");
  for (const unsigned threads : {1u, 2u}) {
    HangingFolder hang;
    SearchCriteria c;
    c.typeText = "TXT";
    c.jobs = 1;
    c.walkThreads = threads;
    c.walkTimeoutSeconds = 1;
    c.locationText = root_.string() + ";" + (root_ / "hang").string();
    Rows rows = Search(c);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (Rows{"./a|one.txt|1 b", "./z|two.txt|1 b"})) << threads;
    std::vector<std::string> got;
    for (const auto& e : host_.unreadable.Kept()) got.push_back(std::string(CauseText(e.cause)) + " " + Rel(e.path));
    // The sub-folder and the location both named "hang".
    EXPECT_EQ(got, (Rows{"timed out ./hang", "timed out ./hang"})) << threads;
    EXPECT_TRUE(host_.Has("finished:2"));
  }
}

TEST_F(WalkTest, AStopEndsTheSearchWhileAListingIsBlocked) {
  File("a/one.txt");
  File("hang/lost.txt");
  for (const unsigned jobs : {1u, 0u}) {
    HangingFolder hang;
    SearchCriteria c;
    c.typeText = "TXT";
    c.jobs = jobs;
    c.walkThreads = 1;
    c.locationText = root_.string();
    c.Derive();
    RecordingHost host;
    auto search = std::make_unique<TSearchThread>(c, store_, host);
    ASSERT_TRUE(hang.WaitEntered());
    search->RequestStop();
    // Ends without the blocked listing: a hang here would block the test,
    // so the end is awaited on another thread.
    auto ended = std::async(std::launch::async, [&] { search.reset(); });
    EXPECT_EQ(ended.wait_for(std::chrono::seconds(20)), std::future_status::ready) << jobs;
    hang.Release();
    ended.wait();
    for (const auto& e : host.Events()) EXPECT_NE(e.rfind("finished", 0), 0u) << e;
  }
}

TEST(FolderStatusText, LongPathsShowTheirTail) {
  const std::string p77(77, 'a');
  EXPECT_EQ(FolderStatusText(p77), p77);
  const std::string p100 = std::string(22, 'x') + std::string(78, 'y');
  EXPECT_EQ(FolderStatusText(p100), "..." + std::string(78, 'y'));
  EXPECT_EQ(FolderStatusText(std::string(78, 'z')), "..." + std::string(78, 'z'));
  // 80 two-byte letters: the tail keeps 78 whole letters.
  std::string accents;
  for (int i = 0; i < 80; ++i) accents += "\xC3\xA9";
  EXPECT_EQ(FolderStatusText(accents), "..." + accents.substr(4));
}

TEST(LowerAscii, OnlyAToZ) { EXPECT_EQ(LowerAscii("A.PDF\xC3\x89"), "a.pdf\xC3\x89"); }

}  // namespace
