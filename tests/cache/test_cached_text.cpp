// The stored form of a cached text: records round-trip, and any change to
// the stored bytes, their length or their checksum reads back as nothing.
#include <gtest/gtest.h>

#include "cache/CachedText.h"
#include "cache/FileIdentity.h"

namespace tessaly::cache {
namespace {

TCachedText Sample() {
  TCachedText t;
  t.text = "page one\r\npage two\r\n";
  t.parts = {{0, 1, 1, ""}, {10, 1, 2, ""}};
  return t;
}

TEST(CachedText, RecordsRoundTrip) {
  struct Case {
    const char* what;
    TCachedText text;
  };
  TCachedText sheets;
  sheets.text = "a;b\r\nc\r\n";
  sheets.parts = {{0, 3, 1, "Sheet 1"}, {5, 3, 2, "Zahlen ü"}};
  TCachedText damaged = Sample();
  damaged.verdict = CachedVerdict::Damaged;
  TCachedText locked;
  locked.verdict = CachedVerdict::PasswordRequired;
  TCachedText emptyParts;  // two empty pages in a row at the end
  emptyParts.text = "x";
  emptyParts.parts = {{0, 1, 1, ""}, {1, 1, 2, ""}, {1, 1, 3, ""}};
  const Case cases[] = {
      {"empty whole text", TCachedText{}},
      {"pages", Sample()},
      {"named sheets", sheets},
      {"damaged after some text", damaged},
      {"password required, no text", locked},
      {"empty parts at the end", emptyParts},
      {"binary bytes and NUL", TCachedText{std::string("a\0b\xff", 4), {}, CachedVerdict::Whole}},
  };
  for (const Case& c : cases) {
    const TStoredText stored = StoreText(c.text);
    const auto back = LoadText(stored.data, stored.length, stored.checksum);
    ASSERT_TRUE(back) << c.what;
    EXPECT_EQ(*back, c.text) << c.what;
  }
}

TEST(CachedText, AlteredStoredBytesReadAsNothing) {
  TCachedText big = Sample();
  for (int i = 0; i < 2000; ++i) big.text += "line " + std::to_string(i) + "\r\n";
  const TStoredText stored = StoreText(big);
  struct Case {
    const char* what;
    std::string data;
    std::uint64_t length;
    std::uint32_t checksum;
  };
  std::string flipped = stored.data;
  flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x40);
  const Case cases[] = {
      {"cut short", stored.data.substr(0, stored.data.size() / 2), stored.length, stored.checksum},
      {"one byte changed", flipped, stored.length, stored.checksum},
      {"length one less", stored.data, stored.length - 1, stored.checksum},
      {"length one more", stored.data, stored.length + 1, stored.checksum},
      {"other checksum", stored.data, stored.length, stored.checksum ^ 1},
      {"no bytes", "", stored.length, stored.checksum},
      {"not zstd", std::string(64, 'z'), stored.length, stored.checksum},
      {"huge length", stored.data, std::uint64_t{1} << 60, stored.checksum},
  };
  for (const Case& c : cases) EXPECT_FALSE(LoadText(c.data, c.length, c.checksum)) << c.what;
}

TEST(CachedText, MalformedRecordsReadAsNothing) {
  const std::string good = PackRecord(Sample());
  ASSERT_TRUE(UnpackRecord(good));
  struct Case {
    const char* what;
    std::string record;
  };
  std::string badFormat = good;
  badFormat[0] = 2;
  std::string badVerdict = good;
  badVerdict[1] = 7;
  std::string hugeCount = good;
  hugeCount[2] = hugeCount[3] = hugeCount[4] = hugeCount[5] = '\xff';
  TCachedText backwards = Sample();
  std::swap(backwards.parts[0], backwards.parts[1]);
  TCachedText pastEnd = Sample();
  pastEnd.parts[1].offset = 1000;
  const Case cases[] = {
      {"empty", ""},
      {"other format", badFormat},
      {"unknown verdict", badVerdict},
      {"part count past the bytes", hugeCount},
      {"cut inside a part", good.substr(0, 12)},
      {"parts out of order", PackRecord(backwards)},
      {"part past the text", PackRecord(pastEnd)},
  };
  for (const Case& c : cases) EXPECT_FALSE(UnpackRecord(c.record)) << c.what;
}

TEST(FileIdentity, SettledOnlyTwoSecondsAfterBothTimes) {
  constexpr std::int64_t s = 1'000'000'000;
  const std::int64_t start = 1000 * s;
  struct Case {
    const char* what;
    std::int64_t mtime, ctime;
    bool settled;
  };
  const Case cases[] = {
      {"both long ago", 10 * s, 10 * s, true},
      {"both exactly two seconds before", start - 2 * s, start - 2 * s, true},
      {"modified a nanosecond too late", start - 2 * s + 1, 10 * s, false},
      {"status changed just now (touch -r of an old time)", 10 * s, start - 1, false},
      {"times in the future", start + s, start + s, false},
  };
  for (const Case& c : cases) {
    TFileIdentity id;
    id.modifiedNs = c.mtime;
    id.changedNs = c.ctime;
    EXPECT_EQ(IsSettled(id, start), c.settled) << c.what;
  }
}

}  // namespace
}  // namespace tessaly::cache
