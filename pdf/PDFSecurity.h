// The standard security handler's algorithms: password tests, file key and
// object keys for RC4 files (handler versions 1 and 2, revisions 2 and 3),
// crypt filters with RC4 or AES-128 (version 4, revision 4) and AES-256
// (version 5, revisions 5 and 6), following ISO 32000-2, 7.6.
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

// How the strings or the streams of a file are encrypted: the crypt filter
// method (/CFM) that /StrF or /StmF names, RC4 for handler versions 1 and 2.
enum class TCryptMethod {
  kIdentity,  // not encrypted (/Identity, /CFM /None)
  kRC4,       // /V2, and every string and stream at versions 1 and 2
  kAESV2,     // AES-128-CBC with "sAlT" object keys
  kAESV3,     // AES-256-CBC with the file key itself
};

// What a password test needs from the file. A supported handler is
// `handlerVersion` 1 or 2 with `revision` 2 or 3; version 4 with revision 4
// and RC4, AES-128 or identity methods; version 5 with revision 5 or 6 and
// AES-256 or identity methods. With any other values every password test
// of an encrypted file fails.
struct TPDFSecurityParams {
  int state = kNotEncrypted;         // kNotEncrypted, kStandardEncrypted or kOtherEncrypted
  std::int32_t strength = 0;         // 40, the /Length value, 128 (version 4), 256 (version 5) or 0
  std::int32_t revision = 0;         // /R
  std::int32_t handlerVersion = 0;   // /V
  std::string ownerEntry;            // /O
  std::string userEntry;             // /U
  std::string ownerKeyEntry;         // /OE (version 5)
  std::string userKeyEntry;          // /UE (version 5)
  std::string permsEntry;            // /Perms (version 5)
  std::int32_t permissionWord = 0;   // /P, as a signed 32-bit number
  std::string fileId;                // first string of the trailer's /ID
  TCryptMethod stringMethod = TCryptMethod::kRC4;  // /StrF
  TCryptMethod streamMethod = TCryptMethod::kRC4;  // /StmF
  bool encryptMetadata = true;       // /EncryptMetadata (version 4 and up)
};

// Decrypts the strings and stream data of one indirect object: the method
// and key for strings and those for streams.
class TPDFObjectCipher {
 public:
  TPDFObjectCipher() = default;
  TPDFObjectCipher(TCryptMethod stringMethod, std::string stringKey, TCryptMethod streamMethod,
                   std::string streamKey);
  std::string String(std::string_view data) const { return Run(stringMethod_, stringKey_, data); }
  std::string Stream(std::string_view data) const { return Run(streamMethod_, streamKey_, data); }

 private:
  static std::string Run(TCryptMethod method, const std::string& key, std::string_view data);
  TCryptMethod stringMethod_ = TCryptMethod::kIdentity;
  std::string stringKey_;
  TCryptMethod streamMethod_ = TCryptMethod::kIdentity;
  std::string streamKey_;
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
  // and the revision-3 form of the user entry (versions 1, 2 and 4).
  bool ExtendedMode() const { return params_.strength != 40; }
  std::size_t KeyLength() const { return ExtendedMode() ? 16 : 5; }

  // The file key that `userPassword` gives (versions 1, 2 and 4).
  std::string ComputeFileKey(std::string_view userPassword) const;
  // The user entry that key `k` gives (32 bytes; versions 1, 2 and 4).
  std::string UserEntryFor(std::string_view k) const;
  // The hash of a password with a salt and the user entry's 48 bytes (empty
  // for the user tests) at revision 5 (one SHA-256) or 6 (the iterated
  // SHA-256/384/512 hash with AES-128 rounds). The password counts with at
  // most 127 bytes.
  std::string PasswordHash(std::string_view password, std::string_view salt, std::string_view userData) const;

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

  // The RC4 key of one indirect object; with `aes` the AES-128 key, whose
  // digest also takes the bytes "sAlT".
  std::string ObjectKey(std::int32_t objNum, std::int32_t genNum, bool aes = false) const;
  // The methods and keys that decrypt one indirect object's strings and
  // streams (AES-256 uses the file key itself).
  TPDFObjectCipher ObjectCipher(std::int32_t objNum, std::int32_t genNum) const;

  // True for the standard handler with a version, revision and methods this
  // component reads.
  bool Supported() const;

 private:
  bool UserTestWith(std::string_view password);
  bool UserTest256(std::string_view password);
  bool OwnerTest256(std::string_view password);
  // The version 5 file key `key` is right when /Perms decrypts with it to a
  // block holding "adb" at bytes 9 to 11 (a file without /Perms passes).
  bool PermsConfirm(const std::string& key) const;

  TPDFSecurityParams params_;
  std::optional<std::string> acceptedPassword_;
  std::string fileKey_;
  std::string workingKey_;
};

}  // namespace tessaly::pdf
