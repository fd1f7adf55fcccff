// Builds RAR 5 archives byte by byte for the tests: vints, headers with
// their CRC-32 (zlib's), file and end headers.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>

namespace tessaly::archives::testing {

inline std::string Vint(std::uint64_t n) {
  std::string out;
  do {
    out += static_cast<char>((n & 0x7F) | (n > 0x7F ? 0x80 : 0));
    n >>= 7;
  } while (n);
  return out;
}

inline std::string Le32Bytes(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

inline const std::string kRar5Mark("Rar!\x1A\x07\x01\x00", 8);

// A header of `type` with `flags` (the extra and data area flags are added
// when they are given), the type's own fields in `body`, then `data`.
inline std::string Rar5Header(std::uint64_t type, const std::string& body, std::uint64_t flags = 0,
                              const std::string& extra = "", const std::string& data = "") {
  std::string fields = Vint(type) + Vint(flags | (extra.empty() ? 0 : 1) | (data.empty() ? 0 : 2));
  if (!extra.empty()) fields += Vint(extra.size());
  if (!data.empty()) fields += Vint(data.size());
  const std::string rest = Vint(fields.size() + body.size() + extra.size()) + fields + body + extra;
  const auto crc = crc32(0L, reinterpret_cast<const Bytef*>(rest.data()), static_cast<uInt>(rest.size()));
  return Le32Bytes(static_cast<std::uint32_t>(crc)) + rest + data;
}

// A file header (type 2, or 3 for a service header) with mtime and CRC
// fields; `fileFlags` 0x01 makes a directory, 0x08 an unknown size.
inline std::string Rar5File(const std::string& name, std::uint64_t size, const std::string& data = "",
                            std::uint64_t fileFlags = 0x06, std::uint64_t headerFlags = 0, std::uint64_t type = 2,
                            const std::string& extra = "") {
  std::string body = Vint(fileFlags) + Vint(size) + Vint((fileFlags & 1) ? 0x10 : 0x20);
  if (fileFlags & 2) body += Le32Bytes(1700000000);
  if (fileFlags & 4) body += Le32Bytes(0x12345678);
  body += Vint(0) + Vint(1) + Vint(name.size()) + name;
  return Rar5Header(type, body, headerFlags, extra, data);
}

inline std::string Rar5Main() { return Rar5Header(1, Vint(0)); }
inline std::string Rar5End() { return Rar5Header(5, Vint(0)); }

}  // namespace tessaly::archives::testing
