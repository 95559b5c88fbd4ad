// A throwaway PostgreSQL server for the vault tests: initdb and pg_ctl into
// a temporary folder, listening only on a Unix socket there, stopped and
// removed when the test program ends. Run as root, the server runs as the
// unprivileged user "nobody" (initdb refuses root).
#pragma once

#include <optional>
#include <string>

namespace rc::sim::vault::testing {

class PostgresServer {
 public:
  // The server of this test program, started on first use; nullptr with
  // `why` set when the server binaries are missing or it does not start.
  static PostgresServer* shared(std::string& why);
  // Whether initdb and pg_ctl are installed.
  static bool installed();

  // A connection string of a new, empty database.
  std::string newDatabase();

  ~PostgresServer();

 private:
  PostgresServer() = default;
  bool start(std::string& why);

  std::string bin_;
  std::string root_;
  std::string socketDir_;
  bool running_ = false;
  int databases_ = 0;
};

}  // namespace rc::sim::vault::testing
