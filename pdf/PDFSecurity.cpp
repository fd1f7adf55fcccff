// Standard security handler, RC4 revisions 2 and 3: the key derivation from
// the padded password, the owner and permission entries and the file
// identifier; the user-entry check; recovery of the user password from the
// owner entry; per-object keys.
#include "pdf/PDFSecurity.h"

#include <cmath>
#include <utility>

#include "pdf/PDFMD5.h"
#include "pdf/PDFRC4.h"

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

TPDFSecurityHandler::TPDFSecurityHandler(TPDFSecurityParams params) : params_(std::move(params)) {}

bool TPDFSecurityHandler::Supported() const {
  return params_.state == kStandardEncrypted && (params_.revision == 2 || params_.revision == 3) &&
         (params_.handlerVersion == 1 || params_.handlerVersion == 2);
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

bool TPDFSecurityHandler::UserPasswordTest(std::string_view password) {
  if (params_.state == kNotEncrypted) return password.empty();
  if (!Supported()) return false;
  return UserTestWith(password);
}

bool TPDFSecurityHandler::OwnerPasswordTest(std::string_view password) {
  if (params_.state == kNotEncrypted) return password.empty();
  if (!Supported()) return false;
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

std::string TPDFSecurityHandler::ObjectKey(std::int32_t objNum, std::int32_t genNum) const {
  const auto n = static_cast<std::uint32_t>(objNum);
  const auto g = static_cast<std::uint32_t>(genNum);
  std::string input = fileKey_;
  input.push_back(static_cast<char>(n));
  input.push_back(static_cast<char>(n >> 8));
  input.push_back(static_cast<char>(n >> 16));
  input.push_back(static_cast<char>(g));
  input.push_back(static_cast<char>(g >> 8));
  const std::size_t length = fileKey_.size() + 5 > 16 ? 16 : fileKey_.size() + 5;
  return MD5Digest(input).substr(0, length);
}

}  // namespace tessaly::pdf
