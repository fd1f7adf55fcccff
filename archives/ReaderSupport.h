// Small helpers the member readers share: NUL-terminated names read within a
// bound, and the hand-over of a member to the sink.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"

namespace tessaly::archives {

// Longest NUL-terminated name a reader takes. Real formats stop far below
// (CAB 256 bytes, ARJ 512); a longer run without a NUL is damage.
inline constexpr std::size_t kMaxTerminatedName = 4096;

// Reads bytes up to (not including) the first NUL, or `stop` when it is
// not NUL, and moves past that byte. Nothing when the source ends first or
// the name would be longer than `limit`.
std::optional<std::string> ReadTerminatedName(TByteCursor& c, std::size_t limit = kMaxTerminatedName,
                                              char stop = '\0');

}  // namespace tessaly::archives
