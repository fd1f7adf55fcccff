// TPDFArray: item access, membership, renumbering and text form.
#include "pdf/PDFArray.h"

#include <algorithm>

namespace tessaly::pdf {

TPDFObject* TPDFArray::Items(std::int32_t i) const {
  if (i < 0 || i >= Count()) return nullptr;
  return items_[static_cast<std::size_t>(i)];
}

void TPDFArray::Add(TPDFObject* obj) {
  if (!obj) return;
  items_.push_back(obj);
  Hold(obj);
}

void TPDFArray::AppendText(std::string& out, int depth) const {
  if (depth >= kMaxNestingDepth) {
    out += "null";
    return;
  }
  // Long arrays are broken into lines of a little over 80 characters.
  std::size_t lineStart = out.size();
  out += "[ ";
  for (const TPDFObject* item : items_) {
    item->AppendText(out, depth + 1);
    if (out.back() != '\n') out += ' ';
    if (out.size() - lineStart > 80) {
      out += '\n';
      lineStart = out.size();
    }
  }
  out += ']';
}

bool TPDFArray::RefersTo(const TPDFObject* obj) const {
  return obj && std::find(items_.begin(), items_.end(), obj) != items_.end();
}

void TPDFArray::DetachMembers(std::vector<TPDFObject*>& out) {
  for (TPDFObject* item : items_) Drop(item);
  out.insert(out.end(), items_.begin(), items_.end());
  items_.clear();
}

void TPDFArray::RenumberAt(std::int32_t delta, int depth) {
  if (depth >= kMaxNestingDepth) return;
  for (TPDFObject* item : items_) item->RenumberAt(delta, depth + 1);
}

}  // namespace tessaly::pdf
