// MD5 message digest (RFC 1321), used by the standard security handler to
// derive file and object keys.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly::pdf {

// Incremental MD5: Update any number of times, then Final once. Final leaves
// the object in its fresh state, ready for a new message.
class TMD5 {
 public:
  using Digest = std::array<std::uint8_t, 16>;

  TMD5();
  void Update(std::string_view bytes);
  Digest Final();

 private:
  void Transform(const std::uint8_t* block);
  void Restart();

  std::array<std::uint32_t, 4> state_{};
  std::array<std::uint8_t, 64> buffer_{};
  std::uint64_t length_ = 0;  // bytes hashed so far
};

// The 16-byte digest of `bytes`, as a byte string.
std::string MD5Digest(std::string_view bytes);

}  // namespace tessaly::pdf
