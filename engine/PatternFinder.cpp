// Literal and regular-expression finders.
//
// Regular expressions go to RE2: it compiles a pattern to automata that
// read each byte of the text a bounded number of times, so no pattern and
// no file can make a search take more than linear time. The pattern is
// compiled as the user typed it first, so that its message names the
// user's mistake, and then in the form the search needs: multi-line (`^`
// and `$` at line ends), never crossing a line feed, and for whole words
// framed by a character that is no letter or digit, or a line end, on
// either side (the word itself is the first group).
#include "engine/PatternFinder.h"

#include <re2/re2.h>

#include <stdexcept>

#include "engine/TextFinder.h"

namespace tessaly::engine {
namespace {

// Memory RE2 may spend on one pattern's automata: enough for any pattern a
// user types, a bound for one that blows up (the search then says so).
constexpr std::int64_t kPatternMemory = 64 << 20;

class LiteralFinder : public TPatternFinder {
 public:
  LiteralFinder(const std::string& text, bool caseSensitive)
      : finder_(text, caseSensitive), spansLines_(text.find('\n') != std::string::npos) {}
  std::optional<FoundSpan> Find(std::string_view block, std::size_t from) const override {
    // A match lies within one line: a text holding a line feed has none,
    // however the text arrives.
    if (spansLines_) return std::nullopt;
    const std::size_t n = finder_.length();
    if (block.size() < n || block.size() - n < from) return std::nullopt;
    const std::size_t p =
        finder_.Find(reinterpret_cast<const std::uint8_t*>(block.data()), block.size(), from, block.size() - n);
    if (p == SIZE_MAX) return std::nullopt;
    return FoundSpan{p, p + n};
  }

 private:
  TextFinder finder_;
  bool spansLines_;
};

RE2::Options OptionsFor(bool caseSensitive) {
  RE2::Options o;
  o.set_encoding(RE2::Options::EncodingUTF8);
  o.set_case_sensitive(caseSensitive);
  o.set_never_nl(true);
  o.set_log_errors(false);
  o.set_max_mem(kPatternMemory);
  return o;
}

class RegexFinder : public TPatternFinder {
 public:
  RegexFinder(const std::string& pattern, const FinderOptions& options)
      : groups_(options.wholeWords ? 2 : 1),
        re_(options.wholeWords ? "(?m)(?:^|[^\\pL\\pN])(" + pattern + ")(?:$|[^\\pL\\pN])"
                               : "(?m)(?:" + pattern + ")",
            OptionsFor(options.caseSensitive)) {
    if (!re_.ok()) throw std::invalid_argument("the regular expression cannot be used: " + re_.error());
  }
  std::optional<FoundSpan> Find(std::string_view block, std::size_t from) const override {
    re2::StringPiece found[2];
    while (from <= block.size()) {
      if (!re_.Match(re2::StringPiece(block.data(), block.size()), from, block.size(), RE2::UNANCHORED, found,
                     groups_))
        return std::nullopt;
      const re2::StringPiece& m = found[groups_ - 1];
      const auto start = static_cast<std::size_t>(m.data() - block.data());
      // A pattern that matches the empty text matches everywhere; a line
      // is found by it only where it matches something, else every file
      // would hold it.
      if (!m.empty()) return FoundSpan{start, start + m.size()};
      from = start + 1;
    }
    return std::nullopt;
  }

 private:
  int groups_;
  RE2 re_;
};

}  // namespace

std::unique_ptr<TPatternFinder> MakePatternFinder(const std::string& word, const FinderOptions& options) {
  if (!options.regex && !options.wholeWords) return std::make_unique<LiteralFinder>(word, options.caseSensitive);
  std::string pattern = options.regex ? word : RE2::QuoteMeta(word);
  if (options.regex) {
    // As typed: its own message for the user's mistake.
    const RE2 typed(pattern, OptionsFor(options.caseSensitive));
    if (!typed.ok()) throw std::invalid_argument("the regular expression cannot be used: " + typed.error());
  }
  return std::make_unique<RegexFinder>(pattern, options);
}

std::vector<std::string> SplitWords(const std::string& text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::size_t j = i;
    while (j < text.size() && text[j] != ' ' && text[j] != '\t') ++j;
    if (j > i) words.push_back(text.substr(i, j - i));
    i = j;
  }
  return words;
}

}  // namespace tessaly::engine
