// Bounded reading of NUL-terminated names.
#include "archives/ReaderSupport.h"

namespace tessaly::archives {

std::optional<std::string> ReadTerminatedName(TByteCursor& c, std::size_t limit, char stop) {
  std::string name;
  while (true) {
    std::uint8_t b;
    if (!c.U8(b)) return std::nullopt;
    if (b == 0 || static_cast<char>(b) == stop) return name;
    if (name.size() >= limit) {
      c.Seek(c.Size());
      return std::nullopt;
    }
    name += static_cast<char>(b);
  }
}

}  // namespace tessaly::archives
