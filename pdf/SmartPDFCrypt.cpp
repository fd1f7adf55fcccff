// TSmartPDFCrypt: password tests and the decryption walk of a direct-access
// link, over the standard security handler's algorithms.
#include "pdf/SmartPDFCrypt.h"

#include <utility>

#include "pdf/PDFDecryptTree.h"
#include "pdf/uPDFStructure.h"

namespace tessaly::pdf {

TSmartPDFCrypt::TSmartPDFCrypt(TPDFSecurityParams params) : handler_(std::move(params)) {
  handler_.TryPassword("");
}

void TSmartPDFCrypt::DecryptObject(TPDFObject* obj, std::int32_t objNum,
                                   std::int32_t genNum) const {
  if (!CanDecrypt()) return;
  DecryptObjectTree(obj, handler_.ObjectCipher(objNum, genNum));
}

}  // namespace tessaly::pdf
