// TPDFNumeric: a PDF number, integer or real, held as a 64-bit float.
//
// The integer view rounds to the nearest integer with halves going to the
// even neighbour (2.5 gives 2, 3.5 gives 4). Whole numbers up to 2^53 are
// held exactly, so integer tokens beyond 32 bits (unsigned permission words,
// offsets past 2 GiB) keep their value; IntValue then gives the low 32 bits,
// the way a 32-bit field receives such a value (4294967292 gives -4).
//
// Text form: '.' as decimal separator whatever the locale, at most 15
// significant digits, exponent forms written as 0, cut (not rounded) to the
// store's NumberDecimals decimals, trailing zeros and point removed: 3.14159
// writes 3.1415, 612 writes 612, -0.5 writes -0.5, 1.00005 writes 1.
#pragma once

#include <cstdint>

#include "pdf/PDFObject.h"

namespace tessaly::pdf {

class TPDFNumeric : public TPDFObject {
 public:
  double Value() const { return value_; }
  void SetValue(double value) { value_ = value; }
  // Rounded half to even; saturates at the 64-bit range; NaN gives 0.
  std::int64_t Int64Value() const;
  // The low 32 bits of Int64Value, as a signed number.
  std::int32_t IntValue() const;
  void AppendText(std::string& out, int depth) const override;

 private:
  friend class TPDFStructure;
  TPDFNumeric(TPDFStructure& owner, double value) : TPDFObject(owner), value_(value) {}
  double value_ = 0;
};

}  // namespace tessaly::pdf
