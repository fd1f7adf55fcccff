// One result row: the entry's name, its size text and the folder (or
// archive) that holds it.
#pragma once

#include <string>

namespace tessaly::engine {

struct ItemData {
  std::string Name;  // entry name, or the member path inside an archive
  std::string Size;  // "<n> b|Kb|Mb|Gb" or "[folder]"
  std::string Path;  // holding folder without trailing `/`, or the archive's path
  bool operator==(const ItemData&) const = default;
};

}  // namespace tessaly::engine
