// TPDFNull: the PDF null object. Writes "null".
#pragma once

#include "pdf/PDFObject.h"

namespace tessaly::pdf {

class TPDFNull : public TPDFObject {
 public:
  void AppendText(std::string& out, int depth) const override;

 private:
  friend class TPDFStructure;
  explicit TPDFNull(TPDFStructure& owner) : TPDFObject(owner) {}
};

}  // namespace tessaly::pdf
