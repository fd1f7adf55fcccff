// Builds property-set streams in memory for the tests: a header with one or
// more sections and typed values, little-endian as the format stores them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "extract/PropertySet.h"

namespace tessaly::extract::test {

struct TTestProperty {
  std::uint32_t id;
  std::uint16_t type;
  std::string value;  // the bytes after the type and padding, as stored
};

inline void PutLe(std::string& out, std::uint64_t v, int width) {
  for (int i = 0; i < width; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline TTestProperty Int32(std::uint32_t id, std::int32_t v) {
  std::string b;
  PutLe(b, static_cast<std::uint32_t>(v), 4);
  return {id, kTypeI4, b};
}
inline TTestProperty Int16(std::uint32_t id, std::int16_t v) {
  std::string b;
  PutLe(b, static_cast<std::uint16_t>(v), 2);
  b += std::string(2, '\0');  // values are padded to four bytes
  return {id, kTypeI2, b};
}
inline TTestProperty Time(std::uint32_t id, std::uint64_t v) {
  std::string b;
  PutLe(b, v, 8);
  return {id, kTypeFileTime, b};
}
// A string of type 30; the NUL is added and counted.
inline TTestProperty Text(std::uint32_t id, const std::string& s) {
  std::string b;
  PutLe(b, s.size() + 1, 4);
  b += s;
  b += '\0';
  while (b.size() % 4) b += '\0';
  return {id, kTypeString, b};
}
inline TTestProperty CodePage(int page) { return Int16(kCodePageProperty, static_cast<std::int16_t>(page)); }

// One section's bytes: size, count, the (id, offset) table, the values.
inline std::string SectionBytes(const std::vector<TTestProperty>& properties) {
  const std::size_t tableEnd = 8 + 8 * properties.size();
  std::string table, values;
  for (const TTestProperty& p : properties) {
    PutLe(table, p.id, 4);
    PutLe(table, tableEnd + values.size(), 4);
    PutLe(values, p.type, 2);
    PutLe(values, 0, 2);
    values += p.value;
  }
  std::string section;
  PutLe(section, tableEnd + values.size(), 4);
  PutLe(section, properties.size(), 4);
  return section + table + values;
}

// A whole stream with the sections given, each under its format identifier.
inline std::string StreamBytes(const std::vector<std::pair<TFormatId, std::string>>& sections) {
  std::string out;
  PutLe(out, 0xFFFE, 2);        // byte order
  PutLe(out, 0, 2);             // version
  PutLe(out, 0x00020006, 4);    // system identifier
  out += std::string(16, '\0');  // class identifier
  PutLe(out, sections.size(), 4);
  std::size_t at = 28 + 20 * sections.size();
  for (const auto& [id, bytes] : sections) {
    out.append(reinterpret_cast<const char*>(id.bytes.data()), id.bytes.size());
    PutLe(out, at, 4);
    at += bytes.size();
  }
  for (const auto& section : sections) out += section.second;
  return out;
}

inline std::string SummaryStream(const std::vector<TTestProperty>& properties) {
  return StreamBytes({{kSummaryInformationFormat, SectionBytes(properties)}});
}

}  // namespace tessaly::extract::test
