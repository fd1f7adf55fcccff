// One search on its own worker thread.
#pragma once

#include <atomic>
#include <thread>

#include "engine/ResultStore.h"
#include "engine/SearchContext.h"
#include "engine/SearchCriteria.h"
#include "engine/SearchHost.h"

namespace tessaly::engine {

class TSearchThread {
 public:
  // Starts the thread at once. `criteria` must be derived (Derive()). The
  // store and the host must outlive the thread.
  TSearchThread(SearchCriteria criteria, ResultStore& store, SearchHost& host,
                ArchiveDispatch dispatchArchive = {});
  // Requests the stop and joins.
  ~TSearchThread();
  TSearchThread(const TSearchThread&) = delete;
  TSearchThread& operator=(const TSearchThread&) = delete;

  void RequestStop() { stopRequested_.store(true); }
  bool StopRequested() const { return stopRequested_.load(); }
  bool Finished() const { return finished_.load(); }
  void Join();

 private:
  void Execute();

  SearchCriteria criteria_;
  ResultStore& store_;
  SearchHost& host_;
  ArchiveDispatch dispatchArchive_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace tessaly::engine
