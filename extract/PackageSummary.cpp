// Document properties of office packages: one handler per properties part,
// filling the summary values by identifier.
#include "extract/PackageSummary.h"

#include <charconv>
#include <cmath>
#include <ctime>

#include "extract/EpubPackage.h"
#include "extract/LocaleText.h"
#include "extract/OfficePackage.h"
#include "extract/PackageRelations.h"
#include "extract/XmlReader.h"

namespace tessaly::extract {
namespace {

// Summary identifiers (SummaryInfo.cpp's table).
enum : int {
  kTitle = 2, kSubject, kAuthor, kKeywords, kComments, kTemplate, kLastAuthor, kRevision, kEditTime,
  kLastPrinted, kCreated, kLastSaved, kPages, kWords, kCharacters, kThumbnail, kApplication, kSecurity
};

enum class TKind { Text, Time, Minutes, Duration, Integer };

struct TField {
  std::string_view element;  // local name
  int id;
  TKind kind;
};

constexpr TField kCoreFields[] = {
    {"title", kTitle, TKind::Text},          {"subject", kSubject, TKind::Text},
    {"creator", kAuthor, TKind::Text},       {"keywords", kKeywords, TKind::Text},
    {"description", kComments, TKind::Text}, {"lastModifiedBy", kLastAuthor, TKind::Text},
    {"revision", kRevision, TKind::Text},    {"created", kCreated, TKind::Time},
    {"modified", kLastSaved, TKind::Time},   {"lastPrinted", kLastPrinted, TKind::Time},
};
constexpr TField kAppFields[] = {
    {"Template", kTemplate, TKind::Text},      {"TotalTime", kEditTime, TKind::Minutes},
    {"Pages", kPages, TKind::Integer},         {"Words", kWords, TKind::Integer},
    {"Characters", kCharacters, TKind::Integer}, {"Application", kApplication, TKind::Text},
    {"DocSecurity", kSecurity, TKind::Integer},
};
constexpr TField kMetaFields[] = {
    {"title", kTitle, TKind::Text},
    {"subject", kSubject, TKind::Text},
    {"initial-creator", kAuthor, TKind::Text},
    {"keyword", kKeywords, TKind::Text},
    {"description", kComments, TKind::Text},
    {"creator", kLastAuthor, TKind::Text},
    {"editing-cycles", kRevision, TKind::Text},
    {"creation-date", kCreated, TKind::Time},
    {"date", kLastSaved, TKind::Time},
    {"print-date", kLastPrinted, TKind::Time},
    {"editing-duration", kEditTime, TKind::Duration},
    {"generator", kApplication, TKind::Text},
};

constexpr std::uint64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kEpochDifference = 11644473600;  // seconds from 1601 to 1970

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  if (at + count > text.size()) return false;
  const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + count, value);
  return error == std::errc() && end == text.data() + at + count;
}

// A W3C date-time ("2024-03-05", "2024-03-05T10:20:30.5Z",
// "2024-03-05T10:20:30+02:00", "2024-03-05T10:20:30") as a file time; 0
// when it is none.
std::uint64_t FileTimeOf(std::string_view text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!Digits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' || !Digits(text, 5, 2, month) ||
      text[7] != '-' || !Digits(text, 8, 2, day) || month < 1 || month > 12 || day < 1 || day > 31 || year < 1601)
    return 0;
  std::size_t at = 10;
  int milliseconds = 0;
  if (at < text.size() && text[at] == 'T') {
    if (!Digits(text, 11, 2, hour) || text.size() < 16 || text[13] != ':' || !Digits(text, 14, 2, minute)) return 0;
    at = 16;
    if (at < text.size() && text[at] == ':') {
      if (!Digits(text, 17, 2, second)) return 0;
      at = 19;
      if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
        int scale = 100;
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
          milliseconds += (text[at] - '0') * scale;
          scale /= 10;
        }
      }
    }
  }
  if (hour > 24 || minute > 59 || second > 60) return 0;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  std::time_t seconds;
  if (at < text.size() && (text[at] == 'Z' || text[at] == '+' || text[at] == '-')) {
    seconds = ::timegm(&tm);
    if (text[at] != 'Z') {
      int zoneHours = 0, zoneMinutes = 0;
      if (!Digits(text, at + 1, 2, zoneHours) || text.size() < at + 6 || !Digits(text, at + 4, 2, zoneMinutes))
        return 0;
      const int offset = (zoneHours * 60 + zoneMinutes) * 60;
      seconds += text[at] == '+' ? -offset : offset;
    }
  } else {
    tm.tm_isdst = -1;  // local time, daylight saving as it was on that day
    seconds = std::mktime(&tm);
  }
  const std::int64_t since1601 = static_cast<std::int64_t>(seconds) + kEpochDifference;
  if (since1601 <= 0) return 0;
  return static_cast<std::uint64_t>(since1601) * kTicksPerSecond + static_cast<std::uint64_t>(milliseconds) * 10000;
}

