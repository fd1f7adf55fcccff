// The content step of an archive: which of its members hold the search's
// text. The listing (our readers, or libarchive for the formats it lists)
// gives each member's row; libarchive gives the data, paired with the
// listing by order and name. Archives inside archives are opened to
// kMaxNesting levels; every read stays within the limits of ArchiveLimits.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archives/ArchiveKinds.h"
#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "archives/MemberMatch.h"
#include "engine/SearchContext.h"

namespace tessaly::archives {

// Tests the members of the archive `source` of `kind`, found at
// `archivePath`, whose names match one of `masks`: a member is a hit when
// its text holds the search's content text (or, for a search by an
// information field, when it is a document whose field holds it). Hits go
// to context.AddHit in archive order as {path through inner archives joined
// by `/`, the listing's size text, archivePath}. A member that cannot be
// read is noted as `archivePath/member` with its cause (password required,
// damaged, too large, or the cause its reader gives); a member libarchive
// gives that the listing lacks is noted damaged. Returns the cause for the
// archive as a whole: not supported when nothing here decodes its format
// or a method it uses, too large when the archive's data budget or member
// cap was reached, damaged when libarchive cannot read it at all.
std::optional<engine::UnreadableCause> SearchMemberText(engine::SearchContext& context, TByteSource& source,
                                                       const TArchiveKind& kind, const std::string& archivePath,
                                                       const std::vector<TMemberMask>& masks);

}  // namespace tessaly::archives
