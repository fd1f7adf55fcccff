// The search's worker pool over OrderedPool.
#include "engine/ContentPool.h"

#include <algorithm>

namespace tessaly::engine {

ContentPool::ContentPool(SearchContext& context, unsigned workers)
    : main_(context), missing_(CurrentMissingConverters()) {
  std::vector<SearchContext*> states;
  for (unsigned i = 0; i < std::max(1u, workers); ++i) {
    workers_.push_back(std::make_unique<SearchContext>(
        SearchContext{context.criteria, context.store, context.host, context.stopRequested, context.dispatchArchive}));
    workers_.back()->matcher = context.matcher;
    states.push_back(workers_.back().get());
  }
  pool_ = std::make_unique<OrderedPool<SearchContext, TestOutput>>(
      states, nullptr, kQueuePerWorker * states.size(), [this](TestOutput& out) { Commit(out); });
  main_.pool = this;
}

ContentPool::~ContentPool() {
  if (main_.Stopped()) pool_->Stop();
  pool_.reset();  // waits and joins
  main_.pool = nullptr;
}

// Called for one output at a time, in walk order, on whichever thread
// finished the oldest outstanding test.
void ContentPool::Commit(TestOutput& out) {
  if (main_.Stopped()) return;
  for (const ItemData& row : out.rows) main_.CommitHit(row);
  for (UnreadableEntry& entry : out.unreadable) main_.unreadable.Add(std::move(entry.path), entry.cause);
  missing_.Merge(out.missing);
}

void ContentPool::Run(SearchTest test) {
  if (main_.Stopped()) {
    pool_->Stop();
    return;
  }
  pool_->Submit([test = std::move(test)](SearchContext& worker) {
    TestOutput out;
    // A test still queued when the stop came is not started at all.
    if (worker.Stopped()) return out;
    const BindMissingConverters bind(out.missing);
    worker.output = &out;
    try {
      test(worker);
    } catch (...) {
      // A test that fails with an error adds what it found before.
    }
    worker.output = nullptr;
    return out;
  });
}

void ContentPool::AddRow(const ItemData& row) {
  TestOutput out;
  out.rows.push_back(row);
  pool_->Add(std::move(out));
}

void ContentPool::AddUnreadable(const std::string& path, UnreadableCause cause) {
  TestOutput out;
  out.unreadable.push_back(UnreadableEntry{path, cause});
  pool_->Add(std::move(out));
}

void ContentPool::Drain() { pool_->Drain(); }

void ContentPool::Stop() { pool_->Stop(); }

}  // namespace tessaly::engine
