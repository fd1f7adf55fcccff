// The text inside archive members: DispatchArchive with a content text
// over archives made at test time (zip, tar, 7z, gzip), with the rows of
// the members that hold the text, the causes of those that cannot be read
// and the limits that keep the reads bounded.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <optional>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ReaderTestSupport.h"
#include "archives/ArchiveDispatch.h"
#include "engine/QuietSearchHost.h"
#include "engine/ResultStore.h"

namespace tessaly::archives {
namespace {

namespace fs = std::filesystem;
using V = std::vector<std::string>;

class MemberTextTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("tessaly-member-text-" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "src/notes");
    fs::create_directories(dir_ / "src/deep");
    std::ofstream(dir_ / "src/notes/plan.txt") << "plan with Zeppelin\n";
    std::ofstream(dir_ / "src/notes/other.txt") << "nothing here\n";
    // UTF-16 with its byte order mark: decoded like any text file.
    const std::u16string wide = u"\uFEFF" u"a zeppelin";
    std::ofstream(dir_ / "src/notes/wide.txt", std::ios::binary)
        .write(reinterpret_cast<const char*>(wide.data()), static_cast<std::streamsize>(wide.size() * 2));
    std::ofstream(dir_ / "src/deep/reef.txt") << "zeppelin over the reef\n";
    ASSERT_TRUE(Make("tar czf notes/inner.tar.gz -C deep reef.txt && zip -qrX ../box.zip notes"));
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  static bool Make(const std::string& command) {
    return std::system(("cd '" + (dir_ / "src").string() + "' && (" + command + ") >/dev/null 2>&1").c_str()) == 0;
  }

  // Rows "name|size" of a content search for `text` over the archive
  // `name`, with the noted members as "cause|path inside" in `notes`.
  V Rows(const std::string& name, const std::string& text, const std::string& patterns = "*") {
    criteria_.containsText = text;
    store_.Clear();
    engine::SearchContext context{criteria_, store_, host_, stop_, DispatchArchive};
    const std::string path = (dir_ / name).string();
    cause_ = DispatchArchive(context, path, patterns);
    V rows;
    for (std::size_t i = 0; i < store_.Count(); ++i) rows.push_back(store_.Row(i).Name + "|" + store_.Row(i).Size);
    notes_.clear();
    for (const engine::UnreadableEntry& e : context.unreadable.Kept())
      notes_.push_back(std::string(engine::CauseText(e.cause)) + "|" + e.path.substr(path.size()));
    return rows;
  }

  static fs::path dir_;
  engine::SearchCriteria criteria_ = testing::AllFormats();
  engine::ResultStore store_;
  engine::QuietSearchHost host_;
  std::atomic<bool> stop_{false};
  std::optional<engine::UnreadableCause> cause_;
  V notes_;
};

fs::path MemberTextTest::dir_;

TEST_F(MemberTextTest, OnlyMembersThatHoldTheTextAreListed) {
  const struct {
    const char* text;
    const char* patterns;
    V rows;
  } cases[] = {
      // Through the inner tarball too, named by the path through it.
      {"zeppelin", "*", {"notes/inner.tar.gz/reef.txt|23 b", "notes/plan.txt|19 b", "notes/wide.txt|22 b"}},
      {"zeppelin", "*plan*;*reef*", {"notes/inner.tar.gz/reef.txt|23 b", "notes/plan.txt|19 b"}},
      {"qqqnothere", "*", {}},
      {"nothing here", "*", {"notes/other.txt|13 b"}},
  };
  for (const auto& c : cases) {
    V rows = Rows("box.zip", c.text, c.patterns);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, c.rows) << c.text << " " << c.patterns;
    EXPECT_EQ(notes_, V{}) << c.text;
    EXPECT_EQ(cause_, std::nullopt) << c.text;
  }
}

