// Member listing of RAR 5 archives (the format with the 8-byte signature
// 52 61 72 21 1A 07 01 00 that RAR archivers write since version 5).
#pragma once

#include <cstddef>

#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "engine/SearchCriteria.h"

namespace tessaly::archives {

inline constexpr unsigned char kRar5Signature[8] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};

// Walks the header chain that follows the signature (the caller has checked
// it and the format flag). Every header is its CRC-32, its size and type as
// vints, flags, the optional extra and data area sizes and the type's own
// fields; the data area follows the header and is stepped over unread. Each
// file header (type 2) gives a row: its UTF-8 name and MemberSizeText of its
// unpacked size ("0 b" when the archiver did not know the size), or
// "[folder]" for a directory, listed only when "Include subfolders" is on.
// A file continued from the previous volume is left to the volume it starts
// in; service headers (comments, quick-open data, recovery records, streams)
// are never listed. The end-of-archive header (type 5) ends the walk.
//
// Notes the source cut short, keeping the rows before, when a header or a
// data area runs past the end of the file, the file ends without the end
// header (every archiver writes it), a header's CRC-32 does not match, or
// its fields do not fit it (a vint longer than 10 bytes, a header size of 0
// or over 2 MiB, a name longer than kMaxTerminatedName). Notes the password
// required at an archive encryption header (type 4): the headers after it
// are encrypted.
void ReadRar5Headers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink);

}  // namespace tessaly::archives
