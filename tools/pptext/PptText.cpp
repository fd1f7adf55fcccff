// The record walk over a "PowerPoint Document" stream.
#include "tools/pptext/PptText.h"

#include "platform/Unicode.h"

namespace tessaly::pptext {
namespace {

using platform::AppendUtf8;

constexpr std::size_t kHeaderSize = 8;
constexpr std::uint16_t kContainerVersion = 0xF;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// One character of slide text: breaks become LF, other control characters
// but TAB are dropped.
void AppendChar(std::string& out, std::uint32_t cp) {
  if (cp == 0x0D || cp == 0x0B) {
    out += '\n';
  } else if (cp >= 0x20 || cp == 0x09) {
    AppendUtf8(out, cp);
  }
}

void AppendUtf16(std::string& out, const std::uint8_t* p, std::size_t size) {
  const std::size_t units = size / 2;
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t cp = U16(p + 2 * i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units) {
      const std::uint32_t low = U16(p + 2 * (i + 1));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      } else {
        cp = 0xFFFD;
      }
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;  // unpaired surrogate
    }
    AppendChar(out, cp);
  }
  out += '\n';
}

void AppendBytes(std::string& out, const std::uint8_t* p, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) AppendChar(out, p[i]);
  out += '\n';
}

void Walk(const std::uint8_t* data, std::size_t begin, std::size_t end, int depth, std::string& out) {
  std::size_t pos = begin;
  while (end - pos >= kHeaderSize) {
    const std::uint16_t version = U16(data + pos) & 0x0F;
    const std::uint16_t type = U16(data + pos + 2);
    const std::uint32_t length = U32(data + pos + 4);
    const std::size_t body = pos + kHeaderSize;
    if (length > end - body) return;  // overruns its container: damaged
    if (version == kContainerVersion) {
      if (type != kMainMaster && depth < kMaxDepth) Walk(data, body, body + length, depth + 1, out);
    } else if (type == kTextCharsAtom) {
      AppendUtf16(out, data + body, length);
    } else if (type == kTextBytesAtom) {
      AppendBytes(out, data + body, length);
    }
    pos = body + length;
  }
}

}  // namespace

std::string ExtractPptText(const std::uint8_t* data, std::size_t size) {
  std::string out;
  if (data && size > 0) Walk(data, 0, size, 0, out);
  return out;
}

}  // namespace tessaly::pptext
