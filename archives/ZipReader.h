// Member listing of ZIP archives: the local-header chain from offset 0.
#pragma once

#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "engine/SearchCriteria.h"

namespace tessaly::archives {

// Walks the local headers from offset 0 and hands each member to `sink`.
// Nothing when the ZIP flag is clear or the source does not start with a
// local header. Members whose local header defers its sizes to a data
// descriptor, or holds them in a ZIP64 field, take them from the ZIP64
// extra field or the central directory, and the walk steps over the
// descriptor. Directory members (names ending in `/`) show "[folder]" and are
// left out when "Include subfolders" is off; a member with an empty name is
// left out. The walk ends at the first header it cannot read or recognise.
void ReadZipMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink);

}  // namespace tessaly::archives
