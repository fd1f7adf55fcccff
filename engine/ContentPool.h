// The content tests of one search on worker threads, their rows added to
// the result store in the order a one-thread search adds them.
//
// The walk stays on the search thread and hands each expensive test (a
// document's content conditions, an archive's listing) to the pool; every
// worker runs tests with its own SearchContext, so per-search state that is
// not thread-safe (the PDF toolkit) is one per worker. What a test finds
// (its rows, the documents it could not read with their causes, the
// converters it could not start) is kept with it and committed when every
// test handed in before it has been committed; what the walk adds itself
// (folder rows, files without a content test, folders it cannot list)
// queues behind the tests handed in before it. So the result list, the
// unreadable list and the missing-converter message come out exactly as a
// one-thread search makes them. The queue holds a fixed number of tests, so
// a fast walk waits for the workers instead of piling up work.
#pragma once

#include <memory>
#include <vector>

#include "engine/ItemData.h"
#include "engine/MissingConverters.h"
#include "engine/OrderedPool.h"
#include "engine/SearchContext.h"
#include "engine/UnreadableList.h"

namespace tessaly::engine {

// What one test (or one step of the walk) found, kept until its turn to be
// committed.
struct TestOutput {
  std::vector<ItemData> rows;
  std::vector<UnreadableEntry> unreadable;
  MissingConverterRecord missing;
};

class ContentPool {
 public:
  // Tests handed in per worker before the walk waits.
  static constexpr std::size_t kQueuePerWorker = 8;

  // `workers` threads (at least 1) for the search of `context`; the pool
  // makes itself the context's pool until it is destroyed. Missing
  // converters are merged into the calling thread's record.
  ContentPool(SearchContext& context, unsigned workers);
  // Waits for every test handed in (after a stop only for the running
  // ones), then ends the workers.
  ~ContentPool();
  ContentPool(const ContentPool&) = delete;
  ContentPool& operator=(const ContentPool&) = delete;

  // Runs `test` on a worker with that worker's context. Blocks while the
  // queue is full. Nothing once the search is stopped.
  void Run(SearchTest test);
  // The walk's own row, committed after the tests handed in before it.
  void AddRow(const ItemData& row);
  // A document or folder the walk itself could not read, in its turn.
  void AddUnreadable(const std::string& path, UnreadableCause cause);
  // Waits until everything handed in so far is committed.
  void Drain();
  // Drops the tests not yet started; nothing more is committed.
  void Stop();

 private:
  void Commit(TestOutput& out);

  SearchContext& main_;
  // The search thread's record of converters that could not be started.
  MissingConverterRecord& missing_;
  std::vector<std::unique_ptr<SearchContext>> workers_;
  std::unique_ptr<OrderedPool<SearchContext, TestOutput>> pool_;
};

}  // namespace tessaly::engine
