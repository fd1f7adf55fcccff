// Search settings: list splitting, patterns, size and date filters, size texts.
#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "engine/SearchCriteria.h"
#include "engine/SizeText.h"

namespace fs = std::filesystem;
using namespace tessaly::engine;
using tessaly::platform::LocalDateTime;
using tessaly::platform::TimeStamp;

namespace {

using List = std::vector<std::string>;

TEST(SplitList, Table) {
  EXPECT_EQ(SplitList("/home/;;/srv/"), (List{"/home", "/srv"}));  // empty entries dropped
  EXPECT_EQ(SplitList("/"), (List{"/"}));                          // the root stays the root
  EXPECT_EQ(SplitList("/docs//"), (List{"/docs/"}));               // one separator goes
  EXPECT_EQ(SplitList(" a ; b"), (List{" a ", " b"}));             // never trimmed
  EXPECT_EQ(SplitList("x;x"), (List{"x", "x"}));                   // repeats stay
  EXPECT_EQ(SplitList(""), List{});
  EXPECT_EQ(SplitList(";;;"), List{});
}

TEST(BuildPatternText, Table) {
  EXPECT_EQ(BuildPatternText("report", "PDF;DOC", true), "*report*.PDF;*report*.DOC");
  EXPECT_EQ(BuildPatternText("report", "PDF;DOC", false), "report.PDF;report.DOC");
  EXPECT_EQ(BuildPatternText("", "PDF", true), "**.PDF");
  EXPECT_EQ(BuildPatternText("", "PDF", false), ".PDF");
  EXPECT_EQ(BuildPatternText("a", "PDF;;DOC", false), "a.PDF;a.;a.DOC");  // the middle one ends in `.`
  EXPECT_EQ(BuildPatternText("a", "", false), "a.");
  EXPECT_EQ(BuildPatternText("a", ";PDF", false), "a.;a.PDF");
  EXPECT_EQ(SplitList(BuildPatternText("a", "PDF;;DOC", true)).size(), 3u);
}

TEST(SizeFilter, BoundsAreInclusiveAndSigned) {
  SearchCriteria c;
  EXPECT_TRUE(PassesSizeFilter(-5, c));  // off
  c.sizeFilter = {true, SizeKind::None, 10};
  EXPECT_TRUE(PassesSizeFilter(1 << 30, c));  // no kind chosen: everything
  c.sizeFilter = {true, SizeKind::AtMost, 0};
  EXPECT_TRUE(PassesSizeFilter(0, c));
  EXPECT_FALSE(PassesSizeFilter(1, c));
  c.sizeFilter = {true, SizeKind::AtLeast, 100};
  EXPECT_FALSE(PassesSizeFilter(99, c));
  EXPECT_TRUE(PassesSizeFilter(100, c));
  EXPECT_TRUE(PassesSizeFilter(5LL << 30, c));  // 64-bit sizes
}

TEST(SizeFilter, LimitTextMustBeAWhole64BitNumber) {
  std::int64_t v = 0;
  EXPECT_TRUE(ParseSizeLimit("2147483647", v));
  EXPECT_EQ(v, 2147483647);
  EXPECT_TRUE(ParseSizeLimit("5000000000", v));  // a disk image's size
  EXPECT_EQ(v, 5000000000);
  EXPECT_TRUE(ParseSizeLimit("-2147483648", v));
  EXPECT_FALSE(ParseSizeLimit("9223372036854775808", v));
  EXPECT_FALSE(ParseSizeLimit("12k", v));
  EXPECT_FALSE(ParseSizeLimit("", v));
  EXPECT_FALSE(ParseSizeLimit(" 1", v));
  EXPECT_FALSE(ParseSizeLimit("1.5", v));
}

TEST(SizeText, EachUnitStep) {
  EXPECT_EQ(SizeText(0), "0 b");
  EXPECT_EQ(SizeText(1023), "1023 b");
  EXPECT_EQ(SizeText(1024), "1 Kb");
  EXPECT_EQ(SizeText(1048575), "1023 Kb");
  EXPECT_EQ(SizeText(1048576), "1 Mb");
  EXPECT_EQ(SizeText(1073741824), "1 Gb");
  EXPECT_EQ(SizeText(5ULL << 30), "5 Gb");
  EXPECT_EQ(SizeText(3ULL << 40), "3072 Gb");  // never beyond Gb
}

class DateFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    file_ = fs::temp_directory_path() / ("tessaly-date-" + std::to_string(::getpid()));
    std::ofstream(file_) << "x";
  }
  void TearDown() override { fs::remove(file_); }
  // Sets the file's access and write time to the given UTC time.
  void Touch(int y, int mo, int d, int h, int mi, int s) {
    struct tm tmv {};
    tmv.tm_year = y - 1900;
    tmv.tm_mon = mo - 1;
    tmv.tm_mday = d;
    tmv.tm_hour = h;
    tmv.tm_min = mi;
    tmv.tm_sec = s;
    const time_t t = ::timegm(&tmv);
    struct timeval tv[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimes(file_.c_str(), tv), 0);
  }
  bool Passes(DateRelation r, LocalDateTime d1, LocalDateTime d2 = {}) {
    SearchCriteria c;
    c.dateFilter = {true, stamp_, r, d1, d2};
    return PassesDateFilter(file_.string(), c);
  }
  static LocalDateTime Day(int y, int m, int d) {
    LocalDateTime t;
    t.year = y, t.month = m, t.day = d, t.hour = 12;
    return t;
  }
  fs::path file_;
  TimeStamp stamp_ = TimeStamp::LastWrite;
};

