// AES in CBC and ECB modes over OpenSSL's libcrypto, as the standard
// security handler uses it: AES-128 and AES-256 decryption of strings and
// streams (the first 16 bytes are the initialisation vector, PKCS#7 padding
// at the end), and the raw block operations of the 256-bit key derivation.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::pdf {

// Decrypts PDF-encrypted data with a 16- or 32-byte key: the first 16 bytes
// are the IV, the rest whole blocks of ciphertext. A partial last block is
// dropped; a valid PKCS#7 padding is removed and an invalid one left in
// place, so damaged data still gives its readable part. Data shorter than
// two blocks, or a key of another length, gives an empty result.
std::string AESDecryptData(std::string_view key, std::string_view data);

// CBC without padding over whole blocks (a partial last block is dropped),
// with a 16- or 32-byte key and a 16-byte IV; empty for other key or IV
// lengths.
std::string AESEncryptCBC(std::string_view key, std::string_view iv, std::string_view data);
std::string AESDecryptCBC(std::string_view key, std::string_view iv, std::string_view data);
// One block (ECB, no padding) decrypted with a 32-byte key; empty unless
// `block` is 16 bytes and the key 32.
std::string AESDecryptBlock256(std::string_view key, std::string_view block);

}  // namespace tessaly::pdf
