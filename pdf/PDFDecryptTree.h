// Decryption of one indirect object's strings and stream data, shared by the
// whole-file document and the direct-access link.
#pragma once

namespace tessaly::pdf {

class TPDFObject;
class TPDFObjectCipher;

// Decrypts in place every string and stream below `obj` with the object's
// cipher. Containers nested deeper than the parser's limit are left as they
// are.
void DecryptObjectTree(TPDFObject* obj, const TPDFObjectCipher& cipher);

}  // namespace tessaly::pdf
