// Standard security handler. Revisions 2 to 4: the key derivation from the
// padded password, the owner and permission entries and the file identifier;
// the user-entry check; recovery of the user password from the owner entry.
// Revisions 5 and 6: the SHA-2 password hashes, the file key from /UE or /OE
// and its check against /Perms. Per-object keys and ciphers for RC4 and AES.
#include "pdf/PDFSecurity.h"

#include <cmath>
#include <utility>

#include "pdf/PDFAES.h"
#include "pdf/PDFMD5.h"
#include "pdf/PDFRC4.h"
#include "pdf/PDFSHA2.h"

namespace tessaly::pdf {

const std::string_view kPasswordPadding(
    "\x28\xBF\x4E\x5E\x4E\x75\x8A\x41\x64\x00\x4E\x56\xFF\xFA\x01\x08"
    "\x2E\x2E\x00\xB6\xD0\x68\x3E\x80\x2F\x0C\xA9\xFE\x64\x53\x69\x7A",
    32);

namespace {

// The extra MD5 passes of the 128-bit key derivation.
constexpr int kExtraDigestPasses = 50;
// The extra RC4 passes over the user and owner entries at revision 3.
constexpr int kExtraCipherPasses = 19;
// Revisions 5 and 6: a password counts with at most 127 bytes; the user and
// owner entries are a 32-byte hash, an 8-byte validation salt and an 8-byte
// key salt; the file key is 32 bytes.
constexpr std::size_t kMaxPassword256 = 127;
constexpr std::size_t kHashBytes = 32;
constexpr std::size_t kSaltBytes = 8;
constexpr std::size_t kEntryBytes256 = kHashBytes + 2 * kSaltBytes;
// The revision 6 hash runs at least this many rounds.
constexpr int kMinHashRounds = 64;
// Each round hashes this many copies of password, key and user data.
constexpr int kHashRepeats = 64;

std::string XorKey(std::string_view key, int value) {
  std::string out(key);
  for (char& c : out) c = static_cast<char>(static_cast<std::uint8_t>(c) ^ value);
  return out;
}

}  // namespace

std::string Pad32(std::string_view x) {
  std::string out(x.substr(0, 32));
  out.append(kPasswordPadding);
  out.resize(32);
  return out;
}

std::int32_t PermissionWordFromNumber(double value) {
  if (!std::isfinite(value)) return 0;
  // The integer view rounds halves to even; then the value is reduced modulo
  // 2^32. fmod keeps values beyond the 64-bit range well defined.
  const double whole = std::nearbyint(value);
  double reduced = std::fmod(whole, 4294967296.0);
  if (reduced < 0) reduced += 4294967296.0;
  const auto word = static_cast<std::uint32_t>(reduced);
  return static_cast<std::int32_t>(word);
}

std::uint32_t HashedPermission(std::int32_t p, bool extendedMode) {
  const auto word = static_cast<std::uint32_t>(p);
  std::uint32_t kept = 4 | 8 | 16 | 32;
  if (extendedMode) kept |= 256 | 512 | 1024 | 2048;
  std::uint32_t out = (word & kept) | (~kept & ~std::uint32_t{3});
  if (word < 65536) out &= 0xFFFF;
  return out;
}

TPDFObjectCipher::TPDFObjectCipher(TCryptMethod stringMethod, std::string stringKey, TCryptMethod streamMethod,
                                   std::string streamKey)
    : stringMethod_(stringMethod),
      stringKey_(std::move(stringKey)),
      streamMethod_(streamMethod),
      streamKey_(std::move(streamKey)) {}

std::string TPDFObjectCipher::Run(TCryptMethod method, const std::string& key, std::string_view data) {
  switch (method) {
    case TCryptMethod::kRC4:
      return RC4Crypt(key, data);
    case TCryptMethod::kAESV2:
    case TCryptMethod::kAESV3:
      return AESDecryptData(key, data);
    case TCryptMethod::kIdentity:
      break;
  }
  return std::string(data);
}

TPDFSecurityHandler::TPDFSecurityHandler(TPDFSecurityParams params) : params_(std::move(params)) {}

bool TPDFSecurityHandler::Supported() const {
  if (params_.state != kStandardEncrypted) return false;
  const auto methodsAre = [this](TCryptMethod a, TCryptMethod b) {
    for (TCryptMethod m : {params_.stringMethod, params_.streamMethod})
      if (m != TCryptMethod::kIdentity && m != a && m != b) return false;
    return true;
  };
  switch (params_.handlerVersion) {
    case 1:
    case 2:
      return params_.revision == 2 || params_.revision == 3;
    case 4:
      return params_.revision == 4 && methodsAre(TCryptMethod::kRC4, TCryptMethod::kAESV2);
    case 5:
      return (params_.revision == 5 || params_.revision == 6) && methodsAre(TCryptMethod::kAESV3, TCryptMethod::kAESV3);
    default:
      return false;
  }
}

std::string TPDFSecurityHandler::ComputeFileKey(std::string_view userPassword) const {
  TMD5 md5;
  md5.Update(Pad32(userPassword));
  md5.Update(params_.ownerEntry);
  const std::uint32_t p = HashedPermission(params_.permissionWord, ExtendedMode());
  const char pBytes[4] = {static_cast<char>(p), static_cast<char>(p >> 8), static_cast<char>(p >> 16),
                          static_cast<char>(p >> 24)};
  md5.Update(std::string_view(pBytes, 4));
  md5.Update(params_.fileId);
  // From revision 4 on, a file whose metadata stays in clear says so in its
  // key.
  if (params_.revision >= 4 && !params_.encryptMetadata) md5.Update("\xFF\xFF\xFF\xFF");
  TMD5::Digest digest = md5.Final();
  if (ExtendedMode()) {
    for (int i = 0; i < kExtraDigestPasses; ++i) {
      md5.Update(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
      digest = md5.Final();
    }
  }
  return std::string(reinterpret_cast<const char*>(digest.data()), KeyLength());
}

std::string TPDFSecurityHandler::UserEntryFor(std::string_view k) const {
  if (!ExtendedMode()) return RC4Crypt(k, kPasswordPadding);
  std::string entry = RC4Crypt(k, MD5Digest(std::string(kPasswordPadding) + params_.fileId));
  for (int j = 1; j <= kExtraCipherPasses; ++j) entry = RC4Crypt(XorKey(k, j), entry);
  entry.append(16, '\0');
  return entry;
}

bool TPDFSecurityHandler::UserTestWith(std::string_view password) {
  workingKey_ = ComputeFileKey(password);
  const std::string entry = UserEntryFor(workingKey_);
  if (!ExtendedMode()) return entry == params_.userEntry;
  return params_.userEntry.size() >= 16 && entry.compare(0, 16, params_.userEntry, 0, 16) == 0;
}

std::string TPDFSecurityHandler::PasswordHash(std::string_view password, std::string_view salt,
                                              std::string_view userData) const {
  password = password.substr(0, kMaxPassword256);
  std::string k = SHA2Digest(256, std::string(password) + std::string(salt) + std::string(userData));
  if (params_.revision != 6) return k;
  // Algorithm 2.B: rounds of AES-128 over 64 copies of password, key and
  // user data, each followed by SHA-256, -384 or -512 as the sum of the
  // first 16 cipher bytes modulo 3 chooses; at least 64 rounds, until the
  // last cipher byte is at most the round number minus 32.
  std::string e;
  for (int round = 0; round < kMinHashRounds || static_cast<unsigned char>(e.back()) > round - 32; ++round) {
    std::string piece = std::string(password) + k + std::string(userData);
    std::string k1;
    k1.reserve(piece.size() * kHashRepeats);
    for (int i = 0; i < kHashRepeats; ++i) k1 += piece;
    e = AESEncryptCBC(std::string_view(k).substr(0, 16), std::string_view(k).substr(16, 16), k1);
    if (e.size() < 16) return {};
    unsigned sum = 0;
    for (std::size_t i = 0; i < 16; ++i) sum += static_cast<unsigned char>(e[i]);
    k = SHA2Digest(256 + 128 * static_cast<int>(sum % 3), e);
  }
  return k.substr(0, kHashBytes);
}

bool TPDFSecurityHandler::PermsConfirm(const std::string& key) const {
  if (params_.permsEntry.empty()) return true;
  if (params_.permsEntry.size() < 16) return false;
  const std::string perms = AESDecryptBlock256(key, std::string_view(params_.permsEntry).substr(0, 16));
  return perms.size() == 16 && perms.compare(9, 3, "adb") == 0;
}

bool TPDFSecurityHandler::UserTest256(std::string_view password) {
  const std::string& u = params_.userEntry;
  workingKey_.clear();
  if (u.size() < kEntryBytes256 || params_.userKeyEntry.size() < kHashBytes) return false;
  const std::string_view entry(u);
  if (PasswordHash(password, entry.substr(kHashBytes, kSaltBytes), {}) != entry.substr(0, kHashBytes)) return false;
  const std::string keyKey = PasswordHash(password, entry.substr(kHashBytes + kSaltBytes, kSaltBytes), {});
  std::string key = AESDecryptCBC(keyKey, std::string(16, '\0'), std::string_view(params_.userKeyEntry).substr(0, kHashBytes));
  if (key.size() != kHashBytes || !PermsConfirm(key)) return false;
  workingKey_ = std::move(key);
  return true;
}

bool TPDFSecurityHandler::OwnerTest256(std::string_view password) {
  const std::string& o = params_.ownerEntry;
  workingKey_.clear();
  if (o.size() < kEntryBytes256 || params_.userEntry.size() < kEntryBytes256 ||
      params_.ownerKeyEntry.size() < kHashBytes)
    return false;
  const std::string_view entry(o);
  const std::string_view userData = std::string_view(params_.userEntry).substr(0, kEntryBytes256);
  if (PasswordHash(password, entry.substr(kHashBytes, kSaltBytes), userData) != entry.substr(0, kHashBytes))
    return false;
  const std::string keyKey = PasswordHash(password, entry.substr(kHashBytes + kSaltBytes, kSaltBytes), userData);
  std::string key =
      AESDecryptCBC(keyKey, std::string(16, '\0'), std::string_view(params_.ownerKeyEntry).substr(0, kHashBytes));
  if (key.size() != kHashBytes || !PermsConfirm(key)) return false;
  workingKey_ = std::move(key);
  return true;
}

bool TPDFSecurityHandler::UserPasswordTest(std::string_view password) {
  if (params_.state == kNotEncrypted) return password.empty();
  if (!Supported()) return false;
  if (params_.handlerVersion == 5) return UserTest256(password);
  return UserTestWith(password);
}

bool TPDFSecurityHandler::OwnerPasswordTest(std::string_view password) {
  if (params_.state == kNotEncrypted) return password.empty();
  if (!Supported()) return false;
  if (params_.handlerVersion == 5) return OwnerTest256(password);
  TMD5 md5;
  md5.Update(Pad32(password));
  TMD5::Digest digest = md5.Final();
  if (ExtendedMode()) {
    for (int i = 0; i < kExtraDigestPasses; ++i) {
      md5.Update(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
      digest = md5.Final();
    }
  }
  const std::string ownerKey(reinterpret_cast<const char*>(digest.data()), KeyLength());
  std::string userPassword;
  if (params_.revision == 2) {
    userPassword = RC4Crypt(ownerKey, params_.ownerEntry);
  } else {
    userPassword = params_.ownerEntry;
    for (int j = kExtraCipherPasses; j >= 0; --j) userPassword = RC4Crypt(XorKey(ownerKey, j), userPassword);
  }
  return UserTestWith(userPassword);
}

bool TPDFSecurityHandler::TryPassword(std::string_view password) {
  if (UserPasswordTest(password) || OwnerPasswordTest(password)) {
    acceptedPassword_ = std::string(password);
    fileKey_ = workingKey_;
    return true;
  }
  acceptedPassword_.reset();
  return false;
}

std::string TPDFSecurityHandler::ObjectKey(std::int32_t objNum, std::int32_t genNum, bool aes) const {
  const auto n = static_cast<std::uint32_t>(objNum);
  const auto g = static_cast<std::uint32_t>(genNum);
  std::string input = fileKey_;
  input.push_back(static_cast<char>(n));
  input.push_back(static_cast<char>(n >> 8));
  input.push_back(static_cast<char>(n >> 16));
  input.push_back(static_cast<char>(g));
  input.push_back(static_cast<char>(g >> 8));
  if (aes) input += "sAlT";
  const std::size_t length = fileKey_.size() + 5 > 16 ? 16 : fileKey_.size() + 5;
  return MD5Digest(input).substr(0, length);
}

}  // namespace tessaly::pdf

namespace tessaly::pdf {

TPDFObjectCipher TPDFSecurityHandler::ObjectCipher(std::int32_t objNum, std::int32_t genNum) const {
  const auto keyFor = [&](TCryptMethod method) -> std::string {
    switch (method) {
      case TCryptMethod::kRC4:
        return ObjectKey(objNum, genNum);
      case TCryptMethod::kAESV2:
        return ObjectKey(objNum, genNum, true);
      case TCryptMethod::kAESV3:
        return fileKey_;
      case TCryptMethod::kIdentity:
        break;
    }
    return {};
  };
  return TPDFObjectCipher(params_.stringMethod, keyFor(params_.stringMethod), params_.streamMethod,
                          keyFor(params_.streamMethod));
}

}  // namespace tessaly::pdf
