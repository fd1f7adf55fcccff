// PNG row filters undone with one byte per pixel (PNG specification,
// section 9: filter types None, Sub, Up, Average and Paeth).
#include "pdf/PDFPredictor.h"

#include <cstdlib>

namespace tessaly::pdf {
namespace {

unsigned char Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<unsigned char>(a);
  if (pb <= pc) return static_cast<unsigned char>(b);
  return static_cast<unsigned char>(c);
}

}  // namespace

std::string PNGUnpredict(std::string_view data, std::int64_t columns) {
  if (columns < 1) return {};
  const std::size_t width = static_cast<std::size_t>(columns);
  if (width >= data.size()) return {};  // not even one full row
  const std::size_t rowSize = width + 1;
  const std::size_t rows = data.size() / rowSize;
  std::string out(rows * width, '\0');
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  const auto* in = reinterpret_cast<const unsigned char*>(data.data());
  for (std::size_t r = 0; r < rows; ++r) {
    const unsigned char type = in[r * rowSize];
    const unsigned char* src = in + r * rowSize + 1;
    unsigned char* cur = o + r * width;
    const unsigned char* prev = r > 0 ? cur - width : nullptr;
    for (std::size_t x = 0; x < width; ++x) {
      const int left = x > 0 ? cur[x - 1] : 0;
      const int up = prev ? prev[x] : 0;
      const int upLeft = prev && x > 0 ? prev[x - 1] : 0;
      int predicted;
      switch (type) {
        case 0: predicted = 0; break;
        case 1: predicted = left; break;
        case 2: predicted = up; break;
        case 3: predicted = (left + up) / 2; break;
        case 4: predicted = Paeth(left, up, upLeft); break;
        default: return {};  // not a PNG filter type: the data is not predicted rows
      }
      cur[x] = static_cast<unsigned char>(src[x] + predicted);
    }
  }
  return out;
}

}  // namespace tessaly::pdf
