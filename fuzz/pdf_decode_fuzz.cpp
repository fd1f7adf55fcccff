// Fuzz target of PDF stream decoding. The input is a stream dictionary's
// text, a NUL byte and the stream's data; the stream is decoded through its
// dictionary's filters, and the data also through each filter alone.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/PDFASCII85.h"
#include "pdf/PDFFlate.h"
#include "pdf/PDFLZW.h"
#include "pdf/PDFPredictor.h"
#include "pdf/uPDFStructure.h"

using namespace tessaly::pdf;

namespace {

// Small inputs keep the worst chains (LZW into Flate) quick; they still
// reach the output cap.
constexpr std::size_t kMaxInput = 8 * 1024;
// The single filters run with a smaller cap than streams, for speed.
constexpr std::size_t kFilterCap = 4u * 1024u * 1024u;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view dictText = split == std::string_view::npos ? input : input.substr(0, split);
  const std::string payload(split == std::string_view::npos ? std::string_view() : input.substr(split + 1));

  TPDFStructure store;
  TPDFStream* stream = store.NewStream(payload);
  if (auto* dict = PDFAs<TPDFDictionary>(store.ParseObject(dictText))) stream->SetDictionary(dict);
  stream->DecodedStream();

  FlateDecode(payload, kFilterCap);
  ASCII85Decode(payload, kFilterCap);
  LZWDecode(payload, kFilterCap);
  if (!payload.empty()) PNGUnpredict(payload, static_cast<unsigned char>(payload[0]) % 16);
  return 0;
}
