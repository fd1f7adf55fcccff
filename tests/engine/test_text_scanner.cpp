// Tests of the text scanner: chunk boundaries, zero bytes, case folding by
// the code page, long texts and file errors.
#include "engine/TextScanner.h"
#include "engine/TextFinder.h"
#include "platform/TextCase.h"

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cwctype>
#include <locale.h>
#include <wctype.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>
#include <unistd.h>

namespace tessaly::engine {
namespace {

namespace fs = std::filesystem;

class TextScannerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "scanner-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (fs::path(folder_) / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  fs::path folder_;
};

// A file of `size` filler bytes with `text` placed at `offset`.
std::string Filler(std::size_t size, const std::string& text, std::size_t offset) {
  std::string bytes(size, 'x');
  bytes.replace(offset, text.size(), text);
  return bytes;
}

TEST_F(TextScannerTest, FindsTextAtItsTrueOffset) {
  struct Case {
    const char* what;
    std::size_t size;
    std::size_t offset;
  };
  const std::string text = "needle";
  const std::size_t size = kScanChunkSize + kScanChunkSize / 4;
  const Case cases[] = {
      // Straddles the first chunk boundary of a file of one and a quarter chunks.
      {"straddling the first boundary", size, kScanChunkSize - 3},
      // Ends exactly at the first chunk boundary.
      {"ending at the first boundary", size, kScanChunkSize - 6},
      // Starts exactly at the first chunk boundary.
      {"starting at the first boundary", size, kScanChunkSize},
      // In the last bytes of a file of exactly two chunks.
      {"last bytes of two chunks", 2 * kScanChunkSize, 2 * kScanChunkSize - 6},
      // Straddles the second boundary of a longer file.
      {"straddling the second boundary", 3 * kScanChunkSize, 2 * kScanChunkSize - 3},
      // At the very start.
      {"at 0", 100, 0},
  };
  for (const Case& c : cases) {
    const std::string path = Write("f.txt", Filler(c.size, text, c.offset));
    EXPECT_EQ(ScanFileForText(path, text, true), static_cast<std::int64_t>(c.offset)) << c.what;
    EXPECT_EQ(ScanFileForText(path, "NEEDLE", false), static_cast<std::int64_t>(c.offset)) << c.what;
  }
}

TEST_F(TextScannerTest, FirstOccurrenceWins) {
  const std::string bytes = Filler(90000, "word", 70000).replace(50, 4, "word");
  EXPECT_EQ(ScanFileForText(Write("f.txt", bytes), "word", true), 50);
}

TEST_F(TextScannerTest, NotFound) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string text;
    bool caseSensitive;
  };
  const Case cases[] = {
      {"empty file", "", "a", false},
      {"zero byte splits segments", std::string("ab\0cd", 5), "bc", false},
      {"zero byte splits segments, case kept", std::string("ab\0cd", 5), "bc", true},
      // UTF-16 text: a zero byte after each ASCII letter.
      {"UTF-16 text", std::string("I\0n\0v\0o\0i\0c\0e\0", 14), "In", false},
      {"case kept", "INVOICE", "Invoice", true},
      {"text longer than the file", "abc", "abcd", false},
      {"a text holding a zero byte", std::string("a\0b", 3), std::string("a\0b", 3), true},
      // Only A to Z and same-length letters fold: ß has no such upper case.
      {"SS is not ß", "STRASSE", "straße", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScanFileForText(Write("f.txt", c.bytes), c.text, c.caseSensitive), -1) << c.what;
}

TEST_F(TextScannerTest, FoldsCaseByTheCodePage) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string text;
    std::int64_t offset;
  };
  const Case cases[] = {
      {"é in CAFÉ", "the CAFÉ", "café", 4},
      {"ß stays in STRAßE", "STRAßE", "straße", 0},
      {"mixed ASCII", "xx InVoIcE", "invoice", 3},
      {"Latin Extended-A", "ŁÓDŹ", "łódź", 0},
      {"Greek", "ΑΘΗΝΑ", "αθηνα", 0},
      {"Cyrillic", "МОСКВА", "москва", 0},
      {"invalid UTF-8 passes through", "\xE9t\xE9", "\xE9T\xE9", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ScanFileForText(Write("f.txt", c.bytes), c.text, false), c.offset) << c.what;
}

TEST_F(TextScannerTest, TwoByteLetterOnTheChunkBoundary) {
  // É (two bytes) starts at the last byte of the first chunk.
  const std::string path = Write("f.txt", Filler(kScanChunkSize + kScanChunkSize / 4, "CAFÉ", kScanChunkSize - 4));
  EXPECT_EQ(ScanFileForText(path, "café", false), static_cast<std::int64_t>(kScanChunkSize - 4));
}

