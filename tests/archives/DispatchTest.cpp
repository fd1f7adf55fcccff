// DispatchArchive over archive files: the reader table, the pattern
// entries, the row order, repeats and the errors that end an archive's step.
#include "archives/ArchiveDispatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "Rar5Bytes.h"
#include "ReaderTestSupport.h"
#include "engine/QuietSearchHost.h"
#include "engine/ResultStore.h"

namespace tessaly::archives {
namespace {

namespace fs = std::filesystem;

using NullHost = engine::QuietSearchHost;

class DispatchArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tessaly-dispatch-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    criteria_ = testing::AllFormats();
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Put(const std::string& name, const std::string& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }

  // Dispatches and returns the rows as "name|size|path" with the folder cut.
  std::vector<std::string> Rows(const std::string& path, const std::string& patternText) {
    engine::SearchContext context{criteria_, store_, host_, stop_, DispatchArchive};
    DispatchArchive(context, path, patternText);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < store_.Count(); ++i) {
      const engine::ItemData r = store_.Row(i);
      out.push_back(r.Name + "|" + r.Size + "|" + fs::path(r.Path).filename().string());
    }
    return out;
  }

  fs::path dir_;
  engine::SearchCriteria criteria_;
  engine::ResultStore store_;
  NullHost host_;
  std::atomic<bool> stop_{false};
};

using V = std::vector<std::string>;

TEST_F(DispatchArchiveTest, PatternEntriesAndRowOrder) {
  const std::string zip = Put("tree.zip", testing::Fixture("tree.zip"));
  // Only the member that matches, with the archive's full path.
  EXPECT_EQ(Rows(zip, "*report*.PDF;*report*.DOC"), V{"docs/report.pdf|1000 b|tree.zip"});
  EXPECT_EQ(store_.Row(0).Path, zip);
}

TEST_F(DispatchArchiveTest, RowsComeEntryByEntryAndRepeatsOnce) {
  const std::string zip = Put("tree.zip", testing::Fixture("tree.zip"));
  // All *.txt members first, then *.pdf; report.pdf matches both entries.
  EXPECT_EQ(Rows(zip, "*.txt;*.pdf;*report*"),
            (V{"docs/sub/notes.txt|1 Kb|tree.zip", "café.txt|2 b|tree.zip", "docs/report.pdf|1000 b|tree.zip"}));
}

TEST_F(DispatchArchiveTest, StarDotStarListsNamesWithoutDots) {
  const std::string zip = Put("tree.zip", testing::Fixture("tree.zip"));
  criteria_.listFolders = false;
  EXPECT_EQ(Rows(zip, "*.*"), (V{"docs/report.pdf|1000 b|tree.zip", "docs/sub/notes.txt|1 Kb|tree.zip",
                                 "readme|6 b|tree.zip", "café.txt|2 b|tree.zip"}));
}

TEST_F(DispatchArchiveTest, ReaderByTheLastFourCharacters) {
  const std::string bytes = testing::Fixture("tree.zip");
  EXPECT_EQ(Rows(Put("BACKUP.ZIP", bytes), "readme").size(), 1u);  // upper case ending
  EXPECT_EQ(Rows(Put("backup.zip.bak", bytes), "readme").size(), 1u);  // not dispatched: no new row
  EXPECT_EQ(Rows(Put("data.zipx", bytes), "readme").size(), 1u);
  // The walk passes only archives; a missing one lists nothing and raises nothing.
  EXPECT_EQ(Rows((dir_ / "missing.zip").string(), "*").size(), 1u);
}

TEST_F(DispatchArchiveTest, FormatFlagClear) {
  const std::string zip = Put("tree.zip", testing::Fixture("tree.zip"));
  criteria_.archiveFormats[static_cast<int>(engine::ArchiveFormat::Zip)] = false;
  EXPECT_EQ(Rows(zip, "*"), V{});
}

TEST_F(DispatchArchiveTest, InvalidMaskAfterTheEntriesBeforeIt) {
  const std::string zip = Put("tree.zip", testing::Fixture("tree.zip"));
  engine::SearchContext context{criteria_, store_, host_, stop_, DispatchArchive};
  try {
    DispatchArchive(context, zip, "*.pdf;[abc;*.txt");
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "'[abc' is an invalid mask at (5)");
  }
  ASSERT_EQ(store_.Count(), 1u);  // *.pdf was offered, *.txt never
  EXPECT_EQ(store_.Row(0).Name, "docs/report.pdf");
  // An archive without members never tests the mask.
  EXPECT_NO_THROW(DispatchArchive(context, Put("empty.zip", testing::Fixture("empty.zip")), "[abc"));
}

