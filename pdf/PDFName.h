// TPDFName: a PDF name; the value has no leading slash and "#xx" escapes are
// resolved. A name's value is fixed when it is made.
//
// Shared names (made or marked by TPDFStructure::SharedName) may sit in
// several dictionaries and are never freed before their store is cleared.
//
// Text form: "/" + value, where each byte 0-32, 127-255 and each of
// # % ( ) / < > [ ] { } is written as "#" and two upper-case hex digits.
#pragma once

#include <string>

#include "pdf/PDFObject.h"

namespace tessaly::pdf {

class TPDFName : public TPDFObject {
 public:
  const std::string& Value() const { return value_; }
  bool Shared() const { return shared_; }
  void AppendText(std::string& out, int depth) const override;

 private:
  friend class TPDFStructure;
  TPDFName(TPDFStructure& owner, std::string value)
      : TPDFObject(owner), value_(std::move(value)) {}
  std::string value_;
  bool shared_ = false;
};

}  // namespace tessaly::pdf
