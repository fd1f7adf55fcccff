// The close-time clean-up of the work folder.
//
// Qt-free. The window calls it with its conditions of the moment: the
// temporary files are found by the same walk as a search's, so the
// conditions apply to them as to any other file.
#pragma once

#include <string>

#include "engine/ResultStore.h"
#include "engine/SearchCriteria.h"

namespace tessaly::ui {

// For "tempdat*.*" and then "tmp*.*": empties `store`, walks `folder` with
// the pattern under `conditions` (no archive members), and deletes every
// listed row that is a regular file of `folder` itself (found there, not in
// a sub-folder; a link or folder is never deleted, and nothing is followed).
// Deletion failures are ignored. Leaves `store` empty. Returns the number of
// files deleted.
int CleanWorkFolder(const engine::SearchCriteria& conditions, const std::string& folder,
                    engine::ResultStore& store);

}  // namespace tessaly::ui
