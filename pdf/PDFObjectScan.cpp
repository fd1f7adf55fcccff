// The object-header scan: "N G obj" with white space between the parts and
// before "obj", the kind of the object from the start of its dictionary, and
// the "trailer" keywords, over a sliding buffer that holds back the bytes a
// look needs on either side.
#include "pdf/PDFObjectScan.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tessaly::pdf {
namespace {

constexpr std::size_t kNpos = std::string::npos;
// Runs of white space between the parts of a header, and digits of a
// number, that are looked at; longer runs are no header.
constexpr std::size_t kMaxBlankRun = 32;
constexpr std::size_t kMaxDigits = 10;
// Bytes kept before the next unread byte (a header's number and
// generation), and held back after it (the kind window, "trailer").
constexpr std::size_t kLookBehind = 2 * (kMaxBlankRun + kMaxDigits) + 8;
constexpr std::size_t kLookAhead = TPDFObjectScan::kKindWindow + 16;

bool IsWhite(char c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }
bool IsDelimiter(char c) { return c != 0 && std::strchr("()<>[]{}/%", c) != nullptr; }
bool IsRegular(char c) { return !IsWhite(c) && !IsDelimiter(c); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A name token `name` (with its slash) in `text`, not followed by more of a
// longer name (so /XRef does not match /XRefStm).
bool HasName(std::string_view text, std::string_view name) {
  for (std::size_t p = text.find(name); p != kNpos; p = text.find(name, p + 1)) {
    const std::size_t end = p + name.size();
    if (end >= text.size() || !IsRegular(text[end])) return true;
  }
  return false;
}

}  // namespace

void TPDFObjectScan::Feed(std::string_view bytes) {
  if (full_) return;
  const std::int64_t room = kMaxScanBytes - fed_;
  if (static_cast<std::int64_t>(bytes.size()) >= room) {
    bytes = bytes.substr(0, static_cast<std::size_t>(room));
    full_ = true;
  }
  buffer_.append(bytes);
  fed_ += static_cast<std::int64_t>(bytes.size());
  Scan(false);
}

void TPDFObjectScan::Finish() { Scan(true); }

void TPDFObjectScan::Scan(bool final) {
  std::size_t limit = final ? buffer_.size() : (buffer_.size() > kLookAhead ? buffer_.size() - kLookAhead : 0);
  if (limit <= done_) return;
  for (std::size_t p = buffer_.find("obj", done_); p != kNpos && p < limit; p = buffer_.find("obj", p + 3)) {
    if (headers_.size() >= kMaxHeaders) {
      full_ = true;
      break;
    }
    LookAtObj(p);
  }
  for (std::size_t p = buffer_.find("trailer", done_); p != kNpos && p < limit; p = buffer_.find("trailer", p + 7))
    LookAtTrailer(p);
  done_ = limit;
  const std::size_t cut = done_ > kLookBehind ? done_ - kLookBehind : 0;
  buffer_.erase(0, cut);
  bufferStart_ += static_cast<std::int64_t>(cut);
  done_ -= cut;
}

void TPDFObjectScan::LookAtObj(std::size_t at) {
  const std::string_view b(buffer_);
  // "obj" ends a token, and white space stands before it ("endobj" is no
  // header).
  if (at + 3 < b.size() && IsRegular(b[at + 3])) return;
  auto skipBlanks = [&b](std::size_t& i) {
    std::size_t n = 0;
    while (i > 0 && IsWhite(b[i - 1]) && n < kMaxBlankRun) --i, ++n;
    return n > 0;
  };
  auto takeDigits = [&b](std::size_t& i, std::int64_t& value) {
    const std::size_t end = i;
    while (i > 0 && IsDigit(b[i - 1]) && end - i < kMaxDigits) --i;
    if (i == end || (i > 0 && IsDigit(b[i - 1]))) return false;
    value = 0;
    for (std::size_t k = i; k < end; ++k) value = value * 10 + (b[k] - '0');
    return value <= std::numeric_limits<std::int32_t>::max();
  };
  std::size_t i = at;
  std::int64_t generation = 0, number = 0;
  if (!skipBlanks(i) || !takeDigits(i, generation) || !skipBlanks(i) || !takeDigits(i, number)) return;
  // The number starts a token.
  if (i > 0 && IsRegular(b[i - 1])) return;
  if (i == 0 && bufferStart_ != 0) return;  // cannot happen with the overlap kept; be safe

  THeader h;
  h.offset = bufferStart_ + static_cast<std::int64_t>(i);
  h.number = static_cast<std::int32_t>(number);
  h.generation = static_cast<std::int32_t>(generation);
  std::size_t body = at + 3;
  while (body < b.size() && IsWhite(b[body])) ++body;
  if (b.substr(body, 2) == "<<") {
    std::string_view dict = b.substr(body, kKindWindow);
    for (std::string_view end : {"stream", "endobj"}) {
      const std::size_t stop = dict.find(end);
      if (stop != kNpos) dict = dict.substr(0, stop);
    }
    if (HasName(dict, "/XRef")) h.kind |= kXRefStream;
    if (HasName(dict, "/ObjStm")) h.kind |= kObjectStream;
    if (HasName(dict, "/Catalog")) h.kind |= kCatalog;
    const bool infoKey = HasName(dict, "/Producer") || HasName(dict, "/Creator") || HasName(dict, "/Author") ||
                         HasName(dict, "/Title") || HasName(dict, "/CreationDate");
    if (infoKey && !HasName(dict, "/Type") && !HasName(dict, "/Subtype") && !HasName(dict, "/Parent"))
      h.kind |= kInfo;
  }
  headers_.push_back(h);
}

void TPDFObjectScan::LookAtTrailer(std::size_t at) {
  const std::string_view b(buffer_);
  if (at > 0 && IsRegular(b[at - 1])) return;
  if (at + 7 < b.size() && IsRegular(b[at + 7])) return;
  if (trailers_.size() >= kMaxTrailers) trailers_.erase(trailers_.begin());
  trailers_.push_back(bufferStart_ + static_cast<std::int64_t>(at) + 7);
}

std::vector<TPDFObjectScan::THeader> TPDFObjectScan::Newest() const {
  std::unordered_map<std::int32_t, std::size_t> last;
  last.reserve(headers_.size());
  for (std::size_t i = 0; i < headers_.size(); ++i) last[headers_[i].number] = i;
  std::vector<THeader> out;
  out.reserve(last.size());
  for (std::size_t i = 0; i < headers_.size(); ++i)
    if (last[headers_[i].number] == i) out.push_back(headers_[i]);
  return out;
}

}  // namespace tessaly::pdf
