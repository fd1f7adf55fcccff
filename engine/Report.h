// The plain-text search report.
#pragma once

#include <ostream>
#include <string>

#include "engine/ResultStore.h"
#include "engine/UnreadableList.h"

namespace tessaly::engine {

struct ReportConditions {
  std::string locationText;  // of the last started search
  std::string nameText;      // of the last started search
  std::string containsText;  // as shown now
  std::string contentField;  // as shown now
  std::string typeText;      // as shown now
  bool listFolders = true;   // "Include subfolders" as shown now
  // Matching lines written under each hit (0: none, the report as always).
  std::size_t matchLines = 0;
};

// Writes the report of the store's rows in their current order, holding the
// store's lock from the column widths to the last row. Line breaks are CR LF;
// the last line has none. When `unreadable` holds any documents, the total
// line is followed by a blank line, "Documents that could not be read: N"
// and one line per kept document (its cause padded to a column, then its
// path, as it is), and "... and N more" when some were not kept. Returns
// false when the stream failed. With `matchLines`, each row is followed by
// up to that many of its matching lines: a tab, the place, ": " and the
// line, its control characters other than the tab shown as `?`.
bool WriteReport(std::ostream& out, const ReportConditions& conditions, const ResultStore& store,
                 const UnreadableList* unreadable = nullptr);

}  // namespace tessaly::engine
