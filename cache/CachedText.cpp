// The record of a cached text:
//
//   u8  format (1)   u8 verdict   u32 part count
//   per part: u64 offset, u8 kind, i32 number, u32 name length, name bytes
//   the text, to the end
//
// little-endian, compressed as one zstd frame with its content size.
#include "cache/CachedText.h"

#include <zlib.h>
#include <zstd.h>

#include <cstring>

namespace tessaly::cache {
namespace {

constexpr std::uint8_t kFormat = 1;
// Parts a record may hold: more than any document has pages.
constexpr std::uint32_t kMaxParts = 1u << 20;
constexpr std::uint32_t kMaxPartName = 4096;

template <typename T>
void Put(std::string& out, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i)
    out += static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xff);
}

// A bounds-checked little-endian reader over the record.
class Cursor {
 public:
  explicit Cursor(std::string_view bytes) : bytes_(bytes) {}
  template <typename T>
  bool Get(T& value) {
    if (bytes_.size() - at_ < sizeof(T)) return false;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
      v |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes_[at_ + i])) << (8 * i);
    value = static_cast<T>(v);
    at_ += sizeof(T);
    return true;
  }
  bool Take(std::size_t size, std::string& out) {
    if (bytes_.size() - at_ < size) return false;
    out.assign(bytes_.data() + at_, size);
    at_ += size;
    return true;
  }
  std::string_view Rest() const { return bytes_.substr(at_); }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

}  // namespace

std::uint32_t Crc32(std::string_view bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  const auto* p = reinterpret_cast<const Bytef*>(bytes.data());
  std::size_t left = bytes.size();
  while (left > 0) {
    const uInt piece = static_cast<uInt>(std::min<std::size_t>(left, 1u << 30));
    crc = crc32(crc, p, piece);
    p += piece;
    left -= piece;
  }
  return static_cast<std::uint32_t>(crc);
}

std::string PackRecord(const TCachedText& text) {
  std::string out;
  std::size_t names = 0;
  for (const TPartMark& p : text.parts) names += p.name.size() + 17;
  out.reserve(6 + names + text.text.size());
  Put<std::uint8_t>(out, kFormat);
  Put<std::uint8_t>(out, static_cast<std::uint8_t>(text.verdict));
  Put<std::uint32_t>(out, static_cast<std::uint32_t>(text.parts.size()));
  for (const TPartMark& p : text.parts) {
    Put<std::uint64_t>(out, p.offset);
    Put<std::uint8_t>(out, p.kind);
    Put<std::uint32_t>(out, static_cast<std::uint32_t>(p.number));
    const std::size_t nameSize = std::min<std::size_t>(p.name.size(), kMaxPartName);
    Put<std::uint32_t>(out, static_cast<std::uint32_t>(nameSize));
    out.append(p.name, 0, nameSize);
  }
  out += text.text;
  return out;
}

std::optional<TCachedText> UnpackRecord(std::string_view record) {
  Cursor in(record);
  std::uint8_t format = 0, verdict = 0;
  std::uint32_t count = 0;
  if (!in.Get(format) || format != kFormat || !in.Get(verdict) || verdict > 2 || !in.Get(count) || count > kMaxParts)
    return std::nullopt;
  TCachedText out;
  out.verdict = static_cast<CachedVerdict>(verdict);
  // Each part takes at least 17 bytes: a count past what is left is a lie.
  if (count > record.size() / 17) return std::nullopt;
  out.parts.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    TPartMark p;
    std::uint32_t number = 0, nameSize = 0;
    if (!in.Get(p.offset) || !in.Get(p.kind) || !in.Get(number) || !in.Get(nameSize) || nameSize > kMaxPartName ||
        !in.Take(nameSize, p.name))
      return std::nullopt;
    p.number = static_cast<std::int32_t>(number);
    if (!out.parts.empty() && p.offset < out.parts.back().offset) return std::nullopt;
    out.parts.push_back(std::move(p));
  }
  out.text = std::string(in.Rest());
  if (!out.parts.empty() && out.parts.back().offset > out.text.size()) return std::nullopt;
  return out;
}

TStoredText StoreText(const TCachedText& text, int level) {
  TStoredText stored;
  const std::string record = PackRecord(text);
  stored.length = record.size();
  stored.checksum = Crc32(record);
  stored.data.resize(ZSTD_compressBound(record.size()));
  const std::size_t size = ZSTD_compress(stored.data.data(), stored.data.size(), record.data(), record.size(), level);
  if (ZSTD_isError(size)) {
    stored.data.clear();
    stored.length = 0;
    return stored;
  }
  stored.data.resize(size);
  return stored;
}

std::optional<TCachedText> LoadText(std::string_view data, std::uint64_t length, std::uint32_t checksum) {
  if (length > kMaxCachedText + (std::uint64_t{kMaxParts} * 32) || data.empty()) return std::nullopt;
  const unsigned long long declared = ZSTD_getFrameContentSize(data.data(), data.size());
  if (declared != length) return std::nullopt;
  std::string record(static_cast<std::size_t>(length), '\0');
  const std::size_t size = ZSTD_decompress(record.data(), record.size(), data.data(), data.size());
  if (ZSTD_isError(size) || size != length) return std::nullopt;
  if (Crc32(record) != checksum) return std::nullopt;
  return UnpackRecord(record);
}

}  // namespace tessaly::cache
