// SHA-2 digests through libcrypto's one-shot EVP_Digest.
#include "pdf/PDFSHA2.h"

#include <openssl/evp.h>

namespace tessaly::pdf {

std::string SHA2Digest(int bits, std::string_view bytes) {
  const EVP_MD* md = bits == 256 ? EVP_sha256() : bits == 384 ? EVP_sha384() : bits == 512 ? EVP_sha512() : nullptr;
  if (md == nullptr) return {};
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), out, &length, md, nullptr) != 1) return {};
  return std::string(reinterpret_cast<const char*>(out), length);
}

}  // namespace tessaly::pdf
