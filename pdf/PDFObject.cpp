// The base class of PDF objects: text form entry point, release and the
// defaults of the virtual operations.
#include "pdf/PDFObject.h"

#include "pdf/PDFStructure.h"

namespace tessaly::pdf {

std::string TPDFObject::AsText() const {
  std::string text;
  AppendText(text, 0);
  return text;
}

void TPDFObject::Release() {
  // A work list rather than recursion: a released tree may be deep. An
  // object is only taken apart once the store has agreed to free it, so a
  // container that is still referred to elsewhere keeps its members. Each
  // test is a look at the object's holder count, so a tree of N objects is
  // freed in N steps.
  TPDFStructure& store = Owner();
  std::vector<TPDFObject*> work{this};
  while (!work.empty()) {
    TPDFObject* obj = work.back();
    work.pop_back();
    if (!store.Releasable(obj)) continue;
    obj->DetachMembers(work);
    store.ReleaseObject(obj);
  }
}

bool TPDFObject::RefersTo(const TPDFObject* /*obj*/) const { return false; }

void TPDFObject::MarkIndirect(std::int32_t objNum, std::int32_t genNum) {
  isIndirect_ = true;
  indObjNum_ = objNum;
  indGenNum_ = genNum;
}

void TPDFObject::DetachMembers(std::vector<TPDFObject*>& /*out*/) {}

void TPDFObject::RenumberAt(std::int32_t /*delta*/, int /*depth*/) {}

}  // namespace tessaly::pdf
