// What makes a cached text valid for a file: the file's identity as fstat
// gives it for the descriptor read from, and the converter's identity.
//
// Times are kept to the nanosecond. The status-change time cannot be set
// back by a user, so a file rewritten at the same size and `touch`ed to its
// old modification time still shows as changed.
#pragma once

#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace tessaly::cache {

struct TFileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  std::int64_t modifiedNs = 0;  // mtime, nanoseconds since the epoch
  std::int64_t changedNs = 0;   // ctime, nanoseconds since the epoch

  static TFileIdentity Of(const struct stat& st);
  bool operator==(const TFileIdentity&) const = default;
};

// A cache key: the file and the converter (its program, version and
// arguments as one text) that made the text.
struct TCacheKey {
  TFileIdentity file;
  std::string converter;
};

// How long before a conversion a file must have been left alone for its
// text to be kept. File times move in steps (a few milliseconds on ext4, up
// to 2 s on FAT and some network file systems): a file rewritten within one
// step at the same size keeps its times, so a file changed this recently
// may still be being written and its text is not kept.
inline constexpr std::int64_t kSettleNs = 2'000'000'000;

// True when both the modification and the status-change time lie at least
// kSettleNs before `conversionStartNs` (a time in the future never does).
bool IsSettled(const TFileIdentity& file, std::int64_t conversionStartNs);

// The wall clock in nanoseconds since the epoch, as file times count.
std::int64_t WallClockNs();

}  // namespace tessaly::cache
