// RC4 decryption of one indirect object's strings and stream data, shared by
// the whole-file document and the direct-access link.
#pragma once

#include <string>

namespace tessaly::pdf {

class TPDFObject;

// Decrypts in place every string and stream below `obj` with the object's
// key. Containers nested deeper than the parser's limit are left as they are.
void DecryptObjectTree(TPDFObject* obj, const std::string& key);

}  // namespace tessaly::pdf
