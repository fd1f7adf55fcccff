// The cache commands over the cache file.
#include "cache/CacheMaintenance.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cache/CacheFolder.h"
#include "cache/FileIdentity.h"
#include "cache/Sqlite.h"

namespace tessaly::cache {
namespace {

std::int64_t SizeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
}

}  // namespace

std::int64_t CacheFileBytes(const std::string& file) {
  return SizeOf(file) + SizeOf(file + "-wal") + SizeOf(file + "-shm") + SizeOf(file + "-journal");
}

std::optional<TCacheStats> ReadCacheStats(const std::string& folder, const CacheMessage& say) {
  TOpenedCache opened = OpenCacheFile(folder, say);
  if (!opened.db) return std::nullopt;
  TCacheStats stats;
  stats.file = opened.file;
  try {
    TSqlite& db = *opened.db;
    TStatement totals(db, "SELECT count(*), coalesce(sum(length), 0) FROM entries");
    if (totals.Step()) {
      stats.entries = totals.Integer(0);
      stats.textBytes = totals.Integer(1);
    }
    TStatement searches(db, "SELECT at, lookups, hits, stored FROM searches ORDER BY id DESC");
    while (searches.Step())
      stats.searches.push_back({searches.Integer(0), searches.Integer(1), searches.Integer(2), searches.Integer(3)});
  } catch (const TSqliteError& e) {
    say("cannot read the text cache \"" + opened.file + "\": " + e.what());
    return std::nullopt;
  }
  stats.fileBytes = CacheFileBytes(opened.file);
  return stats;
}

std::optional<TPruneResult> PruneCache(const std::string& folder, std::int64_t maxBytes, const CacheMessage& say) {
  TOpenedCache opened = OpenCacheFile(folder, say);
  if (!opened.db) return std::nullopt;
  TSqlite& db = *opened.db;
  TPruneResult result;
  try {
    // Gone or changed files first, looked at outside the write lock.
    std::vector<std::int64_t> stale;
    {
      TStatement all(db, "SELECT id, path, device, inode, size, mtime, ctime FROM entries");
      while (all.Step()) {
        const std::string path(all.Bytes(1));
        struct stat st {};
        bool valid = ::stat(path.c_str(), &st) == 0;
        if (valid) {
          const TFileIdentity now = TFileIdentity::Of(st);
          valid = static_cast<std::int64_t>(now.device) == all.Integer(2) &&
                  static_cast<std::int64_t>(now.inode) == all.Integer(3) && now.size == all.Integer(4) &&
                  now.modifiedNs == all.Integer(5) && now.changedNs == all.Integer(6);
        }
        if (valid) ++result.kept;
        else stale.push_back(all.Integer(0));
      }
    }
    {
      TTransaction t(db);
      TStatement drop(db, "DELETE FROM entries WHERE id=?1");
      for (const std::int64_t id : stale) drop.Bind(1, id).Run();
      result.dropped = static_cast<std::int64_t>(stale.size());
      TStatement oldest(db, "DELETE FROM entries WHERE id IN (SELECT id FROM entries ORDER BY used LIMIT 16)");
      while (LiveBytes(db) > maxBytes - std::min<std::int64_t>(maxBytes / 8, std::int64_t{4} << 20)) {
        oldest.Run();
        const int n = sqlite3_changes(db.get());
        if (n == 0) break;
        result.evicted += n;
      }
      t.Commit();
    }
    result.kept -= result.evicted;
    db.Exec("PRAGMA incremental_vacuum");
    db.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
  } catch (const TSqliteError& e) {
    say("cannot prune the text cache \"" + opened.file + "\": " + e.what());
    return std::nullopt;
  }
  return result;
}

bool ClearCache(const std::string& folder, const CacheMessage& say) {
  const std::string file = folder + "/" + kCacheFileName;
  ::unlink((file + kSetAsideSuffix).c_str());
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return true;  // nothing to clear
  // Quietly: a file that is no cache is removed below instead.
  std::string trouble;
  TOpenedCache opened = OpenCacheFile(folder, [&](const std::string& text) { trouble = text; });
  if (opened.db) {
    try {
      TSqlite& db = *opened.db;
      {
        TTransaction t(db);
        db.Exec("DELETE FROM entries; DELETE FROM searches;");
        t.Commit();
      }
      db.Exec("PRAGMA incremental_vacuum");
      db.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
      ::unlink((file + kSetAsideSuffix).c_str());
      return true;
    } catch (const TSqliteError& e) {
      trouble = e.what();
    }
  }
  opened.db.reset();
  for (const char* suffix : {"", "-wal", "-shm", "-journal", kSetAsideSuffix}) {
    const std::string path = file + suffix;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
      say("cannot clear the text cache \"" + file + "\": " + std::strerror(errno));
      return false;
    }
  }
  return true;
}

}  // namespace tessaly::cache
