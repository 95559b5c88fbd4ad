#include "sim/vault/SqliteBackend.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/os/UniqueFd.h"
#include "sim/vault/SqliteFunctions.h"
#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

namespace {

// How long a statement waits for another process's lock by default.
constexpr int kLockWaitMs = 10000;

using platform::UniqueFd;

// The URI that opens `path` as a file nobody changes while it is read.
std::string immutableUri(const std::string& path) {
  std::string absolute = path;
  if (absolute.empty() || absolute[0] != '/') {
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd) != nullptr) absolute = std::string(cwd) + "/" + path;
  }
  std::string uri = "file://";
  for (char c : absolute) {
    if (c == '%') uri += "%25";
    else if (c == '?') uri += "%3f";
    else if (c == '#') uri += "%23";
    else uri += c;
  }
  return uri + "?immutable=1";
}

}  // namespace

void SqliteBackend::Closer::operator()(sqlite3* db) const { sqliteFunctions().close(db); }
void SqliteBackend::Finalizer::operator()(sqlite3_stmt* st) const { sqliteFunctions().finalize(st); }

SqliteBackend::SqliteBackend(std::string path, OpenMode mode) : path_(std::move(path)) {
  int rc = SQLITE_OK;
  if (mode == OpenMode::Create) {
    // Made here first so that it (and the -wal and -shm files SQLite gives
    // its mode) is the owner's alone: it holds the password hashes.
    UniqueFd made(::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (made.get() < 0) throw VaultError(ErrorKind::Storage, systemFailureText(errno, folder(), "creating " + describe()));
  }
  if (mode != OpenMode::ReadOnly) {
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (mode == OpenMode::Create ? SQLITE_OPEN_CREATE : 0);
    if (!connect(path_, flags, rc)) {
      if (rc == SQLITE_CANTOPEN && mode != OpenMode::Create) throw VaultError(ErrorKind::NotFound, "cannot open " + describe());
      fail(rc, "opening");
    }
    // journal_mode reads the header: a file that is no database fails here.
    enterWalMode();
    run("PRAGMA synchronous=FULL");
    return;
  }
  if (!connect(path_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, rc)) {
    if (rc == SQLITE_CANTOPEN) throw VaultError(ErrorKind::NotFound, "cannot open " + describe());
    fail(rc, "opening");
  }
  // A reader of a WAL database needs its -shm file, which a read-only
  // folder cannot give it. Without a -wal file holding changes, the
  // database file is the whole vault and is read as it stands.
  rc = sqliteFunctions().exec(db_.get(), "PRAGMA schema_version", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) return;
  struct stat wal {};
  const bool pendingChanges = ::stat((path_ + "-wal").c_str(), &wal) == 0 && wal.st_size > 0;
  if (pendingChanges || folderWriteError() == 0) fail(rc, "reading");
  statements_.clear();
  db_.reset();
  if (!connect(immutableUri(path_), SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI, rc)) fail(rc, "opening");
  run("PRAGMA schema_version");
}

void SqliteBackend::enterWalMode() {
  // Setting the mode of a new file, or opening one whose last connection is
  // closing, needs the file to itself, and SQLite answers busy at once
  // rather than through the busy handler: wait for it here, as long.
  constexpr int kPauseMs = 20;
  for (int waited = 0;; waited += kPauseMs) {
    try {
      run("PRAGMA journal_mode=WAL");
      return;
    } catch (const VaultError& e) {
      if (e.kind() != ErrorKind::Busy || waited >= kLockWaitMs) throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kPauseMs));
  }
}

bool SqliteBackend::connect(const std::string& name, int flags, int& rc) {
  sqlite3* raw = nullptr;
  rc = sqliteFunctions().open(name.c_str(), &raw, flags, nullptr);
  db_.reset(raw);
  if (rc != SQLITE_OK) return false;
  setLockWait(kLockWaitMs);
  return true;
}

std::string SqliteBackend::folder() const {
  std::size_t slash = path_.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : path_.substr(0, slash == 0 ? 1 : slash);
}

int SqliteBackend::folderWriteError() const {
  if (::access(folder().c_str(), W_OK) == 0) return 0;
  const int e = errno;
  return e == EROFS || e == EACCES || e == EPERM ? e : 0;
}

