// The literal matcher: the text scanner's search over streamed text.
#include "engine/TextMatcher.h"

#include "engine/SearchCriteria.h"
#include "engine/TextScanner.h"

namespace tessaly::engine {
namespace {

class TLiteralSink : public TMatchSink {
 public:
  TLiteralSink(const std::string& text, bool caseSensitive) : scanner_(text, caseSensitive) {}
  bool Append(std::string_view text) override { return scanner_.Feed(text); }
  bool Finish() override { return scanner_.Finish(); }
  bool Matched() const override { return scanner_.Found(); }

 private:
  TStreamScanner scanner_;
};

class TLiteralMatcher : public TTextMatcher {
 public:
  TLiteralMatcher(std::string text, bool caseSensitive) : text_(std::move(text)), caseSensitive_(caseSensitive) {}
  std::unique_ptr<TMatchSink> NewSink() const override {
    return std::make_unique<TLiteralSink>(text_, caseSensitive_);
  }
  bool MatchesField(std::string_view text) const override {
    TLiteralSink sink(text_, caseSensitive_);
    sink.Append(text);
    return sink.Finish();
  }

 private:
  std::string text_;
  bool caseSensitive_;
};

}  // namespace

std::shared_ptr<const TTextMatcher> MatcherFor(const SearchCriteria& criteria) {
  return std::make_shared<TLiteralMatcher>(criteria.containsText, criteria.caseSensitive);
}

}  // namespace tessaly::engine
