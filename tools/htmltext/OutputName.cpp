// Output naming: cut at ".htm", ".sht" or the first dot of the file's own name.
#include "tools/htmltext/OutputName.h"

namespace tessaly::htmltext {

std::string OutputNameFor(std::string_view input) {
  const std::size_t slash = input.rfind('/');
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const std::string_view name = input.substr(nameStart);

  std::size_t cut = name.find(".htm");
  if (cut == std::string_view::npos) cut = name.find(".sht");
  if (cut == std::string_view::npos) cut = name.find('.');

  std::string output(input.substr(0, cut == std::string_view::npos ? input.size() : nameStart + cut));
  output += ".txt";
  return output;
}

}  // namespace tessaly::htmltext
