// Reading a hit again for the preview.
#include "engine/HitText.h"

#include <memory>

#include "engine/DocumentKind.h"
#include "engine/DocumentReader.h"
#include "engine/DocumentSource.h"
#include "engine/PatternMatcher.h"
#include "engine/QuietSearchHost.h"
#include "engine/ResultStore.h"
#include "engine/SearchContext.h"
#include "platform/FileFacts.h"

namespace tessaly::engine {

HitText ReadHitText(const ItemData& row, const SearchCriteria& criteria, const TPatternMatcher& matcher,
                    const std::atomic<bool>& stop) {
  HitText out;
  if (platform::FileExists(row.Path)) {
    out.lines = row.Matches;
    out.note = "An archive member: its lines as the search found them.";
    return out;
  }
  const std::string path = platform::JoinPath(row.Path, row.Name);
  const std::optional<std::int64_t> modified = platform::LastWriteSeconds(path);
  if (!modified || !platform::FileExists(path)) {
    out.lines = row.Matches;
    out.note = "The file no longer exists; its lines as the search found them.";
    return out;
  }
  if (row.Modified != 0 && *modified != row.Modified) out.note = "The file has changed since the search.";
  const std::unique_ptr<TMatchSink> sink = matcher.NewSink();
  // A context of its own: the preview's stop flag, no rows, no front end.
  ResultStore store;
  QuietSearchHost host;
  SearchContext context{criteria, store, host, stop, {}};
  try {
    TDocumentSource source(path);
    const KindDecision kind = DecideKind(source);
    const ReadOutcome outcome = ReadDocumentText(context, source, kind, *sink);
    if (outcome.cause && MatchesOf(*sink)->empty())
      out.note = "The file cannot be read now (" + std::string(CauseText(*outcome.cause)) + ").";
  } catch (const std::exception& e) {
    out.note = std::string("The file cannot be read: ") + e.what();
    out.lines = row.Matches;
    return out;
  }
  sink->Finish();
  out.lines = *MatchesOf(*sink);
  if (out.lines.empty() && out.note.empty()) out.note = "No matching line was found in the file now.";
  return out;
}

}  // namespace tessaly::engine