TEST_F(TextScannerTest, TextAsLongAsAChunkOrLonger) {
  EXPECT_EQ(ScanChunkSizeFor(10), kScanChunkSize);
  EXPECT_GT(ScanChunkSizeFor(kScanChunkSize), kScanChunkSize);

  std::string text(kScanChunkSize + 100, 'a');
  text.back() = 'b';
  const std::size_t offset = 50000;
  std::string bytes = Filler(3 * kScanChunkSize, text, offset);
  const std::string path = Write("f.txt", bytes);
  EXPECT_EQ(ScanFileForText(path, text, true), static_cast<std::int64_t>(offset));
  // Absent: the scan still ends.
  text.back() = 'c';
  EXPECT_EQ(ScanFileForText(path, text, true), -1);
}

TEST_F(TextScannerTest, EmptyTextOrPathGivesMinusOneWithoutOpening) {
  EXPECT_EQ(ScanFileForText((folder_ / "missing.txt").string(), "", false), -1);
  EXPECT_EQ(ScanFileForText("", "text", false), -1);
}

TEST_F(TextScannerTest, FileThatCannotBeOpenedRaises) {
  EXPECT_THROW(ScanFileForText((folder_ / "missing.txt").string(), "text", false), std::system_error);
  // A folder opens but cannot be read.
  EXPECT_THROW(ScanFileForText(folder_.string(), "text", false), std::system_error);
}

// Whole-file reference: fold everything, then a plain find.
std::int64_t Reference(const std::string& bytes, const std::string& text, bool caseSensitive) {
  const std::size_t at = caseSensitive ? bytes.find(text) : platform::UpperCased(bytes).find(platform::UpperCased(text));
  return at == std::string::npos ? -1 : static_cast<std::int64_t>(at);
}

TEST_F(TextScannerTest, EveryPathAgreesWithFoldingTheWholeFileAtEveryBoundary) {
  struct Case {
    const char* what;
    std::string text;
    bool caseSensitive;
    std::string filler;  // near misses; holds no occurrence
    std::string placed;  // what is put into the filler
    bool rarestIsLetter;
  };
  const Case cases[] = {
      {"case kept, rarest byte a letter", "zeppelin", true, "zeppelim Zeppelin zepp ", "zeppelin", true},
      {"ASCII rule, rarest byte a letter", "zeppelin", false, "zeppelim zepelin zepp ", "ZePpElIn", true},
      {"ASCII rule, rarest byte not a letter", "to;do", false, "to;da TO;DX to:do ", "To;Do", false},
      {"two-byte rule, Latin", "grüße", false, "grüsse GRÜẞE grüß ", "GRÜßE", false},
      {"two-byte rule, Cyrillic only", "москва", false, "москвы МОСКВ ", "МоСкВа", false},
      // ÿ folds to Ÿ (another lead byte): its continuation byte alone is
      // no match when a letter's lead stands before it in the file.
      {"two-byte rule, edge of a letter", "\xBFz", false, "\xC3\xBFz \xC3\xBFZ", "\xBFz", true},
  };
  std::vector<ScanPath> paths;
  for (ScanPath p : {ScanPath::Portable, ScanPath::Sse2, ScanPath::Avx2})
    if (ScanPathAvailable(p)) paths.push_back(p);
  for (const Case& c : cases) {
    const TextFinder finder(c.text, c.caseSensitive);
    ASSERT_NE(finder.probe(), nullptr) << c.what;
    const auto rarest = static_cast<unsigned char>(
        (c.caseSensitive ? c.text : platform::UpperCased(c.text))[finder.probe()->offset1]);
    EXPECT_EQ(std::isalpha(rarest) != 0, c.rarestIsLetter) << c.what;

    std::string filler;
    while (filler.size() < 300) filler += c.filler;
    ASSERT_EQ(Reference(filler, c.text, c.caseSensitive), -1) << c.what;
    for (std::size_t at = 0; at + c.placed.size() <= filler.size(); at += 3) {
      const std::string bytes = std::string(filler).replace(at, c.placed.size(), c.placed);
      const std::string path = Write("f.txt", bytes);
      const std::int64_t expected = Reference(bytes, c.text, c.caseSensitive);
      // Chunks shorter than the text, around its length, and long.
      for (std::size_t chunk : {std::size_t{3}, c.text.size() + 1, std::size_t{64}, std::size_t{0}})
        for (ScanPath p : paths)
          ASSERT_EQ(ScanFileForText(path, c.text, c.caseSensitive, ScanOptions{chunk, p}), expected)
              << c.what << ", placed at " << at << ", chunk " << chunk << ", path " << static_cast<int>(p);
    }
  }
}

