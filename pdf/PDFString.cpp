// TPDFString: literal and hex text forms.
#include "pdf/PDFString.h"

namespace tessaly::pdf {

void TPDFString::AppendText(std::string& out, int /*depth*/) const {
  if (hexForm_) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out.reserve(out.size() + value_.size() * 2 + 2);
    out += '<';
    for (unsigned char ch : value_) {
      out += kHex[ch >> 4];
      out += kHex[ch & 15];
    }
    out += '>';
    return;
  }
  out += '(';
  for (char ch : value_) {
    switch (ch) {
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      case '(': out += "\\("; break;
      case ')': out += "\\)"; break;
      case '\\': out += "\\\\"; break;
      default: out += ch; break;
    }
  }
  out += ')';
}

}  // namespace tessaly::pdf
