// PNG predictors (the rows of a FlateDecode stream with /Predictor 10 and up).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly::pdf {

// Undoes PNG row filters with one byte per pixel: rows of columns + 1 bytes
// (a trailing partial row is dropped), the first byte naming the filter type
// (0 None, 1 Sub, 2 Up, 3 Average, 4 Paeth), the rest `columns` data bytes.
// Empty when columns is below 1 or a type byte is above 4.
std::string PNGUnpredict(std::string_view data, std::int64_t columns);

}  // namespace tessaly::pdf
