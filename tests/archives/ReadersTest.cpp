// The nine member readers on archives written by real archivers (zip,
// bsdtar, GNU tar, gcab, arj, arc) and on byte-built ones (RAR, ACE, LZH,
// ZOO and damaged cases); see tests/data/archives/README.md.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "ReaderTestSupport.h"
#include "archives/AceReader.h"
#include "archives/ArcReader.h"
#include "archives/ArjReader.h"
#include "archives/CabReader.h"
#include "archives/LzhReader.h"
#include "archives/RarReader.h"
#include "archives/TarReader.h"
#include "archives/ZipReader.h"
#include "archives/ZooReader.h"

namespace tessaly::archives {
namespace {

using testing::AllFormats;
using testing::Fixture;
using testing::Lines;
using V = std::vector<std::string>;

const V kZipTree = {"docs/|[folder]", "docs/report.pdf|1000 b", "docs/sub/|[folder]", "docs/sub/notes.txt|1 Kb",
                    "readme|6 b"};
const V kZipTreeFiles = {"docs/report.pdf|1000 b", "docs/sub/notes.txt|1 Kb", "readme|6 b"};

TEST(ZipReader, NestedFoldersWithAndWithoutSubfolders) {
  V withFolders = kZipTree;
  withFolders.push_back("café.txt|2 b");
  EXPECT_EQ(Lines(ReadZipMembers, Fixture("tree.zip"), true), withFolders);
  V files = kZipTreeFiles;
  files.push_back("café.txt|2 b");
  EXPECT_EQ(Lines(ReadZipMembers, Fixture("tree.zip"), false), files);
}

TEST(ZipReader, DataDescriptorsAndZip64ListedInFull) {
  // zip writing to a pipe and bsdtar defer sizes to data descriptors;
  // zip -fz holds them in ZIP64 extra fields.
  for (const char* name : {"dd.zip", "bsd.zip", "z64.zip"})
    EXPECT_EQ(Lines(ReadZipMembers, Fixture(name)), kZipTree) << name;
}

TEST(ZipReader, EmptyArchiveAndFlagClear) {
  EXPECT_EQ(Lines(ReadZipMembers, Fixture("empty.zip")), V{});
  auto criteria = AllFormats();
  criteria.archiveFormats[static_cast<int>(engine::ArchiveFormat::Zip)] = false;
  EXPECT_EQ(Lines(ReadZipMembers, Fixture("tree.zip"), criteria), V{});
}

// A local header of `name` with stored data.
std::string ZipLocal(const std::string& name, const std::string& data, std::uint16_t flags = 0) {
  std::string h = "PK\x03\x04";
  auto le16 = [&](unsigned v) { h += char(v & 0xFF), h += char(v >> 8); };
  auto le32 = [&](std::uint32_t v) { le16(v & 0xFFFF), le16(v >> 16); };
  le16(10), le16(flags), le16(0), le32(0), le32(0), le32(data.size()), le32(data.size()), le16(name.size()), le16(0);
  return h + name + data;
}

TEST(ZipReader, BackslashFoldersEmptyNamesAndPrefixes) {
  // `a\b\` is a directory member just as `a/b/` is; an empty name is no member.
  const std::string zip = ZipLocal("a\\b\\", "") + ZipLocal("", "x") + ZipLocal("a\\b\\c.txt", "abc");
  EXPECT_EQ(Lines(ReadZipMembers, zip), (V{"a/b/|[folder]", "a/b/c.txt|3 b"}));
  // Anything in front of the first local header: nothing.
  EXPECT_EQ(Lines(ReadZipMembers, "MZ" + zip), V{});
}

TEST(ZipReader, Zip64SizesBeyondFourGigabytes) {
  // Sizes of 0xFFFFFFFF stand for the ZIP64 extra field's 8-byte values.
  auto member = [](const std::string& name, std::uint64_t size, const std::string& data) {
    std::string h = "PK\x03\x04";
    auto le = [&](std::uint64_t v, int n) {
      for (int i = 0; i < n; ++i) h += char((v >> (8 * i)) & 0xFF);
    };
    le(45, 2), le(0, 2), le(0, 2), le(0, 4), le(0, 4), le(0xFFFFFFFF, 4), le(0xFFFFFFFF, 4);
    le(name.size(), 2), le(20, 2);
    h += name;
    le(1, 2), le(16, 2), le(size, 8), le(data.size(), 8);
    return h + data;
  };
  const std::string zip = member("disk.img", 5000000000ull, "abc") + member("b.txt", 1001, "x");
  EXPECT_EQ(Lines(ReadZipMembers, zip), (V{"disk.img|5000 Mb", "b.txt|1 Kb"}));
}

const V kTarMembers = {
    "docs/|0 b",
    "docs/report.pdf|1000 b",
    "docs/sub/|0 b",
    "docs/sub/notes.txt|1 Kb",
    "readme|6 b",
    "long/|0 b",
    "long/" + std::string(110, 'x') + ".txt|2 b",
    "long/" + std::string(60, 'd') + "/|0 b",
    "long/" + std::string(60, 'd') + "/" + std::string(50, 'n') + ".txt|5 b",
};

TEST(TarReader, GnuAndPosixListTheSameMembers) {
  EXPECT_EQ(Lines(ReadTarMembers, Fixture("gnu.tar")), kTarMembers);
  EXPECT_EQ(Lines(ReadTarMembers, Fixture("posix.tar")), kTarMembers);
  // Plain ustar (no pax records) of the short names.
  EXPECT_EQ(Lines(ReadTarMembers, Fixture("ustar.tar")), V(kTarMembers.begin(), kTarMembers.begin() + 5));
  EXPECT_EQ(Lines(ReadTarMembers, Fixture("gnu.tar"), false),
            (V{kTarMembers[1], kTarMembers[3], kTarMembers[4], kTarMembers[6], kTarMembers[8]}));
}

TEST(TarReader, SparseMemberShowsItsRealSize) {
  EXPECT_EQ(Lines(ReadTarMembers, Fixture("sparse.tar")), V{"sparse.bin|3 Mb"});
}

// One GNU header with `name`, the octal size text `size` and `data`, padded.
std::string TarMember(const std::string& name, const std::string& size, const std::string& data, char type = '0') {
  std::string h(512, '\0');
  h.replace(0, name.size(), name);
  h.replace(124, size.size(), size);
  h[156] = type;
  h.replace(257, 8, std::string("ustar  \0", 8));
  std::string padded = data;
  padded.resize((data.size() + 511) / 512 * 512, '\0');
  return h + padded;
}

TEST(TarReader, SizeTextsAndNumberFields) {
  struct Case {
    const char* field;
    const char* shown;  // nullptr: the conversion error
  } cases[] = {
      {"00000001750", "1000 b"},  // octal 1750 is 1000 bytes
      {"00000001751", "1 Kb"},    // 1001 bytes
      {"   1750", "1000 b"},      // leading blanks are allowed
      {"-1", "0 b"},              // a negative value counts as 0
      {"", nullptr},              // an empty field is no integer
      {"1750 ", nullptr},         // nor one with a trailing blank
      {"77777777777", nullptr},   // beyond the 32-bit range as decimal
  };
  for (const auto& c : cases) {
    const std::string tar = TarMember("a.txt", c.field, "") + std::string(1024, '\0');
    if (c.shown) {
      EXPECT_EQ(Lines(ReadTarMembers, tar), V{std::string("a.txt|") + c.shown}) << c.field;
    } else {
      try {
        Lines(ReadTarMembers, tar);
        ADD_FAILURE() << c.field;
      } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "'" + std::string(c.field) + "' is not a valid integer value");
      }
    }
  }
  EXPECT_EQ(OctalDigitsValue(777), 511);
  EXPECT_EQ(OctalDigitsValue(0), 0);
}

