// The decoding table, the Windows-1252 code page and UTF-16 decoding used
// for document-information texts.
#include "pdf/PDFTextString.h"

#include <array>
#include <cstdint>

namespace tessaly::pdf {
namespace {

// Pairs (PDF byte, Windows-1252 byte) where the table differs from identity.
constexpr std::uint8_t kDecodingPairs[][2] = {
    {0x1A, 0x88}, {0x1F, 0x98}, {0x80, 0x95}, {0x81, 0x86}, {0x82, 0x87}, {0x83, 0x85}, {0x84, 0x97},
    {0x85, 0x96}, {0x86, 0x83}, {0x87, 0x1F}, {0x88, 0x8B}, {0x89, 0x9B}, {0x8A, 0x81}, {0x8B, 0x89},
    {0x8C, 0x84}, {0x8D, 0x93}, {0x8E, 0x94}, {0x8F, 0x91}, {0x90, 0x92}, {0x91, 0x82}, {0x92, 0x99},
    {0x93, 0x8D}, {0x94, 0x8F}, {0x95, 0x90}, {0x96, 0x8C}, {0x97, 0x8A}, {0x98, 0x9F}, {0x99, 0x8E},
    {0x9A, 0xA0}, {0x9B, 0xAD}, {0x9D, 0x9A}, {0x9F, 0x1A}, {0xA0, 0x80}, {0xAD, 0x9D}};

constexpr std::array<std::uint8_t, 256> MakeDecodingTable() {
  std::array<std::uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(i);
  for (const auto& pair : kDecodingPairs) table[pair[0]] = pair[1];
  return table;
}

constexpr std::array<std::uint8_t, 256> kDecodingTable = MakeDecodingTable();

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

unsigned char PdfDocToWindows1252(unsigned char byte) { return kDecodingTable[byte]; }

std::string Windows1252ToUtf8(std::string_view bytes) { return platform::Windows1252ToUtf8(bytes); }


std::string Utf16ToUtf8(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u >= 0xD800 && u < 0xDC00) {
      if (i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
        const char32_t c = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00);
        AppendUtf8(out, c);
        ++i;
      } else {
        AppendUtf8(out, kReplacement);
      }
    } else if (u >= 0xDC00 && u < 0xE000) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

std::string DecodeTextString(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == 0xFE && static_cast<std::uint8_t>(bytes[1]) == 0xFF) {
    std::u16string units;
    const std::size_t count = (bytes.size() - 2) / 2;
    units.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
      const auto high = static_cast<std::uint8_t>(bytes[2 + 2 * k]);
      const auto low = static_cast<std::uint8_t>(bytes[3 + 2 * k]);
      units.push_back(static_cast<char16_t>((high << 8) | low));
    }
    return Utf16ToUtf8(units);
  }
  std::string mapped(bytes);
  for (char& c : mapped) c = static_cast<char>(kDecodingTable[static_cast<std::uint8_t>(c)]);
  return Windows1252ToUtf8(mapped);
}

}  // namespace tessaly::pdf
