// The depth-first folder walk of one search.
#pragma once

#include <string>
#include <vector>

#include "engine/SearchContext.h"

namespace tessaly::engine {

// Walks `folder` (no trailing `/`, except the root "/") and its sub-folders:
// entries matching a pattern of `patternText` are tested and listed, archives
// go to the archive step, sub-folders that are neither hidden, system nor
// links are walked. A folder that cannot be read adds nothing. Returns at
// once once the stop is requested. A folder that is missing adds nothing.
void WalkFolder(SearchContext& context, const std::string& folder, const std::string& patternText);

// Walks each location in turn as WalkFolder does; folders are listed by the
// search's walking threads ahead of the walk (criteria.walkThreads), and the
// rows, unreadable entries and messages come out as one thread makes them.
// A location that is not an existing folder is appended to `missingFolders`
// (its text, a line feed and a carriage return), unless the user may not
// reach it or its path is too long: then it is noted unreadable. A folder
// whose file system gives no answer for criteria.walkTimeoutSeconds is noted
// "timed out" and the walk goes on; a stop returns within milliseconds even
// while a listing is blocked in the kernel.
void WalkLocations(SearchContext& context, const std::vector<std::string>& locations, const std::string& patternText,
                   std::string& missingFolders);

// The status text of a folder: the folder itself when shorter than 78
// characters, else "..." and its last 78 characters.
std::string FolderStatusText(const std::string& folder);

}  // namespace tessaly::engine
