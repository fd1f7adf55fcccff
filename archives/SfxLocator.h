// Self-extracting archives: a program with a ZIP, 7-Zip or RAR archive
// appended. The archive is found here rather than by libarchive, whose own
// search covers only some stub sizes.
#pragma once

#include <cstdint>
#include <optional>

#include "archives/ByteSource.h"

namespace tessaly::archives {

enum class SfxKind { Zip, SevenZip, Rar };

struct SfxArchive {
  SfxKind kind;
  std::uint64_t offset;  // where the archive's own bytes start
  bool operator==(const SfxArchive&) const = default;
};

// The archive appended to the program in `source`: a ZIP by the end record
// at the end of the file, its directory giving where the first member
// starts (whether or not the offsets were adjusted to the program); else a
// 7-Zip archive (its start header's checksum must hold) or a RAR archive
// (its first header must follow) by its signature within the first
// kSfxSearchSpan bytes, the earliest one. Nothing when there is none, or
// when the archive would start at offset 0 (a plain archive, not a program).
std::optional<SfxArchive> FindAppendedArchive(TByteSource& source);

}  // namespace tessaly::archives
