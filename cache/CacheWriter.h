// The cache's writer thread: the search's workers hand it new texts, hits
// (for the least-recently-used order) and entries found stale, and never
// wait for the disk. It writes what has come in as one transaction per
// batch, keeps the file within its size bound by dropping the least
// recently used entries, and records the search's counts when it ends.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cache/CacheFile.h"
#include "cache/CachedText.h"
#include "cache/FileIdentity.h"
#include "cache/Sqlite.h"

namespace tessaly::cache {

// Counts of one search's use of the cache.
struct TCacheCounts {
  std::int64_t lookups = 0;
  std::int64_t hits = 0;
};

class TCacheWriter {
 public:
  // Texts waiting to be written, in bytes, before new ones are dropped:
  // a slow disk costs entries, never the workers' time.
  static constexpr std::size_t kMaxPendingBytes = std::size_t{64} << 20;
  // Texts written per transaction at most (a larger one alone).
  static constexpr std::size_t kBatchBytes = std::size_t{8} << 20;

  // Takes the connection OpenCacheFile made; `maxBytes` bounds the file.
  TCacheWriter(std::unique_ptr<TSqlite> db, std::string file, std::int64_t maxBytes, CacheMessage say);
  // Writes what is queued, records `counts` (when any look-up was made),
  // then ends the thread.
  ~TCacheWriter();
  TCacheWriter(const TCacheWriter&) = delete;
  TCacheWriter& operator=(const TCacheWriter&) = delete;

  // False when the text was dropped (too much waiting, too large, the
  // writer gave up).
  bool Put(const TCacheKey& key, const std::string& path, TCachedText text);
  void Touch(std::int64_t id);
  void Drop(std::int64_t id);
  // Waits until everything handed in so far is written (or dropped).
  void Flush();
  void SetCounts(const TCacheCounts& counts);
  // Stops writing for good (the file was found damaged).
  void GiveUp();

 private:
  struct Job {
    enum class Kind { Put, Touch, Drop } kind = Kind::Put;
    std::int64_t id = 0;
    std::int64_t at = 0;
    TCacheKey key;
    std::string path;
    TCachedText text;
  };
  void Run();
  void WriteBatch(std::vector<Job>& batch);
  void KeepWithinBound();
  void RecordSearch();

  std::unique_ptr<TSqlite> db_;
  std::string file_;
  std::int64_t maxBytes_;
  CacheMessage say_;

  std::mutex mutex_;
  std::condition_variable wake_, done_;
  std::deque<Job> queue_;
  std::size_t pendingBytes_ = 0;
  std::uint64_t handedIn_ = 0, finished_ = 0;
  bool stopping_ = false;
  bool gaveUp_ = false;
  TCacheCounts counts_;
  std::int64_t written_ = 0;  // texts written (the writer thread's own)
  std::thread thread_;
};

}  // namespace tessaly::cache
