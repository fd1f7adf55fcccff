// The matcher of a search's content text in every mode (literal, regular
// expression, whole words, all words) and its per-document sink, which
// keeps the matching lines with their places as the text streams through.
//
// The sink cuts the text into whole lines without copying where it can: a
// piece that arrives is searched in place up to its last line feed, and only
// the unfinished line after it is kept until the next piece. Lines are
// counted only in the text read before a match, by a vectorised count, so
// the place costs next to nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/PatternFinder.h"
#include "engine/TextMatch.h"
#include "engine/TextMatcher.h"

namespace tessaly::engine {

struct SearchCriteria;

// A line longer than this is cut into lines of this length: text without
// line breaks still has places, and memory stays bounded.
inline constexpr std::size_t kMaxLineBytes = 1 << 20;
// Spans kept per matching line for highlighting.
inline constexpr std::size_t kMaxSpansPerLine = 32;

struct MatcherSetup {
  std::vector<std::string> words;  // one, or the words of an all-words search
  FinderOptions finder;
  bool allWords = false;
  std::size_t matchLines = 1;      // lines kept per document (at least 1)
};

class TPatternMatcher;

// One document's test.
class TPatternSink : public TMatchSink {
 public:
  explicit TPatternSink(const TPatternMatcher& matcher);
  bool Append(std::string_view text) override;
  bool BeginPart(extract::PartKind kind, int number, std::string_view name) override;
  bool Finish() override;
  bool Matched() const override;
  // The matching lines found so far, in text order (at most matchLines).
  const std::vector<TextMatch>& Matches() const { return matches_; }

 private:
  // Searches `block`, whole lines of the current part from line `line_` on.
  void Process(std::string_view block);
  void Record(std::string_view block, std::size_t lineStart, std::size_t lineEnd, const FoundSpan& first);
  bool Done() const;
  void FlushCarry();

  const TPatternMatcher& matcher_;
  std::string carry_;  // the unfinished last line
  extract::PartKind kind_ = extract::PartKind::Whole;
  int part_ = 0;
  std::string partName_;
  std::uint64_t line_ = 1;  // of the next text to come
  std::vector<TextMatch> matches_;
  std::vector<bool> found_;  // per word
  std::size_t foundCount_ = 0;
};

class TPatternMatcher : public TTextMatcher {
 public:
  // Throws std::invalid_argument when a pattern does not compile.
  explicit TPatternMatcher(MatcherSetup setup);
  std::unique_ptr<TMatchSink> NewSink() const override;
  bool MatchesField(std::string_view text) const override;

  const MatcherSetup& Setup() const { return setup_; }
  const std::vector<std::unique_ptr<TPatternFinder>>& Finders() const { return finders_; }
  // The first match of any word at or after `from` in `block`.
  std::optional<FoundSpan> FindAny(std::string_view block, std::size_t from) const;
  // Every match of every word in one line, in order, at most `limit`.
  std::vector<std::pair<std::size_t, std::size_t>> Spans(std::string_view line, std::size_t limit) const;

 private:
  MatcherSetup setup_;
  std::vector<std::unique_ptr<TPatternFinder>> finders_;
};

// The setup of `criteria`'s content text: its mode flags, the words of an
// all-words search, and the lines to keep.
MatcherSetup SetupFor(const SearchCriteria& criteria);

// Why `criteria`'s content text cannot be matched (a regular expression
// that does not compile: the engine's message), or nothing when it can or
// when there is no content text. Front ends ask before a search starts.
std::optional<std::string> PatternProblem(const SearchCriteria& criteria);

// The matching lines of the text read into `sink`, when it is a sink of
// this matcher; nothing otherwise.
const std::vector<TextMatch>* MatchesOf(const TMatchSink& sink);

}  // namespace tessaly::engine
