// The archive step of a search: picks the member reader by the archive's
// extension and offers the members that match the search's patterns as rows.
#pragma once

#include <optional>
#include <string>

#include "archives/ArchiveKinds.h"
#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "engine/SearchContext.h"
#include "engine/SearchCriteria.h"

namespace tessaly::archives {

// The reader for `archivePath` by ArchiveKindOf; nullptr for any other name.
TArchiveReader ReaderForPath(const std::string& archivePath);

// Lists the members of `archivePath` that match the entries of
// `patternText` (split with SplitList; an entry that is exactly `*.*` stands
// for `*`) as rows {member name, size text, archivePath} through
// context.AddHit. Rows come pattern entry by pattern entry, each in archive
// order, repeats dropped by AddHit; the archive itself is opened and read
// once. An archive that cannot be opened or is not of its reader's format
// lists nothing. Returns why the archive could not be read: permission
// denied or a path too long when it cannot be opened; damaged when its
// reader finds it cut short (a header or member data past its end, a count
// not reached, an end marker missing, a header whose checksum fails), when it does not start as its
// reader's format does (an empty file excepted), or when a reader rejects
// it with an error (which is then raised as below, after noting the archive
// in the context); password required when its headers are encrypted.
//
// Throws (not caught here; the walk that calls it ends this archive's step):
// the invalid-mask error of an entry, once the entries before it were
// offered and the archive turned out to have a member; the TAR number error,
// once the members before the bad header were offered for the first entry.
std::optional<engine::UnreadableCause> DispatchArchive(engine::SearchContext& context, const std::string& archivePath,
                                                      const std::string& patternText);

// The member step: turns every `\` of `name` into `/`, tests it against
// `pattern` (letters A to Z without regard to case) and, on a match, hands
// the row {name, sizeText, archivePath} to context.AddHit. Throws the
// invalid-mask error for an invalid pattern.
void OfferMember(engine::SearchContext& context, const std::string& name, const std::string& sizeText,
                 const std::string& archivePath, const std::string& pattern);

}  // namespace tessaly::archives