TEST(TarReader, LargeSparseMembersKeepTheWalkGoing) {
  // GNU tar --sparse of a 300 MB file of holes: the real size field holds
  // 02260000000, which the 32-bit size reading would refuse.
  struct Case {
    std::string realSize;
    const char* shown;
  } cases[] = {
      {"02260000000", "314 Mb"},                       // 314572800 bytes
      {"00000000001", "1 b"},                          // a small one
      {std::string("\x80\0\0\0\0\0\0\x01\x40\0\0\0", 12), "5368 Mb"},  // base-256, 5 GiB
      {"zz", "0 b"},                                   // unreadable: the stored size
  };
  for (const auto& c : cases) {
    std::string sparse = TarMember("huge.dat", "00000000000", "", 'S');
    sparse.replace(483, c.realSize.size(), c.realSize);
    const std::string tar = sparse + TarMember("after.txt", "00000000003", "abc") + std::string(1024, '\0');
    EXPECT_EQ(Lines(ReadTarMembers, tar), (V{std::string("huge.dat|") + c.shown, "after.txt|3 b"})) << c.shown;
  }
}

TEST(TarReader, HundredByteNamesAndMissingEndBlocks) {
  // A name that fills its field is whole and never runs into the mode field.
  const std::string name(100, 'n');
  std::string tar = TarMember(name, "00000000003", "abc");
  tar.replace(100, 7, "0000644");
  tar += TarMember("b", "00000000000", "");  // no end-of-archive blocks follow
  EXPECT_EQ(Lines(ReadTarMembers, tar), (V{name + "|3 b", "b|0 b"}));
}

