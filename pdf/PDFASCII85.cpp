// ASCII85Decode: base-85 groups of five characters to four bytes.
#include "pdf/PDFASCII85.h"

#include <cstdint>

namespace tessaly::pdf {
namespace {

std::uint64_t GroupValue(const char* c) {
  std::uint64_t v = 0;
  for (int i = 0; i < 5; ++i) v = v * 85 + static_cast<std::uint64_t>(static_cast<unsigned char>(c[i]) - 33);
  return v;
}

void PutWord(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
}

}  // namespace

std::string ASCII85Decode(std::string_view data, std::size_t limit) {
  std::string kept;
  kept.reserve(data.size());
  for (char ch : data) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == 'z') {
      kept.append(5, '!');
    } else if ((c >= '!' && c <= 'u') || c == '~') {
      kept += ch;
    }
  }
  if (kept.size() < 2 || kept.compare(kept.size() - 2, 2, "~>") != 0) return {};
  kept.resize(kept.size() - 2);

  const std::size_t groups = kept.size() / 5;
  const std::size_t tail = kept.size() % 5;
  const std::size_t outSize = groups * 4 + (tail > 0 ? tail - 1 : 0);
  if (outSize > limit) return {};
  std::string out;
  out.reserve(outSize);
  for (std::size_t g = 0; g < groups; ++g) {
    const std::uint64_t v = GroupValue(kept.data() + g * 5);
    // A "~" inside the data makes a digit above 84; such a group gives zeros.
    PutWord(out, v <= 0xFFFFFFFFu ? v : 0, 4);
  }
  if (tail > 0) {
    char last[5] = {'u', 'u', 'u', 'u', 'u'};
    for (std::size_t i = 0; i < tail; ++i) last[i] = kept[groups * 5 + i];
    const std::uint64_t v = GroupValue(last);
    PutWord(out, v < 0xFFFFFFFFu ? v : 0, static_cast<int>(tail) - 1);
  }
  return out;
}

}  // namespace tessaly::pdf