// The same search over text handed in pieces, as a package's text arrives:
// an occurrence at every offset around the first chunk's end, pieces of
// every size, both case rules, a text longer than a chunk.
TEST(StreamScanner, FindsWhatTheFileScanFindsWhateverThePieces) {
  const std::size_t chunk = ScanChunkSizeFor(7);
  struct Case {
    const char* what;
    std::string placed;
    std::string text;
    bool caseSensitive;
    bool found;
  };
  const Case cases[] = {
      {"ASCII rule", "harbour", "HARBOUR", false, true},
      {"two-byte rule", "CAFÉ", "café", false, true},
      {"case kept", "Harbour", "harbour", true, false},
      {"empty text", "abc", "", false, false},
  };
  for (const Case& c : cases) {
    for (std::size_t at = chunk - 4; at < chunk + 12; at += 3) {
      const std::string haystack = std::string(at, 'x') + c.placed + std::string(30, 'x');
      for (const std::size_t piece : {std::size_t{5}, std::size_t{4096}, haystack.size()}) {
        SCOPED_TRACE(std::string(c.what) + " at " + std::to_string(at) + ", pieces of " + std::to_string(piece));
        TStreamScanner scanner(c.text, c.caseSensitive);
        bool more = true;
        for (std::size_t p = 0; p < haystack.size() && more; p += piece)
          more = scanner.Feed(std::string_view(haystack).substr(p, piece));
        EXPECT_EQ(scanner.Finish(), c.found);
      }
    }
  }
  const std::string longText(2 * chunk + 5, 'q');
  TStreamScanner scanner(longText, true);
  scanner.Feed(std::string(chunk, 'x') + longText.substr(0, chunk));
  scanner.Feed(longText.substr(chunk));
  EXPECT_TRUE(scanner.Finish());
}

}  // namespace
}  // namespace tessaly::engine

// The folding rule itself, against the C library's simple upper case.
namespace tessaly::platform {
namespace {

std::string Utf8(std::uint32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

bool InFoldedBlocks(std::uint32_t cp) { return cp < 0x180 || (cp >= 0x370 && cp < 0x530); }

TEST(CodePageFolding, MatchesSimpleUpperCaseOfSameLength) {
  const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  if (!utf8) GTEST_SKIP() << "no C.UTF-8 locale";
  for (std::uint32_t cp = 1; cp < 0x800; ++cp) {
    if (cp >= 0x80 && cp < 0xA0) continue;  // C1 controls
    std::uint32_t expected = cp;
    if (InFoldedBlocks(cp)) {
      const auto up = static_cast<std::uint32_t>(::towupper_l(static_cast<wint_t>(cp), utf8));
      if (Utf8(up).size() == Utf8(cp).size()) expected = up;
    }
    EXPECT_EQ(UpperCased(Utf8(cp)), Utf8(expected)) << "U+" << std::hex << cp;
  }
  ::freelocale(utf8);
}

// Folds one character at a time: inputs of one or two bytes never reach
// the word scan, so this is an independent reference for it.
std::string FoldByCharacter(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const bool pair = lead >= 0xC2 && lead <= 0xDF && i + 1 < text.size() &&
                      (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80;
    std::string one = text.substr(i, pair ? 2 : 1);
    UpperCaseInPlace(one.data(), one.size());
    out += one;
    i += one.size();
  }
  return out;
}

TEST(CodePageFolding, WordScanAgreesWithTheRuleEverywhere) {
  // Letters at every offset of the eight-byte word scan, stray lead and
  // continuation bytes among them, cut at every length.
  const std::string pieces[] = {"é", "a", "ß", "\xC3", "\xA9", "€", "ж", "Z", "\xFF"};
  std::string text;
  for (int i = 0; i < 200; ++i) text += pieces[(i * 7 + i / 3) % 9];
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    std::string part = text.substr(0, cut);
    UpperCaseInPlace(part.data(), part.size());
    EXPECT_EQ(part, FoldByCharacter(text.substr(0, cut))) << "cut at " << cut;
  }
}

// Flush searches what is gathered at a part boundary: a hit is known at
// once, and an occurrence cut by the flush is still found afterwards.
TEST(StreamScanner, FlushDecidesWhatIsGathered) {
  using engine::TStreamScanner;
  TStreamScanner hit("harbour", false);
  EXPECT_TRUE(hit.Feed("the HARBOUR master\n"));  // under a chunk: not searched yet
  EXPECT_FALSE(hit.Flush());
  TStreamScanner cut("harbour", false);
  EXPECT_TRUE(cut.Feed("the harb"));
  EXPECT_TRUE(cut.Flush());
  EXPECT_TRUE(cut.Feed("our"));
  EXPECT_TRUE(cut.Finish());
  TStreamScanner none("harbour", false);
  EXPECT_TRUE(none.Feed("the quay"));
  EXPECT_TRUE(none.Flush());
  EXPECT_FALSE(none.Finish());
}

}  // namespace
}  // namespace tessaly::platform
