// TPDFBoolean: the PDF boolean object. Writes "true" or "false".
#pragma once

#include "pdf/PDFObject.h"

namespace tessaly::pdf {

class TPDFBoolean : public TPDFObject {
 public:
  bool Value() const { return value_; }
  void SetValue(bool value) { value_ = value; }
  void AppendText(std::string& out, int depth) const override;

 private:
  friend class TPDFStructure;
  TPDFBoolean(TPDFStructure& owner, bool value) : TPDFObject(owner), value_(value) {}
  bool value_ = false;
};

}  // namespace tessaly::pdf
