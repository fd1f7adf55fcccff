// The PDF date text of a moment: "D:" yyyymmddhhmmss in local time, then
// "Z" or the offset from UTC as +hh'mm' or -hh'mm'.
#pragma once

#include <ctime>
#include <string>

namespace tessaly::pdf {

// The date text of `localTime`, whose offset from UTC is `offsetSeconds`
// (east positive).
std::string PdfDateText(const std::tm& localTime, long offsetSeconds);

// The date text of the current moment in the current time zone (daylight
// saving time included).
std::string PdfDateNow();

}  // namespace tessaly::pdf
