// Member listing of ARC archives.
#pragma once

#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "engine/SearchCriteria.h"

namespace tessaly::archives {

// Walks the member headers (marker 0x1A, method, 13-byte name, sizes) from
// offset 0 and hands each member to `sink` with its size text. Files whose
// bytes 1 and 2 are "HP" or "ST" (other compressors that also start with
// 0x1A) list nothing. Headers of method 1 are 25 bytes long and have no
// separate original size. The walk ends at a header without the marker, at
// method 0 (the end mark), or at a header cut by the end of the file.
// Nothing when the ARC flag is clear. Notes the source cut short when a
// header or a member's data run past the end of the file, or the file ends
// before the end mark (every ARC archive ends with it).
void ReadArcMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink);

}  // namespace tessaly::archives
