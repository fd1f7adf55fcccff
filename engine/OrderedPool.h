// A pool of worker threads fed by a bounded queue, whose results are handed
// back in the order the jobs were submitted.
//
// The submitting thread hands in jobs (run on a worker, with that worker's
// own state) and ready results (made by the submitter itself); each takes
// the next sequence number. Results are committed strictly in sequence
// order, one at a time, by whichever thread completes the oldest
// outstanding entry: so the committed order is the submission order
// whatever order the workers finish in. At most `capacity` entries are
// outstanding; Submit blocks while the queue is full, which bounds memory.
//
// With no workers every job runs at once on the submitting thread and is
// committed before Submit returns: the one-thread behaviour.
//
// Stop() makes workers skip jobs they have not started (their results are
// never committed) and Submit discard new ones; running jobs are expected
// to watch the same stop request and return early. The destructor stops
// nothing by itself: it waits for what was submitted, then joins.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace tessaly::engine {

template <typename Worker, typename Result>
class OrderedPool {
 public:
  using Job = std::function<Result(Worker&)>;
  using Commit = std::function<void(Result&)>;

  // `workers` states, one thread each (none: jobs run inline on `inline`).
  // `commit` is called for every result in submission order; never for two
  // results at once.
  OrderedPool(std::vector<Worker*> workers, Worker* inlineWorker, std::size_t capacity, Commit commit)
      : inline_(inlineWorker), capacity_(capacity < 1 ? 1 : capacity), commit_(std::move(commit)) {
    threads_.reserve(workers.size());
    for (Worker* w : workers) threads_.emplace_back([this, w] { Run(*w); });
  }

  ~OrderedPool() {
    Drain();
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
    }
    work_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  OrderedPool(const OrderedPool&) = delete;
  OrderedPool& operator=(const OrderedPool&) = delete;

  std::size_t WorkerCount() const { return threads_.size(); }

  // Queues `job` (or runs it at once without workers).
  void Submit(Job job) {
    if (threads_.empty()) {
      if (stopped_) return;
      Result result = job(*inline_);
      Add(std::move(result));
      return;
    }
    std::unique_lock lock(mutex_);
    space_.wait(lock, [this] { return stopped_ || entries_.size() < capacity_; });
    if (stopped_) return;
    entries_.push_back(Entry{std::move(job), std::nullopt, false});
    lock.unlock();
    work_.notify_one();
  }

  // Queues a result the submitter made itself; it is committed after every
  // job submitted before it.
  void Add(Result result) {
    std::unique_lock lock(mutex_);
    if (stopped_) return;
    if (threads_.empty() || entries_.empty()) {
      // Nothing outstanding: commit at once, unless another thread is
      // committing (then it takes this entry too).
      if (!committing_) {
        committing_ = true;
        lock.unlock();
        commit_(result);
        lock.lock();
        committing_ = false;
        CommitReady(lock);
        return;
      }
    }
    space_.wait(lock, [this] { return stopped_ || entries_.size() < capacity_; });
    if (stopped_) return;
    entries_.push_back(Entry{nullptr, std::move(result), true});
    CommitReady(lock);
  }

  // Ends the work: unstarted jobs are dropped, nothing more is committed.
  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stopped_.store(true);
    }
    space_.notify_all();
    work_.notify_all();
  }

  // Waits until every entry submitted so far is committed (or dropped by a stop).
  void Drain() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return (entries_.empty() || stopped_) && running_ == 0 && !committing_; });
  }

 private:
  struct Entry {
    Job job;
    std::optional<Result> result;
    bool done;
  };

  void Run(Worker& worker) {
    std::unique_lock lock(mutex_);
    for (;;) {
      work_.wait(lock, [this] { return closing_ || stopped_ || next_ < entries_.size(); });
      if (stopped_) {
        // Unstarted jobs are dropped; the queue empties once running ones end.
        DropUnstarted();
        if (closing_) return;
        work_.wait(lock, [this] { return closing_; });
        return;
      }
      if (next_ >= entries_.size()) {
        if (closing_) return;
        continue;
      }
      Entry& entry = entries_[next_];
      ++next_;
      if (entry.done) continue;  // a ready result between jobs
      Job job = std::move(entry.job);
      ++running_;
      lock.unlock();
      std::optional<Result> result;
      try {
        result.emplace(job(worker));
      } catch (...) {
        // A job that raises adds nothing; the others go on.
      }
      lock.lock();
      --running_;
      entry.result = std::move(result);
      entry.done = true;
      CommitReady(lock);
    }
  }

  // Commits the finished entries at the front, in order. Called with the
  // lock held; releases it around each commit.
  void CommitReady(std::unique_lock<std::mutex>& lock) {
    if (committing_) return;  // the committing thread picks these up
    committing_ = true;
    while (!stopped_ && !entries_.empty() && entries_.front().done) {
      std::optional<Result> result = std::move(entries_.front().result);
      entries_.pop_front();
      if (next_ > 0) --next_;
      lock.unlock();
      space_.notify_one();
      if (result) commit_(*result);
      lock.lock();
    }
    if (stopped_) DropUnstarted();
    committing_ = false;
    idle_.notify_all();
  }

  void DropUnstarted() {
    // Entries from next_ on were never handed out; the running ones before
    // it still refer to their entries, so only the tail goes.
    while (entries_.size() > next_) entries_.pop_back();
    if (running_ == 0) {
      entries_.clear();
      next_ = 0;
    }
    idle_.notify_all();
    space_.notify_all();
  }

  Worker* inline_;
  const std::size_t capacity_;
  Commit commit_;
  std::mutex mutex_;
  std::condition_variable work_, space_, idle_;
  std::deque<Entry> entries_;
  std::size_t next_ = 0;  // index in entries_ of the first entry not handed out
  int running_ = 0;
  bool committing_ = false;
  // Written under the lock; read without it by the inline Submit.
  std::atomic<bool> stopped_{false};
  bool closing_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace tessaly::engine
