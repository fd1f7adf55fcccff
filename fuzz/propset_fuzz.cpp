// Fuzz target for the property-set stream reader and the summary lines.
//
// The input is a property-set stream. It is read for the summary
// information's format identifier and every property 0 to 31 is decoded;
// then the 18 summary lines are built from it, which also formats every
// file time the bytes hold. A second read uses the format identifier found
// in the input itself, so sections other than the summary's are walked too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "extract/PropertySet.h"
#include "extract/SummaryInfo.h"

namespace {

using namespace tessaly::extract;

// The reader itself cuts at 4 MiB; smaller inputs cover everything.
constexpr std::size_t kMaxInput = 1 << 16;

void Walk(std::string_view bytes, const TFormatId& format, bool lines) {
  try {
    const TPropertySet set(bytes, format);
    for (std::uint32_t id = 0; id < 32; ++id) {
      const auto value = set.Read(id);
      if (value && value->text && value->type != kTypeString) std::abort();
    }
    if (lines) {
      const std::string text = SummaryInfoText(set);
      if (!text.empty() && text.back() != '\r') std::abort();
    }
  } catch (const TPropertySetError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Walk(bytes, kSummaryInformationFormat, true);
  if (size >= 44) {
    TFormatId own;
    for (std::size_t i = 0; i < own.bytes.size(); ++i) own.bytes[i] = data[28 + i];
    Walk(bytes, own, false);
  }
  return 0;
}
