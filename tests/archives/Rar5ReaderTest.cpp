// The RAR 5 header walk on byte-built archives: rows, the areas stepped
// over, and the faults that end the walk as damaged or locked.
#include "archives/Rar5Reader.h"

#include <gtest/gtest.h>

#include "ReaderTestSupport.h"
#include "Rar5Bytes.h"
#include "archives/RarReader.h"

namespace tessaly::archives {
namespace {

using namespace testing;
using V = std::vector<std::string>;

enum class Note { None, CutShort, Password };

TEST(Rar5Reader, Walks) {
  const std::string a = Rar5File("a.txt", 5, "hello");
  const std::string b = Rar5File("b.txt", 1001, "b");
  const std::string dir = Rar5File("docs", 0, "", 0x03);
  const std::string head = kRar5Mark + Rar5Main();
  const std::string twoFiles = head + a + b + Rar5End();
  std::string badCrc = twoFiles;
  badCrc[head.size() + a.size() + 20] ^= 1;  // a byte of b.txt's header
  const std::string encryption = Rar5Header(4, Vint(0) + Vint(0) + std::string(1, 15) + std::string(16, 's'));
  struct Case {
    const char* what;
    std::string bytes;
    V rows;
    Note note = Note::None;
    bool listFolders = true;
  };
  const Case cases[] = {
      {"files and a folder", head + dir + Rar5File("docs/a.txt", 5, "hello") + Rar5End(),
       {"docs|[folder]", "docs/a.txt|5 b"}},
      {"folders left out", head + dir + Rar5File("docs/a.txt", 5, "hello") + Rar5End(), {"docs/a.txt|5 b"},
       Note::None, false},
      {"UTF-8 name, size over 4 GiB", head + Rar5File("Grüße/naïve.iso", 5000000000, "x") + Rar5End(),
       {"Grüße/naïve.iso|5000 Mb"}},
      {"service header with data between files",
       head + a + Rar5File("CMT", 9, "a comment", 0x04, 0, 3) + Rar5File("QO", 3, "qo!", 0x04, 0, 3) + b + Rar5End(),
       {"a.txt|5 b", "b.txt|1 Kb"}},
      {"extra area and data stepped over",
       head + Rar5File("x.bin", 3, "xyz", 0x06, 0, 2, Vint(6) + Vint(3) + Vint(3) + Le32Bytes(1)) + b + Rar5End(),
       {"x.bin|3 b", "b.txt|1 Kb"}},
      {"unknown size, no time or CRC", head + Rar5File("stdin", 777, "s", 0x08) + Rar5End(), {"stdin|0 b"}},
      {"part continued from the previous volume", head + Rar5File("big", 9000, "tail", 0x04, 0x0008) + b + Rar5End(),
       {"b.txt|1 Kb"}},
      {"bytes after the end header", twoFiles + "junk", {"a.txt|5 b", "b.txt|1 Kb"}},
      {"cut in a header", twoFiles.substr(0, head.size() + a.size() + 10), {"a.txt|5 b"}, Note::CutShort},
      {"cut in the data", (head + a + b).substr(0, head.size() + a.size() + b.size() - 1),
       {"a.txt|5 b", "b.txt|1 Kb"}, Note::CutShort},
      {"no end header", head + a + b, {"a.txt|5 b", "b.txt|1 Kb"}, Note::CutShort},
      {"signature alone", kRar5Mark, {}, Note::CutShort},
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION  // fuzzing builds pass every checksum
      {"bad header CRC", badCrc, {"a.txt|5 b"}, Note::CutShort},
#endif
      {"header size 0", head + a + std::string("\0\0\0\0\0", 5) + b + Rar5End(), {"a.txt|5 b"}, Note::CutShort},
      {"vint of 11 bytes", head + a + std::string(4, '\0') + std::string(10, '\x80') + '\x01' + b, {"a.txt|5 b"},
       Note::CutShort},
      {"name past its header", head + Rar5Header(2, Vint(0) + Vint(1) + Vint(0) + Vint(0) + Vint(1) + Vint(9) + "ab"),
       {}, Note::CutShort},
      {"encrypted headers", kRar5Mark + encryption + std::string(64, '\x5A'), {}, Note::Password},
  };
  for (const Case& c : cases) {
    TMemorySource source(c.bytes);
    TMemberCollector sink;
    ReadRarMembers(AllFormats(c.listFolders), source, sink);
    V rows;
    for (const auto& m : sink.members) rows.push_back(m.name + "|" + m.sizeText);
    EXPECT_EQ(rows, c.rows) << c.what;
    EXPECT_EQ(source.CutShort(), c.note == Note::CutShort) << c.what;
    EXPECT_EQ(source.PasswordRequired(), c.note == Note::Password) << c.what;
    EXPECT_FALSE(source.NotOfFormat()) << c.what;
  }
}

TEST(Rar5Reader, FormatFlagClear) {
  engine::SearchCriteria criteria = AllFormats();
  criteria.archiveFormats[static_cast<int>(engine::ArchiveFormat::Rar)] = false;
  EXPECT_EQ(Lines(ReadRarMembers, Fixture("rar5.rar"), criteria), V{});
  EXPECT_EQ(Lines(ReadRarMembers, Fixture("rar5.rar")), (V{"docs|[folder]", "docs/a.txt|5 b", "big.iso|5000 Mb"}));
}

}  // namespace
}  // namespace tessaly::archives
