// A thin RAII layer over SQLite: a connection, a prepared statement and the
// error that carries SQLite's result code, so callers can tell a damaged
// file (SQLITE_CORRUPT, SQLITE_NOTADB) from a full disk (SQLITE_FULL) or a
// lock held too long (SQLITE_BUSY).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace tessaly::cache {

class TSqliteError : public std::runtime_error {
 public:
  TSqliteError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  // The primary result code (the low byte of the extended one).
  int code() const { return code_ & 0xff; }
  int extendedCode() const { return code_; }
  // The file is no database, or a damaged one.
  bool Damaged() const;
  // The disk or file system is full.
  bool Full() const;

 private:
  int code_;
};

class TSqlite {
 public:
  // Opens `path` read-write, creating it when `create`; no shared cache,
  // each connection used by one thread at a time. Throws TSqliteError.
  TSqlite(const std::string& path, bool create);
  ~TSqlite();
  TSqlite(const TSqlite&) = delete;
  TSqlite& operator=(const TSqlite&) = delete;

  sqlite3* get() const { return db_; }
  // Runs statements without results. Throws TSqliteError.
  void Exec(const char* sql);
  // The single integer a statement (a PRAGMA) returns; 0 when none.
  std::int64_t Integer(const char* sql);
  // The single text a statement returns; empty when none.
  std::string Text(const char* sql);
  void BusyTimeout(int milliseconds);
  // Throws TSqliteError for a failed result code.
  void Check(int rc) const;

 private:
  sqlite3* db_ = nullptr;
};

class TStatement {
 public:
  TStatement(TSqlite& db, const char* sql);
  ~TStatement();
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  // Binding is 1-based, as in SQLite.
  TStatement& Bind(int index, std::int64_t value);
  TStatement& Bind(int index, std::string_view text);
  TStatement& BindBlob(int index, std::string_view bytes);
  // Steps once: true while a row is there. Throws TSqliteError.
  bool Step();
  // Steps to the end (a statement without rows), then resets.
  void Run();
  void Reset();

  std::int64_t Integer(int column) const;
  // A blob or text column; valid until the next Step or Reset.
  std::string_view Bytes(int column) const;

 private:
  TSqlite& db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE ... COMMIT; rolled back when left without Commit().
class TTransaction {
 public:
  explicit TTransaction(TSqlite& db);
  ~TTransaction();
  TTransaction(const TTransaction&) = delete;
  TTransaction& operator=(const TTransaction&) = delete;
  void Commit();

 private:
  TSqlite& db_;
  bool open_ = true;
};

}  // namespace tessaly::cache
