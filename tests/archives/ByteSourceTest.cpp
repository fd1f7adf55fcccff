// The file source against the memory source: the same bytes at every
// window boundary, short reads at the end, and the cursor's failed reads.
#include "archives/ByteSource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tessaly::archives {
namespace {

namespace fs = std::filesystem;

TEST(TFileSource, ReadsWhatMemoryHolds) {
  std::string bytes(3000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  const fs::path path = fs::temp_directory_path() / ("tessaly-bytesource-" + std::to_string(::getpid()));
  std::ofstream(path, std::ios::binary) << bytes;
  auto file = TFileSource::Open(path.string());
  ASSERT_TRUE(file);
  TMemorySource memory(bytes);
  ASSERT_EQ(file->Size(), memory.Size());
  // Offsets around the window edges, counts below, at and above a window.
  for (std::uint64_t offset : {0u, 1u, 511u, 512u, 513u, 1023u, 2999u, 3000u, 4000u})
    for (std::size_t count : {0u, 1u, 2u, 30u, 511u, 512u, 600u, 2000u, 5000u}) {
      std::string a(count, 'x'), b(count, 'x');
      const std::size_t na = file->ReadAt(offset, a.data(), count);
      const std::size_t nb = memory.ReadAt(offset, b.data(), count);
      ASSERT_EQ(na, nb) << offset << "+" << count;
      ASSERT_EQ(a, b) << offset << "+" << count;
    }
  file.reset();
  fs::remove(path);
  // A folder and a missing file are no sources.
  EXPECT_FALSE(TFileSource::Open(fs::temp_directory_path().string()));
  EXPECT_FALSE(TFileSource::Open(path.string()));
}

TEST(TByteCursor, FailedReadsEndAtTheEnd) {
  const std::string bytes = "\x01\x02\x03\x04\x05";
  TMemorySource source(bytes);
  TByteCursor c(source);
  std::uint32_t v = 0;
  ASSERT_TRUE(c.U32(v));
  EXPECT_EQ(v, 0x04030201u);
  std::uint16_t w = 0;
  EXPECT_FALSE(c.U16(w));  // one byte left: nothing is read
  EXPECT_TRUE(c.AtEnd());
  std::uint8_t b = 0;
  EXPECT_FALSE(c.U8(b));  // and every later read fails
  c.Seek(0);
  c.Skip(UINT64_MAX);  // saturates instead of wrapping to a small position
  EXPECT_TRUE(c.AtEnd());
  EXPECT_FALSE(c.Bytes(1));
}

}  // namespace
}  // namespace tessaly::archives