std::vector<std::string> SqliteBackend::integrityProblems() {
  std::vector<std::string> out;
  for (const SqlRow& row : run("PRAGMA integrity_check"))
    if (!row.empty() && row[0] && *row[0] != "ok") out.push_back(*row[0]);
  return out;
}

SqliteBackend::~SqliteBackend() {
  statements_.clear();
}

std::string SqliteBackend::describe() const { return "the SQLite file " + path_; }

void SqliteBackend::fail(int code, std::string_view doing) const {
  std::string detail = db_ ? sqliteFunctions().errmsg(db_.get()) : sqliteFunctions().errstr(code);
  int primary = code & 0xff;
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
    throw VaultError(ErrorKind::Busy, "the vault is busy: another process holds " + describe() + " locked; try again");
  if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
    throw VaultError(ErrorKind::Damaged, describe() + " is damaged (" + detail + ")");
  // A full device and a read-only vault are told as such, not as the
  // "disk I/O error" or "unable to open database file" SQLite reports.
  const int system = db_ ? sqliteFunctions().systemErrno(db_.get()) : 0;
  if (primary == SQLITE_FULL) throw VaultError(ErrorKind::Storage, systemFailureText(ENOSPC, folder(), doing));
  if (primary == SQLITE_READONLY) throw VaultError(ErrorKind::Storage, systemFailureText(EROFS, folder(), doing));
  if (primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN) {
    if (system == ENOSPC || system == EDQUOT || system == EROFS || system == EACCES || system == EPERM)
      throw VaultError(ErrorKind::Storage, systemFailureText(system, folder(), doing));
    if (int e = folderWriteError(); e != 0) throw VaultError(ErrorKind::Storage, systemFailureText(e, folder(), doing));
  }
  throw VaultError(ErrorKind::Storage, std::string(doing) + " " + describe() + " failed: " + detail);
}

sqlite3_stmt* SqliteBackend::prepare(std::string_view sql) {
  const rc_sqlite_functions& lib = sqliteFunctions();
  std::string key(sql);
  if (auto it = statements_.find(key); it != statements_.end()) {
    lib.reset(it->second.get());
    lib.clearBindings(it->second.get());
    return it->second.get();
  }
  sqlite3_stmt* raw = nullptr;
  int rc = lib.prepare(db_.get(), key.data(), static_cast<int>(key.size()), SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
  Statement st(raw);
  if (rc != SQLITE_OK) fail(rc, "reading");
  return statements_.emplace(std::move(key), std::move(st)).first->second.get();
}

std::vector<SqlRow> SqliteBackend::run(std::string_view sql, const std::vector<SqlValue>& params) {
  const rc_sqlite_functions& lib = sqliteFunctions();
  sqlite3_stmt* st = prepare(sql);
  for (std::size_t i = 0; i < params.size(); ++i) {
    int rc = params[i] ? lib.bindText(st, static_cast<int>(i + 1), params[i]->data(),
                                           static_cast<int>(params[i]->size()), SQLITE_TRANSIENT)
                       : lib.bindNull(st, static_cast<int>(i + 1));
    if (rc != SQLITE_OK) fail(rc, "writing");
  }
  std::vector<SqlRow> rows;
  for (;;) {
    int rc = lib.step(st);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) {
      lib.reset(st);
      fail(rc, "using");
    }
    SqlRow row;
    int n = lib.columnCount(st);
    for (int c = 0; c < n; ++c) {
      if (lib.columnType(st, c) == SQLITE_NULL) {
        row.emplace_back(std::nullopt);
        continue;
      }
      const auto* text = reinterpret_cast<const char*>(lib.columnText(st, c));
      row.emplace_back(std::string(text, static_cast<std::size_t>(lib.columnBytes(st, c))));
    }
    rows.push_back(std::move(row));
  }
  lib.reset(st);
  return rows;
}

void SqliteBackend::setLockWait(int milliseconds) { sqliteFunctions().busyTimeout(db_.get(), milliseconds); }

void SqliteBackend::begin(bool write) { run(write ? "BEGIN IMMEDIATE" : "BEGIN"); }

void SqliteBackend::commit() { run("COMMIT"); }

void SqliteBackend::rollback() noexcept {
  if (sqliteFunctions().getAutocommit(db_.get())) return;
  sqliteFunctions().exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace rc::sim::vault
