// TPDFNumeric: integer views and text form.
#include "pdf/PDFNumeric.h"

#include <cmath>
#include <limits>

#include "pdf/PDFNumberText.h"
#include "pdf/PDFStructure.h"

namespace tessaly::pdf {

std::int64_t TPDFNumeric::Int64Value() const {
  if (std::isnan(value_)) return 0;
  // Half to even by hand, so a changed floating-point rounding mode of the
  // process cannot change the result.
  const double floor = std::floor(value_);
  const double diff = value_ - floor;
  double rounded = floor;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0)) rounded = floor + 1;
  if (rounded >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
  if (rounded < -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(rounded);
}

std::int32_t TPDFNumeric::IntValue() const {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(
      static_cast<std::uint64_t>(Int64Value())));
}

void TPDFNumeric::AppendText(std::string& out, int /*depth*/) const {
  out += FormatPDFNumber(value_, Owner().NumberDecimals());
}

}  // namespace tessaly::pdf
