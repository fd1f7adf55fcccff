// The per-file test: filters, known document type and content conditions.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ReadVerdict.h"
#include "engine/SearchContext.h"

namespace tessaly::engine {

// Whether the file at `path` (its size from the listing: `size`) is a hit,
// and why it could not be read when it could not. With no filter and no
// text it passes at once without looking at the file; otherwise the file
// must exist, pass the size and date filters and, with a content text, be
// read and hold it (ContentConditions.h). Errors of the work folder are
// raised to the caller.
ReadVerdict FileMatches(SearchContext& context, const std::string& path, std::int64_t size);

// Lower-cases the letters A to Z only.
std::string LowerAscii(std::string text);

}  // namespace tessaly::engine
