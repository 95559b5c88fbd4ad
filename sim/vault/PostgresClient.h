// The PostgreSQL client library (libpq), loaded only when a PostgreSQL vault
// is opened. The module libravelcrest_pg.so links libpq and hands over the
// functions the vault uses, so that programs, and vaults on SQLite, never
// load libpq with the Kerberos, LDAP and TLS libraries it brings.
#pragma once

#include <libpq-fe.h>

extern "C" {

// The libpq functions the vault calls, as the module hands them over.
struct rc_pg_functions {
  decltype(&PQconnectdb) connectdb;
  decltype(&PQfinish) finish;
  decltype(&PQstatus) status;
  decltype(&PQerrorMessage) errorMessage;
  decltype(&PQdb) db;
  decltype(&PQexec) exec;
  decltype(&PQexecParams) execParams;
  decltype(&PQresultStatus) resultStatus;
  decltype(&PQresultErrorField) resultErrorField;
  decltype(&PQntuples) ntuples;
  decltype(&PQnfields) nfields;
  decltype(&PQgetisnull) getisnull;
  decltype(&PQgetvalue) getvalue;
  decltype(&PQgetlength) getlength;
  decltype(&PQclear) clear;
  decltype(&PQtransactionStatus) transactionStatus;
};

// The module's entry: its table of functions, valid while it is loaded.
const rc_pg_functions* rc_pg_functions_v1(void);
}

namespace rc::sim::vault {

inline constexpr const char* kPostgresModuleFileName = "libravelcrest_pg.so";
inline constexpr const char* kPostgresModuleEntry = "rc_pg_functions_v1";

// The client's functions; the module is loaded on the first call and stays.
// $RAVELCREST_PG_MODULE names the module file instead of the one found as
// platform/os/OnDemandModules.h says. Raises Storage when it cannot be loaded.
const rc_pg_functions& postgresClient();

}  // namespace rc::sim::vault
