// Parsing of the kernel's mount table.
#include "platform/Mounts.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace tessaly::platform {
namespace {

// The table writes blanks, tabs, newlines and backslashes as \ooo.
std::string DecodeOctalEscapes(const std::string& s) {
  std::string out;
  for (std::size_t k = 0; k < s.size(); ++k) {
    if (s[k] == '\\' && k + 3 < s.size()) {
      int v = 0;
      bool octal = true;
      for (int d = 1; d <= 3; ++d) {
        char c = s[k + d];
        if (c < '0' || c > '7') octal = false;
        else v = v * 8 + (c - '0');
      }
      if (octal) {
        out.push_back(static_cast<char>(v));
        k += 3;
        continue;
      }
    }
    out.push_back(s[k]);
  }
  return out;
}

}  // namespace

std::vector<MountEntry> ParseMounts(const std::string& text) {
  std::vector<MountEntry> result;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    MountEntry e;
    if (!(fields >> e.device >> e.point >> e.type)) continue;
    e.device = DecodeOctalEscapes(e.device);
    e.point = DecodeOctalEscapes(e.point);
    result.push_back(std::move(e));
  }
  return result;
}

std::string ReadMountsText() {
  std::ifstream in("/proc/self/mounts");
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace tessaly::platform
