// The plain-text search report.
#pragma once

#include <ostream>
#include <string>

#include "engine/ResultStore.h"

namespace tessaly::engine {

struct ReportConditions {
  std::string locationText;  // of the last started search
  std::string nameText;      // of the last started search
  std::string containsText;  // as shown now
  std::string contentField;  // as shown now
  std::string typeText;      // as shown now
  bool listFolders = true;   // "Include subfolders" as shown now
};

// Writes the report of the store's rows in their current order, holding the
// store's lock from the column widths to the last row. Line breaks are CR LF;
// the total line has none. Returns false when the stream failed.
bool WriteReport(std::ostream& out, const ReportConditions& conditions, const ResultStore& store);

}  // namespace tessaly::engine
