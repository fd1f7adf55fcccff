// Builds small ZIP files in memory for the package tests: stored members,
// or members whose deflated bytes the test gives, with a directory that may
// claim more members than it holds.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::test {

struct TZipMember {
  std::string name;
  std::string data;          // the bytes as stored (deflated when method is 8)
  std::uint16_t method = 0;  // 0 stored, 8 deflated
  std::uint32_t crc = 0;     // of the inflated bytes; computed for stored members
  std::uint32_t size = 0;    // inflated size; taken from data for stored members
};

inline void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

inline TZipMember Stored(std::string name, std::string data) {
  TZipMember m{std::move(name), std::move(data)};
  m.crc = static_cast<std::uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(m.data.data()),
                                             static_cast<uInt>(m.data.size())));
  m.size = static_cast<std::uint32_t>(m.data.size());
  return m;
}

// The ZIP file of `members`; the end record names `claimedCount` members
// when it is not 0, in a ZIP64 end record when the count needs one.
inline std::string MakeZip(const std::vector<TZipMember>& members, std::uint64_t claimedCount = 0) {
  std::string zip, directory;
  for (const TZipMember& m : members) {
    const std::uint32_t offset = static_cast<std::uint32_t>(zip.size());
    auto common = [&](std::string& out) {
      Put16(out, 20);  // version needed
      Put16(out, 0);   // flags
      Put16(out, m.method);
      Put32(out, 0);  // time and date
      Put32(out, m.crc);
      Put32(out, static_cast<std::uint32_t>(m.data.size()));
      Put32(out, m.size);
      Put16(out, static_cast<std::uint32_t>(m.name.size()));
      Put16(out, 0);  // extra
    };
    Put32(zip, 0x04034b50);
    common(zip);
    zip += m.name;
    zip += m.data;
    Put32(directory, 0x02014b50);
    Put16(directory, 20);  // made by
    common(directory);
    Put16(directory, 0);  // comment
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, 0);  // external attributes
    Put32(directory, offset);
    directory += m.name;
  }
  const std::uint32_t directoryOffset = static_cast<std::uint32_t>(zip.size());
  zip += directory;
  const std::uint64_t count = claimedCount ? claimedCount : members.size();
  if (count > 0xFFFF) {
    const std::uint64_t zip64End = zip.size();
    Put32(zip, 0x06064b50);
    Put32(zip, 44);  // size of the rest of the record, low half
    Put32(zip, 0);
    Put16(zip, 45);
    Put16(zip, 45);
    Put32(zip, 0);
    Put32(zip, 0);
    for (int i = 0; i < 2; ++i) {
      Put32(zip, static_cast<std::uint32_t>(count));
      Put32(zip, static_cast<std::uint32_t>(count >> 32));
    }
    Put32(zip, static_cast<std::uint32_t>(directory.size()));
    Put32(zip, 0);
    Put32(zip, directoryOffset);
    Put32(zip, 0);
    Put32(zip, 0x07064b50);  // locator
    Put32(zip, 0);
    Put32(zip, static_cast<std::uint32_t>(zip64End));
    Put32(zip, 0);
    Put32(zip, 1);
  }
  const std::uint32_t count16 = count > 0xFFFF ? 0xFFFF : static_cast<std::uint32_t>(count);
  Put32(zip, 0x06054b50);
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, count16);
  Put16(zip, count16);
  Put32(zip, static_cast<std::uint32_t>(directory.size()));
  Put32(zip, directoryOffset);
  Put16(zip, 0);
  return zip;
}

// A raw deflate stream of `head` and then `repeat` copies of `chunk`: each
// piece is compressed after a full flush, so one compressed chunk can be
// repeated without compressing gigabytes.
inline std::string RepeatedDeflate(const std::string& head, const std::string& chunk, int repeat, std::uint32_t* crc,
                            std::uint32_t* size) {
  z_stream z{};
  if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return {};
  auto compress = [&z](const std::string& in, int flush) {
    std::string out(deflateBound(&z, in.size()) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, flush);
    out.resize(out.size() - z.avail_out);
    return out;
  };
  std::string data = compress(head, Z_FULL_FLUSH);
  const std::string packed = compress(chunk, Z_FULL_FLUSH);
  for (int i = 0; i < repeat; ++i) data += packed;
  data += compress("", Z_FINISH);
  deflateEnd(&z);
  const uLong chunkCrc = ::crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<uInt>(chunk.size()));
  uLong total = ::crc32(0, reinterpret_cast<const Bytef*>(head.data()), static_cast<uInt>(head.size()));
  for (int i = 0; i < repeat; ++i) total = crc32_combine(total, chunkCrc, static_cast<z_off_t>(chunk.size()));
  *crc = static_cast<std::uint32_t>(total);
  *size = static_cast<std::uint32_t>(head.size() + chunk.size() * static_cast<std::size_t>(repeat));
  return data;
}

inline std::string Repeated(const std::string& piece, std::size_t bytes) {
  std::string out;
  out.reserve(bytes);
  while (out.size() + piece.size() <= bytes) out += piece;
  return out;
}

}  // namespace tessaly::test
