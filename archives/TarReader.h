// Member listing of TAR archives in GNU and POSIX (ustar, pax) form.
#pragma once

#include <cstdint>
#include <string>

#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "engine/SearchCriteria.h"

namespace tessaly::archives {

// The value of the decimal digits of `v` read as octal digits (1750 gives
// 1000, 777 gives 511); 0 for `v` of 0 or below.
std::int32_t OctalDigitsValue(std::int32_t v);

// A TAR number field as the reader takes it: the text up to the first NUL
// read as a signed 32-bit decimal integer (leading blanks and a sign
// allowed), then OctalDigitsValue of it. Throws std::runtime_error
// "'<text>' is not a valid integer value" for anything else (an empty field,
// a base-256 size, digits beyond the 32-bit range).
std::int32_t TarNumberValue(const std::string& text);

// Walks the 512-byte headers from offset 0 and hands each member to `sink`.
// Accepts GNU headers (magic "ustar  ") and POSIX ones ("ustar", NUL, "00",
// with the prefix field joined to the name). GNU long-name entries and pax
// extended headers are not members: they name (and for pax, size) the member
// that follows. A sparse member shows its real size. Directory members (type
// `5`) keep their size text and are left out when "Include subfolders" is
// off. After each member's data the zero padding is skipped byte-wise; the
// walk ends at the end of the file or the first block without a known
// magic. The number-field error of TarNumberValue is not caught. Notes the
// source cut short when a header or a member's data run past the end.
void ReadTarMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink);

}  // namespace tessaly::archives
