// TSmartPDFCrypt: password tests and the decryption walk of a direct-access
// link, over the standard security handler's algorithms.
#include "pdf/SmartPDFCrypt.h"

#include <utility>

#include "pdf/PDFRC4.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {

namespace {

void DecryptWalk(TPDFObject* obj, const std::string& key, int depth) {
  if (obj == nullptr || depth > kMaxNestingDepth) return;
  if (auto* s = PDFAs<TPDFString>(obj)) {
    s->SetValue(RC4Crypt(key, s->Value()));
  } else if (auto* st = PDFAs<TPDFStream>(obj)) {
    st->SetStream(RC4Crypt(key, st->Stream()));
    DecryptWalk(st->Dictionary(), key, depth + 1);
  } else if (auto* d = PDFAs<TPDFDictionary>(obj)) {
    for (std::int32_t i = 0; i < d->Count(); ++i) DecryptWalk(d->ValueAt(i), key, depth + 1);
  } else if (auto* a = PDFAs<TPDFArray>(obj)) {
    for (std::int32_t i = 0; i < a->Count(); ++i) DecryptWalk(a->Items(i), key, depth + 1);
  }
}

}  // namespace

TSmartPDFCrypt::TSmartPDFCrypt(TPDFSecurityParams params) : handler_(std::move(params)) {
  handler_.TryPassword("");
}

void TSmartPDFCrypt::DecryptObject(TPDFObject* obj, std::int32_t objNum,
                                   std::int32_t genNum) const {
  if (!CanDecrypt()) return;
  DecryptWalk(obj, ObjectKey(objNum, genNum), 0);
}

}  // namespace tessaly::pdf