TEST_F(DateFilterTest, DayBoundaries) {
  Touch(2024, 3, 10, 23, 59, 59);
  EXPECT_TRUE(Passes(DateRelation::Same, Day(2024, 3, 10)));
  EXPECT_TRUE(Passes(DateRelation::Before, Day(2024, 3, 10)));
  EXPECT_TRUE(Passes(DateRelation::After, Day(2024, 3, 10)));
  Touch(2024, 3, 11, 0, 0, 0);
  EXPECT_FALSE(Passes(DateRelation::Same, Day(2024, 3, 10)));
  EXPECT_FALSE(Passes(DateRelation::Before, Day(2024, 3, 10)));
  EXPECT_TRUE(Passes(DateRelation::Between, Day(2024, 3, 11), Day(2024, 3, 11)));
  EXPECT_FALSE(Passes(DateRelation::Between, Day(2024, 3, 12), Day(2024, 3, 1)));  // Date 2 earlier
  EXPECT_TRUE(Passes(DateRelation::None, Day(1990, 1, 1)));
}

TEST_F(DateFilterTest, NoAccessKindMeansDayZero) {
  stamp_ = TimeStamp::None;
  EXPECT_TRUE(Passes(DateRelation::Before, Day(2024, 1, 1)));
  EXPECT_FALSE(Passes(DateRelation::After, Day(2024, 1, 1)));
  EXPECT_FALSE(Passes(DateRelation::Same, Day(2024, 1, 1)));
  EXPECT_FALSE(Passes(DateRelation::Between, Day(2000, 1, 1), Day(2024, 1, 1)));
}

TEST_F(DateFilterTest, VanishedFileFails) {
  fs::remove(file_);
  EXPECT_FALSE(Passes(DateRelation::Before, Day(2100, 1, 1)));
  SearchCriteria off;
  EXPECT_TRUE(PassesDateFilter(file_.string(), off));
}

TEST_F(DateFilterTest, OldFilesKeepTheirDay) {
  Touch(1975, 6, 1, 10, 0, 1);
  EXPECT_TRUE(Passes(DateRelation::Same, Day(1975, 6, 1)));
}

}  // namespace
