// TPDFArray: a PDF array; an ordered list of object pointers with spare
// capacity at its end. Items are referred to, not owned (the store owns them).
//
// Text form: "[ ", each item's text followed by a space unless the text so
// far ends with a line feed, a line feed after an item once the text has
// grown by more than 80 characters since its start or the last such line
// feed, then "]". An array of 1 and 2 writes "[ 1 2 ]".
#pragma once

#include <cstdint>
#include <vector>

#include "pdf/PDFObject.h"

namespace tessaly::pdf {

class TPDFArray : public TPDFObject {
 public:
  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
  // Item i, or nullptr when i is outside 0..Count-1.
  TPDFObject* Items(std::int32_t i) const;
  // Appends obj (a null pointer is ignored).
  void Add(TPDFObject* obj);

  void AppendText(std::string& out, int depth) const override;
  bool RefersTo(const TPDFObject* obj) const override;
  void DetachMembers(std::vector<TPDFObject*>& out) override;
  void RenumberAt(std::int32_t delta, int depth) override;

 private:
  friend class TPDFStructure;
  explicit TPDFArray(TPDFStructure& owner) : TPDFObject(owner) {}
  std::vector<TPDFObject*> items_;
};

}  // namespace tessaly::pdf
