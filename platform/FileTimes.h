// File time stamps in local time, in the two-second form of file dates.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace tessaly::platform {

enum class TimeStamp { None, Creation, LastAccess, LastWrite };

// A calendar date and time of day in local time.
struct LocalDateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
  bool operator==(const LocalDateTime&) const = default;
};

// Day number of a calendar date: days since 30 December 1899 (day zero).
std::int64_t DayNumber(int year, int month, int day);
inline std::int64_t DayNumber(const LocalDateTime& t) { return DayNumber(t.year, t.month, t.day); }

// Local time of a POSIX time, seconds rounded down to an even number for the
// years 1980 to 2107 (the range of the two-second form); other years keep
// their exact time.
LocalDateTime ToLocalFileTime(std::time_t t);

// The chosen time stamp of a file in local time. Creation is the birth time
// where the file system keeps one, else the last-write time. Nothing when the
// file cannot be read (it vanished). With `TimeStamp::None`, day zero.
std::optional<LocalDateTime> FileLocalTime(const std::string& path, TimeStamp stamp);

// The current local time (seconds exact).
LocalDateTime NowLocal();

}  // namespace tessaly::platform