TEST_F(MemberTextTest, EveryFormatsMembersAreRead) {
  ASSERT_TRUE(Make("tar cf ../plain.tar notes/plan.txt notes/other.txt"));
  ASSERT_TRUE(Make("7z a -bd ../box.7z notes/plan.txt notes/other.txt"));
  ASSERT_TRUE(Make("gzip -c notes/plan.txt > ../plan.txt.gz"));
  ASSERT_TRUE(Make("cat /bin/true ../box.zip > ../setup.exe"));
  const struct {
    const char* name;
    V rows;
  } cases[] = {
      {"plain.tar", {"notes/plan.txt|19 b"}},  // our TAR reader's row, libarchive's data
      {"box.7z", {"notes/plan.txt|19 b"}},
      {"plan.txt.gz", {"plan.txt|19 b"}},
      {"setup.exe", {"notes/plan.txt|19 b"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Rows(c.name, "zeppelin", "*plan*"), c.rows) << c.name;
    EXPECT_EQ(notes_, V{}) << c.name;
  }
}

TEST_F(MemberTextTest, MembersThatCannotBeReadSaySo) {
  ASSERT_TRUE(Make("7z a -bd -tzip -pSecret -mem=AES256 ../locked.zip notes/plan.txt"));
  EXPECT_EQ(Rows("locked.zip", "zeppelin"), V{});
  EXPECT_EQ(notes_, V{"password required|/notes/plan.txt"});

  // Nothing here decodes ARJ: the archive counts once, whatever it holds.
  std::ofstream(dir_ / "tree.arj", std::ios::binary) << testing::Fixture("tree.arj");
  EXPECT_EQ(Rows("tree.arj", "zeppelin"), V{});
  EXPECT_EQ(cause_, engine::UnreadableCause::NotSupported);

  // A tarball cut in its data: damaged, and no row from the part after the cut.
  const std::string whole = [] {
    Make("head -c 300000 /dev/urandom > noise.bin && tar czf ../whole.tar.gz noise.bin notes/plan.txt");
    std::ifstream in(dir_ / "whole.tar.gz", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  std::ofstream(dir_ / "cut.tar.gz", std::ios::binary) << whole.substr(0, whole.size() / 2);
  EXPECT_EQ(Rows("cut.tar.gz", "zeppelin"), V{});
  EXPECT_EQ(cause_, engine::UnreadableCause::Damaged);
}

TEST_F(MemberTextTest, LimitsEndTheReadWithTooLarge) {
  // 20 MB of zeros packs to some 20 KB: far past the expansion a member may have.
  ASSERT_TRUE(Make("head -c 20000000 /dev/zero > zeros.txt && zip -q ../bomb.zip zeros.txt notes/plan.txt"));
  EXPECT_EQ(Rows("bomb.zip", "zeppelin"), V{"notes/plan.txt|19 b"});
  EXPECT_EQ(notes_, V{"too large|/zeros.txt"});

  // Archives nested five deep: three levels are opened, the fourth is said
  // so, the text at the bottom is not reached.
  ASSERT_TRUE(Make("cp notes/plan.txt l0.txt && zip -q l1.zip l0.txt && zip -q l2.zip l1.zip && "
                   "zip -q l3.zip l2.zip && zip -q l4.zip l3.zip && zip -q ../l5.zip l4.zip"));
  EXPECT_EQ(Rows("l5.zip", "zeppelin"), V{});
  EXPECT_EQ(notes_, V{"too large|/l4.zip/l3.zip/l2.zip"});
  store_.Clear();
  ASSERT_TRUE(Make("zip -q ../l3.zip l2.zip"));
  EXPECT_EQ(Rows("l3.zip", "zeppelin"), V{"l2.zip/l1.zip/l0.txt|19 b"});
}

TEST_F(MemberTextTest, AStoppedSearchReadsNoMember) {
  stop_ = true;
  EXPECT_EQ(Rows("box.zip", "zeppelin"), V{});
  EXPECT_EQ(notes_, V{});
}

}  // namespace
}  // namespace tessaly::archives
