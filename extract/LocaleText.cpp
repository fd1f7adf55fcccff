// Locale formats through newlocale, strftime_l and nl_langinfo_l.
#include "extract/LocaleText.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdio>
#include <ctime>

namespace tessaly::extract {
namespace {

locale_t EnvironmentLocale(int mask) {
  locale_t named = newlocale(mask, "", static_cast<locale_t>(0));
  if (named) return named;
  return newlocale(mask, "C", static_cast<locale_t>(0));
}

// Made once and kept for the life of the process.
locale_t TimeLocale() {
  static const locale_t locale = EnvironmentLocale(LC_TIME_MASK);
  return locale;
}

locale_t NumericLocale() {
  static const locale_t locale = EnvironmentLocale(LC_NUMERIC_MASK);
  return locale;
}

std::string Format(const char* format, const std::tm& tm) {
  char buffer[256];
  const std::size_t n = strftime_l(buffer, sizeof buffer, format, &tm, TimeLocale());
  return std::string(buffer, n);
}

}  // namespace

std::string DateTimeText(const platform::LocalDateTime& time, int milliseconds) {
  std::tm tm{};
  tm.tm_year = time.year - 1900;
  tm.tm_mon = time.month - 1;
  tm.tm_mday = time.day;
  tm.tm_hour = time.hour;
  tm.tm_min = time.minute;
  tm.tm_sec = time.second;
  // Weekday and day of the year, for formats that name them.
  const std::int64_t days = platform::DayNumber(time);  // day 0 was a Saturday
  tm.tm_wday = static_cast<int>(((days + 6) % 7 + 7) % 7);
  tm.tm_yday = static_cast<int>(days - platform::DayNumber(time.year, 1, 1));
  tm.tm_isdst = -1;

  const locale_t locale = TimeLocale();
  const char* dateFormat = locale ? nl_langinfo_l(D_FMT, locale) : "%m/%d/%y";
  const char* timeFormat = locale ? nl_langinfo_l(T_FMT, locale) : "%H:%M:%S";
  std::string text = Format(dateFormat, tm);
  if (time.hour == 0 && time.minute == 0 && time.second == 0 && milliseconds == 0) return text;
  return text + " " + Format(timeFormat, tm);
}

std::string NumberText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  std::string text = buffer;
  const locale_t locale = NumericLocale();
  const char* point = locale ? nl_langinfo_l(RADIXCHAR, locale) : ".";
  const std::size_t dot = text.find('.');
  if (dot != std::string::npos && point && *point) text.replace(dot, 1, point);
  return text;
}

}  // namespace tessaly::extract
