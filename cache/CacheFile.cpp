// The cache file's opening, schema and setting aside.
#include "cache/CacheFile.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "cache/CacheFolder.h"

namespace tessaly::cache {
namespace {

// "TSLY": the file is this program's cache.
constexpr std::int64_t kApplicationId = 0x54534C59;
constexpr std::int64_t kSchemaVersion = 1;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS entries(
  id INTEGER PRIMARY KEY,
  device INTEGER NOT NULL,
  inode INTEGER NOT NULL,
  converter TEXT NOT NULL,
  size INTEGER NOT NULL,
  mtime INTEGER NOT NULL,
  ctime INTEGER NOT NULL,
  path BLOB NOT NULL,
  length INTEGER NOT NULL,
  checksum INTEGER NOT NULL,
  used INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(device, inode, converter));
CREATE INDEX IF NOT EXISTS entries_used ON entries(used);
CREATE INDEX IF NOT EXISTS entries_path ON entries(path);
CREATE TABLE IF NOT EXISTS searches(
  id INTEGER PRIMARY KEY,
  at INTEGER NOT NULL,
  lookups INTEGER NOT NULL,
  hits INTEGER NOT NULL,
  stored INTEGER NOT NULL);
)sql";

void Configure(TSqlite& db, bool network) {
  db.BusyTimeout(kBusyTimeoutMs);
  // Before any table exists, so a fresh file can give freed pages back.
  db.Exec("PRAGMA auto_vacuum=INCREMENTAL");
  const std::string mode = db.Text(network ? "PRAGMA journal_mode=DELETE" : "PRAGMA journal_mode=WAL");
  (void)mode;  // a file system that refuses the log keeps the rollback journal
  db.Exec("PRAGMA synchronous=NORMAL");
  db.Exec("PRAGMA journal_size_limit=4194304");
}

enum class Schema { Ready, Newer };

Schema CheckSchema(TSqlite& db) {
  const std::int64_t application = db.Integer("PRAGMA application_id");
  const std::int64_t version = db.Integer("PRAGMA user_version");
  if (application != 0 && application != kApplicationId) throw TSqliteError(SQLITE_NOTADB, "not a text cache");
  if (version > kSchemaVersion) return Schema::Newer;
  if (version == kSchemaVersion && application == kApplicationId) return Schema::Ready;
  // A file with tables of its own but no mark is not ours either.
  if (version == 0 && db.Integer("SELECT count(*) FROM sqlite_master WHERE name NOT IN "
                                 "('entries','entries_used','entries_path','searches')") > 0)
    throw TSqliteError(SQLITE_NOTADB, "not a text cache");
  TTransaction t(db);
  db.Exec(kSchema);
  db.Exec("PRAGMA application_id=1414745177");
  db.Exec("PRAGMA user_version=1");
  t.Commit();
  return Schema::Ready;
}

// Creates the file with mode 0600 before SQLite does (SQLite would use
// 0644), so its journals, which take the file's mode, are private too.
void MakePrivateFile(const std::string& file) {
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), file);
  ::close(fd);
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

std::unique_ptr<TSqlite> ConnectCacheFile(const std::string& file, bool network) {
  auto db = std::make_unique<TSqlite>(file, false);
  db->BusyTimeout(kBusyTimeoutMs);
  if (network) db->Exec("PRAGMA journal_mode=DELETE");
  return db;
}

bool SetAsideCacheFile(const std::string& file) {
  const bool renamed = std::rename(file.c_str(), (file + kSetAsideSuffix).c_str()) == 0;
  ::unlink((file + "-wal").c_str());
  ::unlink((file + "-shm").c_str());
  ::unlink((file + "-journal").c_str());
  return renamed;
}

std::int64_t LiveBytes(TSqlite& db) {
  const std::int64_t pageSize = db.Integer("PRAGMA page_size");
  return (db.Integer("PRAGMA page_count") - db.Integer("PRAGMA freelist_count")) * pageSize;
}

TOpenedCache OpenCacheFile(const std::string& folder, const CacheMessage& say) {
  TOpenedCache opened;
  const std::string without = "; searching without it";
  if (folder.empty()) {
    say("no home folder for the text cache; searching without it");
    return opened;
  }
  try {
    EnsureCacheFolder(folder);
  } catch (const std::system_error& e) {
    say(std::string("cannot keep the text cache: ") + e.what() + ": " + std::strerror(e.code().value()) + without);
    return opened;
  }
  opened.file = folder + "/" + kCacheFileName;
  opened.network = OnNetworkFileSystem(folder);
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      MakePrivateFile(opened.file);
      auto db = std::make_unique<TSqlite>(opened.file, true);
      Configure(*db, opened.network);
      if (CheckSchema(*db) == Schema::Newer) {
        say("the text cache " + Quoted(opened.file) + " was made by a newer version of tessaly" + without);
        return opened;
      }
      opened.db = std::move(db);
      return opened;
    } catch (const TSqliteError& e) {
      if (e.Damaged() && attempt == 0) {
        if (SetAsideCacheFile(opened.file)) {
          say("the text cache " + Quoted(opened.file) + " is damaged; it was set aside as " +
              Quoted(opened.file + kSetAsideSuffix) + " and a new one begun");
          continue;
        }
        say("the text cache " + Quoted(opened.file) + " is damaged and cannot be set aside" + without);
        return opened;
      }
      if (e.Full()) say("no room on the disk for the text cache " + Quoted(opened.file) + without);
      else say("cannot use the text cache " + Quoted(opened.file) + ": " + e.what() + without);
      return opened;
    } catch (const std::system_error& e) {
      say("cannot use the text cache " + Quoted(opened.file) + ": " + std::strerror(e.code().value()) + without);
      return opened;
    }
  }
  return opened;
}

}  // namespace tessaly::cache
