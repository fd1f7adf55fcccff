// The per-file test: the filters around the content test.
#include "engine/FileMatches.h"

#include <cerrno>

#include "engine/ContentConditions.h"
#include "platform/FileFacts.h"

namespace tessaly::engine {

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return text;
}

ReadVerdict FileMatches(SearchContext& context, const std::string& path, std::int64_t size) {
  const SearchCriteria& c = context.criteria;
  if (!c.sizeFilter.enabled && !c.dateFilter.enabled && c.containsText.empty()) return ReadVerdict::Hit();
  errno = 0;
  if (!platform::FileExists(path)) {
    // A path past the system's limit cannot even be looked at; one that
    // vanished since the listing is simply no hit.
    if (errno == ENAMETOOLONG) return ReadVerdict::Unreadable(UnreadableCause::PathTooLong);
    return ReadVerdict::Miss();
  }
  // Cheap conditions first: each failed one spares reading the file. The
  // filters hold for every file, whatever its kind.
  if (!PassesSizeFilter(size, c)) return ReadVerdict::Miss();
  if (!PassesDateFilter(path, c)) return ReadVerdict::Miss();
  return ContentConditionsPass(context, path);
}

}  // namespace tessaly::engine
