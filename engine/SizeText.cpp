// Size texts of plain files.
#include "engine/SizeText.h"

namespace tessaly::engine {

std::string SizeText(std::uint64_t n) {
  static const char* const kUnits[] = {"b", "Kb", "Mb", "Gb"};
  int unit = 0;
  while (unit < 3 && n / 1024 > 0) {
    n /= 1024;
    ++unit;
  }
  return std::to_string(n) + " " + kUnits[unit];
}

}  // namespace tessaly::engine
