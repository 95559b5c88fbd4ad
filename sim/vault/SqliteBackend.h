// The records in an SQLite file: WAL mode, a busy timeout, full sync.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "sim/vault/StoreBackend.h"

struct sqlite3;
struct sqlite3_stmt;

namespace rc::sim::vault {

class SqliteBackend : public StoreBackend {
 public:
  // Opens `path`; with Create, makes the file (mode 0600) when missing.
  // ReadOnly opens it for reading only, so that a vault on a read-only
  // folder or device still serves its readers. Raises NotFound, Damaged
  // (not a database) or Storage.
  SqliteBackend(std::string path, OpenMode mode);
  ~SqliteBackend() override;

  std::vector<SqlRow> run(std::string_view sql, const std::vector<SqlValue>& params = {}) override;
  std::vector<std::string> integrityProblems() override;
  void begin(bool write) override;
  void commit() override;
  void rollback() noexcept override;
  void setLockWait(int milliseconds) override;
  std::string describe() const override;

 private:
  struct Closer {
    void operator()(sqlite3* db) const;
  };
  struct Finalizer {
    void operator()(sqlite3_stmt* st) const;
  };
  using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

  [[noreturn]] void fail(int code, std::string_view doing) const;
  sqlite3_stmt* prepare(std::string_view sql);
  // Puts the database in WAL mode, waiting out another connection that
  // holds it for as long as a lock wait.
  void enterWalMode();
  // Opens the connection with `flags`; false (and nothing open) when
  // SQLite cannot open the file at all.
  bool connect(const std::string& name, int flags, int& rc);
  std::string folder() const;
  // EROFS, EACCES or EPERM when the database's folder cannot be written
  // (the vault is read-only), else 0.
  int folderWriteError() const;

  std::string path_;
  std::unique_ptr<sqlite3, Closer> db_;
  std::unordered_map<std::string, Statement> statements_;
};

}  // namespace rc::sim::vault
