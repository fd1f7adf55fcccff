// Fuzz target for the htmltext conversion.
//
// The input is split at its first byte into two "files" converted with one
// converter, as htmltext does with two arguments. Each part goes through the
// text-mode reader, the converter and the output translation. The whole run
// is repeated with the bytes fed one chunk of 7 at a time; both runs must give
// the same text, since reading in chunks may not change the conversion. The
// output name of the input (as a path) is built as well.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/htmltext/HtmlConverter.h"
#include "tools/htmltext/OutputName.h"
#include "tools/htmltext/TextMode.h"

namespace {

using namespace tessaly::htmltext;

// Inputs longer than this add nothing the shorter ones do not cover.
constexpr std::size_t kMaxInput = 1 << 20;

std::string ConvertFiles(std::string_view first, std::string_view second, std::size_t chunk) {
  THtmlConverter converter;
  std::string result;
  for (std::string_view file : {first, second}) {
    TTextModeReader reader;
    std::string logical, text;
    for (std::size_t at = 0; at < file.size(); at += chunk) {
      logical.clear();
      reader.Translate(file.substr(at, chunk), logical);
      converter.Convert(logical, text);
    }
    logical.clear();
    reader.Finish(logical);
    converter.Convert(logical, text);
    AppendTextModeOutput(text, result);
    result += '\0';  // file boundary
  }
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::size_t split = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]);
  if (!bytes.empty()) bytes.remove_prefix(1);
  if (split > bytes.size()) split = bytes.size();
  const std::string_view first = bytes.substr(0, split), second = bytes.substr(split);

  const std::string whole = ConvertFiles(first, second, bytes.size() + 1);
  const std::string chunked = ConvertFiles(first, second, 7);
  if (whole != chunked) std::abort();

  const std::string name = OutputNameFor(bytes);
  if (name.size() < 4 || name.compare(name.size() - 4, 4, ".txt") != 0) std::abort();
  return 0;
}