// An ISO 8601 duration ("PT1H2M3S", "P1DT2H", "PT0.5S") in seconds; a
// negative value when it is none.
double DurationSeconds(std::string_view text) {
  if (text.empty() || text.front() != 'P') return -1;
  double total = 0;
  bool time = false;
  std::size_t at = 1;
  while (at < text.size()) {
    if (text[at] == 'T') {
      time = true;
      ++at;
      continue;
    }
    const std::size_t start = at;
    while (at < text.size() && ((text[at] >= '0' && text[at] <= '9') || text[at] == '.')) ++at;
    if (at == start || at == text.size()) return -1;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data() + start, text.data() + at, value);
    if (error != std::errc() || end != text.data() + at) return -1;
    switch (text[at]) {
      case 'Y': value *= 365 * 86400.0; break;
      case 'M': value *= time ? 60.0 : 30 * 86400.0; break;
      case 'W': value *= 7 * 86400.0; break;
      case 'D': value *= 86400.0; break;
      case 'H': value *= 3600.0; break;
      case 'S': break;
      default: return -1;
    }
    total += value;
    ++at;
  }
  return total;
}

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

void Store(TSummaryValues& values, const TField& field, const std::string& raw) {
  const std::string text = Trimmed(raw);
  TPropertyValue value;
  switch (field.kind) {
    case TKind::Text:
      // Several keywords (OpenDocument writes one element each) join with "; ".
      if (values[field.id] && values[field.id]->text && field.id == kKeywords) {
        value = *values[field.id];
        *value.text += "; " + text;
      } else {
        value.text = text;
      }
      break;
    case TKind::Time:
      value.slot = FileTimeOf(text);
      break;
    case TKind::Minutes:
    case TKind::Integer: {
      std::int64_t number = 0;
      std::from_chars(text.data(), text.data() + text.size(), number);
      if (field.kind == TKind::Minutes)  // a century of minutes at most keeps the ticks in range
        value.slot = number > 0 && number < 60000000 ? static_cast<std::uint64_t>(number) * 60 * kTicksPerSecond : 0;
      else
        value.slot = static_cast<std::uint32_t>(number);
      break;
    }
    case TKind::Duration: {
      const double seconds = DurationSeconds(text);
      if (seconds >= 0 && seconds < 1e11) value.slot = static_cast<std::uint64_t>(std::llround(seconds * kTicksPerSecond));
      break;
    }
  }
  values[field.id] = std::move(value);
}

// Collects the text of the elements named in `fields` that sit directly
// in the element at `fieldDepth - 1` (the root of core.xml and app.xml,
// office:meta in meta.xml).
class TPropertiesHandler : public TXmlHandler {
 public:
  template <std::size_t N>
  TPropertiesHandler(const TField (&fields)[N], int fieldDepth, TSummaryValues& values)
      : fields_(fields), count_(N), fieldDepth_(fieldDepth), values_(values) {}

  void Start(std::string_view name, const char** attributes) override {
    ++depth_;
    if (depth_ != fieldDepth_) return;
    // OpenDocument: <meta:document-statistic meta:page-count=".." .../> and
    // <meta:template xlink:title=".."/> carry their values in attributes.
    if (name == "document-statistic") {
      for (const auto& [attribute, id] : {std::pair{"page-count", kPages}, std::pair{"word-count", kWords},
                                          std::pair{"character-count", kCharacters}}) {
        const std::string_view value = AttributeValue(attributes, attribute, true);
        if (!value.empty()) Store(values_, TField{"", id, TKind::Integer}, std::string(value));
      }
    } else if (name == "template") {
      const std::string_view title = AttributeValue(attributes, "title", true);
      if (!title.empty()) Store(values_, TField{"", kTemplate, TKind::Text}, std::string(title));
    }
    for (std::size_t i = 0; i < count_; ++i) {
      if (fields_[i].element == name) {
        current_ = &fields_[i];
        text_.clear();
      }
    }
  }
  void End(std::string_view) override {
    if (depth_-- == fieldDepth_ && current_) {
      Store(values_, *current_, text_);
      current_ = nullptr;
    }
  }
  void Text(std::string_view text) override {
    if (current_ && text_.size() < kMaxPropertyBytes) text_ += text.substr(0, kMaxPropertyBytes - text_.size());
  }

