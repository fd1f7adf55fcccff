// Whole-name wildcard matching with case-blind letters and the two legacy
// rules of name patterns (trailing dot, three-character extensions).
#include "platform/Wildcard.h"

#include <cstdint>
#include <vector>

namespace tessaly::platform {
namespace {

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

inline unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// Simple lower-case folding of the letters of Latin-1, Latin Extended-A,
// Greek and Cyrillic; everything else maps to itself.
char32_t FoldCodePoint(char32_t c) {
  if (c < 0x80) return FoldAscii(static_cast<unsigned char>(c));
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x178) return 0xFF;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c;
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2 == 0) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
  if (c == 0x3C2) return 0x3C3;  // final sigma folds with sigma
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

// Decodes UTF-8 into code points; a byte that starts no valid sequence
// stands for itself, shifted out of the Unicode range so it only matches
// the same byte.
std::vector<char32_t> Decode(std::string_view s) {
  std::vector<char32_t> out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    int len = 0;
    char32_t cp = 0;
    if (b < 0x80) { len = 1; cp = b; }
    else if ((b & 0xE0) == 0xC0) { len = 2; cp = b & 0x1F; }
    else if ((b & 0xF0) == 0xE0) { len = 3; cp = b & 0x0F; }
    else if ((b & 0xF8) == 0xF0) { len = 4; cp = b & 0x07; }
    bool ok = len > 0 && i + len <= s.size();
    for (int k = 1; ok && k < len; ++k) {
      unsigned char cb = static_cast<unsigned char>(s[i + k]);
      if ((cb & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (cb & 0x3F);
    }
    if (ok && len > 1) {
      static const char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
      if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) ok = false;
    }
    if (ok) {
      out.push_back(FoldCodePoint(cp));
      i += len;
    } else {
      out.push_back(0x110000 + b);
      ++i;
    }
  }
  return out;
}

// Glob match with `*` and `?` by the classic backtracking to the last star:
// linear in practice, O(n*m) at worst, no recursion.
template <typename Seq, typename Eq>
bool Glob(const Seq& p, const Seq& n, Eq eq) {
  std::size_t pi = 0, ni = 0, star = SIZE_MAX, mark = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      mark = ni;
    } else if (pi < p.size() && (p[pi] == '?' || eq(p[pi], n[ni]))) {
      ++pi;
      ++ni;
    } else if (star != SIZE_MAX) {
      pi = star + 1;
      ni = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

bool PlainAscii(std::string_view p, std::string_view n) {
  return Glob(p, n, [](char a, char b) {
    return FoldAscii(static_cast<unsigned char>(a)) == FoldAscii(static_cast<unsigned char>(b));
  });
}

bool PlainUnicode(const std::vector<char32_t>& p, const std::vector<char32_t>& n) {
  return Glob(p, n, [](char32_t a, char32_t b) { return a == b; });
}

bool HasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

}  // namespace

bool WildcardMatchPlain(std::string_view pattern, std::string_view name) {
  if (IsAscii(pattern) && IsAscii(name)) return PlainAscii(pattern, name);
  return PlainUnicode(Decode(pattern), Decode(name));
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  if (WildcardMatchPlain(pattern, name)) return true;
  // Trailing dot: the pattern's empty extension matches names without one.
  if (!pattern.empty() && pattern.back() == '.') {
    if (name.find('.') == std::string_view::npos &&
        WildcardMatchPlain(pattern.substr(0, pattern.size() - 1), name))
      return true;
    return false;
  }
  // Any extension: `report.*` also matches `report`, and `*.*` every name.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
    return WildcardMatchPlain(pattern.substr(0, pattern.size() - 2), name);
  // Three-character extension: also matches longer extensions that begin
  // with it, compared on the name cut after those three characters.
  std::size_t pdot = pattern.rfind('.');
  if (pdot == std::string_view::npos) return false;
  std::string_view pext = pattern.substr(pdot + 1);
  if (HasWildcard(pext)) return false;
  std::vector<char32_t> pextCodes = Decode(pext);
  if (pextCodes.size() != 3) return false;
  std::size_t ndot = name.rfind('.');
  if (ndot == std::string_view::npos) return false;
  std::vector<char32_t> nextCodes = Decode(name.substr(ndot + 1));
  if (nextCodes.size() <= 3) return false;
  for (int k = 0; k < 3; ++k)
    if (nextCodes[k] != pextCodes[k]) return false;
  // Cut the name after the third character of its extension (in bytes).
  std::size_t cut = ndot + 1, seen = 0;
  while (cut < name.size() && seen < 3) {
    ++cut;
    while (cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) ++cut;
    ++seen;
  }
  return WildcardMatchPlain(pattern, name.substr(0, cut));
}

}  // namespace tessaly::platform
