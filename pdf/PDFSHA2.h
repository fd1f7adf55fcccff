// SHA-256, SHA-384 and SHA-512 over OpenSSL's libcrypto, for the 256-bit
// key derivation of the standard security handler.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::pdf {

// The digest of `bytes` for `bits` 256, 384 or 512, as a byte string; empty
// for any other size.
std::string SHA2Digest(int bits, std::string_view bytes);

}  // namespace tessaly::pdf
