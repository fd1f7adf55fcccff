// The content conditions of the per-file test: for each document type whose
// marker occurs in the lower-cased path, whether the file holds the text.
#pragma once

#include <string>

#include "engine/SearchContext.h"

namespace tessaly::engine {

// The PDF, DOC, TXT, RTF, XLS, PPT, ODT, ODS, ODP and HTM conditions
// together, in that order; false as soon as one fails. DOC, XLS and PPT
// files that are office packages, and the OpenDocument types, are read
// in-process and searched with the text scanner's folding. `lowerPath` is `path` lower-cased in A
// to Z. Errors of converters and scanner are raised.
bool ContentConditionsPass(SearchContext& context, const std::string& path, const std::string& lowerPath);

}  // namespace tessaly::engine
