// Size texts and member-name decoding shared by the nine readers.
#include "archives/ArchiveMember.h"

namespace tessaly::archives {

std::string MemberSizeText(std::uint64_t size) {
  if (size > 1000000) return std::to_string(size / 1000000) + " Mb";
  if (size > 1000) return std::to_string(size / 1000) + " Kb";
  return std::to_string(size) + " b";
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t len;
    std::uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > text.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const auto t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

namespace {

}  // namespace

std::string MemberNameText(std::string_view stored) {
  const std::size_t nul = stored.find('\0');
  if (nul != std::string_view::npos) stored = stored.substr(0, nul);
  std::string name(stored);
  for (char& c : name)
    if (c == '\\') c = '/';
  if (IsValidUtf8(name)) return name;
  std::string out;
  out.reserve(name.size() * 2);
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    AppendUtf8(out, platform::Windows1252ToCodePoint(c));
  }
  return out;
}

std::string Utf16ToUtf8(const std::vector<std::uint16_t>& units) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const std::uint32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else {
      AppendUtf8(out, u);  // a lone surrogate becomes U+FFFD there
    }
  }
  return out;
}

}  // namespace tessaly::archives
