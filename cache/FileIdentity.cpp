// File identities from fstat, and the settle rule.
#include "cache/FileIdentity.h"

#include <ctime>

namespace tessaly::cache {
namespace {

std::int64_t Ns(const struct timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + static_cast<std::int64_t>(t.tv_nsec);
}

}  // namespace

TFileIdentity TFileIdentity::Of(const struct stat& st) {
  TFileIdentity id;
  id.device = static_cast<std::uint64_t>(st.st_dev);
  id.inode = static_cast<std::uint64_t>(st.st_ino);
  id.size = static_cast<std::int64_t>(st.st_size);
  id.modifiedNs = Ns(st.st_mtim);
  id.changedNs = Ns(st.st_ctim);
  return id;
}

bool IsSettled(const TFileIdentity& file, std::int64_t conversionStartNs) {
  const std::int64_t latest = conversionStartNs - kSettleNs;
  return file.modifiedNs <= latest && file.changedNs <= latest;
}

std::int64_t WallClockNs() {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return Ns(now);
}

}  // namespace tessaly::cache
