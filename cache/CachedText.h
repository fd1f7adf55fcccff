// One cached text: what a converter printed for a document, with the places
// its text lies at (page, slide and sheet breaks) and the lasting verdict of
// the read, and its stored form: a small binary record compressed by zstd,
// checked by its length and a CRC-32 when it is read back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::cache {

// A part of the text begins at `offset` (bytes into the text): the part
// kind and number as the reader gave them, and its name (a sheet's).
struct TPartMark {
  std::uint64_t offset = 0;
  std::uint8_t kind = 0;
  std::int32_t number = 0;
  std::string name;
  bool operator==(const TPartMark&) const = default;
};

// The verdicts that are kept: lasting ones only. A time-out, a stop or a
// converter that failed for an unknown reason is never kept.
enum class CachedVerdict : std::uint8_t {
  Whole = 0,             // the text is the whole document's
  PasswordRequired = 1,  // nothing or a part could be read: it needs a password
  Damaged = 2,           // the text up to the damage
};

struct TCachedText {
  std::string text;
  std::vector<TPartMark> parts;
  CachedVerdict verdict = CachedVerdict::Whole;
  bool operator==(const TCachedText&) const = default;
};

// The largest text a record holds (bigger ones are not kept).
inline constexpr std::size_t kMaxCachedText = std::size_t{256} << 20;

// The stored form of a record.
struct TStoredText {
  std::string data;            // zstd frame of the record
  std::uint64_t length = 0;    // bytes of the record before compression
  std::uint32_t checksum = 0;  // CRC-32 of the record before compression
};

// Packs and compresses `text` (zstd level `level`).
TStoredText StoreText(const TCachedText& text, int level = 3);

// The record back from its stored form: nothing unless the frame
// decompresses to exactly `length` bytes whose CRC-32 is `checksum` and
// that parse as a record (parts in order, inside the text). Never throws on
// bad bytes; allocates at most `length` (capped) bytes.
std::optional<TCachedText> LoadText(std::string_view data, std::uint64_t length, std::uint32_t checksum);

// The record's own byte form, without compression (for the checks above).
std::string PackRecord(const TCachedText& text);
std::optional<TCachedText> UnpackRecord(std::string_view record);

// CRC-32 (zlib's) of `bytes`.
std::uint32_t Crc32(std::string_view bytes);

}  // namespace tessaly::cache
