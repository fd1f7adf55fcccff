// Places, the cutting of a matching line, and the line-feed count that
// gives a match its line number without a second pass.
#include "engine/TextMatch.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tessaly::engine {
namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Moves `p` back to the first byte of the character it is in (at most three
// steps: a UTF-8 character has at most three continuation bytes).
std::size_t CharStart(std::string_view s, std::size_t p, std::size_t floor) {
  for (int i = 0; i < 3 && p > floor && p < s.size() && IsContinuation(static_cast<unsigned char>(s[p])); ++i) --p;
  return p;
}

}  // namespace

std::string PlaceText(const TextMatch& m) {
  const std::string line = "line " + std::to_string(m.line);
  switch (m.partKind) {
    case extract::PartKind::Page: return "p. " + std::to_string(m.part);
    case extract::PartKind::Slide: return "slide " + std::to_string(m.part);
    case extract::PartKind::Sheet:
      return "sheet " + (m.partName.empty() ? std::to_string(m.part) : m.partName) + ", " + line;
    case extract::PartKind::Whole: break;
  }
  return line;
}

void CutMatchLine(std::string_view line, std::size_t matchStart, std::size_t matchEnd,
                  std::vector<std::pair<std::size_t, std::size_t>> spans, TextMatch& out) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\f')) line.remove_suffix(1);
  matchStart = std::min(matchStart, line.size());
  matchEnd = std::clamp(matchEnd, matchStart, line.size());
  std::size_t from = 0, to = line.size();
  if (line.size() > kMatchLineWidth) {
    // A little context before the match, the rest after it.
    const std::size_t before = kMatchLineWidth / 4;
    from = matchStart > before ? matchStart - before : 0;
    to = std::min(line.size(), from + kMatchLineWidth);
    if (to - from < kMatchLineWidth) from = to > kMatchLineWidth ? to - kMatchLineWidth : 0;
    from = CharStart(line, from, 0);
    to = CharStart(line, to, from);
  }
  const std::string_view head = from > 0 ? "..." : "";
  out.text.assign(head);
  out.text.append(line.substr(from, to - from));
  if (to < line.size()) out.text += "...";
  out.spans.clear();
  for (const auto& [a, b] : spans) {
    const std::size_t s = std::max(a, from), e = std::min(b, to);
    if (s >= e) continue;
    out.spans.emplace_back(static_cast<std::uint32_t>(s - from + head.size()),
                           static_cast<std::uint32_t>(e - from + head.size()));
  }
}

std::string ReportLineText(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) c = '?';
  return out;
}

std::size_t CountLineFeeds(const char* data, std::size_t size) {
  std::size_t count = 0, i = 0;
#if defined(__x86_64__)
  const __m128i lf = _mm_set1_epi8('\n');
  for (; i + 64 <= size; i += 64) {
    std::uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16 * k));
      mask |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, lf))))
              << (16 * k);
    }
    count += static_cast<std::size_t>(__builtin_popcountll(mask));
  }
#endif
  for (; i < size; ++i) count += data[i] == '\n';
  return count;
}

}  // namespace tessaly::engine
