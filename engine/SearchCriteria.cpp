// Search settings: list splitting, pattern building and the directory-data
// filters.
#include "engine/SearchCriteria.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <thread>

namespace tessaly::engine {

unsigned WorkerThreadsFor(unsigned jobs) {
  if (jobs == 1) return 0;
  if (jobs == 0) jobs = std::max(2u, std::thread::hardware_concurrency());
  return std::min(jobs, kMaxJobs);
}

void SearchCriteria::Derive() {
  folders = SplitList(locationText);
  patternText = BuildPatternText(nameText, typeText, fuzzy);
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> result;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    std::string entry = text.substr(start, end - start);
    if (!entry.empty()) {
      // One trailing separator goes; the root itself stays the root.
      if (entry.back() == '/' && entry != "/") entry.pop_back();
      result.push_back(std::move(entry));
    }
    start = end + 1;
  }
  return result;
}

std::string BuildPatternText(const std::string& nameText, const std::string& typeText, bool fuzzy) {
  const std::string stem = fuzzy ? "*" + nameText + "*" : nameText;
  if (typeText.find(';') == std::string::npos) return stem + "." + typeText;
  std::string result;
  std::size_t start = 0;
  while (true) {
    std::size_t end = typeText.find(';', start);
    std::string piece = typeText.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!result.empty() || start > 0) result += ';';
    result += stem + "." + piece;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return result;
}

bool PassesSizeFilter(std::int64_t size, const SearchCriteria& criteria) {
  const SizeFilter& f = criteria.sizeFilter;
  if (!f.enabled) return true;
  switch (f.kind) {
    case SizeKind::AtMost:
      return size <= f.limit;
    case SizeKind::AtLeast:
      return size >= f.limit;
    case SizeKind::None:
      break;
  }
  return true;
}

std::optional<platform::LocalDateTime> FileDateOf(const std::string& path, platform::TimeStamp stamp) {
  return platform::FileLocalTime(path, stamp);
}

bool PassesDateFilter(const std::string& path, const SearchCriteria& criteria) {
  const DateFilter& f = criteria.dateFilter;
  if (!f.enabled) return true;
  std::optional<platform::LocalDateTime> when = FileDateOf(path, f.stamp);
  if (!when) return false;  // the file vanished since it was listed
  const std::int64_t day = platform::DayNumber(*when);
  const std::int64_t d1 = platform::DayNumber(f.date1);
  const std::int64_t d2 = platform::DayNumber(f.date2);
  switch (f.relation) {
    case DateRelation::Between:
      return d1 <= day && day <= d2;
    case DateRelation::After:
      return day >= d1;
    case DateRelation::Before:
      return day <= d1;
    case DateRelation::Same:
      return day == d1;
    case DateRelation::None:
      break;
  }
  return true;
}

bool ParseSizeLimit(const std::string& text, std::int64_t& limit) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  std::int64_t value = 0;
  auto [ptr, ec] = std::from_chars(first, last, value);
  // Out of the 64-bit range gives an error code, so it is refused too.
  if (ec != std::errc() || ptr != last || first == last) return false;
  limit = value;
  return true;
}

}  // namespace tessaly::engine
