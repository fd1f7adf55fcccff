// TPDFParser: the recursive object scanner. Each Scan function reads one
// construct at the lexer's cursor, registers what it makes in the store and
// leaves the cursor just after it; when it yields nothing the cursor is
// where it was.
#include "pdf/PDFParser.h"

#include <cmath>

#include "pdf/PDFArray.h"
#include "pdf/PDFBoolean.h"
#include "pdf/PDFDictionary.h"
#include "pdf/PDFIndRef.h"
#include "pdf/PDFName.h"
#include "pdf/PDFNull.h"
#include "pdf/PDFNumberText.h"
#include "pdf/PDFNumeric.h"
#include "pdf/PDFString.h"
#include "pdf/PDFStructure.h"

namespace tessaly::pdf {
namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// The value of a number token: without a point a whole number (kept when it
// fits 64 bits: unsigned permission words and offsets past 2 GiB are real),
// with one the component's decimal conversion.
double TokenValue(const std::string& token, bool hasPoint) {
  if (hasPoint) return StrToReal(token);
  std::int64_t whole = 0;
  return TryStrToInt64(token, whole) ? static_cast<double>(whole) : 0.0;
}

// A reference number: truncated toward zero. A value outside 32 bits names
// no object and reads as 0, as such a token always has; keeping its low 32
// bits would turn "4294967297 0 R" into a reference to object 1.
std::int32_t RefNumber(double value) {
  if (!std::isfinite(value)) return 0;
  const double t = std::trunc(value);
  if (t > 2147483647.0 || t < -2147483648.0) return 0;
  return static_cast<std::int32_t>(t);
}

}  // namespace

TPDFObject* TPDFParser::ParseObject() {
  if (lexer_.Size() == 0) return nullptr;
  lexer_.SetPos(0);
  lexer_.SkipSpace();
  return ScanObject(0);
}

bool TPDFParser::StoreFull() const {
  return store_.ObjectCount() >= TPDFStructure::kMaxObjects - 4;
}

TPDFObject* TPDFParser::ScanObject(int depth) {
  if (lexer_.AtEnd() || StoreFull()) return nullptr;
  const std::size_t remaining = lexer_.Remaining();
  const unsigned char c = lexer_.Peek();

  if (c == '<' && lexer_.Peek(1) == '<' && remaining >= 5) return ScanDictionary(depth);
  if (c == '[' && remaining >= 3) return ScanArray(depth);
  if (lexer_.ReadKeyword("true")) return store_.NewBoolean(true);
  if (lexer_.ReadKeyword("false")) return store_.NewBoolean(false);
  if (lexer_.ReadKeyword("null")) return store_.NewNull();
  if (c == '-' || c == '.' || IsDigit(c)) return ScanNumberOrReference();

  std::string value;
  if (c == '(') {
    if (lexer_.Pos() == failedLiteralAt_) return nullptr;
    if (lexer_.ReadLiteralString(value)) return store_.NewString(std::move(value), false);
    failedLiteralAt_ = lexer_.Pos();
    return nullptr;
  }
  if (c == '<' && remaining >= 3) {
    lexer_.ReadHexString(value);
    return store_.NewString(std::move(value), true);
  }
  if (c == '/') {
    lexer_.ReadName(value);
    return store_.NewName(std::move(value));
  }
  // ")", ">", "]", braces, "+", letters and keywords such as obj, R or
  // stream start no object.
  return nullptr;
}

TPDFObject* TPDFParser::ScanDictionary(int depth) {
  // Deeper nesting is not followed, so no input exhausts the stack; the
  // enclosing container ends at this point.
  if (depth >= kMaxNestingDepth) return nullptr;
  lexer_.Advance(2);
  TPDFDictionary* dict = store_.NewDictionary();
  for (;;) {
    lexer_.SkipSpace();
    TPDFObject* key = ScanObject(depth + 1);
    lexer_.SkipSpace();
    TPDFObject* value = ScanObject(depth + 1);
    auto* name = PDFAs<TPDFName>(key);
    if (!name || !value) break;
    // A later duplicate key replaces the earlier entry.
    dict->SetValue(name, value);
  }
  if (lexer_.Pos() + 1 < lexer_.Size() && lexer_.Peek() == '>' && lexer_.Peek(1) == '>')
    lexer_.Advance(2);
  return dict;
}

TPDFObject* TPDFParser::ScanArray(int depth) {
  if (depth >= kMaxNestingDepth) return nullptr;
  lexer_.Advance(1);
  TPDFArray* array = store_.NewArray();
  for (;;) {
    lexer_.SkipSpace();
    TPDFObject* item = ScanObject(depth + 1);
    if (!item) break;
    array->Add(item);
  }
  if (!lexer_.AtEnd() && lexer_.Peek() == ']') lexer_.Advance(1);
  return array;
}

TPDFObject* TPDFParser::ScanNumberOrReference() {
  std::string token;
  bool hasPoint = false;
  if (!lexer_.ReadNumberToken(token, hasPoint)) return nullptr;
  const double first = TokenValue(token, hasPoint);
  if (!hasPoint) {
    // "12 0 R": two numbers and an R make a reference; anything else leaves
    // the cursor after the first number.
    const std::size_t mark = lexer_.Pos();
    lexer_.SkipSpace();
    if (!lexer_.AtEnd() && IsDigit(lexer_.Peek())) {
      std::string second;
      bool secondPoint = false;
      lexer_.ReadNumberToken(second, secondPoint);
      const double gen = TokenValue(second, secondPoint);
      lexer_.SkipSpace();
      if (lexer_.Peek() == 'R') {
        lexer_.Advance(1);
        return store_.NewIndRef(RefNumber(first), RefNumber(gen));
      }
    }
    lexer_.SetPos(mark);
  }
  return store_.NewNumeric(first);
}

}  // namespace tessaly::pdf
