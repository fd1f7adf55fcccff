// Member listing of ZOO archives.
#pragma once

#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "engine/SearchCriteria.h"

namespace tessaly::archives {

// Checks the tag 0xFDC4A7DC at offset 20, then follows the chain of
// directory entries from the first-entry offset, handing each entry with a
// non-empty name to `sink` with its size text (deleted entries too). The
// walk ends at an entry without the tag, a name cut by the end of the file,
// or a next-entry offset that does not lie beyond the current entry. Nothing
// when the ZOO flag is clear. Notes the source cut short when an entry or a
// member's packed data run past the end of the file, or the chain leaves the
// file before its end entry (next offset 0, which every ZOO archive has).
void ReadZooMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink);

}  // namespace tessaly::archives
