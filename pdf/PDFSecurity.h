// The standard security handler's algorithms for RC4 files (handler versions
// 1 and 2, revisions 2 and 3): password tests, file key and object keys.
//
// The handler works on plain values (TPDFSecurityParams) and never reads a
// document itself, so both the whole-file loader and the direct-access link
// hand it what they found in their trailer and encryption dictionary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::pdf {

// The 32-byte password padding of the standard security handler.
extern const std::string_view kPasswordPadding;

// Encryption states as the queries report them.
enum : int {
  kNotEncrypted = 0,      // no /Encrypt entry
  kStandardEncrypted = 1, // the supported standard handler
  kOtherEncrypted = 2,    // any other handler, or an unusable /Encrypt entry
};

// What a password test needs from the file. `revision` 2 or 3 and
// `handlerVersion` 1 or 2 make a supported handler; with any other values
// every password test of an encrypted file fails.
struct TPDFSecurityParams {
  int state = kNotEncrypted;         // kNotEncrypted, kStandardEncrypted or kOtherEncrypted
  std::int32_t strength = 0;         // 40, the /Length value, or 0
  std::int32_t revision = 0;         // /R
  std::int32_t handlerVersion = 0;   // /V
  std::string ownerEntry;            // /O
  std::string userEntry;             // /U
  std::int32_t permissionWord = 0;   // /P, as a signed 32-bit number
  std::string fileId;                // first string of the trailer's /ID
};

// x cut to 32 bytes, the padding appended, the whole cut to 32 bytes.
std::string Pad32(std::string_view x);

// The /P value taken modulo 2^32 as a signed 32-bit number, so that writers
// that store it unsigned (4294967292) give the same word as those that store
// it signed (-4). Non-finite values give 0.
std::int32_t PermissionWordFromNumber(double value);

// The permission word as it is hashed into the file key: the bits 4, 8, 16,
// 32 (and in extended mode 256, 512, 1024, 2048) of `p`, bits 1 and 2
// clear, every other bit set; cut to 16 bits when `p` as unsigned is below
// 65536.
std::uint32_t HashedPermission(std::int32_t p, bool extendedMode);

class TPDFSecurityHandler {
 public:
  explicit TPDFSecurityHandler(TPDFSecurityParams params = {});

  const TPDFSecurityParams& Params() const { return params_; }
  int State() const { return params_.state; }

  // Strength other than 40 selects the 16-byte key, the 50 extra MD5 passes
  // and the revision-3 form of the user entry.
  bool ExtendedMode() const { return params_.strength != 40; }
  std::size_t KeyLength() const { return ExtendedMode() ? 16 : 5; }

  // The file key that `userPassword` gives.
  std::string ComputeFileKey(std::string_view userPassword) const;
  // The user entry that key `k` gives (32 bytes).
  std::string UserEntryFor(std::string_view k) const;

  // Both tests pass for the empty password only when the file is not
  // encrypted, and always fail for an unsupported handler. They leave the
  // key they derived in WorkingKey().
  bool UserPasswordTest(std::string_view password);
  bool OwnerPasswordTest(std::string_view password);

  // Sets AcceptedPassword and FileKey when either test passes; otherwise
  // AcceptedPassword becomes none.
  bool TryPassword(std::string_view password);

  const std::optional<std::string>& AcceptedPassword() const { return acceptedPassword_; }
  const std::string& FileKey() const { return fileKey_; }
  const std::string& WorkingKey() const { return workingKey_; }

  // True when objects of this file are to be decrypted: the supported
  // handler with an accepted password.
  bool CanDecrypt() const { return params_.state == kStandardEncrypted && acceptedPassword_.has_value(); }

  // The RC4 key of one indirect object.
  std::string ObjectKey(std::int32_t objNum, std::int32_t genNum) const;

 private:
  bool Supported() const;
  bool UserTestWith(std::string_view password);

  TPDFSecurityParams params_;
  std::optional<std::string> acceptedPassword_;
  std::string fileKey_;
  std::string workingKey_;
};

}  // namespace tessaly::pdf
