// Member listing of LZH (LHA) archives, header levels 0 to 3.
#pragma once

#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "engine/SearchCriteria.h"

namespace tessaly::archives {

// Walks the member headers from offset 0 and hands each member to `sink`
// with its size text (LZH has no directory members of its own: a `-lhd-`
// entry is listed like a file). The header level (byte 20) decides the
// layout: level 0 names stand in the base header; level 1 adds extended
// headers whose directory name (type 2) gives the folder part; levels 2 and
// 3 keep names in extended headers only. The 64-bit size header (0x42) and
// the UTF-16 names (0x44, 0x45) win when present. Backslashes and 0xFF
// separators become `/`. The walk ends at a header whose method id does not
// start with "-lh" or "-lz", at a level-0 name length of 0, at a short
// header, or at a step that does not move forward. Nothing when the LZH
// flag is clear. Notes the source cut short when a header (begun by its
// method id) or a member's packed data run past the end of the file. The end
// byte 0 is not required, so a cut between members is not seen.
void ReadLzhMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink);

}  // namespace tessaly::archives
