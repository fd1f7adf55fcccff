// Fuzz target of whole-file loading: loads the input as a PDF document
// through the facade and reads every information field and the encryption
// state, then loads a second copy so the release of the first is covered.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pdf/PdfToolkit.h"

using namespace tessaly::pdf;

namespace {

// Inputs beyond this add no new paths, only time.
constexpr std::size_t kMaxInput = 256 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  TPdfToolkit toolkit;
  for (int pass = 0; pass < 2; ++pass) {
    if (toolkit.LoadFromMemory(bytes) == 0) break;
    toolkit.Encrypted();
    toolkit.EncryptionStrength();
    for (std::int64_t index = -1; index <= 9; ++index) toolkit.GetInformation(index);
  }
  return 0;
}
