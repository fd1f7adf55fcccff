// Member listing of CAB cabinets: the file-entry list the header points to.
#pragma once

#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "engine/SearchCriteria.h"

namespace tessaly::archives {

// Reads the cabinet header at offset 0 ("MSCF"), then as many file entries
// as it counts, from the first-entry offset, handing each to `sink` with its
// size text. Folder parts stay in the names (`\` shows as `/`). Nothing when
// the CAB flag is clear or the signature is missing; the walk ends at the
// first entry that cannot be read in full (a name cut by the end of the file
// is still handed on). Notes the source cut short when it is shorter than
// the cabinet size in its header, or ends before the entries it counts.
void ReadCabMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink);

}  // namespace tessaly::archives
