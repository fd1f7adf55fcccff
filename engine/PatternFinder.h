// The finders of one word of a search's content text: a literal searched by
// the text scanner's vectorised finder, or a regular expression (RE2, whose
// matching time is linear in the text whatever the pattern), optionally
// held to whole words. A finder looks into a block of whole lines and never
// reports a match that spans a line feed.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::engine {

struct FoundSpan {
  std::size_t start = 0;
  std::size_t end = 0;  // one past the last byte
};

class TPatternFinder {
 public:
  virtual ~TPatternFinder() = default;
  // The first match that starts at or after `from` in `block`, which holds
  // whole lines (it starts at a line's start and ends at a line feed or at
  // the text's end). A regular expression's `^` and `$` anchor at line ends.
  virtual std::optional<FoundSpan> Find(std::string_view block, std::size_t from) const = 0;
};

struct FinderOptions {
  bool regex = false;          // the word is a regular expression
  bool caseSensitive = false;  // else case-blind: the scanner's folding for literals, Unicode folding for patterns
  bool wholeWords = false;     // a match starts and ends at a word boundary
};

// The finder of `word` (not empty). Throws std::invalid_argument with the
// engine's message when the pattern does not compile (or grows past the
// engine's memory limit).
std::unique_ptr<TPatternFinder> MakePatternFinder(const std::string& word, const FinderOptions& options);

// The words of an all-words search: `text` cut at blanks and tabs, empty
// pieces dropped.
std::vector<std::string> SplitWords(const std::string& text);

}  // namespace tessaly::engine
