// Property-set stream reader: header, section look-up and value decoding
// from a bounds-checked view of the bytes.
#include "extract/PropertySet.h"

#include <algorithm>

#include "extract/CodePageText.h"

namespace tessaly::extract {

const TFormatId kSummaryInformationFormat{{0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10, 0xAB, 0x91, 0x08, 0x00,
                                           0x2B, 0x27, 0xB3, 0xD9}};

namespace {

// Stream header: byte order (2), version (2), system identifier (4), class
// identifier (16), section count (4); then per section its format
// identifier (16) and offset (4).
constexpr std::size_t kByteOrderOffset = 0;
constexpr std::size_t kSectionCountOffset = 24;
constexpr std::size_t kSectionListOffset = 28;
constexpr std::size_t kSectionEntrySize = 20;
constexpr std::uint16_t kByteOrderMark = 0xFFFE;

// Section header: size (4), property count (4), then (identifier, offset)
// pairs of 8 bytes each.
constexpr std::size_t kSectionHeaderSize = 8;
constexpr std::size_t kPropertyEntrySize = 8;

// Value header: type (2) and padding (2).
constexpr std::size_t kValueHeaderSize = 4;

std::uint32_t Get(std::string_view bytes, std::size_t at, std::size_t width) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < width; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return v;
}

bool Fits(std::string_view bytes, std::size_t at, std::size_t width) {
  return at <= bytes.size() && width <= bytes.size() - at;
}

// The number of bytes a scalar value of `type` takes; 0 for no scalar.
std::size_t ScalarSize(std::uint16_t type) {
  switch (type) {
    case 16: case 17:  // VT_I1, VT_UI1
      return 1;
    case 2: case 11: case 18:  // VT_I2, VT_BOOL, VT_UI2
      return 2;
    case 3: case 4: case 10: case 19: case 22: case 23:  // VT_I4, VT_R4, VT_ERROR, VT_UI4, VT_INT, VT_UINT
      return 4;
    case 5: case 6: case 7: case 20: case 21: case 64:  // VT_R8, VT_CY, VT_DATE, VT_I8, VT_UI8, VT_FILETIME
      return 8;
    default:
      return 0;
  }
}

// A string of type 30 up to its first NUL: one zero byte, or one zero
// 16-bit unit in a UTF-16 set.
std::string_view CutAtNul(std::string_view chars, int codePage) {
  if (codePage == kCodePageUtf16) {
    for (std::size_t i = 0; i + 1 < chars.size(); i += 2)
      if (chars[i] == 0 && chars[i + 1] == 0) return chars.substr(0, i);
    return chars;
  }
  const std::size_t nul = chars.find('\0');
  return nul == std::string_view::npos ? chars : chars.substr(0, nul);
}

}  // namespace

TPropertySet::TPropertySet(std::string_view stream, const TFormatId& format) {
  if (stream.size() > kMaxStreamBytes) stream = stream.substr(0, kMaxStreamBytes);
  if (!Fits(stream, 0, kSectionListOffset)) throw TPropertySetError("the property-set header is cut short");
  if (Get(stream, kByteOrderOffset, 2) != kByteOrderMark)
    throw TPropertySetError("the property-set header has no byte-order mark");

  const std::uint32_t sections = Get(stream, kSectionCountOffset, 4);
  std::optional<std::uint32_t> sectionOffset;
  for (std::uint32_t i = 0; i < sections && !sectionOffset; ++i) {
    const std::size_t at = kSectionListOffset + std::size_t{i} * kSectionEntrySize;
    if (!Fits(stream, at, kSectionEntrySize)) break;
    TFormatId id;
    std::copy_n(reinterpret_cast<const std::uint8_t*>(stream.data() + at), id.bytes.size(), id.bytes.begin());
    if (id == format) sectionOffset = Get(stream, at + 16, 4);
  }
  if (!sectionOffset) throw TPropertySetError("the stream holds no section of the property set");
  if (!Fits(stream, *sectionOffset, kSectionHeaderSize))
    throw TPropertySetError("the property-set section lies outside the stream");

  std::string_view section = stream.substr(*sectionOffset);
  const std::uint32_t size = Get(section, 0, 4);
  if (size < section.size()) section = section.substr(0, std::max<std::size_t>(size, kSectionHeaderSize));
  section_.assign(section);

  const std::size_t fit = (section_.size() - kSectionHeaderSize) / kPropertyEntrySize;
  count_ = static_cast<std::uint32_t>(std::min<std::size_t>(Get(section_, 4, 4), fit));

  if (const std::optional<TPropertyValue> page = Read(kCodePageProperty)) {
    const int number = static_cast<int>(page->slot & 0xFFFF);
    if (number != 0) codePage_ = number;
  }
}

std::optional<std::uint32_t> TPropertySet::OffsetOf(std::uint32_t id) const {
  for (std::uint32_t i = 0; i < count_; ++i) {
    const std::size_t at = kSectionHeaderSize + std::size_t{i} * kPropertyEntrySize;
    if (Get(section_, at, 4) == id) return Get(section_, at + 4, 4);
  }
  return std::nullopt;
}

std::optional<TPropertyValue> TPropertySet::Read(std::uint32_t id) const {
  const std::optional<std::uint32_t> offset = OffsetOf(id);
  if (!offset) return std::nullopt;
  return Decode(*offset);
}

std::optional<TPropertyValue> TPropertySet::Decode(std::uint32_t offset) const {
  const std::string_view bytes(section_);
  if (!Fits(bytes, offset, kValueHeaderSize)) return std::nullopt;
  TPropertyValue value;
  value.type = static_cast<std::uint16_t>(Get(bytes, offset, 2));
  const std::size_t at = std::size_t{offset} + kValueHeaderSize;

  if (const std::size_t width = ScalarSize(value.type)) {
    if (!Fits(bytes, at, width)) return std::nullopt;
    for (std::size_t i = 0; i < width; ++i)
      value.slot |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
  }
  if (value.type == kTypeString) {
    if (!Fits(bytes, at, 4)) return std::nullopt;
    const std::uint32_t length = Get(bytes, at, 4);  // in bytes, the NUL included
    if (!Fits(bytes, at + 4, length)) return std::nullopt;
    // The set's own code page: property 1 is itself a number, so reading it
    // while the constructor runs never comes here.
    const std::string_view chars = CutAtNul(bytes.substr(at + 4, length), codePage_);
    value.text = CodePageToUtf8(chars, codePage_);
  }
  return value;
}

}  // namespace tessaly::extract
