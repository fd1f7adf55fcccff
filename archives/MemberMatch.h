// Matching of archive member names against one name pattern.
//
// The whole name must match the whole pattern. `*` matches any run of
// characters, also an empty one and also `/`; `?` matches exactly one
// character, and a `?` that directly follows a `*` (or another `?` dropped
// this way) is ignored, so `*?` behaves as `*`. `[` opens a set of single
// characters and ranges (a-z, inclusive), negated by a leading `!`; a range
// whose end is below its start adds nothing. Letters A to Z match without
// regard to case; other characters match themselves. Characters are UTF-8
// code points.
//
// A pattern is invalid when a set is not closed by `]`, starts with `-`
// (after an optional `!`), names no character, or when the pattern holds more
// than 30 runs of `*`. Compiling an invalid pattern throws std::runtime_error
// "'<pattern>' is an invalid mask at (<position>)", the position counted in
// characters from 1 where the fault was found.
//
// A pattern that ends in `.*` also matches a name whose last part (after
// its last `/`) holds no `.`, when the name matches the pattern without
// its `.*`: `readme.*` matches `docs/README`, as file names match.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaly::archives {

class TMemberMask {
 public:
  // Compiles `pattern`; throws the invalid-mask error described above.
  explicit TMemberMask(std::string_view pattern);
  bool Matches(std::string_view name) const;

 private:
  enum class Kind { Literal, Any, Set, End };
  struct State {
    Kind kind = Kind::Literal;
    bool skipTo = false;  // a run of `*` stands before this state
    std::uint32_t literal = 0;
    bool negate = false;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    bool Accepts(std::uint32_t c) const;
  };
  static State MakeState(Kind kind) {
    State s;
    s.kind = kind;
    return s;
  }
  static bool MatchStates(const std::vector<State>& states, const std::vector<std::uint32_t>& name);
  static std::vector<State> Compile(std::string_view pattern);
  std::vector<State> states_;
  std::vector<State> stem_;  // the pattern without a final `.*`, when it has one
};

// True when `name` matches `pattern`; throws for an invalid pattern.
bool MemberNameMatches(std::string_view name, std::string_view pattern);

// The letters a to z become A to Z; everything else stays.
std::string UpperAsciiOnly(std::string_view text);
std::string LowerAsciiOnly(std::string_view text);

}  // namespace tessaly::archives
