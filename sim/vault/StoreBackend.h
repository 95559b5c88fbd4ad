// The storage interface of the vault's records: one SQL connection. The
// records (Records) speak one SQL dialect through it; SqliteBackend and
// PostgresBackend carry it to their database. Values cross as text (NULL as
// nullopt); statements use "?" placeholders.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rc::sim::vault {

using SqlValue = std::optional<std::string>;

// How a backend opens its database.
enum class OpenMode {
  ReadWrite,  // an existing vault, to read and change
  ReadOnly,   // an existing vault, only read (a read-only vault is served)
  Create,     // a new vault's database, made when missing
};
using SqlRow = std::vector<SqlValue>;

class StoreBackend {
 public:
  virtual ~StoreBackend() = default;

  // Runs one statement with its "?" placeholders bound to `params` in order
  // and returns the rows it gives. Raises VaultError (Busy when the wait for
  // a lock ran out, Damaged for a damaged database, Storage otherwise).
  virtual std::vector<SqlRow> run(std::string_view sql, const std::vector<SqlValue>& params = {}) = 0;

  // Starts a transaction. A write transaction takes the vault's write lock
  // at once, so writers queue instead of failing midway.
  virtual void begin(bool write) = 0;
  virtual void commit() = 0;
  virtual void rollback() noexcept = 0;

  // How long a statement waits for another process's lock before it fails
  // as Busy.
  virtual void setLockWait(int milliseconds) = 0;

  // "SQLite file DIR/vault.sqlite" or "PostgreSQL database NAME", for errors.
  virtual std::string describe() const = 0;

  // What the database's own integrity check finds wrong with its file, one
  // line each; empty when it is whole (or the server keeps it so itself).
  virtual std::vector<std::string> integrityProblems() { return {}; }
};

// A transaction that rolls back unless committed.
class Transaction {
 public:
  Transaction(StoreBackend& backend, bool write) : backend_(backend) { backend_.begin(write); }
  ~Transaction() {
    if (!done_) backend_.rollback();
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit() {
    backend_.commit();
    done_ = true;
  }

 private:
  StoreBackend& backend_;
  bool done_ = false;
};

}  // namespace rc::sim::vault
