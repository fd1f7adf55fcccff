// Fuzz target: the PowerPoint record walk of pptext on any bytes.
#include <cstddef>
#include <cstdint>

#include "tools/pptext/PptText.h"

// Real "PowerPoint Document" streams are far smaller.
constexpr std::size_t kMaxInput = 1 << 20;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  const std::string text = tessaly::pptext::ExtractPptText(data, size);
  // Every record advances by at least its header, so text grows at most
  // with the input: a UTF-16 unit gives at most three bytes plus the LF.
  if (text.size() > 2 * size + 16) __builtin_trap();
  return 0;
}
