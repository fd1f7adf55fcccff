// Fuzz target for the content matchers, pattern and text both fuzzed.
//
// The first byte chooses the mode (regular expression, whole words, all
// words, case) and the lines kept; the rest is split at its first zero byte
// into the content text and the document text. A pattern that does not
// compile must say so with an exception and nothing else; one that does is
// run over the text fed whole and again in pieces of 5 bytes with parts
// begun between them: both feeds must agree on the verdict, and every line
// kept must lie within its line's bounds with its spans inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/PatternMatcher.h"
#include "engine/SearchCriteria.h"

namespace {

using namespace tessaly::engine;

// Longer inputs add nothing the shorter ones do not cover.
constexpr std::size_t kMaxInput = 1 << 16;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The verdict and the lines kept of `text` fed in pieces of `piece` bytes,
// with a new part every seven pieces when `parts`.
std::pair<bool, std::vector<TextMatch>> Feed(const TPatternMatcher& matcher, std::string_view text,
                                             std::size_t piece, bool parts) {
  auto sink = matcher.NewSink();
  int part = 0;
  for (std::size_t i = 0; i < text.size(); i += piece) {
    if (parts && i % (piece * 7) == 0 && !sink->BeginPart(tessaly::extract::PartKind::Page, ++part, {})) break;
    if (!sink->Append(text.substr(i, piece))) break;
  }
  const bool matched = sink->Finish();
  for (const TextMatch& m : *MatchesOf(*sink)) {
    Check(m.line >= 1);
    Check(m.text.size() <= kMatchLineWidth + 8);
    for (const auto& [start, end] : m.spans) Check(start <= end && end <= m.text.size());
  }
  return {matched, *MatchesOf(*sink)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > kMaxInput) return 0;
  const std::uint8_t mode = data[0];
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t zero = rest.find('\0');
  if (zero == 0 || zero == std::string_view::npos) return 0;
  SearchCriteria c;
  c.containsText = std::string(rest.substr(0, zero));
  c.regex = mode & 1;
  c.wholeWords = mode & 2;
  c.allWords = mode & 4;
  c.caseSensitive = mode & 8;
  c.matchLines = 1 + (mode >> 4);
  const std::string_view text = rest.substr(zero + 1);
  try {
    const TPatternMatcher matcher(SetupFor(c));
    const auto whole = Feed(matcher, text, text.size() + 1, false);
    // Cutting the text into pieces changes nothing: lines are whole lines.
    Check(Feed(matcher, text, 5, false) == whole);
    Check(whole.first == matcher.MatchesField(text));
    // Parts begun inside lines cut them: only no fault is asked of that.
    Feed(matcher, text, 5, true);
  } catch (const std::invalid_argument&) {
    Check(c.regex || c.wholeWords);
  }
  return 0;
}
