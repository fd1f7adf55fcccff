// Upper-casing of UTF-8 text without changing its length: an ASCII pass over
// every byte, then a table pass over the two-byte sequences, which hold every
// letter the rule folds (U+0080 to U+07FF).
#include "platform/TextCase.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace tessaly::platform {
namespace {

constexpr std::uint32_t kTwoByteEnd = 0x800;

// Upper-case form of every code point of the two-byte range; a code point
// without one maps to itself.
struct TwoByteTable {
  std::array<std::uint16_t, kTwoByteEnd> upper{};

  TwoByteTable() {
    for (std::uint32_t cp = 0; cp < kTwoByteEnd; ++cp) upper[cp] = static_cast<std::uint16_t>(cp);
    auto set = [this](std::uint32_t from, std::uint32_t to) { upper[from] = static_cast<std::uint16_t>(to); };
    // Pairs where the lower-case letter is the odd (parity 1) or even code point.
    auto pairs = [&set](std::uint32_t first, std::uint32_t last, std::uint32_t lowerParity) {
      for (std::uint32_t cp = first; cp <= last; ++cp)
        if ((cp & 1) == lowerParity) set(cp, cp - 1);
    };
    auto shift = [&set](std::uint32_t first, std::uint32_t last, std::uint32_t by) {
      for (std::uint32_t cp = first; cp <= last; ++cp) set(cp, cp - by);
    };

    // Latin-1 Supplement.
    set(0xB5, 0x39C);  // micro sign -> Greek capital mu
    shift(0xE0, 0xFE, 0x20);
    set(0xF7, 0xF7);   // division sign
    set(0xFF, 0x178);  // ÿ -> Ÿ
    // Latin Extended-A. U+0131 (dotless i) and U+017F (long s) upper-case to
    // one-byte letters and stay; U+0138 and U+0149 have no simple upper case.
    pairs(0x100, 0x12F, 1);
    pairs(0x132, 0x137, 1);
    pairs(0x139, 0x148, 0);
    pairs(0x14A, 0x177, 1);
    pairs(0x179, 0x17E, 0);
    // Greek and Coptic.
    pairs(0x370, 0x373, 1);
    set(0x377, 0x376);
    for (std::uint32_t cp = 0x37B; cp <= 0x37D; ++cp) set(cp, cp + 0x82);
    set(0x3AC, 0x386);
    shift(0x3AD, 0x3AF, 0x25);
    shift(0x3B1, 0x3CB, 0x20);
    set(0x3C2, 0x3A3);  // final sigma
    set(0x3CC, 0x38C);
    shift(0x3CD, 0x3CE, 0x3F);
    set(0x3D0, 0x392);  // curled beta
    set(0x3D1, 0x398);  // script theta
    set(0x3D5, 0x3A6);  // phi symbol
    set(0x3D6, 0x3A0);  // pi symbol
    set(0x3D7, 0x3CF);
    pairs(0x3D8, 0x3EF, 1);
    set(0x3F0, 0x39A);  // kappa symbol
    set(0x3F1, 0x3A1);  // rho symbol
    set(0x3F2, 0x3F9);  // lunate sigma
    set(0x3F3, 0x37F);
    set(0x3F5, 0x395);  // lunate epsilon
    set(0x3F8, 0x3F7);
    set(0x3FB, 0x3FA);
    // Cyrillic and Cyrillic Supplement.
    shift(0x430, 0x44F, 0x20);
    shift(0x450, 0x45F, 0x50);
    pairs(0x460, 0x481, 1);
    pairs(0x48A, 0x4BF, 1);
    pairs(0x4C1, 0x4CE, 0);
    set(0x4CF, 0x4C0);
    pairs(0x4D0, 0x52F, 1);
  }
};

const TwoByteTable& Table() {
  static const TwoByteTable table;
  return table;
}

// Folds a-z and reports whether any byte has its high bit set. Branch-free so
// that the compiler turns it into vector code.
bool UpperAscii(unsigned char* p, std::size_t size) {
  unsigned char high = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char c = p[i];
    high |= c;
    p[i] = static_cast<unsigned char>(c - ((static_cast<unsigned char>(c - 'a') < 26u) << 5));
  }
  return (high & 0x80) != 0;
}

// Folds the two-byte sequence at p[0], p[1] when it is one; returns the
// number of bytes it took (2, or 1 for any other high byte).
inline std::size_t FoldPair(unsigned char* p, const std::array<std::uint16_t, kTwoByteEnd>& upper) {
  const unsigned char lead = p[0];
  const unsigned char next = p[1];
  if (static_cast<unsigned char>(lead - 0xC2) > 0xDF - 0xC2 || (next & 0xC0) != 0x80) return 1;
  const std::uint32_t up = upper[(static_cast<std::uint32_t>(lead & 0x1F) << 6) | (next & 0x3F)];
  p[0] = static_cast<unsigned char>(0xC0 | (up >> 6));
  p[1] = static_cast<unsigned char>(0x80 | (up & 0x3F));
  return 2;
}

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the word scan takes the lowest byte first");

// Jumps from high byte to high byte a word at a time: ASCII runs cost one
// load and one test per eight bytes.
void UpperTwoByte(unsigned char* p, std::size_t size) {
  const auto& upper = Table().upper;
  std::size_t i = 0;
  // i + 8 < size: the byte after a high byte at the end of the word is in
  // the buffer.
  while (i + 8 < size) {
    std::uint64_t word;
    std::memcpy(&word, p + i, sizeof word);
    const std::uint64_t high = word & 0x8080808080808080ull;
    if (high == 0) {
      i += 8;
      continue;
    }
    i += static_cast<std::size_t>(__builtin_ctzll(high)) >> 3;  // little-endian: lowest byte first
    i += FoldPair(p + i, upper);
  }
  while (i + 1 < size) {
    if (p[i] & 0x80) i += FoldPair(p + i, upper);
    else ++i;
  }
}

}  // namespace

void UpperCaseInPlace(char* data, std::size_t size) {
  auto* p = reinterpret_cast<unsigned char*>(data);
  if (UpperAscii(p, size)) UpperTwoByte(p, size);
}

void UpperCaseAsciiInPlace(char* data, std::size_t size) { UpperAscii(reinterpret_cast<unsigned char*>(data), size); }

std::uint32_t UpperTwoByteCodePoint(std::uint32_t codePoint) {
  if (codePoint < 0x80) return codePoint >= 'a' && codePoint <= 'z' ? codePoint - 32 : codePoint;
  return codePoint < kTwoByteEnd ? Table().upper[codePoint] : codePoint;
}

bool IsAscii(const std::string& text) {
  unsigned char high = 0;
  for (const char c : text) high |= static_cast<unsigned char>(c);
  return (high & 0x80) == 0;
}

std::string UpperCased(std::string text) {
  UpperCaseInPlace(text.data(), text.size());
  return text;
}

}  // namespace tessaly::platform