TEST(CabReader, BackslashNamesAndEmptyCabinet) {
  EXPECT_EQ(Lines(ReadCabMembers, Fixture("tree.cab")),
            (V{"docs/report.pdf|1000 b", "docs/sub/notes.txt|1 Kb", "readme|6 b"}));
  EXPECT_EQ(Lines(ReadCabMembers, Fixture("zero.cab")), V{});
}

TEST(RarReader, FoldersSizesAndOldComment) {
  EXPECT_EQ(Lines(ReadRarMembers, Fixture("basic.rar")), (V{"docs|[folder]", "docs/a.txt|5 b", "big.iso|5000 Mb"}));
  EXPECT_EQ(Lines(ReadRarMembers, Fixture("basic.rar"), false), (V{"docs/a.txt|5 b", "big.iso|5000 Mb"}));
}

TEST(RarReader, DataCarryingBlocksAreSteppedOver) {
  EXPECT_EQ(Lines(ReadRarMembers, Fixture("comment.rar")), (V{"one.txt|4 b", "two.txt|2 b"}));
  EXPECT_EQ(Lines(ReadRarMembers, Fixture("recovery.rar")), (V{"first.txt|1 b", "last.txt|1 b"}));
}

TEST(RarReader, UnicodeNames) {
  EXPECT_EQ(Lines(ReadRarMembers, Fixture("unicode.rar")),
            (V{"Grüße.txt|1 b", "docs/Ελλά.txt|1 b", "naïve.txt|1 b"}));
  // The copy and correction forms of the packed name: "abcd" from the plain
  // name, then "é" as a 16-bit unit.
  const std::string plain = "abcd?";
  const std::string encoded = std::string("\x00\xC8\x02\xE9\x00", 5);
  const auto units = DecodeRarWideName(plain, encoded);
  EXPECT_EQ(Utf16ToUtf8(units), "abcdé");
}

TEST(RarReader, NameSizeZero) {
  EXPECT_EQ(Lines(ReadRarMembers, Fixture("namesize0.rar")), V{"before.txt|1 b"});
}

TEST(RarReader, EncryptedHeadersNeedThePassword) {
  std::string rar = Fixture("comment.rar");
  rar[10] = static_cast<char>(rar[10] | 0x80);  // the archive header's flags
  TMemorySource source(rar);
  TMemberCollector sink;
  ReadRarMembers(AllFormats(), source, sink);
  EXPECT_TRUE(sink.members.empty());
  EXPECT_TRUE(source.PasswordRequired());
  EXPECT_FALSE(source.CutShort());
}

TEST(RarReader, StepThatDoesNotMoveEndsTheWalk) {
  // A block of header size 0 and no data would be read again forever.
  std::string rar = Fixture("comment.rar").substr(0, 20);
  rar += std::string("\0\0\x75\0\0\0\0", 7);
  EXPECT_EQ(Lines(ReadRarMembers, rar), V{});
}

TEST(AceReader, FoldersAndRecoveryRecord) {
  EXPECT_EQ(Lines(ReadAceMembers, Fixture("tree.ace")), (V{"docs|[folder]", "docs/a.txt|5 b", "docs/b.txt|1 Kb"}));
  EXPECT_EQ(Lines(ReadAceMembers, Fixture("tree.ace"), false), (V{"docs/a.txt|5 b", "docs/b.txt|1 Kb"}));
}

TEST(ArjReader, CurrentArjWithExtendedHeaders) {
  EXPECT_EQ(Lines(ReadArjMembers, Fixture("tree.arj")),
            (V{"docs/sub/notes.txt|1 Kb", "docs/report.pdf|1000 b", "café.txt|2 b", "readme|6 b"}));
}

TEST(ArjReader, MultiVolumeSet) {
  EXPECT_EQ(Lines(ReadArjMembers, Fixture("vol.arj")), V{"big.bin|9 Kb"});
  EXPECT_EQ(Lines(ReadArjMembers, Fixture("vol.a01")), (V{"big.bin|2 Kb", "after.txt|6 b"}));
}

TEST(ArjReader, OldThirtyByteHeadersAndEndHeader) {
  // The flagged member's 4 extra bytes are skipped for it alone; the end
  // header ends the walk although a header follows.
  EXPECT_EQ(Lines(ReadArjMembers, Fixture("old.arj")), (V{"cont.bin|10 b", "docs/a.txt|5 b", "b.txt|1 Kb"}));
}

