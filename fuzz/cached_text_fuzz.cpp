// Fuzz target: a cached text's record and its compressed form read back
// from any bytes (the cache file may be altered by anyone who can write it).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cache/CachedText.h"

constexpr std::size_t kMaxInput = 1 << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (const auto record = tessaly::cache::UnpackRecord(bytes)) {
    // What parses packs back to a record that parses the same.
    const auto again = tessaly::cache::UnpackRecord(tessaly::cache::PackRecord(*record));
    if (!again || !(*again == *record)) __builtin_trap();
  }
  // The first 12 bytes as the stored length and checksum, the rest as the
  // compressed frame.
  if (size >= 12) {
    std::uint64_t length = 0;
    std::uint32_t checksum = 0;
    for (int i = 0; i < 8; ++i) length |= static_cast<std::uint64_t>(data[i]) << (8 * i);
    for (int i = 0; i < 4; ++i) checksum |= static_cast<std::uint32_t>(data[8 + i]) << (8 * i);
    (void)tessaly::cache::LoadText(bytes.substr(12), length % (kMaxInput * 4), checksum);
  }
  return 0;
}
