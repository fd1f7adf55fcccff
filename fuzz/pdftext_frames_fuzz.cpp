// Fuzz target of the helper protocol's frame decoder: the input is fed in
// pieces whose sizes its first byte chooses, and every frame handed out must
// lie inside what was fed and within the cap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "extract/PdfTextFrames.h"

using namespace tessaly::extract::pdftext;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 4 * 1024 * 1024) return 0;
  const std::size_t step = 1 + data[0] % 64;
  constexpr std::size_t kCap = 4096;
  FrameDecoder decoder(kCap);
  std::size_t fed = 0, taken = 0;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  const std::size_t length = size - 1;
  while (fed < length) {
    const std::size_t piece = std::min(step, length - fed);
    decoder.Feed(bytes + fed, piece);
    fed += piece;
    Frame frame;
    for (;;) {
      const auto r = decoder.Next(frame);
      if (r == FrameDecoder::Result::Bad) return 0;
      if (r == FrameDecoder::Result::NeedMore) break;
      if (frame.payload.size() + 1 > kCap) std::abort();
      taken += 5 + frame.payload.size();
      if (taken > fed) std::abort();
      volatile char sink = frame.payload.empty() ? 0 : frame.payload.back();
      (void)sink;
    }
  }
  if (taken + decoder.Pending() != fed) std::abort();
  return 0;
}
