// TSmartPDFCrypt: the decryption state of one direct-access link.
//
// It runs the standard security handler's password tests and key derivation
// over values the link hands in (strength, revision, handler version, owner
// and user entries, permission word, first /ID string and whether the file is
// encrypted with the supported handler); it never reads the trailer and never
// makes up an identifier. Created as not encrypted, its tests pass exactly for
// the empty password.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/PDFSecurity.h"

namespace tessaly::pdf {

class TPDFObject;

class TSmartPDFCrypt {
 public:
  // Takes the parameters and at once tries the empty password.
  explicit TSmartPDFCrypt(TPDFSecurityParams params);

  // kNotEncrypted, kStandardEncrypted or kOtherEncrypted.
  int State() const { return handler_.State(); }
  const TPDFSecurityParams& Params() const { return handler_.Params(); }

  bool UserPasswordTest(std::string_view password) { return handler_.UserPasswordTest(password); }
  bool OwnerPasswordTest(std::string_view password) { return handler_.OwnerPasswordTest(password); }
  // Accepts the password when either test passes and then keeps its file key.
  bool TryPassword(std::string_view password) { return handler_.TryPassword(password); }

  const std::string& FileKey() const { return handler_.FileKey(); }
  std::int32_t Permissions() const { return handler_.Params().permissionWord; }
  // True when objects are to be decrypted: the supported handler and an
  // accepted password.
  bool CanDecrypt() const { return handler_.CanDecrypt(); }
  std::string ObjectKey(std::int32_t objNum, std::int32_t genNum) const {
    return handler_.ObjectKey(objNum, genNum);
  }

  // Decrypts in place, with the cipher of object (objNum, genNum), every string
  // reached from `obj` through dictionary values, array items and a stream's
  // dictionary, and a stream's raw data. Names, numbers and references are
  // left alone; objects reached only through references are not touched.
  // Does nothing unless CanDecrypt().
  void DecryptObject(TPDFObject* obj, std::int32_t objNum, std::int32_t genNum) const;

 private:
  TPDFSecurityHandler handler_;
};

}  // namespace tessaly::pdf
