// The one-pass folder listing over a real temporary tree.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/DirListing.h"
#include "platform/FileFacts.h"

namespace fs = std::filesystem;
using tessaly::platform::FolderListing;

namespace {

class ListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tessaly-listing-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "sub");
    fs::create_directories(root_ / ".hidden");
    std::ofstream(root_ / "five.txt") << "12345";
    std::ofstream(root_ / ".dotfile") << "x";
    fs::create_symlink(root_ / "sub", root_ / "link-to-sub");
    fs::create_symlink(root_ / "nowhere", root_ / "dangling");
  }
  void TearDown() override { fs::remove_all(root_); }
  std::size_t Find(FolderListing& l, const std::string& n) {
    for (std::size_t i = 0; i < l.size(); ++i)
      if (l.name(i) == n) return i;
    ADD_FAILURE() << n << " not listed";
    return 0;
  }
  fs::path root_;
};

TEST_F(ListingTest, FactsOfEachKind) {
  FolderListing l(root_.string());
  ASSERT_TRUE(l.ok());
  EXPECT_EQ(l.size(), 6u);  // "." and ".." are left out
  std::size_t i = Find(l, "five.txt");
  EXPECT_FALSE(l.facts(i).isFolder);
  EXPECT_EQ(l.facts(i).size, 5u);
  EXPECT_TRUE(l.isHidden(Find(l, ".dotfile")));
  EXPECT_TRUE(l.isHidden(Find(l, ".hidden")));
  i = Find(l, "link-to-sub");
  EXPECT_TRUE(l.isLinkByType(i));
  EXPECT_FALSE(l.isPlainFolder(i));
  EXPECT_TRUE(l.facts(i).isFolder);  // listed as what it points to
  i = Find(l, "dangling");
  EXPECT_TRUE(l.facts(i).exists);  // a file of size 0
  EXPECT_FALSE(l.facts(i).isFolder);
  EXPECT_EQ(l.facts(i).size, 0u);
  EXPECT_TRUE(l.isPlainFolder(Find(l, "sub")));
}

TEST_F(ListingTest, MissingFolderListsNothing) {
  FolderListing l((root_ / "absent").string());
  EXPECT_FALSE(l.ok());
  EXPECT_EQ(l.size(), 0u);
}

TEST_F(ListingTest, SparseFileHasItsFull64BitSize) {
  const fs::path big = root_ / "big.bin";
  { std::ofstream(big) << ""; }
  ASSERT_EQ(::truncate(big.c_str(), 5LL << 30), 0);
  FolderListing l(root_.string());
  EXPECT_EQ(l.facts(Find(l, "big.bin")).size, 5ULL << 30);
}

}  // namespace
