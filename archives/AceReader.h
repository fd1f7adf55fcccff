// Member listing of ACE archives.
#pragma once

#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "engine/SearchCriteria.h"

namespace tessaly::archives {

// Checks the main header ("**ACE**" at offset 7), then walks the blocks that
// follow it by header size and packed size, handing each file block to
// `sink`. Directory members (attribute bit 0x10) show "[folder]" and are left
// out when "Include subfolders" is off. Blocks of other types (recovery
// records) are stepped over without a row. The walk ends at a short block, a
// name size of 0xFFFF, or a step that does not move forward. Nothing when
// the ACE flag is clear. Notes the source cut short when a block's header,
// or the packed data of a file block (or of a block flagged as carrying
// data), runs past the end of the file. ACE has no end block: a cut between
// blocks is not seen.
void ReadAceMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink);

}  // namespace tessaly::archives
