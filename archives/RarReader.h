// Member listing of RAR archives: versions 1.5 to 4 (the block format) here,
// RAR 5 in Rar5Reader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "engine/SearchCriteria.h"

namespace tessaly::archives {

// RAR's packed wide name: `encoded` is the part of the name field after the
// NUL, `plain` the 8-bit name before it (the encoding copies bytes from it).
// Returns the UTF-16 units; malformed input ends the decoding early.
std::vector<std::uint16_t> DecodeRarWideName(std::string_view plain, std::string_view encoded);

// Walks a RAR 5 archive (signature 52 61 72 21 1A 07 01 00) with
// ReadRar5Headers. Otherwise checks the marker block 52 61 72 21 1A 07 00
// and walks the block chain by header and data sizes, handing each file
// block (type 0x74) to `sink`. Blocks of any type that carry data (flag
// 0x8000, and type 0x77) are stepped over with it; 64-bit sizes (flag 0x100)
// and wide names (flag 0x200) are read. Directory members ((flags AND 0xE0)
// = 0xE0) show "[folder]" and are left out when "Include subfolders" is off.
// The walk ends at a short header, a file block with name size 0, or a step
// that does not move forward. Nothing when the RAR flag is clear. Notes the
// source cut short when a block's header or data run past the end of the
// file, or the marker stands alone; the end block (0x7B) is optional, so a
// cut between blocks is not seen, and nothing after an end block counts.
// Notes the password required when the archive header (0x73) has the flag
// 0x80 of encrypted headers.
void ReadRarMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink);

}  // namespace tessaly::archives
