// TPDFStream: dictionary and raw data, /Length upkeep, decoding, text form.
#include "pdf/PDFStream.h"

#include "pdf/PDFDecode.h"
#include "pdf/PDFDictionary.h"
#include "pdf/PDFNumeric.h"
#include "pdf/PDFStructure.h"

namespace tessaly::pdf {

TPDFStream::TPDFStream(TPDFStructure& owner) : TPDFObject(owner), dictionary_(owner.NewDictionary()) {
  Hold(dictionary_);
}

void TPDFStream::SetDictionary(TPDFDictionary* dictionary) {
  if (!dictionary || dictionary == dictionary_) return;
  TPDFDictionary* old = dictionary_;
  dictionary_ = dictionary;
  Hold(dictionary_);
  Drop(old);
  if (old) old->Release();
}

void TPDFStream::SetStream(std::string data) {
  data_ = std::move(data);
  const double length = static_cast<double>(data_.size());
  if (auto* number = PDFAs<TPDFNumeric>(dictionary_->GetValue("Length", false)))
    number->SetValue(length);
  else
    dictionary_->SetValue("Length", Owner().NewNumeric(length));
}

std::string TPDFStream::DecodedStream() const {
  if (!dictionary_) return data_;
  return DecodeStreamData(data_, *dictionary_);
}

void TPDFStream::AppendText(std::string& out, int depth) const {
  if (depth >= kMaxNestingDepth) {
    out += "null";
    return;
  }
  if (dictionary_) dictionary_->AppendText(out, depth + 1);
  out += "stream\n";
  out += data_;
  out += "\nendstream";
}

bool TPDFStream::RefersTo(const TPDFObject* obj) const {
  // The dictionary itself counts as a member: freeing it under a live
  // stream would leave the stream pointing at freed memory.
  if (!obj || !dictionary_) return false;
  return obj == dictionary_ || dictionary_->RefersTo(obj);
}

void TPDFStream::DetachMembers(std::vector<TPDFObject*>& out) {
  if (dictionary_) out.push_back(dictionary_);
  Drop(dictionary_);
  dictionary_ = nullptr;
}

void TPDFStream::RenumberAt(std::int32_t delta, int depth) {
  if (depth >= kMaxNestingDepth || !dictionary_) return;
  dictionary_->RenumberAt(delta, depth + 1);
}

}  // namespace tessaly::pdf
