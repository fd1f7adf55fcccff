// The line-cutting sink and the matcher of every mode.
#include "engine/PatternMatcher.h"

#include <algorithm>
#include <cstring>

#include "engine/SearchCriteria.h"

namespace tessaly::engine {
namespace {

std::size_t LastLineFeed(std::string_view s) {
  const void* p = ::memrchr(s.data(), '\n', s.size());
  return p ? static_cast<std::size_t>(static_cast<const char*>(p) - s.data()) : std::string_view::npos;
}

}  // namespace

MatcherSetup SetupFor(const SearchCriteria& c) {
  MatcherSetup s;
  s.finder = FinderOptions{c.regex, c.caseSensitive, c.wholeWords};
  s.allWords = c.allWords;
  if (c.allWords) s.words = SplitWords(c.containsText);
  // A text of blanks only has no words: it is looked for as it is.
  if (s.words.empty()) {
    s.words = {c.containsText};
    s.allWords = false;
  }
  s.matchLines = std::max<std::size_t>(1, c.matchLines);
  return s;
}

TPatternMatcher::TPatternMatcher(MatcherSetup setup) : setup_(std::move(setup)) {
  for (const std::string& word : setup_.words) finders_.push_back(MakePatternFinder(word, setup_.finder));
}

std::unique_ptr<TMatchSink> TPatternMatcher::NewSink() const { return std::make_unique<TPatternSink>(*this); }

bool TPatternMatcher::MatchesField(std::string_view text) const {
  TPatternSink sink(*this);
  sink.Append(text);
  return sink.Finish();
}

std::optional<FoundSpan> TPatternMatcher::FindAny(std::string_view block, std::size_t from) const {
  std::optional<FoundSpan> best;
  for (const auto& finder : finders_)
    if (const auto hit = finder->Find(block, from); hit && (!best || hit->start < best->start)) best = hit;
  return best;
}

std::vector<std::pair<std::size_t, std::size_t>> TPatternMatcher::Spans(std::string_view line,
                                                                       std::size_t limit) const {
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  for (const auto& finder : finders_) {
    std::size_t from = 0;
    std::size_t taken = 0;
    while (taken < limit && from <= line.size()) {
      const auto hit = finder->Find(line, from);
      if (!hit) break;
      spans.emplace_back(hit->start, hit->end);
      ++taken;
      from = std::max(hit->end, hit->start + 1);
    }
  }
  std::sort(spans.begin(), spans.end());
  if (spans.size() > limit) spans.resize(limit);
  return spans;
}

TPatternSink::TPatternSink(const TPatternMatcher& matcher)
    : matcher_(matcher), found_(matcher.Finders().size(), false) {}

bool TPatternSink::Matched() const {
  return matcher_.Setup().allWords ? foundCount_ == found_.size() && !matches_.empty() : !matches_.empty();
}

bool TPatternSink::Done() const { return Matched() && matches_.size() >= matcher_.Setup().matchLines; }

bool TPatternSink::Append(std::string_view text) {
  while (!text.empty() && !Done()) {
    if (!carry_.empty()) {
      // The unfinished line is completed first, as a block of its own.
      const void* lf = std::memchr(text.data(), '\n', std::min(text.size(), kMaxLineBytes - carry_.size()));
      if (!lf) {
        const std::size_t take = std::min(text.size(), kMaxLineBytes - carry_.size());
        carry_.append(text.data(), take);
        text.remove_prefix(take);
        if (carry_.size() == kMaxLineBytes) FlushCarry();
        continue;
      }
      const std::size_t n = static_cast<std::size_t>(static_cast<const char*>(lf) - text.data()) + 1;
      carry_.append(text.data(), n);
      text.remove_prefix(n);
      FlushCarry();
      continue;
    }
    const std::size_t lf = LastLineFeed(text);
    if (lf == std::string_view::npos) {
      const std::size_t take = std::min(text.size(), kMaxLineBytes);
      carry_.assign(text.data(), take);
      text.remove_prefix(take);
      if (carry_.size() == kMaxLineBytes) FlushCarry();
      continue;
    }
    // Whole lines, searched where they lie.
    Process(text.substr(0, lf + 1));
    text.remove_prefix(lf + 1);
  }
  return !Done();
}

void TPatternSink::FlushCarry() {
  if (carry_.empty()) return;
  std::string line;
  line.swap(carry_);
  Process(line);
  // A line cut for its length counts as a line of its own.
  if (line.back() != '\n') ++line_;
}

bool TPatternSink::BeginPart(extract::PartKind kind, int number, std::string_view name) {
  FlushCarry();
  kind_ = kind;
  part_ = number;
  partName_.assign(name);
  line_ = 1;
  return !Done();
}

bool TPatternSink::Finish() {
  FlushCarry();
  return Matched();
}

void TPatternSink::Process(std::string_view block) {
  const auto& finders = matcher_.Finders();
  const MatcherSetup& setup = matcher_.Setup();
  // All words: which words the block holds, each searched once.
  if (setup.allWords)
    for (std::size_t i = 0; i < finders.size(); ++i)
      if (!found_[i] && finders[i]->Find(block, 0)) {
        found_[i] = true;
        ++foundCount_;
      }
  std::size_t from = 0;     // next start to search
  std::size_t counted = 0;  // line feeds counted up to here
  while (matches_.size() < setup.matchLines && from < block.size()) {
    const std::optional<FoundSpan> hit =
        finders.size() == 1 ? finders[0]->Find(block, from) : matcher_.FindAny(block, from);
    if (!hit) break;
    const std::size_t before = LastLineFeed(block.substr(0, hit->start));
    const std::size_t lineStart = before == std::string_view::npos ? 0 : before + 1;
    const void* after = std::memchr(block.data() + hit->start, '\n', block.size() - hit->start);
    const std::size_t lineEnd =
        after ? static_cast<std::size_t>(static_cast<const char*>(after) - block.data()) : block.size();
    line_ += CountLineFeeds(block.data() + counted, lineStart - counted);
    counted = lineStart;
    Record(block, lineStart, lineEnd, *hit);
    from = lineEnd + 1;
  }
  if (counted < block.size()) line_ += CountLineFeeds(block.data() + counted, block.size() - counted);
}

void TPatternSink::Record(std::string_view block, std::size_t lineStart, std::size_t lineEnd,
                          const FoundSpan& first) {
  const std::string_view line = block.substr(lineStart, lineEnd - lineStart);
  TextMatch m;
  m.partKind = kind_;
  m.part = part_;
  m.partName = partName_;
  m.line = line_;
  CutMatchLine(line, first.start - lineStart, first.end - lineStart, matcher_.Spans(line, kMaxSpansPerLine), m);
  matches_.push_back(std::move(m));
}

std::optional<std::string> PatternProblem(const SearchCriteria& criteria) {
  if (criteria.containsText.empty()) return std::nullopt;
  try {
    const TPatternMatcher check(SetupFor(criteria));
  } catch (const std::invalid_argument& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

const std::vector<TextMatch>* MatchesOf(const TMatchSink& sink) {
  const auto* own = dynamic_cast<const TPatternSink*>(&sink);
  return own ? &own->Matches() : nullptr;
}

}  // namespace tessaly::engine
