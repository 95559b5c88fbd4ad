// SQLite, loaded when the first SQLite vault is opened: the module
// libravelcrest_sqlite.so links libsqlite3 and hands over the functions
// SqliteBackend calls, so that programs and the Python module start without
// SQLite's relocations, and only vault work pays for them.
#pragma once

#include <sqlite3.h>

extern "C" {

// The SQLite functions SqliteBackend calls, as the module hands them over.
struct rc_sqlite_functions {
  decltype(&sqlite3_open_v2) open;
  decltype(&sqlite3_close_v2) close;
  decltype(&sqlite3_exec) exec;
  decltype(&sqlite3_errmsg) errmsg;
  decltype(&sqlite3_errstr) errstr;
  decltype(&sqlite3_system_errno) systemErrno;
  decltype(&sqlite3_prepare_v3) prepare;
  decltype(&sqlite3_reset) reset;
  decltype(&sqlite3_clear_bindings) clearBindings;
  decltype(&sqlite3_finalize) finalize;
  decltype(&sqlite3_bind_text) bindText;
  decltype(&sqlite3_bind_null) bindNull;
  decltype(&sqlite3_step) step;
  decltype(&sqlite3_column_count) columnCount;
  decltype(&sqlite3_column_type) columnType;
  decltype(&sqlite3_column_text) columnText;
  decltype(&sqlite3_column_bytes) columnBytes;
  decltype(&sqlite3_busy_timeout) busyTimeout;
  decltype(&sqlite3_get_autocommit) getAutocommit;
};

// The module's entry: its table of functions, valid while it is loaded.
const rc_sqlite_functions* rc_sqlite_functions_v1(void);
}

namespace rc::sim::vault {

inline constexpr const char* kSqliteModuleFileName = "libravelcrest_sqlite.so";
inline constexpr const char* kSqliteModuleEntry = "rc_sqlite_functions_v1";

// SQLite's functions; the module is loaded on the first call and stays.
// $RAVELCREST_SQLITE_MODULE names the module file instead of the one found
// as platform/os/OnDemandModules.h says. Raises Storage when it cannot be
// loaded.
const rc_sqlite_functions& sqliteFunctions();

}  // namespace rc::sim::vault
