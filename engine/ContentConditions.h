// The content conditions of the per-file test: for each document type whose
// marker occurs in the lower-cased path, whether the file holds the text.
#pragma once

#include <optional>
#include <string>

#include "engine/ReadVerdict.h"

#include "engine/SearchContext.h"

namespace tessaly::engine {

// The PDF, DOC, TXT, RTF, XLS, PPT, ODT, ODS, ODP and HTM conditions
// together, in that order; no match as soon as one fails, with the cause
// when that step could not read the document (a file the user may not read,
// a converter that failed or timed out, a damaged or encrypted document, a
// package past a reader's limit). DOC, XLS and PPT files that are office
// packages, and the OpenDocument types, are read in-process and searched
// with the text scanner's folding. `lowerPath` is `path` lower-cased in A
// to Z. Errors of the work folder are raised.
ReadVerdict ContentConditionsPass(SearchContext& context, const std::string& path, const std::string& lowerPath);

// Why the file at `path` cannot be opened for reading, when it is for a
// reason the user should hear of: permission denied, or a path past the
// system's limit. Nothing when it opens (or has vanished).
std::optional<UnreadableCause> OpenProblem(const std::string& path);

// The cause of an error number of a failed open or read: EACCES and EPERM
// give PermissionDenied, ENAMETOOLONG PathTooLong, EFBIG and EOVERFLOW
// TooLarge, ENOENT, ENOTDIR and ELOOP nothing (the entry vanished or was
// replaced since it was listed), anything else Damaged.
std::optional<UnreadableCause> CauseOfErrno(int error);

}  // namespace tessaly::engine
