// Numbers, dates and times written in the formats of the user's locale.
//
// The formats come from the locale the environment names (LC_ALL,
// LC_TIME, LC_NUMERIC, LANG), read once into locale objects of their own:
// the process's global C locale is never changed, so number parsing
// elsewhere keeps its '.'. Where the environment names no usable locale,
// the "C" locale's formats are used.
#pragma once

#include <string>

#include "platform/FileTimes.h"

namespace tessaly::extract {

// The locale's short date, a blank and its long time (the date formats of
// nl_langinfo D_FMT and T_FMT). When the time of day is exactly midnight
// (hours, minutes, seconds and `milliseconds` all zero) only the date.
std::string DateTimeText(const platform::LocalDateTime& time, int milliseconds = 0);

// The general number format with up to 15 significant digits (printf's
// %.15g) and the locale's decimal separator.
std::string NumberText(double value);

}  // namespace tessaly::extract
