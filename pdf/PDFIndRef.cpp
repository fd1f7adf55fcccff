// TPDFIndRef: resolution through the store's handler, renumbering, text form.
#include "pdf/PDFIndRef.h"

#include <charconv>

#include "pdf/PDFStructure.h"

namespace tessaly::pdf {

TPDFObject* TPDFIndRef::Resolve() {
  TPDFStructure& store = Owner();
  if (!store.OnIndObjLookup) return nullptr;
  TPDFObject* obj = nullptr;
  store.OnIndObjLookup(this, objNum_, genNum_, obj);
  return obj;
}

void TPDFIndRef::AppendText(std::string& out, int /*depth*/) const {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, objNum_);
  out.append(buf, res.ptr);
  out += ' ';
  res = std::to_chars(buf, buf + sizeof buf, genNum_);
  out.append(buf, res.ptr);
  out += " R";
}

void TPDFIndRef::RenumberAt(std::int32_t delta, int /*depth*/) {
  // Wraps instead of overflowing (signed overflow would be undefined).
  objNum_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(objNum_) +
                                      static_cast<std::uint32_t>(delta));
}

}  // namespace tessaly::pdf
