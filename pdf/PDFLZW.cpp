// LZWDecode: the variable-width LZW of PDF streams, 9 to 12 bits, with the
// early code-width change. Table entries are kept as (prefix code, last
// byte) pairs, so the table stays small whatever the strings' lengths.
#include "pdf/PDFLZW.h"

#include <array>
#include <cstdint>

namespace tessaly::pdf {
namespace {

constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFree = 258;
constexpr int kTableSize = 4096;

struct Entry {
  std::int16_t prefix = -1;  // -1 for the single bytes
  unsigned char byte = 0;
  unsigned char first = 0;   // first byte of the string
  std::uint16_t length = 1;
};

class Table {
 public:
  Table() {
    for (int i = 0; i < 256; ++i) entries_[static_cast<std::size_t>(i)] = {-1, static_cast<unsigned char>(i), static_cast<unsigned char>(i), 1};
  }
  const Entry& operator[](int code) const { return entries_[static_cast<std::size_t>(code)]; }
  Entry& operator[](int code) { return entries_[static_cast<std::size_t>(code)]; }
  // Appends the string of code to out.
  void Emit(int code, std::string& out) const {
    const std::size_t len = (*this)[code].length;
    const std::size_t start = out.size();
    out.resize(start + len);
    for (std::size_t i = len; i-- > 0;) {
      const Entry& e = (*this)[code];
      out[start + i] = static_cast<char>(e.byte);
      code = e.prefix;
    }
  }

 private:
  std::array<Entry, kTableSize> entries_{};
};

}  // namespace

std::string LZWDecode(std::string_view data, std::size_t limit) {
  Table table;
  std::string out;
  int width = 9;
  int nextFree = kFirstFree;
  int prev = -1;  // previous code; -1 right after a reset
  std::uint32_t bits = 0;
  int bitCount = 0;
  std::size_t pos = 0;
  for (;;) {
    while (bitCount < width && pos < data.size()) {
      bits = (bits << 8) | static_cast<unsigned char>(data[pos++]);
      bitCount += 8;
    }
    if (bitCount < width) break;  // end of the input
    const int code = static_cast<int>((bits >> (bitCount - width)) & ((1u << width) - 1));
    bitCount -= width;
    if (code == kClearCode) {
      width = 9;
      nextFree = kFirstFree;
      prev = -1;
      continue;
    }
    if (code == kEndCode) break;
    if (prev < 0) {
      // The first code after a reset must be a single byte.
      if (code < 256) {
        out += static_cast<char>(code);
        prev = code;
      }
      continue;
    }
    if (code > nextFree) continue;  // not in the table yet: skipped
    unsigned char first;
    if (code == nextFree) {
      // The string being defined: previous string plus its own first byte.
      if (nextFree >= kTableSize) continue;
      first = table[prev].first;
    } else {
      first = table[code].first;
    }
    if (nextFree < kTableSize) {
      Entry& e = table[nextFree];
      e.prefix = static_cast<std::int16_t>(prev);
      e.byte = first;
      e.first = table[prev].first;
      e.length = static_cast<std::uint16_t>(table[prev].length + 1);
      ++nextFree;
      // Early change: the width grows one code before the table needs it.
      if ((nextFree == 511 || nextFree == 1023 || nextFree == 2047) && width < 12) ++width;
    }
    table.Emit(code, out);
    if (out.size() > limit) return {};  // a decompression bomb: undecodable
    prev = code;
  }
  return out;
}

}  // namespace tessaly::pdf
