// The cache file: texts kept and found by key only, the file set aside or
// left alone under faults (random bytes, a newer program's file, a folder
// that cannot be written, a full disk) with one message each, the size
// bound, and the maintenance commands.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "cache/CacheFolder.h"
#include "cache/CacheMaintenance.h"
#include "cache/Sqlite.h"
#include "cache/TextCache.h"

namespace fs = std::filesystem;

namespace tessaly::cache {
namespace {

class TextCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tessaly-cache-test-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    folder_ = (root_ / "cache" / "tessaly").string();
  }
  void TearDown() override {
    for (const std::string& m : mounts_) ::umount2(m.c_str(), MNT_DETACH);
    fs::remove_all(root_);
  }
  TCacheOptions Options(std::int64_t maxBytes = kDefaultCacheBytes) {
    TCacheOptions o;
    o.folder = folder_;
    o.maxBytes = maxBytes;
    o.say = [this](const std::string& text) { messages_.push_back(text); };
    return o;
  }
  CacheMessage Say() {
    return [this](const std::string& text) { messages_.push_back(text); };
  }
  static TCacheKey Key(std::uint64_t inode, std::string converter = "pdftotext\n1:2:3\n-enc UTF-8") {
    TCacheKey k;
    k.file = {7, inode, 1234, 1'600'000'000'000'000'001, 1'600'000'000'000'000'002};
    k.converter = std::move(converter);
    return k;
  }
  static TCachedText Text(const std::string& words) {
    TCachedText t;
    t.text = words;
    t.parts = {{0, 1, 1, ""}};
    return t;
  }
  std::string File() const { return folder_ + "/" + kCacheFileName; }
  // Keeps `n` texts of `bytes` random bytes each, one cache (one search).
  void Fill(int n, std::size_t bytes, std::int64_t maxBytes) {
    std::mt19937 random(42);
    TTextCache cache(Options(maxBytes));
    for (int i = 0; i < n; ++i) {
      TCachedText t;
      t.text.resize(bytes);
      for (char& c : t.text) c = static_cast<char>(random());
      cache.Store(Key(static_cast<std::uint64_t>(i)), root_.string() + "/doc" + std::to_string(i), std::move(t));
    }
  }
  bool Mount(const std::string& source, const std::string& target, const char* type, unsigned long flags,
             const char* data) {
    if (::mount(source.c_str(), target.c_str(), type, flags, data) != 0) return false;
    mounts_.push_back(target);
    return true;
  }

  fs::path root_;
  std::string folder_;
  std::vector<std::string> messages_;
  std::vector<std::string> mounts_;
};

