// The member-name mask: a pattern compiled into a list of one-character
// states, each optionally preceded by a `*` run, matched with backtracking
// to the latest `*`.
#include "archives/MemberMatch.h"

#include <stdexcept>

namespace tessaly::archives {

namespace {

constexpr int kMaxStarRuns = 30;

std::uint32_t FoldCase(std::uint32_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

// Decodes UTF-8 into code points; a byte that starts no valid sequence
// stands for itself.
std::vector<std::uint32_t> CodePoints(std::string_view s) {
  std::vector<std::uint32_t> out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
    if (c >= 0xF5) len = 1;
    std::uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1Fu) : len == 3 ? (c & 0x0Fu) : (c & 0x07u);
    bool ok = i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80)
        ok = false;
      else
        cp = (cp << 6) | (t & 0x3F);
    }
    if (!ok) {
      len = 1;
      cp = c;
    }
    out.push_back(cp);
    i += len;
  }
  return out;
}

[[noreturn]] void InvalidMask(std::string_view pattern, std::size_t position) {
  throw std::runtime_error("'" + std::string(pattern) + "' is an invalid mask at (" + std::to_string(position) +
                           ")");
}

}  // namespace

bool TMemberMask::State::Accepts(std::uint32_t c) const {
  c = FoldCase(c);
  switch (kind) {
    case Kind::Literal:
      return c == literal;
    case Kind::Any:
      return true;
    case Kind::Set: {
      bool in = false;
      for (const auto& [lo, hi] : ranges)
        if (c >= lo && c <= hi) {
          in = true;
          break;
        }
      return in != negate;
    }
    case Kind::End:
      return false;
  }
  return false;
}

TMemberMask::TMemberMask(std::string_view pattern) : states_(Compile(pattern)) {
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*") stem_ = Compile(pattern.substr(0, pattern.size() - 2));
}

std::vector<TMemberMask::State> TMemberMask::Compile(std::string_view pattern) {
  std::vector<State> states_;
  const std::vector<std::uint32_t> p = CodePoints(pattern);
  bool skipTo = false;
  int starRuns = 0;
  std::size_t i = 0;
  // Appends a state; a `*` run before it counts towards the limit, which is
  // checked where the state that follows the run is found (position i + 1).
  auto write = [&](State s) {
    if (skipTo && ++starRuns > kMaxStarRuns) InvalidMask(pattern, i + 1);
    s.skipTo = skipTo;
    skipTo = false;
    states_.push_back(std::move(s));
  };
  for (; i < p.size(); ++i) {
    const std::uint32_t c = p[i];
    if (c == '*') {
      skipTo = true;
    } else if (c == '?') {
      if (!skipTo) write(MakeState(Kind::Any));
    } else if (c == '[') {
      State s = MakeState(Kind::Set);
      ++i;
      if (i < p.size() && p[i] == '!') {
        s.negate = true;
        ++i;
      }
      bool haveLast = false;
      std::uint32_t last = 0;
      while (i < p.size() && p[i] != ']') {
        if (p[i] == '-') {
          if (!haveLast) InvalidMask(pattern, i + 1);
          ++i;
          if (i >= p.size()) InvalidMask(pattern, i + 1);  // "[a-" never closes
          const std::uint32_t end = FoldCase(p[i]);
          if (end >= last) s.ranges.emplace_back(last, end);
        } else {
          last = FoldCase(p[i]);
          haveLast = true;
          s.ranges.emplace_back(last, last);
        }
        ++i;
      }
      if (i >= p.size() || s.ranges.empty()) InvalidMask(pattern, i + 1);
      write(std::move(s));
    } else {
      State s = MakeState(Kind::Literal);
      s.literal = FoldCase(c);
      write(std::move(s));
    }
  }
  write(MakeState(Kind::End));
  return states_;
}

bool TMemberMask::Matches(std::string_view nameText) const {
  const std::vector<std::uint32_t> name = CodePoints(nameText);
  if (MatchStates(states_, name)) return true;
  if (stem_.empty()) return false;
  const std::size_t slash = nameText.rfind('/');
  const std::string_view last = slash == std::string_view::npos ? nameText : nameText.substr(slash + 1);
  return last.find('.') == std::string_view::npos && MatchStates(stem_, name);
}

bool TMemberMask::MatchStates(const std::vector<State>& states_, const std::vector<std::uint32_t>& name) {
  // Every state but End takes exactly one character, so backtracking to the
  // latest `*` alone finds a match whenever one exists.
  std::size_t si = 0, ni = 0;
  std::size_t star = SIZE_MAX, starName = 0;
  while (true) {
    const State& s = states_[si];
    if (s.skipTo) {
      star = si;
      starName = ni;
    }
    const bool ok = s.kind == Kind::End ? ni == name.size() : ni < name.size() && s.Accepts(name[ni]);
    if (ok) {
      if (s.kind == Kind::End) return true;
      ++si;
      ++ni;
      continue;
    }
    // Let the latest `*` take one more character and try again from there.
    if (star == SIZE_MAX || starName >= name.size()) return false;
    si = star;
    ni = starName + 1;
  }
}

bool MemberNameMatches(std::string_view name, std::string_view pattern) {
  return TMemberMask(pattern).Matches(name);
}

std::string UpperAsciiOnly(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

std::string LowerAsciiOnly(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

}  // namespace tessaly::archives
