// TPDFIndRef: a reference to an indirect object ("12 0 R").
//
// Resolve asks the owning store's OnIndObjLookup (the document answers it)
// and returns its answer; without a handler the result is nullptr.
// Text form: ObjNum, a space, GenNum, " R".
#pragma once

#include <cstdint>

#include "pdf/PDFObject.h"

namespace tessaly::pdf {

class TPDFIndRef : public TPDFObject {
 public:
  std::int32_t ObjNum() const { return objNum_; }
  std::int32_t GenNum() const { return genNum_; }
  void SetObjNum(std::int32_t objNum) { objNum_ = objNum; }
  void SetGenNum(std::int32_t genNum) { genNum_ = genNum; }
  // The referenced object, or nullptr when the store's handler is unset or
  // gives nothing.
  TPDFObject* Resolve();
  void AppendText(std::string& out, int depth) const override;
  void RenumberAt(std::int32_t delta, int depth) override;

 private:
  friend class TPDFStructure;
  TPDFIndRef(TPDFStructure& owner, std::int32_t objNum, std::int32_t genNum)
      : TPDFObject(owner), objNum_(objNum), genNum_(genNum) {}
  std::int32_t objNum_ = 0;
  std::int32_t genNum_ = 0;
};

}  // namespace tessaly::pdf
