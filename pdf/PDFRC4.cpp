// RC4: the key-scheduling pass over a 256-byte state, then one output byte
// per input byte from the pseudo-random generation loop.
#include "pdf/PDFRC4.h"

#include <array>
#include <cstdint>
#include <utility>

namespace tessaly::pdf {

std::string RC4Crypt(std::string_view key, std::string_view data) {
  std::string out(data);
  if (key.empty()) return out;
  const std::size_t keyLength = key.size() > 256 ? 256 : key.size();
  std::array<std::uint8_t, 256> s;
  for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
  std::uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = static_cast<std::uint8_t>(j + s[i] + static_cast<std::uint8_t>(key[i % keyLength]));
    std::swap(s[i], s[j]);
  }
  std::uint8_t x = 0, y = 0;
  for (char& c : out) {
    x = static_cast<std::uint8_t>(x + 1);
    y = static_cast<std::uint8_t>(y + s[x]);
    std::swap(s[x], s[y]);
    c = static_cast<char>(static_cast<std::uint8_t>(c) ^ s[static_cast<std::uint8_t>(s[x] + s[y])]);
  }
  return out;
}

}  // namespace tessaly::pdf
