// The RAII layer over SQLite's C interface.
#include "cache/Sqlite.h"

#include <sqlite3.h>

namespace tessaly::cache {

bool TSqliteError::Damaged() const { return code() == SQLITE_CORRUPT || code() == SQLITE_NOTADB; }

bool TSqliteError::Full() const { return code() == SQLITE_FULL; }

TSqlite::TSqlite(const std::string& path, bool create) {
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX |
                    SQLITE_OPEN_PRIVATECACHE;
  const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    const int code = db_ ? sqlite3_extended_errcode(db_) : rc;
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw TSqliteError(code, message);
  }
  sqlite3_extended_result_codes(db_, 1);
}

TSqlite::~TSqlite() { sqlite3_close_v2(db_); }

void TSqlite::Check(int rc) const {
  if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) return;
  throw TSqliteError(sqlite3_extended_errcode(db_), sqlite3_errmsg(db_));
}

void TSqlite::Exec(const char* sql) { Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr)); }

std::int64_t TSqlite::Integer(const char* sql) {
  TStatement st(*this, sql);
  return st.Step() ? st.Integer(0) : 0;
}

std::string TSqlite::Text(const char* sql) {
  TStatement st(*this, sql);
  return st.Step() ? std::string(st.Bytes(0)) : std::string();
}

void TSqlite::BusyTimeout(int milliseconds) { Check(sqlite3_busy_timeout(db_, milliseconds)); }

TStatement::TStatement(TSqlite& db, const char* sql) : db_(db) {
  db_.Check(sqlite3_prepare_v2(db.get(), sql, -1, &stmt_, nullptr));
}

TStatement::~TStatement() { sqlite3_finalize(stmt_); }

TStatement& TStatement::Bind(int index, std::int64_t value) {
  db_.Check(sqlite3_bind_int64(stmt_, index, value));
  return *this;
}

TStatement& TStatement::Bind(int index, std::string_view text) {
  db_.Check(sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
  return *this;
}

TStatement& TStatement::BindBlob(int index, std::string_view bytes) {
  // A zero-length blob is bound as such, never as NULL.
  static const char kEmpty = 0;
  db_.Check(sqlite3_bind_blob64(stmt_, index, bytes.empty() ? &kEmpty : bytes.data(), bytes.size(),
                                SQLITE_TRANSIENT));
  return *this;
}

bool TStatement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  const int code = sqlite3_extended_errcode(db_.get());
  const std::string message = sqlite3_errmsg(db_.get());
  sqlite3_reset(stmt_);
  throw TSqliteError(code, message);
}

void TStatement::Run() {
  while (Step()) {
  }
  Reset();
}

void TStatement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

std::int64_t TStatement::Integer(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string_view TStatement::Bytes(int column) const {
  const void* data = sqlite3_column_blob(stmt_, column);
  const int size = sqlite3_column_bytes(stmt_, column);
  if (!data || size <= 0) return {};
  return {static_cast<const char*>(data), static_cast<std::size_t>(size)};
}

TTransaction::TTransaction(TSqlite& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }

TTransaction::~TTransaction() {
  if (open_) sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void TTransaction::Commit() {
  db_.Exec("COMMIT");
  open_ = false;
}

}  // namespace tessaly::cache
