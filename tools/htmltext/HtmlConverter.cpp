// The HTML-to-text conversion: tag classification and the character loop.
#include "tools/htmltext/HtmlConverter.h"

#include <cstring>
#include <new>

namespace tessaly::htmltext {

namespace {

constexpr char kLineEnd = '\n';

// HTML ends a tag name at a blank, at `/` and at `>`. A line end inside a tag
// is kept in the tag text as a blank, so it ends the name too.
bool EndsTagName(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '/' || c == '>';
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool NameIs(std::string_view name, std::string_view lowerWanted) {
  if (name.size() != lowerWanted.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (AsciiLower(name[i]) != lowerWanted[i]) return false;
  return true;
}

}  // namespace

TTagEffect ClassifyTag(std::string_view tag) {
  std::size_t i = 0;
  if (i < tag.size() && tag[i] == '<') ++i;
  const bool closing = i < tag.size() && tag[i] == '/';
  if (closing) ++i;
  std::size_t end = i;
  while (end < tag.size() && !EndsTagName(tag[end])) ++end;
  const std::string_view name = tag.substr(i, end - i);

  // The table, first match wins.
  if (!closing && NameIs(name, "tr")) return TTagEffect::LineEnd;
  if (closing && NameIs(name, "th")) return TTagEffect::Tab;
  if (closing && NameIs(name, "td")) return TTagEffect::Tab;
  if (!closing && NameIs(name, "br")) return TTagEffect::LineEnd;
  if (!closing && NameIs(name, "pre")) return TTagEffect::PreOn;
  if (closing && NameIs(name, "pre")) return TTagEffect::PreOff;
  return TTagEffect::Other;
}

THtmlConverter::THtmlConverter() {
  tagBuffer_.reset(new (std::nothrow) char[kTagBufferStart]);
  if (!tagBuffer_) throw THtmlTextError("If you won't even give me this little memory I can't work");
  tagBufferSize_ = kTagBufferStart;
}

void THtmlConverter::Convert(std::string_view text, std::string& out) {
  for (char c : text) Put(c, out);
}

void THtmlConverter::Put(char c, std::string& out) {
  if (c == kLineEnd) {
    // Inside PRE a line end is written, even in the middle of a tag. Outside
    // PRE it separates words like a space does (dropping it would join the
    // last word of a line to the first of the next).
    if (insidePre_) out += kLineEnd;
    if (insideTag_)
      AppendToTag(' ');
    else if (!insidePre_)
      WriteCollapsedSpace(out);
    return;
  }
  if (c == '<') {
    // A `<` inside a tag starts the tag afresh.
    tagBuffer_[0] = '<';
    tagLength_ = 1;
    insideTag_ = true;
    return;
  }
  if (c == '>' && insideTag_) {
    AppendToTag('>');
    insideTag_ = false;
    ApplyTag(out);
    return;
  }
  if (insideTag_) {
    AppendToTag(c);
    return;
  }
  // Text, including a `>` that closes no tag.
  if (c == ' ' && !insidePre_) {
    WriteCollapsedSpace(out);
  } else {
    out += c;
    lastWasSpace_ = false;
  }
}

void THtmlConverter::AppendToTag(char c) {
  // Keep room for the closing `>` and a terminating byte.
  if (tagLength_ > tagBufferSize_ - 3) {
    if (tagBufferSize_ + kTagBufferStep > kTagBufferLimit) return;  // over the cap: dropped
    std::unique_ptr<char[]> bigger(new (std::nothrow) char[tagBufferSize_ + kTagBufferStep]);
    if (!bigger) throw THtmlTextError("realloc failed");
    std::memcpy(bigger.get(), tagBuffer_.get(), tagLength_);
    tagBuffer_ = std::move(bigger);
    tagBufferSize_ += kTagBufferStep;
  }
  tagBuffer_[tagLength_++] = c;
}

void THtmlConverter::ApplyTag(std::string& out) {
  switch (ClassifyTag(std::string_view(tagBuffer_.get(), tagLength_))) {
    case TTagEffect::LineEnd:
      out += kLineEnd;
      lastWasSpace_ = false;
      break;
    case TTagEffect::Tab:
      out += '\t';
      lastWasSpace_ = false;
      break;
    case TTagEffect::PreOn:
      insidePre_ = true;
      break;
    case TTagEffect::PreOff:
      insidePre_ = false;
      break;
    case TTagEffect::Other:
      WriteCollapsedSpace(out);
      break;
  }
}

void THtmlConverter::WriteCollapsedSpace(std::string& out) {
  if (!lastWasSpace_) out += ' ';
  lastWasSpace_ = true;
}

}  // namespace tessaly::htmltext
