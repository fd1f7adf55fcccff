// File time stamps: birth time by statx, local time by the current time-zone
// rules, seconds in the two-second form of file dates.
#include "platform/FileTimes.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>

namespace tessaly::platform {

std::int64_t DayNumber(int year, int month, int day) {
  // Days from the civil calendar (proleptic Gregorian), shifted so that
  // 30 December 1899 is day zero.
  const int y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned mp = static_cast<unsigned>((month + 9) % 12);
  const unsigned doy = (153 * mp + 2) / 5 + static_cast<unsigned>(day) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t unixDays = era * 146097 + static_cast<std::int64_t>(doe) - 719468;
  return unixDays + 25569;  // 1970-01-01 is day 25569
}

namespace {

// Local time of a POSIX time, seconds exact; day zero when it has none.
LocalDateTime LocalTimeOf(std::time_t t) {
  struct tm tmv {};
  LocalDateTime r;
  if (!::localtime_r(&t, &tmv)) return r;
  r.year = tmv.tm_year + 1900;
  r.month = tmv.tm_mon + 1;
  r.day = tmv.tm_mday;
  r.hour = tmv.tm_hour;
  r.minute = tmv.tm_min;
  r.second = tmv.tm_sec;
  return r;
}

}  // namespace

LocalDateTime ToLocalFileTime(std::time_t t) {
  LocalDateTime r = LocalTimeOf(t);
  if (r.year >= 1980 && r.year <= 2107) r.second -= r.second % 2;
  return r;
}

std::optional<LocalDateTime> FileLocalTime(const std::string& path, TimeStamp stamp) {
  if (stamp == TimeStamp::None) return LocalDateTime{};
  struct statx sx {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return std::nullopt;
  std::time_t t = 0;
  switch (stamp) {
    case TimeStamp::Creation:
      t = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
      break;
    case TimeStamp::LastAccess:
      t = sx.stx_atime.tv_sec;
      break;
    case TimeStamp::LastWrite:
    case TimeStamp::None:
      t = sx.stx_mtime.tv_sec;
      break;
  }
  return ToLocalFileTime(t);
}

LocalDateTime NowLocal() {
  return LocalTimeOf(std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()));
}

}  // namespace tessaly::platform
