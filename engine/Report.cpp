// The plain-text search report.
#include "engine/Report.h"

#include <algorithm>

namespace tessaly::engine {
namespace {

constexpr const char* kBreak = "\r\n";

void Blanks(std::ostream& out, long long count) {
  for (long long i = 0; i < count; ++i) out.put(' ');
}

}  // namespace

bool WriteReport(std::ostream& out, const ReportConditions& c, const ResultStore& store,
                 const UnreadableList* unreadable) {
  ResultStore::Reader rows = store.Read();
  std::size_t longestName = 0, longestSize = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const RowView r = rows.row(i);
    longestName = std::max(longestName, r.Name.size());
    longestSize = std::max(longestSize, r.Size.size());
  }
  const long long nameWidth = static_cast<long long>(longestName) + 3;
  const long long sizeWidth = static_cast<long long>(longestSize) + 7;
  const std::string rule(static_cast<std::size_t>(nameWidth + sizeWidth + 9), '-');

  out << "Search results:" << kBreak << kBreak;
  for (char ch : c.locationText) {
    if (ch == ';') out << kBreak;
    else out.put(ch);
  }
  out << kBreak << kBreak;
  if (!c.nameText.empty()) out << "Search wildcards: [*" << c.nameText << "*]" << kBreak << kBreak;
  else out << "Search wildcards: [everything]" << kBreak << kBreak;
  if (!c.containsText.empty())
    out << "Search filter: contain [" << c.containsText << "] in " << c.contentField << kBreak << kBreak;
  if (!c.typeText.empty()) out << "File types: " << c.typeText << kBreak << kBreak;
  out << rule << kBreak;
  out << "FileName";
  Blanks(out, nameWidth - 8);
  out << "FileSize";
  Blanks(out, sizeWidth - 8);
  out << "Location" << kBreak;
  out << rule << kBreak;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const RowView r = rows.row(i);
    out << r.Name;
    Blanks(out, nameWidth - static_cast<long long>(r.Name.size()));
    out << r.Size;
    Blanks(out, sizeWidth - static_cast<long long>(r.Size.size()));
    out << r.Path << kBreak;
    const std::vector<TextMatch>& lines = rows.matches(i);
    for (std::size_t k = 0; k < lines.size() && k < c.matchLines; ++k)
      out << '\t' << ReportLineText(PlaceText(lines[k])) << ": " << ReportLineText(lines[k].text) << kBreak;
  }
  out << kBreak << rule << kBreak;
  out << (c.listFolders ? "Total files & directories found: " : "Total files found: ") << rows.size();
  if (unreadable && !unreadable->empty()) {
    // So that a report says what it covers.
    std::size_t causeWidth = 0;
    for (const UnreadableEntry& e : unreadable->Kept()) causeWidth = std::max(causeWidth, CauseText(e.cause).size());
    out << kBreak << kBreak << "Documents that could not be read: " << unreadable->Total();
    for (const UnreadableEntry& e : unreadable->Kept()) {
      const std::string_view cause = CauseText(e.cause);
      out << kBreak << cause;
      Blanks(out, static_cast<long long>(causeWidth + 3 - cause.size()));
      out << e.path;
    }
    if (unreadable->NotKept() > 0) out << kBreak << "... and " << unreadable->NotKept() << " more";
  }
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace tessaly::engine