 private:
  const TField* fields_;
  std::size_t count_;
  int fieldDepth_;
  TSummaryValues& values_;
  const TField* current_ = nullptr;
  std::string text_;
  int depth_ = 0;
};

std::string PartOfType(TOfficePackage& package, std::string_view type, const char* usual) {
  for (const TRelation& relation : ReadRelations(package, ""))
    if (TypeEndsWith(relation.type, type) && package.Has(relation.part)) return relation.part;
  return usual;
}

TPropertyValue TextValue(const std::string& text) {
  TPropertyValue value;
  value.text = text;
  return value;
}

// An EPUB date as a summary line shows dates; as written when it is no
// full date.
std::string EpubDateText(const std::string& date) {
  const std::uint64_t time = date.size() >= 10 ? FileTimeOf(date) : 0;
  return time ? FileTimeText(time) : date;
}

std::string EpubSummaryText(const TEpubMetadata& m) {
  if (m.title.empty() && m.creator.empty() && m.subject.empty() && m.description.empty() && m.publisher.empty() &&
      m.date.empty() && m.language.empty())
    return {};
  const std::pair<const char*, std::string> lines[] = {
      {"Title: ", m.title},         {"Author: ", m.creator},       {"Subject: ", m.subject},
      {"Description: ", m.description}, {"Publisher: ", m.publisher}, {"Date: ", EpubDateText(m.date)},
      {"Language: ", m.language},
  };
  std::string text;
  for (const auto& [label, value] : lines) text += label + value + '\r';
  return text;
}

}  // namespace

TSummaryValues PackageSummaryValues(TOfficePackage& package) {
  TSummaryValues values;
  if (IsEpub(package)) {
    const TEpubMetadata m = ReadEpubBook(package, false).metadata;
    const std::pair<int, const std::string*> fields[] = {
        {kTitle, &m.title}, {kSubject, &m.subject}, {kAuthor, &m.creator}, {kKeywords, &m.subject},
        {kComments, &m.description}};
    for (const auto& [id, text] : fields)
      if (!text->empty()) values[id] = TextValue(*text);
    return values;
  }
  if (package.Has("meta.xml") && !package.Has("[Content_Types].xml")) {
    TPropertiesHandler meta(kMetaFields, 3, values);  // office:document-meta / office:meta / field
    package.ReadXml("meta.xml", meta);
    return values;
  }
  TPropertiesHandler core(kCoreFields, 2, values);
  package.ReadXml(PartOfType(package, "core-properties", "docProps/core.xml"), core);
  TPropertiesHandler app(kAppFields, 2, values);
  package.ReadXml(PartOfType(package, "extended-properties", "docProps/app.xml"), app);
  return values;
}

std::string ReadPackageSummary(const std::string& path) {
  TOfficePackage package(path);
  if (package.Names().empty())
    throw TSummaryError("'" + path + "' is not an office package: " + package.Outcome().fault);
  if (IsEpub(package)) return EpubSummaryText(ReadEpubBook(package, false).metadata);
  return SummaryLinesText(PackageSummaryValues(package));
}

std::optional<std::string> PackageField(TOfficePackage& package, std::string_view field) {
  const int id = SummaryFieldId(field);
  if (id == 0 || package.Names().empty()) return std::nullopt;
  const TSummaryValues values = PackageSummaryValues(package);
  if (!values[id] || !values[id]->text) return std::nullopt;
  return values[id]->text;
}

std::optional<std::string> PackageFieldOf(const std::string& path, std::string_view field) {
  TOfficePackage package(path);
  return PackageField(package, field);
}

}  // namespace tessaly::extract
