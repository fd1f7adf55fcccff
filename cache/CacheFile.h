// Opening the cache file: the folder made private, the journal chosen by the
// file system (a write-ahead log with a busy time-out on local ones, a
// rollback journal on network ones, where the log's shared memory does not
// work), the schema made or checked. A file that is no cache, or a damaged
// one, is set aside (renamed) and a fresh one made; a file of a newer
// program is left alone and not used.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "cache/Sqlite.h"

namespace tessaly::cache {

// Tells the user something about the cache, once per kind of trouble.
using CacheMessage = std::function<void(const std::string& text)>;

// How long a connection waits for another program's lock.
inline constexpr int kBusyTimeoutMs = 5000;

struct TOpenedCache {
  std::unique_ptr<TSqlite> db;  // null: the cache is not used (said why)
  std::string file;
  bool network = false;
};

// Opens (making when needed) the cache file in `folder`. Never throws: on
// any failure the result has no connection and `say` was told why.
TOpenedCache OpenCacheFile(const std::string& folder, const CacheMessage& say);

// Another connection to a file OpenCacheFile opened. Throws TSqliteError.
std::unique_ptr<TSqlite> ConnectCacheFile(const std::string& file, bool network);

// Renames `file` to file + kSetAsideSuffix (replacing an older one) and
// removes its journal files. True when it was renamed.
bool SetAsideCacheFile(const std::string& file);

// The bytes of the database's pages in use (the file less its free pages).
std::int64_t LiveBytes(TSqlite& db);

}  // namespace tessaly::cache
