// A hit's text read again for the preview: its matching lines with their
// places, found by the search's matcher through the readers of the search,
// and whether the file is still as the search saw it.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "engine/ItemData.h"
#include "engine/TextMatch.h"

namespace tessaly::engine {

class TPatternMatcher;
struct SearchCriteria;

struct HitText {
  std::vector<TextMatch> lines;
  // Said above the lines: the file vanished or changed since the search,
  // could not be read, or is an archive member (its lines are the search's).
  std::string note;
};

// Reads the file of `row` (a folder's file; an archive member's lines are
// those the search kept) by the kind decision and the reader of its kind,
// as the search `criteria` read it, into a sink of `matcher`, which decides
// how many lines are kept. `stop` ends the read early (a newer selection);
// what was found by then is returned. Never throws for a file's faults.
HitText ReadHitText(const ItemData& row, const SearchCriteria& criteria, const TPatternMatcher& matcher,
                    const std::atomic<bool>& stop);

}  // namespace tessaly::engine
