// The content test of one document whose name matched: its kind decided
// once (DocumentKind.h), then its text read by the kind's reader into the
// search's matcher, or, for a search "in" an information field, that field
// of the document tested. A document is a hit only when it was read and
// holds the text: a document that cannot be read is no hit, and the
// verdict says why; a binary file is no hit and no fault.
#pragma once

#include <optional>
#include <string>

#include "engine/DocumentKind.h"
#include "engine/ReadVerdict.h"
#include "engine/SearchContext.h"

namespace tessaly::engine {

class TDocumentSource;

// The content test of `source` (a file, or an archive member in memory)
// for the search's content text. Errors of the work folder are raised.
ReadVerdict DocumentPassesContent(SearchContext& context, TDocumentSource& source);

// DocumentPassesContent of the file at `path` (a file that cannot be
// opened is said so once, by its cause).
ReadVerdict ContentConditionsPass(SearchContext& context, const std::string& path);

// The information field `field` ("Author", "Title", "Subject",
// "Keywords"; "Creator" and "Producer" of PDF files) of `source`, of the
// kind decided, holds the search text. Documents without such fields are
// no hit.
ReadVerdict DocumentFieldHolds(SearchContext& context, TDocumentSource& source, const KindDecision& kind);

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
