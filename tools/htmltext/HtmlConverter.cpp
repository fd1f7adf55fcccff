// The HTML-to-text conversion: tag classification and the character loop.
#include "tools/htmltext/HtmlConverter.h"

#include <cstring>
#include <new>

namespace tessaly::htmltext {

namespace {

constexpr char kLineEnd = '\n';

bool IsTagSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// Case-blind comparison of a tag name with an upper-case table entry.
bool SameName(std::string_view name, std::string_view upperEntry) {
  if (name.size() != upperEntry.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upperEntry[i]) return false;
  }
  return true;
}

}  // namespace

TTagEffect ClassifyTag(std::string_view tag) {
  // The name runs from just after `<` or `</` up to white space, `/`, `>` or
  // the end of the text; attributes and a closing `/` after it do not count.
  // A name with anything but its letters (`<brx>`, `<br2>`, `< br>`) is
  // another tag.
  if (tag.empty() || tag[0] != '<') return TTagEffect::Other;
  std::size_t at = 1;
  const bool closing = at < tag.size() && tag[at] == '/';
  if (closing) ++at;
  const std::size_t nameStart = at;
  while (at < tag.size() && !IsTagSpace(tag[at]) && tag[at] != '/' && tag[at] != '>') ++at;
  const std::string_view name = tag.substr(nameStart, at - nameStart);

  if (closing) {
    if (SameName(name, "TH") || SameName(name, "TD")) return TTagEffect::Tab;
    if (SameName(name, "PRE")) return TTagEffect::PreOff;
  } else {
    if (SameName(name, "TR") || SameName(name, "BR")) return TTagEffect::LineEnd;
    if (SameName(name, "PRE")) return TTagEffect::PreOn;
  }
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
  if (c == kLineEnd && insidePre_) {
    // Inside PRE a line end is written, even in the middle of a tag, where
    // it also ends the tag's name like any white space.
    out += kLineEnd;
    if (insideTag_) AppendToTag(' ');
    return;
  }
  // Outside PRE a line end is white space like a space: between words it
  // keeps them apart, and it collapses with the spaces around it. A CR that
  // came alone is not a line end and is written as it is.
  if (c == kLineEnd) c = ' ';
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
