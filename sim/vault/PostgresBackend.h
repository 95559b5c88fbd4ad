// The records in a PostgreSQL database, reached through libpq (loaded on
// demand: PostgresClient.h) with a connection string. Writers serialise on
// an advisory lock held for the transaction; a lock wait longer than the
// lock timeout is a Busy error.
#pragma once

#include <memory>
#include <string>

#include "sim/vault/StoreBackend.h"

struct pg_conn;
struct rc_pg_functions;

namespace rc::sim::vault {

class PostgresBackend : public StoreBackend {
 public:
  // Connects; raises Storage naming the database when that fails.
  explicit PostgresBackend(const std::string& conninfo);
  ~PostgresBackend() override;

  std::vector<SqlRow> run(std::string_view sql, const std::vector<SqlValue>& params = {}) override;
  void begin(bool write) override;
  void commit() override;
  void rollback() noexcept override;
  void setLockWait(int milliseconds) override;
  std::string describe() const override;

 private:
  struct Closer {
    void operator()(pg_conn* c) const;
  };
  const rc_pg_functions& pq_;  // libpq, loaded with the first PostgreSQL vault
  std::unique_ptr<pg_conn, Closer> conn_;
  std::string database_;
};

// `sql` with its "?" placeholders numbered "$1", "$2", ... as PostgreSQL
// wants them. The vault's statements hold no "?" inside literals.
std::string numberedPlaceholders(std::string_view sql);

// libpq's connection error `message` with each quoted piece of `conninfo`
// in it shown as "...", when `conninfo` holds a password: a connection
// string that does not parse must not put pieces of it into a log.
std::string withoutConninfoQuotes(std::string message, const std::string& conninfo);

// `conninfo` as it may be shown: the value of each password=... (quoted or
// not, in the key/value form or a URI's query) and the password of a URI's
// user:password@ replaced by "...".
std::string withoutPassword(std::string conninfo);

}  // namespace rc::sim::vault
