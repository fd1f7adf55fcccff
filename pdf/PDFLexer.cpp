// TPDFLexer: character classes, space and comment skipping, and the token
// readers for keywords, numbers, literal and hex strings and names.
#include "pdf/PDFLexer.h"

namespace tessaly::pdf {
namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool IsPDFWhiteSpace(unsigned char c) {
  return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32;
}

bool IsPDFDelimiter(unsigned char c) {
  switch (c) {
    case '(': case ')': case '<': case '>': case '[': case ']':
    case '{': case '}': case '/': case '%':
      return true;
    default:
      return false;
  }
}

unsigned char TPDFLexer::Peek(std::size_t offset) const {
  const std::size_t at = pos_ + offset;
  return at < text_.size() ? static_cast<unsigned char>(text_[at]) : 0;
}

void TPDFLexer::SkipSpace() {
  // "Before the last byte": the last byte of the text is never skipped as
  // white space, so the scanner can still look at it.
  const std::size_t last = text_.empty() ? 0 : text_.size() - 1;
  for (;;) {
    while (pos_ < last && IsPDFWhiteSpace(Peek())) ++pos_;
    if (pos_ >= last || Peek() != '%') return;
    // A comment counts as white space: it runs to its line end, which is
    // skipped with it (CR LF as one), and any white space or further
    // comments after it go too. Writers put comments inside dictionaries
    // and follow them with indented or blank lines.
    while (pos_ < last && Peek() != '\r' && Peek() != '\n') ++pos_;
    if (Peek() == '\r' && Peek(1) == '\n')
      pos_ += 2;
    else
      pos_ += 1;
  }
}

bool TPDFLexer::ReadKeyword(std::string_view word) {
  const std::size_t n = word.size();
  const std::size_t remaining = Remaining();
  if (remaining < n || text_.substr(pos_, n) != word) return false;
  if (remaining > n) {
    const unsigned char after = Peek(n);
    if (!IsPDFWhiteSpace(after) && !IsPDFDelimiter(after)) return false;
  }
  pos_ += n;
  return true;
}

bool TPDFLexer::ReadNumberToken(std::string& token, bool& hasPoint) {
  const unsigned char first = Peek();
  if (AtEnd() || !(first == '-' || first == '.' || IsDigit(first))) return false;
  const std::size_t start = pos_;
  hasPoint = first == '.';
  ++pos_;
  while (!AtEnd()) {
    const unsigned char c = Peek();
    if (IsDigit(c)) {
      ++pos_;
    } else if (c == '.' && !hasPoint) {
      hasPoint = true;
      ++pos_;
    } else {
      break;
    }
  }
  token.assign(text_.substr(start, pos_ - start));
  if (token.front() == '.') token.insert(token.begin(), '0');
  if (token.back() == '.') token += '0';
  return true;
}

bool TPDFLexer::ReadLiteralString(std::string& value) {
  if (Peek() != '(' || AtEnd()) return false;
  const std::size_t n = text_.size();
  std::size_t i = pos_ + 1;
  int depth = 1;
  while (i < n) {
    const char c = text_[i];
    if (c == '\\' && i + 2 < n && (text_[i + 1] == '(' || text_[i + 1] == ')' || text_[i + 1] == '\\')) {
      // The escaped byte is not the last byte of the text: both are skipped.
      i += 2;
      continue;
    }
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth == 0) break;
    }
    ++i;
  }
  if (depth != 0) return false;
  value = UnescapeLiteral(text_.substr(pos_ + 1, i - pos_ - 1));
  pos_ = i + 1;
  return true;
}

std::string UnescapeLiteral(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  const std::size_t n = raw.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char c = raw[i];
    if (c == '\r') {
      // An unescaped CR or CR LF is one line feed.
      out += '\n';
      if (i + 1 < n && raw[i + 1] == '\n') ++i;
      continue;
    }
    if (c != '\\' || i + 1 >= n) {
      out += c;
      continue;
    }
    const char e = raw[i + 1];
    if (IsDigit(static_cast<unsigned char>(e))) {
      // Up to three digits; 8 and 9 count with their face value.
      unsigned value = 0;
      std::size_t j = i + 1;
      while (j < n && j < i + 4 && IsDigit(static_cast<unsigned char>(raw[j]))) {
        value = value * 8 + static_cast<unsigned>(raw[j] - '0');
        ++j;
      }
      out += static_cast<char>(value & 0xFF);
      i = j - 1;
      continue;
    }
    switch (e) {
      case 'n': out += '\n'; ++i; break;
      case 'r': out += '\r'; ++i; break;
      case 't': out += '\t'; ++i; break;
      case 'b': out += '\b'; ++i; break;
      case 'f': out += '\f'; ++i; break;
      case '(': case ')': case '\\': out += e; ++i; break;
      case '\n': ++i; break;  // a line continuation
      case '\r':
        ++i;
        if (i + 1 < n && raw[i + 1] == '\n') ++i;
        break;
      default:
        out += c;  // an unknown escape keeps its backslash
        break;
    }
  }
  return out;
}

bool TPDFLexer::ReadHexString(std::string& value) {
  if (Peek() != '<' || AtEnd()) return false;
  const std::size_t n = text_.size();
  std::size_t end = text_.find('>', pos_ + 1);
  std::size_t next;
  if (end == std::string_view::npos) {
    // No closing ">": the content stops before the text's last byte.
    end = n - 1 > pos_ ? n - 1 : pos_ + 1;
    next = n;
  } else {
    next = end + 1;
  }
  value.clear();
  int high = -1;
  for (std::size_t i = pos_ + 1; i < end; ++i) {
    const int v = HexValue(static_cast<unsigned char>(text_[i]));
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      value += static_cast<char>(high * 16 + v);
      high = -1;
    }
  }
  if (high >= 0) value += static_cast<char>(high * 16);
  pos_ = next;
  return true;
}

bool TPDFLexer::ReadName(std::string& value) {
  if (Peek() != '/' || AtEnd()) return false;
  const std::size_t n = text_.size();
  std::size_t i = pos_ + 1;
  while (i < n && !IsPDFWhiteSpace(static_cast<unsigned char>(text_[i])) &&
         !IsPDFDelimiter(static_cast<unsigned char>(text_[i])))
    ++i;
  const std::string_view raw = text_.substr(pos_ + 1, i - pos_ - 1);
  value.clear();
  value.reserve(raw.size());
  for (std::size_t k = 0; k < raw.size(); ++k) {
    if (raw[k] == '#') {
      const int hi = k + 1 < raw.size() ? HexValue(static_cast<unsigned char>(raw[k + 1])) : -1;
      const int lo = k + 2 < raw.size() ? HexValue(static_cast<unsigned char>(raw[k + 2])) : -1;
      if (hi >= 0 && lo >= 0) {
        value += static_cast<char>(hi * 16 + lo);
        k += 2;
        continue;
      }
    }
    value += raw[k];
  }
  pos_ = i;
  return true;
}

}  // namespace tessaly::pdf