TEST_F(TextCacheTest, FindsATextOnlyUnderItsWholeKey) {
  {
    TTextCache cache(Options());
    EXPECT_FALSE(cache.Find(Key(1)));
    cache.Store(Key(1), "/docs/memo.pdf", Text("harbour zeppelin"));
  }
  struct stat st {};
  ASSERT_EQ(::stat(folder_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat(File().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  struct Case {
    const char* what;
    TCacheKey key;
    bool found;
  };
  auto changed = [](auto edit) {
    TCacheKey k = Key(1);
    edit(k);
    return k;
  };
  const Case cases[] = {
      {"the same file and converter", Key(1), true},
      {"another inode", Key(2), false},
      {"another device", changed([](TCacheKey& k) { k.file.device = 8; }), false},
      {"another size", changed([](TCacheKey& k) { k.file.size += 1; }), false},
      {"modified a nanosecond later", changed([](TCacheKey& k) { k.file.modifiedNs += 1; }), false},
      {"status changed (rewritten, then touch -r)", changed([](TCacheKey& k) { k.file.changedNs += 1; }), false},
      {"an upgraded converter", Key(1, "pdftotext\n1:2:4\n-enc UTF-8"), false},
      {"other arguments", Key(1, "pdftotext\n1:2:3\n-layout"), false},
  };
  TTextCache cache(Options());
  for (const Case& c : cases) {
    const auto found = cache.Find(c.key);
    EXPECT_EQ(found.has_value(), c.found) << c.what;
    if (found) {
      EXPECT_EQ(*found, Text("harbour zeppelin")) << c.what;
    }
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(TextCacheTest, AChangedFilesEntryIsDroppedWhenMet) {
  {
    TTextCache cache(Options());
    cache.Store(Key(1), "/docs/memo.pdf", Text("old words"));
  }
  TCacheKey rewritten = Key(1);
  rewritten.file.changedNs += 5;
  {
    TTextCache cache(Options());
    EXPECT_FALSE(cache.Find(rewritten));
  }
  TTextCache cache(Options());
  EXPECT_FALSE(cache.Find(Key(1))) << "the stale entry stays dropped";
  const auto stats = ReadCacheStats(folder_, Say());
  ASSERT_TRUE(stats);
  EXPECT_EQ(stats->entries, 0);
}

TEST_F(TextCacheTest, RandomBytesAreSetAsideWithOneMessageAndANewCacheBegins) {
  fs::create_directories(folder_);
  {
    std::ofstream out(File(), std::ios::binary);
    std::mt19937 random(7);
    for (int i = 0; i < 4096; ++i) out.put(static_cast<char>(random()));
  }
  {
    TTextCache cache(Options());
    EXPECT_FALSE(cache.Find(Key(1)));
    cache.Store(Key(1), "/docs/a.pdf", Text("fresh"));
  }
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("damaged"), std::string::npos) << messages_[0];
  EXPECT_TRUE(fs::exists(File() + kSetAsideSuffix));
  TTextCache cache(Options());
  EXPECT_TRUE(cache.Find(Key(1)));
}

TEST_F(TextCacheTest, ANewerProgramsFileIsLeftAloneAndNotUsed) {
  {
    TTextCache cache(Options());
    cache.Store(Key(1), "/docs/a.pdf", Text("words"));
  }
  {
    TSqlite db(File(), false);
    db.Exec("PRAGMA user_version=9");
  }
  TTextCache cache(Options());
  EXPECT_FALSE(cache.Find(Key(1)));
  cache.Store(Key(2), "/docs/b.pdf", Text("more"));
  EXPECT_FALSE(cache.Usable());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("newer"), std::string::npos) << messages_[0];
  TSqlite db(File(), false);
  EXPECT_EQ(db.Integer("PRAGMA user_version"), 9);
  EXPECT_EQ(db.Integer("SELECT count(*) FROM entries"), 1);
}

TEST_F(TextCacheTest, AFolderThatCannotBeWrittenGivesOneMessage) {
  const std::string parent = (root_ / "cache").string();
  fs::create_directories(parent);
  // Root may write anywhere: a read-only bind mount stops it too.
  const bool readOnly = ::geteuid() != 0 ? ::chmod(parent.c_str(), 0500) == 0
                                         : Mount(parent, parent, nullptr, MS_BIND, nullptr) &&
                                               Mount(parent, parent, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr);
  if (!readOnly) GTEST_SKIP() << "cannot make a read-only folder here (no mount permission)";
  {
    TTextCache cache(Options());
    EXPECT_FALSE(cache.Find(Key(1)));
    EXPECT_FALSE(cache.Find(Key(2)));
    cache.Store(Key(1), "/docs/a.pdf", Text("words"));
  }
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("cannot"), std::string::npos) << messages_[0];
  ::chmod(parent.c_str(), 0700);
}

TEST_F(TextCacheTest, AFullDiskStopsTheWritesWithOneMessage) {
  const std::string parent = (root_ / "cache").string();
  fs::create_directories(parent);
  if (!Mount("tessaly-test", parent, "tmpfs", 0, "size=256k"))
    GTEST_SKIP() << "cannot mount a small tmpfs here (no mount permission)";
  {
    std::mt19937 random(3);
    TTextCache cache(Options());
    for (int i = 0; i < 40; ++i) {
      TCachedText t;
      t.text.resize(20000);
      for (char& c : t.text) c = static_cast<char>(random());
      cache.Store(Key(static_cast<std::uint64_t>(i)), "/docs/" + std::to_string(i), std::move(t));
      cache.Flush();
    }
    EXPECT_FALSE(cache.Find(Key(1000)));
  }
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("no room"), std::string::npos) << messages_[0];
  // What was written before the disk filled is still whole.
  TTextCache cache(Options());
  EXPECT_TRUE(cache.Find(Key(0)));
}

TEST_F(TextCacheTest, TheSizeBoundHoldsForThreeThousandDocuments) {
  constexpr std::int64_t kBound = std::int64_t{2} << 20;
  Fill(3000, 2000, kBound);  // 6 MB of texts that do not compress
  EXPECT_LE(CacheFileBytes(File()), kBound);
  const auto stats = ReadCacheStats(folder_, Say());
  ASSERT_TRUE(stats);
  EXPECT_GT(stats->entries, 100);
  EXPECT_LT(stats->entries, 3000);
  // The least recently used went first: the last ones are there.
  TTextCache cache(Options(kBound));
  EXPECT_TRUE(cache.Find(Key(2999)));
  EXPECT_FALSE(cache.Find(Key(0)));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(TextCacheTest, PruneDropsTheEntriesOfFilesGoneOrChanged) {
  const std::string kept = (root_ / "kept.pdf").string(), gone = (root_ / "gone.pdf").string();
  std::ofstream(kept) << "x";
  std::ofstream(gone) << "y";
  auto keyOf = [](const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return TCacheKey{TFileIdentity::Of(st), "conv"};
  };
  {
    TTextCache cache(Options());
    cache.Store(keyOf(kept), kept, Text("kept"));
    cache.Store(keyOf(gone), gone, Text("gone"));
    cache.Store(Key(99), (root_ / "never.pdf").string(), Text("never there"));
  }
  fs::remove(gone);
  const auto pruned = PruneCache(folder_, kDefaultCacheBytes, Say());
  ASSERT_TRUE(pruned);
  EXPECT_EQ(pruned->dropped, 2);
  EXPECT_EQ(pruned->kept, 1);
  TTextCache cache(Options());
  EXPECT_TRUE(cache.Find(keyOf(kept)));
}

TEST_F(TextCacheTest, PruneAppliesASmallerBoundAndClearEmpties) {
  {
    // Texts of files that exist, so that only the bound drops them.
    std::mt19937 random(5);
    TTextCache cache(Options());
    for (int i = 0; i < 400; ++i) {
      const std::string path = (root_ / ("doc" + std::to_string(i))).string();
      std::ofstream(path) << i;
      struct stat st {};
      ::stat(path.c_str(), &st);
      TCachedText t;
      t.text.resize(4000);
      for (char& c : t.text) c = static_cast<char>(random());
      cache.Store({TFileIdentity::Of(st), "conv"}, path, std::move(t));
    }
  }
  ASSERT_GT(CacheFileBytes(File()), std::int64_t{1} << 20);
  const auto pruned = PruneCache(folder_, std::int64_t{1} << 20, Say());
  ASSERT_TRUE(pruned);
  EXPECT_GT(pruned->evicted, 0);
  EXPECT_LE(CacheFileBytes(File()), std::int64_t{1} << 20);

  ASSERT_TRUE(ClearCache(folder_, Say()));
  const auto stats = ReadCacheStats(folder_, Say());
  ASSERT_TRUE(stats);
  EXPECT_EQ(stats->entries, 0);
  EXPECT_TRUE(stats->searches.empty());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(TextCacheTest, StatsCountTheLastSearches) {
  {
    TTextCache cache(Options());
    cache.Find(Key(1));
    cache.Store(Key(1), "/d/1", Text("one"));
  }
  {
    TTextCache cache(Options());
    cache.Find(Key(1));
    cache.Find(Key(2));
  }
  { TTextCache unused(Options()); }  // no look-up: no record
  const auto stats = ReadCacheStats(folder_, Say());
  ASSERT_TRUE(stats);
  ASSERT_EQ(stats->searches.size(), 2u);
  EXPECT_EQ(stats->searches[0].lookups, 2);
  EXPECT_EQ(stats->searches[0].hits, 1);
  EXPECT_EQ(stats->searches[1].stored, 1);
}

TEST_F(TextCacheTest, TwoProgramsWriteAtOnce) {
  // Two caches on one file stand for the window and a console search.
  {
    TTextCache a(Options()), b(Options());
    for (int i = 0; i < 200; ++i) {
      a.Store(Key(static_cast<std::uint64_t>(i)), "/a/" + std::to_string(i), Text("a" + std::to_string(i)));
      b.Store(Key(static_cast<std::uint64_t>(1000 + i)), "/b/" + std::to_string(i), Text("b" + std::to_string(i)));
    }
  }
  TTextCache cache(Options());
  EXPECT_EQ(cache.Find(Key(17))->text, "a17");
  EXPECT_EQ(cache.Find(Key(1199))->text, "b199");
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace tessaly::cache
