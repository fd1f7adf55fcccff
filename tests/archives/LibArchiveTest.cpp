// Listing through libarchive: archives made at test time by the archivers
// Linux users make them with (tar, 7z, cpio, genisoimage, gzip and the
// other compressors), listed by the reader the archive's name picks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archives/ArchiveKinds.h"
#include "archives/SfxLocator.h"
#include "ReaderTestSupport.h"

namespace tessaly::archives {
namespace {

namespace fs = std::filesystem;
using testing::AllFormats;

// A folder with the small tree `inner/member.txt` (9 bytes),
// `inner/sub/deep.txt` (6 bytes) and an empty folder `empty`, and the
// archives made of it.
class LibArchiveListing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("tessaly-libarchive-" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "src/inner/sub");
    fs::create_directories(dir_ / "src/empty");
    std::ofstream(dir_ / "src/inner/member.txt") << "zeppelin\n";
    std::ofstream(dir_ / "src/inner/sub/deep.txt") << "other\n";
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  // Runs `command` in the source folder; false when it fails (a tool missing).
  static bool Make(const std::string& command) {
    return std::system(("cd '" + (dir_ / "src").string() + "' && (" + command + ") >/dev/null 2>&1").c_str()) == 0;
  }
  static std::string Bytes(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The sorted "name|size" lines of the archive `name` in the test folder,
  // and the notes its reader made.
  struct Listed {
    std::vector<std::string> lines;
    bool damaged = false, locked = false;
  };
  static Listed List(const std::string& name, bool listFolders = true) {
    const std::string bytes = Bytes(name);
    TMemorySource source(bytes);
    source.SetName((dir_ / name).string());
    TMemberCollector sink;
    Listed out;
    if (const TArchiveKind* kind = ArchiveKindOf(name)) kind->reader(AllFormats(listFolders), source, sink);
    for (const auto& m : sink.members) out.lines.push_back(m.name + "|" + m.sizeText);
    std::sort(out.lines.begin(), out.lines.end());
    out.damaged = source.CutShort() || source.NotOfFormat();
    out.locked = source.PasswordRequired();
    return out;
  }
  static fs::path dir_;
};

fs::path LibArchiveListing::dir_;

const std::vector<std::string> kTarTree{"inner/member.txt|9 b", "inner/sub/deep.txt|6 b", "inner/sub/|[folder]",
                                        "inner/|[folder]"};

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST_F(LibArchiveListing, CompressedTarballsAndCpioListEveryMember) {
  const struct {
    const char* name;
    const char* command;
  } cases[] = {
      {"a.tar.gz", "tar czf ../a.tar.gz inner"},         {"e.tgz", "tar czf ../e.tgz inner"},
      {"c.tar.bz2", "tar cjf ../c.tar.bz2 inner"},       {"b.tar.xz", "tar cJf ../b.tar.xz inner"},
      {"d.tar.zst", "tar --zstd -cf ../d.tar.zst inner"}, {"l.tar.lz", "tar --lzip -cf ../l.tar.lz inner"},
      {"t.txz", "tar cJf ../t.txz inner"},               {"m.tar.lzma", "tar --lzma -cf ../m.tar.lzma inner"},
      // A plain `.tar` whose bytes are compressed.
      {"gzipped.tar", "tar czf ../gzipped.tar inner"},
      {"g.cpio", "find inner | cpio -o -H newc --quiet > ../g.cpio"},
  };
  for (const auto& c : cases) {
    if (!Make(c.command)) {
      ADD_FAILURE() << "could not make " << c.name;
      continue;
    }
    const Listed listed = List(c.name);
    EXPECT_EQ(listed.lines, Sorted(kTarTree)) << c.name;
    EXPECT_FALSE(listed.damaged) << c.name;
    // Without "Include subfolders" the folder members are left out.
    EXPECT_EQ(List(c.name, false).lines, (std::vector<std::string>{"inner/member.txt|9 b", "inner/sub/deep.txt|6 b"}))
        << c.name;
  }
}

TEST_F(LibArchiveListing, SevenZipPackedPlainSolidAndEmptyFolder) {
  const std::vector<std::string> tree{"empty/|[folder]", "inner/member.txt|9 b", "inner/sub/deep.txt|6 b",
                                      "inner/sub/|[folder]", "inner/|[folder]"};
  for (const char* options : {"", "-mhc=off", "-ms=on", "-ms=off -mhc=on"}) {
    fs::remove(dir_ / "f.7z");
    ASSERT_TRUE(Make(std::string("7z a -bd ") + options + " ../f.7z inner empty")) << options;
    const Listed listed = List("f.7z");
    EXPECT_EQ(listed.lines, Sorted(tree)) << options;
    EXPECT_FALSE(listed.damaged) << options;
  }
  // Encrypted headers: the names cannot be read without the password.
  ASSERT_TRUE(Make("7z a -bd -pSecret -mhe=on ../locked.7z inner"));
  const Listed locked = List("locked.7z");
  EXPECT_TRUE(locked.lines.empty());
  EXPECT_TRUE(locked.locked);
}

TEST_F(LibArchiveListing, NamesBeyondAsciiWhateverTheLocale) {
  // The tests run in the C locale, as the console search does.
  ASSERT_TRUE(Make("mkdir -p u && echo x > u/caf\303\251.txt && cd u && 7z a -bd ../../u.7z . && "
                   "tar czf ../../u.tar.gz caf* && find caf* | cpio -o -H newc --quiet > ../../u.cpio"));
  for (const char* name : {"u.7z", "u.tar.gz", "u.cpio"})
    EXPECT_EQ(List(name).lines, std::vector<std::string>{"caf\xC3\xA9.txt|2 b"}) << name;
}

TEST_F(LibArchiveListing, IsoImageWithJolietAndRockRidgeNames) {
  if (!Make("genisoimage -quiet -R -J -o ../h.iso inner || xorriso -as mkisofs -quiet -R -J -o ../h.iso inner"))
    GTEST_SKIP() << "no ISO maker";
  EXPECT_EQ(List("h.iso").lines, Sorted({"member.txt|9 b", "sub/deep.txt|6 b", "sub/|[folder]"}));
}

TEST_F(LibArchiveListing, SingleCompressedFilesAreOneMember) {
  const struct {
    const char* name;
    const char* command;
    const char* line;
  } cases[] = {
      // gzip stores the original name; -n leaves it out.
      {"stored.gz", "gzip -c inner/member.txt > ../stored.gz", "member.txt|9 b"},
      {"notes.gz", "gzip -n -c inner/member.txt > ../notes.gz", "notes|9 b"},
      {"notes.txt.bz2", "bzip2 -c inner/member.txt > ../notes.txt.bz2", "notes.txt|9 b"},
      {"notes.xz", "xz -c inner/member.txt > ../notes.xz", "notes|9 b"},
      {"notes.zst", "zstd -q -c inner/member.txt > ../notes.zst", "notes|9 b"},
      {"notes.lz", "lzip -c inner/member.txt > ../notes.lz", "notes|9 b"},
      {"notes.lzma", "xz --format=lzma -c inner/member.txt > ../notes.lzma", "notes|9 b"},
  };
  for (const auto& c : cases) {
    if (!Make(c.command)) {
      ADD_FAILURE() << "could not make " << c.name;
      continue;
    }
    const Listed listed = List(c.name);
    EXPECT_EQ(listed.lines, std::vector<std::string>{c.line}) << c.name;
    EXPECT_FALSE(listed.damaged) << c.name;
  }
  // A tarball behind a plain `.gz` name lists its members.
  ASSERT_TRUE(Make("tar cf - inner | gzip -c > ../bundle.gz"));
  EXPECT_EQ(List("bundle.gz").lines, Sorted(kTarTree));
  // Plain text under a compressed name is not of that type.
  ASSERT_TRUE(Make("cp inner/member.txt ../plain.gz"));
  const Listed plain = List("plain.gz");
  EXPECT_TRUE(plain.lines.empty());
  EXPECT_TRUE(plain.damaged);
}

TEST_F(LibArchiveListing, CutTarballListsTheMembersBeforeTheCut) {
  const std::string big(300000, 'x');
  std::ofstream(dir_ / "src/big.bin") << big;
  ASSERT_TRUE(Make("head -c 200000 /dev/urandom > first.bin && tar cJf ../whole.tar.xz first.bin big.bin inner"));
  const std::string whole = Bytes("whole.tar.xz");
  std::ofstream(dir_ / "cut.tar.xz", std::ios::binary) << whole.substr(0, whole.size() * 3 / 4);
  const Listed cut = List("cut.tar.xz");
  ASSERT_FALSE(cut.lines.empty());
  EXPECT_EQ(cut.lines.front(), "first.bin|200 Kb");
  EXPECT_TRUE(cut.damaged);
  EXPECT_LT(cut.lines.size(), 6u);
  fs::remove(dir_ / "src/big.bin");
  fs::remove(dir_ / "src/first.bin");
}

TEST_F(LibArchiveListing, SelfExtractingProgramsListTheirArchive) {
  ASSERT_TRUE(Make("zip -qr ../p.zip inner && cat /bin/true ../p.zip > ../setup.exe"));
  ASSERT_TRUE(Make("cp ../setup.exe ../adjusted.exe && zip -qA ../adjusted.exe"));
  ASSERT_TRUE(Make("7z a -bd ../p.7z inner && cat /bin/true ../p.7z > ../seven.exe"));
  ASSERT_TRUE(Make("cp /bin/true ../plain.exe"));
  for (const char* name : {"setup.exe", "adjusted.exe", "seven.exe"})
    EXPECT_EQ(List(name).lines, Sorted(kTarTree)) << name;
  EXPECT_TRUE(List("plain.exe").lines.empty());

  const std::string program = Bytes("plain.exe");
  const std::string zip = Bytes("setup.exe");
  TMemorySource source(zip);
  EXPECT_EQ(FindAppendedArchive(source), (SfxArchive{SfxKind::Zip, program.size()}));
  // Without the Sfx flag the program is not opened.
  engine::SearchCriteria off = AllFormats();
  off.archiveFormats[static_cast<int>(engine::ArchiveFormat::Sfx)] = false;
  TMemberCollector sink;
  ArchiveKindOf("setup.exe")->reader(off, source, sink);
  EXPECT_TRUE(sink.members.empty());
}

TEST(ArchiveKinds, TheLongestSuffixOfTheNamePicksTheKind) {
  using engine::ArchiveFormat;
  const struct {
    const char* path;
    bool known;
    ArchiveFormat format;
    MemberData data;
  } cases[] = {
      {"/d/BACKUP.ZIP", true, ArchiveFormat::Zip, MemberData::Any},
      {"/d/a.tar.gz", true, ArchiveFormat::Tar, MemberData::Any},
      {"/d/a.TAR.Z", true, ArchiveFormat::Tar, MemberData::Any},
      {"/d/a.tbz2", true, ArchiveFormat::Tar, MemberData::Any},
      {"/d/a.cpio", true, ArchiveFormat::Tar, MemberData::Any},
      {"/d/a.gz", true, ArchiveFormat::Gz, MemberData::Single},
      {"/d/a.Z", true, ArchiveFormat::Gz, MemberData::Single},
      {"/d/a.7z", true, ArchiveFormat::SevenZip, MemberData::Any},
      {"/d/cd.iso", true, ArchiveFormat::Iso, MemberData::Any},
      {"/d/setup.exe", true, ArchiveFormat::Sfx, MemberData::Sfx},
      {"/d/old.arj", true, ArchiveFormat::Arj, MemberData::None},
      {"/d/backup.zip.bak", false, {}, {}},
      {"/d/.gz", false, {}, {}},
      {"/d/x.tar/readme", false, {}, {}},
  };
  for (const auto& c : cases) {
    const TArchiveKind* kind = ArchiveKindOf(c.path);
    ASSERT_EQ(kind != nullptr, c.known) << c.path;
    if (!kind) continue;
    EXPECT_EQ(kind->format, c.format) << c.path;
    EXPECT_EQ(kind->data, c.data) << c.path;
  }
}

}  // namespace
}  // namespace tessaly::archives