TEST(LzhReader, HeaderLevelsKeepFolderParts) {
  EXPECT_EQ(Lines(ReadLzhMembers, Fixture("level0.lzh")), (V{"docs/a.txt|5 b", "docs/|0 b", "b.txt|1 Kb"}));
  // listFolders does not apply: LZH has no directory members of its own.
  EXPECT_EQ(Lines(ReadLzhMembers, Fixture("level0.lzh"), false), (V{"docs/a.txt|5 b", "docs/|0 b", "b.txt|1 Kb"}));
  EXPECT_EQ(Lines(ReadLzhMembers, Fixture("level1.lzh")), (V{"docs/sub/a.txt|3 b", "docs/named.txt|3 b", "docs/sub/|0 b"}));
  EXPECT_EQ(Lines(ReadLzhMembers, Fixture("level2.lzh")), (V{"docs/sub/a.txt|5 b", "big.bin|6000 Mb", "Grüße.txt|1 b"}));
}

TEST(ZooReader, DeletedMembersAndEmptyNames) {
  EXPECT_EQ(Lines(ReadZooMembers, Fixture("tree.zoo")), (V{"a.txt|5 b", "gone.txt|1 Kb", "c.txt|2 Mb"}));
}

TEST(ZooReader, ChainThatTurnsBackEndsTheWalk) {
  std::string zoo = Fixture("tree.zoo");
  // Point the first entry's next offset back at itself.
  const unsigned first = 34;
  zoo[first + 6] = char(first), zoo[first + 7] = 0, zoo[first + 8] = 0, zoo[first + 9] = 0;
  EXPECT_EQ(Lines(ReadZooMembers, zoo), V{"a.txt|5 b"});
}

TEST(ArcReader, RealArchiveOtherCompressorsAndOldHeaders) {
  EXPECT_EQ(Lines(ReadArcMembers, Fixture("tree.arc")), (V{"readme|6 b", "report.pdf|1000 b"}));
  EXPECT_EQ(Lines(ReadArcMembers, Fixture("hp.arc")), V{});
  // Method 1 headers are 25 bytes; the end mark (method 0) ends the walk.
  EXPECT_EQ(Lines(ReadArcMembers, Fixture("old.arc")), (V{"OLD.TXT|4 b", "NEW.TXT|1 Kb"}));
}

// Every prefix of every fixture: no crash, and the members listed are the
// first members of the whole archive (the last one may carry a name cut by
// the end of the file).
TEST(AllReaders, TruncationAtEveryByte) {
  const std::pair<TArchiveReader, const char*> cases[] = {
      {ReadZipMembers, "tree.zip"},  {ReadZipMembers, "dd.zip"},    {ReadZipMembers, "z64.zip"},
      {ReadTarMembers, "gnu.tar"},   {ReadTarMembers, "posix.tar"}, {ReadCabMembers, "tree.cab"},
      {ReadRarMembers, "basic.rar"}, {ReadRarMembers, "comment.rar"}, {ReadRarMembers, "unicode.rar"},
      {ReadRarMembers, "rar5.rar"},
      {ReadAceMembers, "tree.ace"},  {ReadArjMembers, "tree.arj"},  {ReadArjMembers, "vol.a01"},
      {ReadLzhMembers, "level0.lzh"}, {ReadLzhMembers, "level1.lzh"}, {ReadLzhMembers, "level2.lzh"},
      {ReadZooMembers, "tree.zoo"},  {ReadArcMembers, "tree.arc"},
  };
  for (const auto& [reader, name] : cases) {
    const std::string whole = Fixture(name);
    const V all = Lines(reader, whole);
    ASSERT_FALSE(all.empty()) << name;
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
      V part;
      try {
        part = Lines(reader, whole.substr(0, cut));
      } catch (const std::runtime_error&) {
        continue;  // a cut TAR size field is no integer: the designed error
      }
      ASSERT_LE(part.size(), all.size()) << name << " cut at " << cut;
      for (std::size_t i = 0; i + 1 < part.size(); ++i) ASSERT_EQ(part[i], all[i]) << name << " cut at " << cut;
    }
  }
}

// Every archive fixture, read whole by its reader, is neither cut short nor
// of another type: the checks never take a whole archive for a damaged one.
TEST(AllReaders, WholeFixturesAreNotDamaged) {
  namespace fs = std::filesystem;
  int read = 0;
  for (const auto& entry : fs::directory_iterator(std::string(TESSALY_TEST_DATA) + "/archives")) {
    const std::string name = entry.path().filename().string();
    const TArchiveReader reader = name == "vol.a01" ? ReadArjMembers : ReaderForPath(name);
    if (!reader) continue;
    const std::string bytes = Fixture(name);
    TMemorySource source(bytes);
    TMemberCollector sink;
    reader(AllFormats(), source, sink);
    EXPECT_FALSE(source.CutShort()) << name;
    EXPECT_FALSE(source.NotOfFormat()) << name;
    EXPECT_FALSE(source.PasswordRequired()) << name;
    ++read;
  }
  EXPECT_GE(read, 29);
}

}  // namespace
}  // namespace tessaly::archives
