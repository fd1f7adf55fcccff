// One result row: the entry's name, its size text and the folder (or
// archive) that holds it; for a content search also when the file was last
// written and where its text matched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/TextMatch.h"

namespace tessaly::engine {

struct ItemData {
  std::string Name;  // entry name, or the member path inside an archive
  std::string Size;  // "<n> b|Kb|Mb|Gb" or "[folder]"
  std::string Path;  // holding folder without trailing `/`, or the archive's path
  // Last write, seconds since 1970 (UTC); 0 when not known.
  std::int64_t Modified = 0;
  // The matching lines, first match first (a content search's hits).
  std::vector<TextMatch> Matches{};
  bool operator==(const ItemData&) const = default;
};

}  // namespace tessaly::engine
