// The document-information dictionary and the reading of one of its text
// fields, with the decryption of the information object of encrypted files.
#include "pdf/PDFDocument.h"
#include "pdf/PDFTextString.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {

TPDFDictionary* TPDFDocument::InfoDictionary() {
  if (auto* ref = PDFAs<TPDFIndRef>(trailer_->GetValue("Info"))) {
    TPDFIndObj* entry = FindIndObj(ref->ObjNum(), ref->GenNum());
    return entry != nullptr ? PDFAs<TPDFDictionary>(entry->LoadObject()) : nullptr;
  }
  // A direct or missing /Info is replaced by a new, empty information object.
  TPDFDictionary* info = structure_.NewDictionary();
  TPDFIndObj& entry = AddIndirectObject(info);
  trailer_->SetValue("Info", structure_.NewIndRef(entry.ObjNum, entry.GenNum));
  return info;
}

std::string TPDFDocument::ReadInfoField(std::string_view key) {
  const int state = Encrypted();
  bool infoFound = false;
  if (state == kStandardEncrypted && AcceptedPassword().has_value()) {
    if (PDFAs<TPDFIndRef>(trailer_->GetValue("Info")) == nullptr) InfoDictionary();
    if (auto* ref = PDFAs<TPDFIndRef>(trailer_->GetValue("Info"))) {
      if (TPDFIndObj* entry = FindIndObj(ref->ObjNum(), ref->GenNum())) {
        DecryptObject(*entry);
        infoFound = true;
      }
    }
  }
  if (state != kNotEncrypted && !infoFound) return {};
  TPDFDictionary* info = InfoDictionary();
  if (info == nullptr) return {};
  TPDFObject* value = info->GetValue(key, false);
  if (auto* ref = PDFAs<TPDFIndRef>(value)) {
    TPDFIndObj* entry = FindIndObj(ref->ObjNum(), ref->GenNum());
    // A value kept in an object of its own was encrypted with that object's
    // key, like every string of an encrypted file.
    if (entry != nullptr && state == kStandardEncrypted) DecryptObject(*entry);
    value = entry != nullptr ? entry->LoadObject() : nullptr;
  }
  if (const auto* s = PDFAs<TPDFString>(value)) return DecodeTextString(s->Value());
  if (const auto* st = PDFAs<TPDFStream>(value)) return DecodeTextString(st->DecodedStream());
  return {};
}

}  // namespace tessaly::pdf
