// Member listing of ARJ archives.
#pragma once

#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "engine/SearchCriteria.h"

namespace tessaly::archives {

// Checks the header id 0xEA60 at offset 0, steps over the main header and
// walks the file headers, handing each to `sink` with its size text (ARJ
// directory entries too). The name starts where the first-header-size byte
// says, so the 30-byte first headers of old versions and the longer ones of
// current ARJ (and the extended file position of multi-volume members) are
// all read right; extended headers are stepped over by their sizes. The walk
// ends at a header without the id, the end header (basic header size 0), or
// a header that cannot be read. Nothing when the ARJ flag is clear. Notes
// the source cut short when a header, its extended headers or a member's
// data run past the end of the file, or the file ends before the end header
// (every ARJ archive and volume ends with it).
void ReadArjMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink);

}  // namespace tessaly::archives
