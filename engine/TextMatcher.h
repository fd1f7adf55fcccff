// The matcher of a search's content text, chosen once per search, and the
// sink through which it reads a document's text. Readers push text into a
// TMatchSink; the sink says stop once the document is decided.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "extract/TextSink.h"

namespace tessaly::engine {

struct SearchCriteria;

// One document's test: fed the document's text, it knows whether the text
// matched.
class TMatchSink : public extract::TTextSink {
 public:
  // The text has ended: decides what is still undecided. True when the
  // text matched anywhere.
  virtual bool Finish() = 0;
  virtual bool Matched() const = 0;
};

// Makes a match sink per document; shared by the workers of one search,
// so it holds only what does not change while a search runs.
class TTextMatcher {
 public:
  virtual ~TTextMatcher() = default;
  virtual std::unique_ptr<TMatchSink> NewSink() const = 0;
  // True when `text` (a short text, such as an information field) matches.
  virtual bool MatchesField(std::string_view text) const = 0;
};

// The matcher for `criteria`'s content text in its mode (literal with the
// scanner's case folding, regular expression, whole words, all words); its
// sinks keep the matching lines (see PatternMatcher.h). Throws
// std::invalid_argument with the engine's message when a pattern does not
// compile.
std::shared_ptr<const TTextMatcher> MatcherFor(const SearchCriteria& criteria);

}  // namespace tessaly::engine
