// The depth-first folder walk of one search.
#pragma once

#include <string>

#include "engine/SearchContext.h"

namespace tessaly::engine {

// Walks `folder` (no trailing `/`, except the root "/") and its sub-folders:
// entries matching a pattern of `patternText` are tested and listed, archives
// go to the archive step, sub-folders that are neither hidden, system nor
// links are walked. A folder that cannot be read adds nothing. Returns at
// once once the stop is requested.
void WalkFolder(SearchContext& context, const std::string& folder, const std::string& patternText);

// The status text of a folder: the folder itself when shorter than 78
// characters, else "..." and its last 78 characters.
std::string FolderStatusText(const std::string& folder);

}  // namespace tessaly::engine
