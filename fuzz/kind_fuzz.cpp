// Fuzz target: the kind decision (names, signatures, text encodings) and
// the streaming decoder of text files, fed in two pieces split where the
// input says.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/DocumentKind.h"
#include "engine/DocumentSource.h"
#include "engine/TextDecoder.h"

namespace {

constexpr std::size_t kMaxInput = 1 << 20;
constexpr const char* kNames[] = {"file", "a.txt", "a.doc", "a.pdf", "a.epub", "a.odt", "a.xls.htm", "README"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly::engine;
  if (size < 2 || size > kMaxInput) return 0;
  const char* name = kNames[data[0] % (sizeof kNames / sizeof kNames[0])];
  const std::size_t split = data[1] % (size - 1);
  const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  TDocumentSource source(name, bytes);
  try {
    (void)DecideKind(source);
  } catch (const std::exception&) {
    // A member copy that cannot be written: not the parser's fault.
  }
  (void)TextKindOf(bytes, true);
  for (const TextEncoding e : {TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Utf16BE, TextEncoding::SingleByte}) {
    TTextDecoder decoder(e);
    std::size_t total = decoder.Decode(std::string_view(bytes).substr(0, split)).size();
    total += decoder.Decode(std::string_view(bytes).substr(std::min(split, bytes.size()))).size();
    total += decoder.Finish().size();
    // Every input byte gives at most three bytes of UTF-8 (a 1252 byte or
    // half a UTF-16 unit at most two), so the output stays bounded.
    if (total > 3 * bytes.size() + 3) __builtin_trap();
  }
  return 0;
}
