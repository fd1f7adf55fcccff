// TPDFString: a PDF string of any bytes, escapes already resolved.
//
// Text form with HexForm false: "(" + value + ")" with backspace, TAB, LF,
// FF, CR, "(", ")" and backslash written as \b \t \n \f \r \( \) \\ and all
// other bytes as they are. With HexForm true: "<" + two upper-case hex digits
// per byte + ">".
#pragma once

#include <string>

#include "pdf/PDFObject.h"

namespace tessaly::pdf {

class TPDFString : public TPDFObject {
 public:
  const std::string& Value() const { return value_; }
  void SetValue(std::string value) { value_ = std::move(value); }
  // True when the string came from (or is to be written as) hex text.
  bool HexForm() const { return hexForm_; }
  void SetHexForm(bool hexForm) { hexForm_ = hexForm; }
  void AppendText(std::string& out, int depth) const override;

 private:
  friend class TPDFStructure;
  TPDFString(TPDFStructure& owner, std::string value, bool hexForm)
      : TPDFObject(owner), value_(std::move(value)), hexForm_(hexForm) {}
  std::string value_;
  bool hexForm_ = false;
};

}  // namespace tessaly::pdf
