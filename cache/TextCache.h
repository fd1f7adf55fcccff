// The cache of extracted text as one search uses it: look-ups from any
// worker thread, new texts handed to the writer thread, nothing on disk
// touched until the first look-up (a search in which no converter runs
// costs nothing).
//
// An entry is used only when the file's identity (device, inode, size,
// modification and status-change time to the nanosecond, from fstat on the
// descriptor read) and the converter's identity are the ones it was made
// with; an entry whose file changed is dropped when met. A cache that cannot
// be used (no folder, no room, a damaged or foreign file, one of a newer
// program) says so once on the message channel and answers nothing: the
// search goes on uncached.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cache/CacheFile.h"
#include "cache/CacheWriter.h"
#include "cache/CachedText.h"
#include "cache/FileIdentity.h"

namespace tessaly::cache {

// The default bound of the cache file on disk: 1 GiB.
inline constexpr std::int64_t kDefaultCacheBytes = std::int64_t{1} << 30;
// The smallest bound accepted (a smaller one keeps almost nothing).
inline constexpr std::int64_t kMinCacheBytes = std::int64_t{1} << 20;

struct TCacheOptions {
  std::string folder;  // empty: CacheFolderPath()
  std::int64_t maxBytes = kDefaultCacheBytes;
  // Where messages go; empty: standard error, "tessaly: " first, each
  // kind of trouble once per process.
  CacheMessage say;
};

class TTextCache {
 public:
  explicit TTextCache(TCacheOptions options = {});
  // Writes what is queued and records this search's counts.
  ~TTextCache();
  TTextCache(const TTextCache&) = delete;
  TTextCache& operator=(const TTextCache&) = delete;

  // The text kept for `key`, when its entry is valid and reads back whole.
  // Safe from any thread. Never throws.
  std::optional<TCachedText> Find(const TCacheKey& key);
  // Keeps `text` for `key` (the file at `path`); written later by the
  // writer thread. Never blocks on the disk; never throws.
  void Store(const TCacheKey& key, const std::string& path, TCachedText text);
  // Waits until every text handed to Store so far is written.
  void Flush();
  // True once the file was opened and can be used.
  bool Usable();
  TCacheCounts Counts() const;

 private:
  struct Reader;
  bool Open();
  std::unique_ptr<Reader> Acquire();
  void Release(std::unique_ptr<Reader> reader);
  void Broken(const std::string& why);

  TCacheOptions options_;
  std::once_flag once_;
  bool usable_ = false;
  std::string file_;
  bool network_ = false;
  std::atomic<bool> broken_{false};
  std::unique_ptr<TCacheWriter> writer_;
  std::mutex readersMutex_;
  std::vector<std::unique_ptr<Reader>> readers_;
  std::atomic<std::int64_t> lookups_{0}, hits_{0};
};

// The standard-error channel: "tessaly: <text>", each distinct text at
// most once per process.
void SayOnStandardError(const std::string& text);

}  // namespace tessaly::cache
