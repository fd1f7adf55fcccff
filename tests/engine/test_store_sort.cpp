// The result store and the result list's ordering.
#include <gtest/gtest.h>

#include <thread>

#include "engine/ResultSort.h"
#include "engine/ResultStore.h"

using namespace tessaly::engine;

namespace {

std::vector<std::string> Names(const ResultStore& s) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < s.Count(); ++i) out.push_back(s.Row(i).Name);
  return out;
}

TEST(ResultStore, AddHitDropsRepeatsOfNameAndPath) {
  ResultStore s;
  std::size_t count = 0;
  EXPECT_TRUE(s.AddHit({"a.txt", "1 b", "/x"}, &count));
  EXPECT_EQ(count, 1u);
  EXPECT_FALSE(s.AddHit({"a.txt", "9 Kb", "/x"}, &count));  // size does not count
  EXPECT_TRUE(s.AddHit({"A.TXT", "1 b", "/x"}));            // letter case counts
  EXPECT_TRUE(s.AddHit({"a.txt", "1 b", "/y"}));
  EXPECT_EQ(s.Count(), 3u);
  EXPECT_EQ(s.Row(2), (ItemData{"a.txt", "1 b", "/y"}));
  EXPECT_EQ(s.Row(99), ItemData{});
  s.Clear();
  EXPECT_EQ(s.Count(), 0u);
  EXPECT_TRUE(s.AddHit({"a.txt", "1 b", "/x"}));  // emptied store forgets its rows
}

TEST(ResultStore, RepeatCheckHoldsAfterSortAndAtScale) {
  ResultStore s;
  for (int i = 0; i < 50000; ++i) s.AddHit({"f" + std::to_string(i), "1 b", "/d" + std::to_string(i % 7)});
  EXPECT_EQ(s.Count(), 50000u);
  s.Sort(SortColumn::Name, true);
  for (int i = 0; i < 50000; i += 997) EXPECT_FALSE(s.AddHit({"f" + std::to_string(i), "1 b", "/d" + std::to_string(i % 7)}));
  EXPECT_EQ(s.Count(), 50000u);
}

// Real trees repeat the same names in every folder (README.md, Makefile,
// index.html): a million such rows, each name in thousands of folders, are
// all kept, and each of them is still found as a repeat.
TEST(ResultStore, AMillionRowsOfRecurringNames) {
  static const char* const kNames[] = {"README.md", "index.html", "Makefile", "main.c", "notes.txt",
                                       "a.pdf",     "b.pdf",      "report.doc", "data.xls", "x"};
  constexpr int kFolders = 100000;
  ResultStore s;
  for (int f = 0; f < kFolders; ++f) {
    const std::string path = "/src/project/dir" + std::to_string(f);
    for (const char* name : kNames) ASSERT_TRUE(s.AddHit({name, "1 b", path}));
  }
  EXPECT_EQ(s.Count(), 1000000u);
  for (int f = 0; f < kFolders; f += 101)
    for (const char* name : kNames) EXPECT_FALSE(s.AddHit({name, "2 b", "/src/project/dir" + std::to_string(f)}));
  EXPECT_TRUE(s.AddHit({"README.md", "1 b", "/src/project/dir" + std::to_string(kFolders)}));
  EXPECT_EQ(s.Count(), 1000001u);
}

TEST(ResultStore, ConcurrentWritersAndReaders) {
  ResultStore s;
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) s.AddHit({std::to_string(i), "1 b", "/p"});
  });
  std::size_t seen = 0;
  while (seen < 20000) {
    seen = s.Count();
    if (seen) {
      EXPECT_FALSE(s.Row(seen - 1).Name.empty());
    }
  }
  writer.join();
  EXPECT_EQ(s.Count(), 20000u);
}

TEST(ResultSort, SizeTextBytes) {
  EXPECT_EQ(SizeTextBytes("1500 b"), 1500);
  EXPECT_EQ(SizeTextBytes("2 Kb"), 2048);
  EXPECT_EQ(SizeTextBytes("1 Mb"), 1048576);
  EXPECT_EQ(SizeTextBytes("2100 Mb"), 2100LL * 1048576);  // beyond 32 bits
  EXPECT_EQ(SizeTextBytes("5 GB"), 5LL << 30);
  EXPECT_EQ(SizeTextBytes("[folder]"), 0);
  EXPECT_EQ(SizeTextBytes("12 Tb"), 0);
  EXPECT_EQ(SizeTextBytes(""), 0);
  EXPECT_EQ(SizeTextBytes("b"), 0);
}

TEST(ResultSort, Comparisons) {
  const RowView folder{"x", "[folder]", "/"}, small{"y", "1500 b", "/"}, kb2{"z", "2 Kb", "/"};
  EXPECT_LT(CompareRows(folder, small, SortColumn::Size), 0);
  EXPECT_GT(CompareRows(small, folder, SortColumn::Size), 0);
  EXPECT_EQ(CompareRows(folder, folder, SortColumn::Size), 0);
  EXPECT_LT(CompareRows(small, kb2, SortColumn::Size), 0);
  EXPECT_LT(CompareRows({"", "1023 Kb", ""}, {"", "1 Mb", ""}, SortColumn::Size), 0);
  EXPECT_GT(CompareRows({"", "2100 Mb", ""}, {"", "1 Gb", ""}, SortColumn::Size), 0);
  EXPECT_EQ(CompareRows({"", "5 Kb", ""}, {"", "5 Kb", ""}, SortColumn::Size), 0);
  EXPECT_EQ(CompareRows({"a.txt", "", ""}, {"A.TXT", "", ""}, SortColumn::Name), 0);
  EXPECT_NE(CompareRows({"\xC3\xA9", "", ""}, {"\xC3\x89", "", ""}, SortColumn::Name), 0);  // é not folded
  EXPECT_LT(CompareRows({"ab", "", ""}, {"abc", "", ""}, SortColumn::Name), 0);  // prefix first
  EXPECT_LT(CompareRows({"", "", "/a"}, {"", "", "/B"}, SortColumn::Path), 0);
  EXPECT_EQ(CompareRows({"a", "", ""}, {"b", "", ""}, SortColumn::None), 0);
  EXPECT_EQ(SortColumnFromCaption("Path / Archive Name"), SortColumn::Path);
  EXPECT_EQ(SortColumnFromCaption("Other"), SortColumn::None);
}

TEST(ResultSort, DescendingIsTheExactReverse) {
  for (int n : {2, 5, 6}) {
    ResultStore s;
    for (int i = 0; i < n; ++i) s.AddHit({std::string(1, static_cast<char>('a' + (i * 3) % n)), "1 b", "/"});
    s.Sort(SortColumn::Name, false);
    auto up = Names(s);
    s.Sort(SortColumn::Name, true);
    auto down = Names(s);
    std::reverse(down.begin(), down.end());
    EXPECT_EQ(up, down) << n << " rows";
    EXPECT_TRUE(std::is_sorted(up.begin(), up.end()));
  }
}

}  // namespace