TEST_F(DispatchArchiveTest, TarNumberErrorAfterTheFirstEntrysMembers) {
  std::string good(512, '\0'), bad(512, '\0');
  good.replace(0, 5, "a.txt"), good.replace(124, 11, "00000000000"), good[156] = '0';
  good.replace(257, 8, std::string("ustar  \0", 8));
  bad = good;
  bad.replace(0, 5, "b.txt"), bad.replace(124, 11, "0000000000x");
  const std::string tar = Put("t.tar", good + bad + std::string(1024, '\0'));
  engine::SearchContext context{criteria_, store_, host_, stop_, DispatchArchive};
  EXPECT_THROW(DispatchArchive(context, tar, "*.txt;a*"), std::runtime_error);
  ASSERT_EQ(store_.Count(), 1u);
  EXPECT_EQ(store_.Row(0).Name, "a.txt");
}

// Whole archives are read; not of their type, or cut short where the
// format shows it, they are damaged; empty ones (an empty file, a ZIP or TAR
// without members) are not.
TEST_F(DispatchArchiveTest, DamagedArchivesSaySo) {
  const std::optional<engine::UnreadableCause> damaged = engine::UnreadableCause::Damaged, none;
  // Lengths cut to: inside the data of the last member that has data, inside
  // a header, and at the end of the last member (shown only by formats whose
  // end marker every archiver writes; 0: not shown).
  struct Cuts {
    const char* name;
    std::size_t data, header, end;
  };
  const Cuts fixtures[] = {
      {"tree.zip", 439, 400, 440}, {"ustar.tar", 4610, 4300, 0}, {"tree.arj", 417, 370, 420},
      {"tree.cab", 1500, 100, 0},  {"tree.ace", 173, 150, 0},    {"tree.arc", 70, 50, 74},
      {"level1.lzh", 95, 110, 0},  {"basic.rar", 159, 130, 0},   {"tree.zoo", 338, 290, 346},
      {"rar5.rar", 150, 120, 152}};
  engine::SearchContext context{criteria_, store_, host_, stop_, DispatchArchive};
  for (const auto& f : fixtures) {
    const std::string bytes = testing::Fixture(f.name);
    EXPECT_EQ(DispatchArchive(context, Put(f.name, bytes), "*"), none) << f.name;
    for (const std::size_t cut : {f.data, f.header, f.end})
      if (cut > 0) {
        EXPECT_EQ(DispatchArchive(context, Put(f.name, bytes.substr(0, cut)), "*"), damaged) << f.name << " cut at " << cut;
      }
    EXPECT_EQ(DispatchArchive(context, Put(f.name, "plain text, no archive at all\n" + std::string(600, 'x')), "*"),
              damaged)
        << f.name << " of another type";
    EXPECT_EQ(DispatchArchive(context, Put(f.name, ""), "*"), none) << f.name << " empty";
  }
  EXPECT_EQ(DispatchArchive(context, Put("empty.zip", testing::Fixture("empty.zip")), "*"), none);
  EXPECT_EQ(DispatchArchive(context, Put("empty.tar", std::string(10240, '\0')), "*"), none);
}

TEST_F(DispatchArchiveTest, EncryptedHeadersNeedThePassword) {
  const std::string locked = testing::kRar5Mark +
                             testing::Rar5Header(4, testing::Vint(0) + testing::Vint(0) + std::string(17, '\x0F')) +
                             std::string(64, '\x5A');
  engine::SearchContext context{criteria_, store_, host_, stop_, DispatchArchive};
  EXPECT_EQ(DispatchArchive(context, Put("locked.rar", locked), "*"), engine::UnreadableCause::PasswordRequired);
  EXPECT_EQ(store_.Count(), 0u);
}

TEST_F(DispatchArchiveTest, StoppedSearchAddsNothing) {
  const std::string zip = Put("tree.zip", testing::Fixture("tree.zip"));
  stop_ = true;
  EXPECT_EQ(Rows(zip, "*"), V{});
}

}  // namespace
}  // namespace tessaly::archives
