// Property-set streams of compound documents: the header, the section of a
// format identifier and its properties read by identifier.
//
// A property-set stream begins with a byte-order mark, a version, a system
// identifier, a class identifier and a list of sections, each named by a
// format identifier and placed at an offset. A section holds its size, the
// number of properties, a table of (identifier, offset) pairs and the typed
// values. TPropertySet takes the stream's bytes (so tests and the fuzzer feed
// memory), checks the header and the section's bounds, and decodes a
// property only when it is asked for.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaly::extract {

// A format identifier as its 16 bytes are stored in the stream.
struct TFormatId {
  std::array<std::uint8_t, 16> bytes{};
  bool operator==(const TFormatId&) const = default;
};

// {F29F85E0-4FF9-1068-AB91-08002B27B3D9}: the summary information.
extern const TFormatId kSummaryInformationFormat;

// Variant types this code gives a meaning to.
inline constexpr std::uint16_t kTypeI2 = 2;
inline constexpr std::uint16_t kTypeI4 = 3;
inline constexpr std::uint16_t kTypeString = 30;  // VT_LPSTR: a string in the set's code page
inline constexpr std::uint16_t kTypeFileTime = 64;

// Identifier of the code-page property.
inline constexpr std::uint32_t kCodePageProperty = 1;

// A property's value as the reader hands it out.
struct TPropertyValue {
  std::uint16_t type = 0;
  // The value slot: the stored bytes of a scalar value (integers, reals,
  // booleans, file times, dates; 1 to 8 bytes) in little-endian order,
  // zero-extended to 64 bits. 0 for every value that is no scalar (strings,
  // blobs, clipboard data, vectors) and for types this code does not know.
  std::uint64_t slot = 0;
  // Set only for a string of type 30, converted from the set's code page
  // to UTF-8 and cut at its first NUL.
  std::optional<std::string> text;
};

// A malformed stream; what() names the fault.
class TPropertySetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TPropertySet {
 public:
  // Bytes beyond this are not looked at: real summary streams hold a few
  // kilobytes (a thumbnail can add some hundreds), and the cap bounds both
  // memory and the work of each look-up.
  static constexpr std::size_t kMaxStreamBytes = 4u << 20;

  // Takes the section of `format` from the stream's bytes. Throws
  // TPropertySetError when the header is cut short or has a wrong
  // byte-order mark, when no section has that format identifier, or when
  // that section's header lies outside the stream. A section whose stated
  // size or property count runs past the bytes present is kept up to what
  // is there.
  TPropertySet(std::string_view stream, const TFormatId& format);

  // The value of property `id`; nothing when the section has no such
  // identifier or its value lies outside the section (a damaged property
  // reads as absent). With identifiers stored twice the first one counts.
  std::optional<TPropertyValue> Read(std::uint32_t id) const;

  // The code page of the set's strings: property 1 as an unsigned 16-bit
  // number; 1252 when the set has none (or names 0, the writer's own
  // code page, which for these documents was Windows-1252).
  int CodePage() const { return codePage_; }

  // The number of properties in the table (as far as it fits).
  std::uint32_t Count() const { return count_; }

 private:
  std::optional<std::uint32_t> OffsetOf(std::uint32_t id) const;
  std::optional<TPropertyValue> Decode(std::uint32_t offset) const;

  std::string section_;  // the section's bytes, from its size field on
  std::uint32_t count_ = 0;
  int codePage_ = 1252;
};

}  // namespace tessaly::extract
