// RC4 stream cipher, the cipher of the standard security handler at
// revisions 2 and 3. Encryption and decryption are the same operation.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::pdf {

// `data` XORed with the RC4 key stream of `key`. An empty key gives `data`
// unchanged (RC4 has no key schedule for it); keys longer than 256 bytes use
// their first 256 bytes.
std::string RC4Crypt(std::string_view key, std::string_view data);

}  // namespace tessaly::pdf
