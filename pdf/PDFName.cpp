// TPDFName: text form with "#xx" escapes.
#include "pdf/PDFName.h"

#include <string_view>

namespace tessaly::pdf {

void TPDFName::AppendText(std::string& out, int /*depth*/) const {
  static constexpr char kHex[] = "0123456789ABCDEF";
  static constexpr std::string_view kEscaped = "#%()/<>[]{}";
  out += '/';
  for (unsigned char ch : value_) {
    if (ch <= 32 || ch >= 127 || kEscaped.find(static_cast<char>(ch)) != std::string_view::npos) {
      out += '#';
      out += kHex[ch >> 4];
      out += kHex[ch & 15];
    } else {
      out += static_cast<char>(ch);
    }
  }
}

}  // namespace tessaly::pdf
