// The SQLite module (libravelcrest_sqlite.so): links libsqlite3 and hands
// SqliteBackend its functions when an SQLite vault is first opened.
#include "sim/vault/SqliteFunctions.h"

extern "C" __attribute__((visibility("default"))) const rc_sqlite_functions* rc_sqlite_functions_v1(void) {
  static const rc_sqlite_functions functions{
      sqlite3_open_v2,       sqlite3_close_v2,   sqlite3_exec,        sqlite3_errmsg,        sqlite3_errstr,
      sqlite3_system_errno,  sqlite3_prepare_v3, sqlite3_reset,       sqlite3_clear_bindings, sqlite3_finalize,
      sqlite3_bind_text,     sqlite3_bind_null,  sqlite3_step,        sqlite3_column_count,  sqlite3_column_type,
      sqlite3_column_text,   sqlite3_column_bytes, sqlite3_busy_timeout, sqlite3_get_autocommit,
  };
  return &functions;
}
