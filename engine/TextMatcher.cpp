// The matcher of a search: every mode (literal, regular expression, whole
// words, all words) goes through the pattern matcher, whose sink keeps each
// match's line and place; the literal mode keeps the text scanner's
// vectorised finder and folding.
#include "engine/TextMatcher.h"

#include "engine/PatternMatcher.h"
#include "engine/SearchCriteria.h"

namespace tessaly::engine {

std::shared_ptr<const TTextMatcher> MatcherFor(const SearchCriteria& criteria) {
  return std::make_shared<TPatternMatcher>(SetupFor(criteria));
}

}  // namespace tessaly::engine
