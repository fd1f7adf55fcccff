// TSmartPDFInfo: the encryption facts of a file opened for direct access and
// the decision on its password.
//
// At creation it reads the encryption dictionary through the reader's
// trailers, decides the encryption state (0 none, 1 /Encrypt with a non-zero
// /V, 2 /Encrypt whose /V is missing, zero or not a number), accepts the key
// parameters only for a supported standard handler (ReadStandardSecurity),
// takes the first /ID string and makes the link's TSmartPDFCrypt from them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/SmartPDFCrypt.h"

namespace tessaly::pdf {

class TPDFDictionary;
class TSmartPDFReader;

class TSmartPDFInfo {
 public:
  // Reads the encryption facts through `reader` (not owned) and hands the
  // reader the decryption state. Fetch errors of the reader's store reach
  // the caller.
  explicit TSmartPDFInfo(TSmartPDFReader& reader);
  ~TSmartPDFInfo();
  TSmartPDFInfo(const TSmartPDFInfo&) = delete;
  TSmartPDFInfo& operator=(const TSmartPDFInfo&) = delete;

  const std::string& Version() const { return version_; }
  // The encryption dictionary, or nullptr.
  TPDFDictionary* EncryptDictionary() const { return encrypt_; }
  // kNotEncrypted, kStandardEncrypted or kOtherEncrypted.
  int EncryptionState() const { return crypt_->State(); }
  // True when the key parameters are those of the supported handler.
  bool ParametersAccepted() const { return accepted_; }
  // Key length in bits (40, the /Length value, 128 for /V 4, 256 for /V 5,
  // or 0 when not accepted).
  std::int32_t KeyLength() const { return crypt_->Params().strength; }
  const std::string& FileId() const { return crypt_->Params().fileId; }
  TSmartPDFCrypt& Crypt() { return *crypt_; }

  // True when the empty password alone opens the file: it is not encrypted,
  // or its user or owner password is empty.
  bool EmptyPasswordOpens();
  // The open's password decision: a file that is not encrypted passes; an
  // encrypted one with the supported handler passes when the password
  // passes the user or the owner test. A password that passes is kept and
  // tried, which sets the file key.
  bool AcceptPassword(std::string_view password);
  // The accepted password (empty until AcceptPassword passed).
  const std::string& Password() const { return password_; }

 private:
  std::string version_;
  TPDFDictionary* encrypt_ = nullptr;
  bool accepted_ = false;
  std::string password_;
  std::unique_ptr<TSmartPDFCrypt> crypt_;
};

}  // namespace tessaly::pdf
