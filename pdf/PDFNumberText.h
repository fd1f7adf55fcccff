// Number text of the PDF component: reading decimal numbers from PDF text
// and writing numbers with '.' as the decimal separator. Nothing here reads
// or changes the process locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly::pdf {

// Decimal integer text: an optional "+" or "-" and one or more digits,
// nothing else. False when the text is not of that form or the value does
// not fit; `value` is then untouched.
bool TryStrToInt32(std::string_view text, std::int32_t& value);
bool TryStrToInt64(std::string_view text, std::int64_t& value);
// The same with `def` as the result on failure.
std::int32_t StrToInt32Def(std::string_view text, std::int32_t def);

// The validity test of StrToReal: after trimming bytes up to and including
// the space at both ends, only digits, "." and "-", at most one ".", and a
// "-" only when the first "-" is the first byte. The empty text passes.
bool IsRealText(std::string_view text);

// The component's decimal conversion: an invalid text gives 0. Without "."
// the integer value (0 when it is not an integer or does not fit 64 bits);
// with "." the integer part (0 when empty, "-" or not convertible) made
// non-negative plus at most nine fraction digits, negated when the text
// holds a "-". Digits after the ninth fraction digit are ignored.
double StrToReal(std::string_view text);

// A number's text form with at most `decimals` decimals: general format with
// 15 significant digits, an exponent form giving "0", cut (not rounded) to
// `decimals` digits, trailing zeros and then a trailing point removed.
// Infinite and NaN values write "0".
std::string FormatPDFNumber(double value, std::int32_t decimals);

}  // namespace tessaly::pdf
