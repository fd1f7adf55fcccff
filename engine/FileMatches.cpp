// The per-file test: the frame of filters and document types around the
// content conditions.
#include "engine/FileMatches.h"

#include "engine/ContentConditions.h"
#include "platform/FileFacts.h"

namespace tessaly::engine {
namespace {

// The markers of the ten document types; a path counts as a type when
// its lower-cased form contains the marker anywhere.
constexpr const char* kKnownMarkers[] = {".pdf", ".doc", ".xls", ".ppt", ".rtf",
                                         ".htm", ".txt", ".odt", ".ods", ".odp"};

}  // namespace

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return text;
}

bool FileMatches(SearchContext& context, const std::string& path, std::int64_t size) {
  const SearchCriteria& c = context.criteria;
  if (!c.sizeFilter.enabled && !c.dateFilter.enabled && c.containsText.empty()) return true;
  if (!platform::FileExists(path)) return false;
  // Cheap conditions first: each failed one spares the converter runs.
  if (!PassesSizeFilter(size, c)) return false;
  if (!PassesDateFilter(path, c)) return false;
  const std::string lower = LowerAscii(path);
  bool knownType = false;
  for (const char* marker : kKnownMarkers) knownType = knownType || lower.find(marker) != std::string::npos;
  if (!knownType) return false;
  return ContentConditionsPass(context, path, lower);
}

}  // namespace tessaly::engine
