// One search on its worker thread.
#include "engine/SearchThread.h"

#include <optional>

#include "engine/ContentConditions.h"
#include "engine/ContentPool.h"
#include "engine/TextMatcher.h"
#include "engine/FolderWalk.h"
#include "engine/MissingConverters.h"
#include "engine/SearchTextCache.h"

namespace tessaly::engine {

TSearchThread::TSearchThread(SearchCriteria criteria, ResultStore& store, SearchHost& host,
                             ArchiveDispatch dispatchArchive)
    : criteria_(std::move(criteria)),
      store_(store),
      host_(host),
      dispatchArchive_(std::move(dispatchArchive)),
      thread_([this] { Execute(); }) {}

TSearchThread::~TSearchThread() {
  RequestStop();
  Join();
}

void TSearchThread::Join() {
  if (thread_.joinable()) thread_.join();
}

void TSearchThread::Execute() {
  SearchContext context{criteria_, store_, host_, stopRequested_, dispatchArchive_};
  if (criteria_.useCache) {
    // Opened on the first converted document; written out when the
    // context ends, after the search's last report to the host.
    cache::TCacheOptions options;
    if (criteria_.cacheBytes > 0) options.maxBytes = criteria_.cacheBytes;
    context.textCache = std::make_shared<TSearchTextCache>(
        std::move(options), criteria_.pdfText == PdfTextRoute::Helper ? criteria_.pdfTextHelper : std::string());
  }
  std::string missingFolders;
  ClearMissingConverters();
  try {
    host_.SearchStarted();
    host_.ShowStatus(0, "Status: ");
    host_.ShowStatus(1, "Attempting to start search...");
    store_.Clear();
    host_.RowCountChanged(0);
    host_.ShowStatus(0, "Searching Directory: ");
    // The content tests run on workers beside the walk unless the search
    // asks for one thread; the pool is drained before the search ends.
    if (!criteria_.containsText.empty()) context.matcher = MatcherFor(criteria_);
    std::optional<ContentPool> pool;
    if (const unsigned workers = WorkerThreadsFor(criteria_.jobs)) pool.emplace(context, workers);
    WalkLocations(context, criteria_.folders, criteria_.patternText, missingFolders);
    if (pool) {
      if (context.Stopped()) pool->Stop();
      pool->Drain();
    }
  } catch (...) {
    // Nothing below raises past the per-entry handlers; should anything
    // still do, the search ends orderly with what it found.
  }
  if (!context.Stopped()) {
    // The search thread's last steps; from a stop on it tells the host nothing.
    host_.StopConversionTimeout();
    host_.SearchFinished(store_.Count());
    if (!missingFolders.empty()) host_.ReportMissingFolders(missingFolders);
    const std::string missingConverters = TakeMissingConvertersMessage();
    if (!missingConverters.empty()) host_.ReportMissingConverters(missingConverters);
    if (!context.unreadable.empty()) host_.ReportUnreadable(context.unreadable);
    host_.SearchEnded();
  }
  // The texts still queued for the cache are written before the thread
  // counts as finished.
  context.textCache.reset();
  finished_.store(true);
}

}  // namespace tessaly::engine
