// RC4 decryption of an object tree.
#include "pdf/PDFDecryptTree.h"

#include <cstdint>

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

void DecryptObjectTree(TPDFObject* obj, const std::string& key) { DecryptWalk(obj, key, 0); }

}  // namespace tessaly::pdf
