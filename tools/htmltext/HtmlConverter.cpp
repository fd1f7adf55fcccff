// The HTML-to-text conversion: tag classification and the character loop.
#include "tools/htmltext/HtmlConverter.h"

#include <cstring>
#include <new>

namespace tessaly::htmltext {

namespace {

constexpr char kLineEnd = '\n';

// Case-blind comparison of a whole tag text with a table entry.
bool SameTag(std::string_view tag, std::string_view upperEntry) {
  if (tag.size() != upperEntry.size()) return false;
  for (std::size_t i = 0; i < tag.size(); ++i) {
    char c = tag[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upperEntry[i]) return false;
  }
  return true;
}

}  // namespace

TTagEffect ClassifyTag(std::string_view tag) {
  // Only these exact texts count: a tag with attributes or other spacing
  // (`<TR class=x>`, `<br/>`) is an unrecognised tag. The first equal entry wins.
  if (SameTag(tag, "<TR>")) return TTagEffect::LineEnd;
  if (SameTag(tag, "</TH>")) return TTagEffect::Tab;
  if (SameTag(tag, "</TD>")) return TTagEffect::Tab;
  if (SameTag(tag, "<BR>")) return TTagEffect::LineEnd;
  if (SameTag(tag, "<PRE>")) return TTagEffect::PreOn;
  if (SameTag(tag, "</PRE>")) return TTagEffect::PreOff;
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
    // Inside PRE a line end is written, even in the middle of a tag;
    // outside PRE it is dropped. It never becomes part of a tag's text.
    if (insidePre_) out += kLineEnd;
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
