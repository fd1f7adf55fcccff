// `tessaly --cache stats|prune|clear`: what the cache holds, dropping the
// entries of files that are gone or changed, emptying it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cache/CacheFile.h"

namespace tessaly::cache {

struct TSearchRecord {
  std::int64_t atNs = 0;  // when the search ended
  std::int64_t lookups = 0;
  std::int64_t hits = 0;
  std::int64_t stored = 0;
};

struct TCacheStats {
  std::string file;
  std::int64_t entries = 0;
  std::int64_t textBytes = 0;  // the texts' bytes before compression
  std::int64_t fileBytes = 0;  // the file and its journal on disk
  std::vector<TSearchRecord> searches;  // newest first
};

// Nothing when the cache cannot be opened (`say` was told why).
std::optional<TCacheStats> ReadCacheStats(const std::string& folder, const CacheMessage& say);

struct TPruneResult {
  std::int64_t dropped = 0;  // entries whose file is gone or changed
  std::int64_t evicted = 0;  // least recently used entries past the bound
  std::int64_t kept = 0;
};

// Drops every entry whose file no longer exists at its path or is no
// longer the file it was made from, then the least recently used entries
// until the file is within `maxBytes`, and gives the freed space back.
std::optional<TPruneResult> PruneCache(const std::string& folder, std::int64_t maxBytes, const CacheMessage& say);

// Empties the cache: every entry and count, and a set-aside damaged file.
// A file that cannot be opened as a cache is removed. False (with `say`
// told why) when it could not be emptied.
bool ClearCache(const std::string& folder, const CacheMessage& say);

// The bytes the cache's files take on disk.
std::int64_t CacheFileBytes(const std::string& file);

}  // namespace tessaly::cache
