// Decimal conversions and the number text form of the PDF component.
//
// Everything is done by hand or with std::to_chars, both of which ignore the
// process locale, so a German desktop still writes 3.1415 and not 3,1415.
#include "pdf/PDFNumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace tessaly::pdf {
namespace {

std::string_view TrimControlAndSpace(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  return text;
}

// Parses an optional sign and digits into a magnitude; false on other bytes
// or when the value leaves -maxPositive-1..maxPositive.
bool ParseInteger(std::string_view text, std::uint64_t maxPositive, std::int64_t& value) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  const std::uint64_t limit = negative ? maxPositive + 1 : maxPositive;
  std::uint64_t magnitude = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return false;
    const unsigned digit = static_cast<unsigned>(ch - '0');
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  if (!negative)
    value = static_cast<std::int64_t>(magnitude);
  else if (magnitude == maxPositive + 1)
    value = -static_cast<std::int64_t>(maxPositive) - 1;  // the type's most negative value
  else
    value = -static_cast<std::int64_t>(magnitude);
  return true;
}

}  // namespace

bool TryStrToInt32(std::string_view text, std::int32_t& value) {
  std::int64_t v = 0;
  if (!ParseInteger(text, static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()), v))
    return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

bool TryStrToInt64(std::string_view text, std::int64_t& value) {
  return ParseInteger(text, static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()),
                      value);
}

std::int32_t StrToInt32Def(std::string_view text, std::int32_t def) {
  std::int32_t v = def;
  return TryStrToInt32(text, v) ? v : def;
}

bool IsRealText(std::string_view text) {
  text = TrimControlAndSpace(text);
  int points = 0;
  bool seenMinus = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '.') {
      if (++points > 1) return false;
    } else if (ch == '-') {
      if (!seenMinus && i != 0) return false;
      seenMinus = true;
    } else if (ch < '0' || ch > '9') {
      return false;
    }
  }
  return true;
}

double StrToReal(std::string_view text) {
  text = TrimControlAndSpace(text);
  if (!IsRealText(text)) return 0;
  const std::size_t point = text.find('.');
  if (point == std::string_view::npos) {
    // Whole numbers keep 64-bit values: permission words are unsigned 32-bit
    // and offsets of large files pass 2^31.
    std::int64_t whole = 0;
    return TryStrToInt64(text, whole) ? static_cast<double>(whole) : 0.0;
  }
  const std::string_view intText = text.substr(0, point);
  double result = 0;
  std::int64_t whole = 0;
  if (!intText.empty() && intText != "-" && TryStrToInt64(intText, whole))
    result = std::fabs(static_cast<double>(whole));
  const std::string_view fraction = text.substr(point + 1, 9);
  std::int32_t fracValue = 0;
  if (!fraction.empty() && TryStrToInt32(fraction, fracValue)) {
    double scale = 1;
    for (std::size_t i = 0; i < fraction.size(); ++i) scale *= 10;
    result += fracValue / scale;
  }
  if (text.find('-') != std::string_view::npos) result = -result;
  return result;
}

std::string FormatPDFNumber(double value, std::int32_t decimals) {
  if (decimals < 0) decimals = 0;
  std::string text;
  if (!std::isfinite(value)) {
    text = "0";
  } else if (value == 0) {
    text = "0";
  } else {
    // 15 significant digits in d.dddddddddddddde±X form give the digits and
    // the exponent after rounding.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    const bool negative = sci.front() == '-';
    const std::size_t e = sci.find('e');
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < e; ++i)
      if (sci[i] != '.') digits += sci[i];
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int exponent = std::atoi(std::string(sci.substr(e + 1)).c_str());
    if (exponent >= 15 || std::fabs(value) < 0.00001) {
      // The general format would use an exponent here.
      text = "0.00";
    } else {
      if (negative) text += '-';
      if (exponent >= 0) {
        const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intDigits) {
          text += digits;
          text.append(intDigits - digits.size(), '0');
        } else {
          text += digits.substr(0, intDigits);
          text += '.';
          text += digits.substr(intDigits);
        }
      } else {
        text += "0.";
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
      }
    }
  }
  std::size_t point = text.find('.');
  if (point == std::string::npos) {
    point = text.size();
    text += '.';
  }
  const std::size_t want = point + 1 + static_cast<std::size_t>(decimals);
  if (text.size() > want)
    text.resize(want);
  else
    text.append(want - text.size(), '0');
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

}  // namespace tessaly::pdf
