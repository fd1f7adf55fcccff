// Wildcard expansion of file name arguments over one folder listing each.
#include "tools/htmltext/ArgumentExpansion.h"

#include <algorithm>

#include "platform/DirListing.h"
#include "platform/Wildcard.h"

namespace tessaly::htmltext {

namespace {

bool HasWildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

unsigned char AsciiLower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

// The names in `folder` matching `pattern`, sorted; empty when the folder
// cannot be read.
std::vector<std::string> MatchingNames(const std::string& folder, const std::string& pattern) {
  platform::FolderListing listing(folder.empty() ? std::string(".") : folder);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < listing.size(); ++i) {
    const std::string& name = listing.name(i);
    if (name == "." || name == "..") continue;
    if (platform::WildcardMatch(pattern, name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), NameLessCaseBlind);
  return names;
}

}  // namespace

bool NameLessCaseBlind(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char ca = AsciiLower(static_cast<unsigned char>(a[i]));
    const unsigned char cb = AsciiLower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

std::vector<std::string> ExpandArguments(const std::vector<std::string>& arguments) {
  std::vector<std::string> expanded;
  for (const std::string& argument : arguments) {
    const std::size_t slash = argument.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string folder = argument.substr(0, nameStart);
    const std::string pattern = argument.substr(nameStart);
    // Only the last component is a pattern; a wildcard in a folder part
    // names no folder, so such an argument stays a plain name.
    if (!HasWildcard(pattern) || HasWildcard(folder)) {
      expanded.push_back(argument);
      continue;
    }
    const std::vector<std::string> names = MatchingNames(folder, pattern);
    if (names.empty()) {
      expanded.push_back(argument);
      continue;
    }
    for (const std::string& name : names) expanded.push_back(folder + name);
  }
  return expanded;
}

}  // namespace tessaly::htmltext
