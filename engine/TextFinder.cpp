// The search text's preparation and the confirming compare.
//
// A file byte can stand for a text byte in a match only if it folds into
// it: an upper-case ASCII letter stands for itself and its lower case; under
// the two-byte rule a lead or continuation byte may also come from a
// lower-case letter whose upper case shares that byte. The positions whose
// sets of such bytes are smallest and rarest in ordinary text become the
// probe; each candidate the probe lets through is compared whole, folding
// the file's bytes one at a time in their context. A two-byte letter's
// context is one byte either side (lead bytes 0xC2..0xDF are never
// continuation bytes 0x80..0xBF), so the compare looks one byte before and
// one after the occurrence.
#include "engine/TextFinder.h"

#include <array>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/TextCase.h"

namespace tessaly::engine {
namespace {

constexpr std::size_t kNone = SIZE_MAX;

bool IsLead(std::uint8_t b) { return b >= 0xC2 && b <= 0xDF; }
bool IsContinuation(std::uint8_t b) { return (b & 0xC0) == 0x80; }
std::uint8_t FoldAscii(std::uint8_t b) { return static_cast<std::uint8_t>(b - ((static_cast<std::uint8_t>(b - 'a') < 26u) << 5)); }

// How common a byte is in ordinary text, from 0 (never) to 255 (the blank):
// letters by their English frequency, capitals and digits less, and the
// lead bytes of the common two-byte alphabets about as often as a letter.
int Commonness(std::uint8_t b) {
  static constexpr const char* kLetters = "etaoinsrhldcumfpgwybvkxjqz";  // most common first
  if (b == ' ') return 255;
  if (b >= 'a' && b <= 'z') return 230 - 7 * static_cast<int>(std::strchr(kLetters, b) - kLetters);
  if (b >= 'A' && b <= 'Z') return Commonness(static_cast<std::uint8_t>(b + 32)) / 3;
  if (b >= '0' && b <= '9') return 90;
  switch (b) {
    case '\n': return 170;
    case ',': case '.': return 150;
    case '\r': case '\t': case '-': return 100;
    case '\'': case '"': case '(': case ')': case ':': case '/': return 70;
    case ';': case '!': case '?': case '=': case '<': case '>': case '_': return 40;
    default: break;
  }
  if (b < 0x20 || b == 0x7F) return 5;
  if (b < 0x80) return 25;
  if (b == 0xC3 || b == 0xC5 || b == 0xCE || b == 0xCF || b == 0xD0 || b == 0xD1) return 150;
  if (IsContinuation(b)) return 60;
  return 20;
}

// For every byte value, the byte values a file may hold where a folded text
// holds it under the two-byte rule (the value itself first).
const std::array<std::vector<std::uint8_t>, 256>& TwoByteSources() {
  static const auto table = [] {
    std::array<std::vector<std::uint8_t>, 256> sources;
    auto add = [&sources](std::uint8_t folded, std::uint8_t from) {
      for (const std::uint8_t b : sources[folded])
        if (b == from) return;
      sources[folded].push_back(from);
    };
    for (int b = 0; b < 256; ++b) add(static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(b));
    for (int b = 'a'; b <= 'z'; ++b) add(static_cast<std::uint8_t>(b - 32), static_cast<std::uint8_t>(b));
    for (std::uint32_t cp = 0x80; cp < 0x800; ++cp) {
      const std::uint32_t up = platform::UpperTwoByteCodePoint(cp);
      if (up == cp || up >= 0x800 || up < 0x80) continue;
      add(static_cast<std::uint8_t>(0xC0 | (up >> 6)), static_cast<std::uint8_t>(0xC0 | (cp >> 6)));
      add(static_cast<std::uint8_t>(0x80 | (up & 0x3F)), static_cast<std::uint8_t>(0x80 | (cp & 0x3F)));
    }
    return sources;
  }();
  return table;
}

}  // namespace

TextFinder::TextFinder(const std::string& text, bool caseSensitive, ScanPath path)
    : needle_(caseSensitive ? text : platform::UpperCased(text)),
      rule_(caseSensitive ? Rule::Exact : platform::IsAscii(text) ? Rule::Ascii : Rule::TwoByte),
      path_(ResolveScanPath(path)) {
  // The file bytes that may stand at each position, and what they cost.
  const std::size_t n = needle_.size();
  std::vector<ByteSet> sets(n);
  std::vector<int> cost(n, std::numeric_limits<int>::max());
  for (std::size_t i = 0; i < n; ++i) {
    const auto b = static_cast<std::uint8_t>(needle_[i]);
    std::vector<std::uint8_t> from{b};
    if (rule_ == Rule::Ascii && b >= 'A' && b <= 'Z') from.push_back(static_cast<std::uint8_t>(b + 32));
    if (rule_ == Rule::TwoByte) from = TwoByteSources()[b];
    if (from.size() > 4) continue;
    int sum = 0;
    for (const std::uint8_t v : from) {
      sets[i].values[sets[i].count++] = v;
      sum += Commonness(v);
    }
    cost[i] = sum;
  }
  // The rarest position, then the rarest other one (the same for a text of
  // one byte).
  std::size_t first = kNone, second = kNone;
  for (std::size_t i = 0; i < n; ++i)
    if (sets[i].count > 0 && (first == kNone || cost[i] < cost[first])) first = i;
  if (first == kNone) return;
  for (std::size_t i = 0; i < n; ++i)
    if (i != first && sets[i].count > 0 && (second == kNone || cost[i] < cost[second])) second = i;
  if (second == kNone) second = first;
  probe_ = CandidateProbe{first, sets[first], second, sets[second]};
  hasProbe_ = true;
}

std::size_t TextFinder::Find(const std::uint8_t* data, std::size_t size, std::size_t from, std::size_t last) const {
  for (std::size_t p = from; p <= last; ++p) {
    if (hasProbe_) {
      p = NextCandidate(path_, data, p, last, probe_);
      if (p == kNone) return kNone;
    }
    if (Confirm(data, size, p)) return p;
  }
  return kNone;
}

bool TextFinder::Confirm(const std::uint8_t* data, std::size_t size, std::size_t p) const {
  const auto* needle = reinterpret_cast<const std::uint8_t*>(needle_.data());
  const std::size_t n = needle_.size();
  const std::uint8_t* at = data + p;
  switch (rule_) {
    case Rule::Exact:
      return std::memcmp(at, needle, n) == 0;
    case Rule::Ascii:
      for (std::size_t i = 0; i < n; ++i)
        if (FoldAscii(at[i]) != needle[i]) return false;
      return true;
    case Rule::TwoByte:
      break;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t q = p + i;
    std::uint8_t b = data[q];
    if (b < 0x80) {
      b = FoldAscii(b);
    } else if (IsLead(b) && q + 1 < size && IsContinuation(data[q + 1])) {
      const std::uint32_t up = platform::UpperTwoByteCodePoint(static_cast<std::uint32_t>(b & 0x1F) << 6 | (data[q + 1] & 0x3F));
      b = static_cast<std::uint8_t>(0xC0 | (up >> 6));
    } else if (IsContinuation(b) && q > 0 && IsLead(data[q - 1])) {
      const std::uint32_t up = platform::UpperTwoByteCodePoint(static_cast<std::uint32_t>(data[q - 1] & 0x1F) << 6 | (b & 0x3F));
      b = static_cast<std::uint8_t>(0x80 | (up & 0x3F));
    }
    if (b != needle[i]) return false;
  }
  return true;
}

}  // namespace tessaly::engine
