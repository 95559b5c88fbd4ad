#include "sim/vault/SqliteBackend.h"

#include <sqlite3.h>

#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

namespace {

// How long a statement waits for another process's lock by default.
constexpr int kLockWaitMs = 10000;

}  // namespace

void SqliteBackend::Closer::operator()(sqlite3* db) const { sqlite3_close_v2(db); }
void SqliteBackend::Finalizer::operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }

SqliteBackend::SqliteBackend(std::string path, bool create) : path_(std::move(path)) {
  sqlite3* raw = nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(path_.c_str(), &raw, flags, nullptr);
  db_.reset(raw);
  if (rc != SQLITE_OK) {
    if (rc == SQLITE_CANTOPEN && !create) throw VaultError(ErrorKind::NotFound, "cannot open " + describe());
    fail(rc, "opening");
  }
  setLockWait(kLockWaitMs);
  // journal_mode reads the header: a file that is no database fails here.
  run("PRAGMA journal_mode=WAL");
  run("PRAGMA synchronous=FULL");
}

SqliteBackend::~SqliteBackend() {
  statements_.clear();
}

std::string SqliteBackend::describe() const { return "the SQLite file " + path_; }

void SqliteBackend::fail(int code, std::string_view doing) const {
  std::string detail = db_ ? sqlite3_errmsg(db_.get()) : sqlite3_errstr(code);
  int primary = code & 0xff;
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
    throw VaultError(ErrorKind::Busy, "the vault is busy: another process holds " + describe() + " locked; try again");
  if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
    throw VaultError(ErrorKind::Damaged, describe() + " is damaged (" + detail + ")");
  throw VaultError(ErrorKind::Storage, std::string(doing) + " " + describe() + " failed: " + detail);
}

sqlite3_stmt* SqliteBackend::prepare(std::string_view sql) {
  std::string key(sql);
  if (auto it = statements_.find(key); it != statements_.end()) {
    sqlite3_reset(it->second.get());
    sqlite3_clear_bindings(it->second.get());
    return it->second.get();
  }
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v3(db_.get(), key.data(), static_cast<int>(key.size()), SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
  Statement st(raw);
  if (rc != SQLITE_OK) fail(rc, "reading");
  return statements_.emplace(std::move(key), std::move(st)).first->second.get();
}

std::vector<SqlRow> SqliteBackend::run(std::string_view sql, const std::vector<SqlValue>& params) {
  sqlite3_stmt* st = prepare(sql);
  for (std::size_t i = 0; i < params.size(); ++i) {
    int rc = params[i] ? sqlite3_bind_text(st, static_cast<int>(i + 1), params[i]->data(),
                                           static_cast<int>(params[i]->size()), SQLITE_TRANSIENT)
                       : sqlite3_bind_null(st, static_cast<int>(i + 1));
    if (rc != SQLITE_OK) fail(rc, "writing");
  }
  std::vector<SqlRow> rows;
  for (;;) {
    int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) {
      sqlite3_reset(st);
      fail(rc, "using");
    }
    SqlRow row;
    int n = sqlite3_column_count(st);
    for (int c = 0; c < n; ++c) {
      if (sqlite3_column_type(st, c) == SQLITE_NULL) {
        row.emplace_back(std::nullopt);
        continue;
      }
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
      row.emplace_back(std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(st, c))));
    }
    rows.push_back(std::move(row));
  }
  sqlite3_reset(st);
  return rows;
}

void SqliteBackend::setLockWait(int milliseconds) { sqlite3_busy_timeout(db_.get(), milliseconds); }

void SqliteBackend::begin(bool write) { run(write ? "BEGIN IMMEDIATE" : "BEGIN"); }

void SqliteBackend::commit() { run("COMMIT"); }

void SqliteBackend::rollback() noexcept {
  if (sqlite3_get_autocommit(db_.get())) return;
  sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace rc::sim::vault
