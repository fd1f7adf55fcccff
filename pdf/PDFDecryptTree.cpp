// Decryption of an object tree: strings with the string method, stream data
// with the stream method.
#include "pdf/PDFDecryptTree.h"

#include <cstdint>

#include "pdf/PDFSecurity.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {
namespace {

void DecryptWalk(TPDFObject* obj, const TPDFObjectCipher& cipher, int depth) {
  if (obj == nullptr || depth > kMaxNestingDepth) return;
  if (auto* s = PDFAs<TPDFString>(obj)) {
    s->SetValue(cipher.String(s->Value()));
  } else if (auto* st = PDFAs<TPDFStream>(obj)) {
    st->SetStream(cipher.Stream(st->Stream()));
    DecryptWalk(st->Dictionary(), cipher, depth + 1);
  } else if (auto* d = PDFAs<TPDFDictionary>(obj)) {
    for (std::int32_t i = 0; i < d->Count(); ++i) DecryptWalk(d->ValueAt(i), cipher, depth + 1);
  } else if (auto* a = PDFAs<TPDFArray>(obj)) {
    for (std::int32_t i = 0; i < a->Count(); ++i) DecryptWalk(a->Items(i), cipher, depth + 1);
  }
}

}  // namespace

void DecryptObjectTree(TPDFObject* obj, const TPDFObjectCipher& cipher) { DecryptWalk(obj, cipher, 0); }

}  // namespace tessaly::pdf
