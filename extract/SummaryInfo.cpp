// Summary information: the storage steps, the 18 lines and the file-time
// text.
#include "extract/SummaryInfo.h"

#include <cstdio>
#include <ctime>
#include <optional>
#include <stdexcept>

#include "extract/CompoundFile.h"
#include "extract/LocaleText.h"
#include "extract/PropertySet.h"

namespace tessaly::extract {

const char* const kSummaryStreamName = "\005SummaryInformation";

namespace {

constexpr std::uint32_t kFirstId = 2;
constexpr std::uint32_t kLastId = 19;
constexpr std::uint32_t kEditingTimeId = 10;
constexpr std::uint32_t kThumbnailId = 17;

// 100-nanosecond units per second, and the seconds from 1 January 1601 to
// 1 January 1970.
constexpr std::uint64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kEpochDifference = 11644473600;

enum class TKind { Text, Seconds, Time, Integer, Thumbnail, Hex };

struct TLine {
  std::uint32_t id;
  const char* label;
  TKind kind;
};

constexpr TLine kLines[] = {
    {2, "Title: ", TKind::Text},
    {3, "Subject: ", TKind::Text},
    {4, "Author: ", TKind::Text},
    {5, "Keywords: ", TKind::Text},
    {6, "Comments: ", TKind::Text},
    {7, "Template: ", TKind::Text},
    {8, "Last saved by: ", TKind::Text},
    {9, "Revision number: ", TKind::Text},
    {10, "Total editing time: ", TKind::Seconds},
    {11, "Last printed: ", TKind::Time},
    {12, "Create time/date: ", TKind::Time},
    {13, "Last saved time/date: ", TKind::Time},
    {14, "Number of pages: ", TKind::Integer},
    {15, "Number of words: ", TKind::Integer},
    {16, "Number of characters: ", TKind::Integer},
    {17, "", TKind::Thumbnail},
    {18, "Name of creating application: ", TKind::Text},
    {19, "Security: ", TKind::Hex},
};

std::string LineText(const TLine& line, const std::optional<TPropertyValue>& value) {
  const std::uint64_t slot = value ? value->slot : 0;
  const std::string text = value && value->text ? *value->text : std::string();
  char buffer[32];
  switch (line.kind) {
    case TKind::Text:
    case TKind::Thumbnail:
      return line.label + text;
    case TKind::Seconds:
      return line.label + NumberText(static_cast<double>(static_cast<std::int64_t>(slot)) / kTicksPerSecond) +
             " sec";
    case TKind::Time:
      return line.label + FileTimeText(slot);
    case TKind::Integer:
      std::snprintf(buffer, sizeof buffer, "%d", static_cast<std::int32_t>(static_cast<std::uint32_t>(slot)));
      return line.label + std::string(buffer);
    case TKind::Hex:
      std::snprintf(buffer, sizeof buffer, "%.8X", static_cast<unsigned>(static_cast<std::uint32_t>(slot)));
      return line.label + std::string(buffer);
  }
  return {};
}

}  // namespace

std::string SummaryInfoText(const TPropertySet& set) {
  TSummaryValues values;
  for (std::uint32_t id = kFirstId; id <= kLastId; ++id) values[id] = set.Read(id);
  return SummaryLinesText(values);
}

std::string SummaryLinesText(const TSummaryValues& values) {
  bool any = false;
  for (std::uint32_t id = kFirstId; id <= kLastId; ++id) any = any || values[id].has_value();
  if (!any) return {};
  std::string result;
  for (const TLine& line : kLines) {
    const std::string text = LineText(line, values[line.id]);
    if (!text.empty()) result += text + '\r';
  }
  return result;
}

std::string ReadSummaryInfo(const std::string& path) {
  const TCompoundFile file(path);
  const std::optional<std::string> stream = file.ReadStream(kSummaryStreamName, TPropertySet::kMaxStreamBytes);
  if (!stream) throw TSummaryError("'" + path + "' has no summary information");
  try {
    const TPropertySet set(*stream, kSummaryInformationFormat);
    return SummaryInfoText(set);
  } catch (const TPropertySetError& e) {
    throw TSummaryError("The summary information of '" + path + "' is damaged: " + e.what());
  }
}

int SummaryFieldId(std::string_view field) {
  if (field == "Title") return 2;
  if (field == "Subject") return 3;
  if (field == "Author") return 4;
  if (field == "Keywords") return 5;
  return 0;
}

std::optional<std::string> ReadSummaryField(const std::string& path, std::string_view field) {
  const int id = SummaryFieldId(field);
  if (id == 0) return std::nullopt;
  const TCompoundFile file(path);
  const std::optional<std::string> stream = file.ReadStream(kSummaryStreamName, TPropertySet::kMaxStreamBytes);
  if (!stream) return std::nullopt;
  try {
    const TPropertySet set(*stream, kSummaryInformationFormat);
    std::optional<TPropertyValue> value = set.Read(static_cast<std::uint32_t>(id));
    if (!value || !value->text) return std::nullopt;
    return std::move(value->text);
  } catch (const TPropertySetError& e) {
    throw TSummaryError("The summary information of '" + path + "' is damaged: " + e.what());
  }
}

std::string FileTimeText(std::uint64_t time) {
  if (time == 0 || static_cast<std::int64_t>(time) < 0) return "-";
  const std::int64_t seconds = static_cast<std::int64_t>(time / kTicksPerSecond) - kEpochDifference;
  const int milliseconds = static_cast<int>(time / 10000 % 1000);
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return "-";
  platform::LocalDateTime local;
  local.year = tm.tm_year + 1900;
  local.month = tm.tm_mon + 1;
  local.day = tm.tm_mday;
  local.hour = tm.tm_hour;
  local.minute = tm.tm_min;
  local.second = tm.tm_sec;
  return DateTimeText(local, milliseconds);
}

}  // namespace tessaly::extract
