// TPDFParser: the object parser; reads one PDF object from the start of a
// text into objects registered in a store.
//
// It never fails as a whole: a token it cannot read yields nothing and the
// enclosing dictionary or array ends there. Containers nested deeper than
// kMaxNestingDepth yield nothing. Dictionary entries are stored through
// SetValue, so a later duplicate key replaces the earlier entry. Once the
// store holds TPDFStructure::kMaxObjects objects no more are made.
#pragma once

#include <cstddef>
#include <string_view>

#include "pdf/PDFLexer.h"

namespace tessaly::pdf {

class TPDFObject;
class TPDFStructure;

class TPDFParser {
 public:
  TPDFParser(TPDFStructure& store, std::string_view text) : store_(store), lexer_(text) {}

  // Skips space once and reads one object at the start of the text; nullptr
  // when the text is empty or holds no object there.
  TPDFObject* ParseObject();
  // Position just past what was read (0-based).
  std::size_t Pos() const { return lexer_.Pos(); }

 private:
  TPDFObject* ScanObject(int depth);
  TPDFObject* ScanDictionary(int depth);
  TPDFObject* ScanArray(int depth);
  TPDFObject* ScanNumberOrReference();
  bool StoreFull() const;

  TPDFStructure& store_;
  TPDFLexer lexer_;
  // Where an unbalanced literal string was met. Every enclosing container
  // ends there and its parent tries the same byte again; remembering the
  // failure keeps that from rescanning the rest of the text at each level.
  std::size_t failedLiteralAt_ = static_cast<std::size_t>(-1);
};

}  // namespace tessaly::pdf
