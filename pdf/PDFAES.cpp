// AES through libcrypto's EVP interface, with padding handled here so that
// damaged padding never makes a whole string or stream unreadable.
#include "pdf/PDFAES.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

namespace tessaly::pdf {
namespace {

constexpr std::size_t kBlock = 16;

struct TCipherCtxFree {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

const EVP_CIPHER* CipherFor(std::size_t keyLength, bool cbc) {
  if (keyLength == 16) return cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
  if (keyLength == 32) return cbc ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
  return nullptr;
}

// Runs the cipher over the whole blocks of `data`, padding off.
std::string Run(std::string_view key, std::string_view iv, std::string_view data, bool cbc, bool encrypt) {
  const EVP_CIPHER* cipher = CipherFor(key.size(), cbc);
  if (cipher == nullptr || (cbc && iv.size() != kBlock)) return {};
  const std::size_t whole = data.size() - data.size() % kBlock;
  if (whole == 0) return {};
  std::unique_ptr<EVP_CIPHER_CTX, TCipherCtxFree> ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return {};
  const auto* k = reinterpret_cast<const unsigned char*>(key.data());
  const auto* v = cbc ? reinterpret_cast<const unsigned char*>(iv.data()) : nullptr;
  if (EVP_CipherInit_ex(ctx.get(), cipher, nullptr, k, v, encrypt ? 1 : 0) != 1) return {};
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  std::string out(whole, '\0');
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  const auto* in = reinterpret_cast<const unsigned char*>(data.data());
  // EVP takes int lengths: feed large data in pieces of whole blocks.
  constexpr std::size_t kPiece = std::size_t{1} << 30;
  std::size_t done = 0;
  std::size_t written = 0;
  while (done < whole) {
    const std::size_t piece = std::min(kPiece, whole - done);
    int n = 0;
    if (EVP_CipherUpdate(ctx.get(), o + written, &n, in + done, static_cast<int>(piece)) != 1) return {};
    done += piece;
    written += static_cast<std::size_t>(n);
  }
  int n = 0;
  if (EVP_CipherFinal_ex(ctx.get(), o + written, &n) != 1) return {};
  written += static_cast<std::size_t>(n);
  out.resize(written);
  return out;
}

}  // namespace

std::string AESEncryptCBC(std::string_view key, std::string_view iv, std::string_view data) {
  return Run(key, iv, data, true, true);
}

std::string AESDecryptCBC(std::string_view key, std::string_view iv, std::string_view data) {
  return Run(key, iv, data, true, false);
}

std::string AESDecryptBlock256(std::string_view key, std::string_view block) {
  if (key.size() != 32 || block.size() != kBlock) return {};
  return Run(key, {}, block, false, false);
}

std::string AESDecryptData(std::string_view key, std::string_view data) {
  if (data.size() < 2 * kBlock) return {};
  std::string plain = AESDecryptCBC(key, data.substr(0, kBlock), data.substr(kBlock));
  if (plain.empty()) return plain;
  const auto pad = static_cast<unsigned char>(plain.back());
  if (pad >= 1 && pad <= kBlock && pad <= plain.size()) {
    bool valid = true;
    for (std::size_t i = plain.size() - pad; i < plain.size(); ++i)
      valid = valid && static_cast<unsigned char>(plain[i]) == pad;
    if (valid) plain.resize(plain.size() - pad);
  }
  return plain;
}

}  // namespace tessaly::pdf
