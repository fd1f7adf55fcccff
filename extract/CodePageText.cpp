// Code-page conversion of property-set strings with iconv.
#include "extract/CodePageText.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/Unicode.h"

namespace tessaly::extract {
namespace {

using platform::AppendUtf8;

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8;
  };
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t u = unit(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u < 0xE000) {
      out += kReplacement;
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

// Owns one iconv descriptor.
class TIconv {
 public:
  explicit TIconv(const std::string& from) : cd_(iconv_open("UTF-8", from.c_str())) {}
  ~TIconv() {
    if (ok()) iconv_close(cd_);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

std::string IconvToUtf8(std::string_view bytes, TIconv& cd) {
  std::string out;
  char buffer[1024];
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* o = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t r = iconv(cd.get(), &in, &inLeft, &o, &outLeft);
    out.append(buffer, static_cast<std::size_t>(o - buffer));
    if (r != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ, or EINVAL for a sequence cut off at the end: one byte is
    // replaced and the conversion starts again after it.
    out += kReplacement;
    ++in;
    --inLeft;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  }
  char* o = buffer;
  std::size_t outLeft = sizeof buffer;
  iconv(cd.get(), nullptr, nullptr, &o, &outLeft);
  out.append(buffer, static_cast<std::size_t>(o - buffer));
  return out;
}

}  // namespace

std::string CodePageToUtf8(std::string_view bytes, int codePage) {
  if (codePage == kCodePageUtf8) return std::string(bytes);
  if (codePage == kCodePageUtf16) return Utf16LeToUtf8(bytes);
  if (bytes.empty()) return {};
  TIconv named("CP" + std::to_string(codePage));
  if (named.ok()) return IconvToUtf8(bytes, named);
  TIconv fallback("CP1252");
  if (fallback.ok()) return IconvToUtf8(bytes, fallback);
  std::string out;  // no iconv tables at all: ASCII only
  for (char c : bytes) out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : std::string(kReplacement);
  return out;
}

}  // namespace tessaly::extract
