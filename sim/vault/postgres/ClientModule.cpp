// The PostgreSQL client module (libravelcrest_pg.so): links libpq and hands
// the vault its functions when a PostgreSQL vault is opened.
#include "sim/vault/PostgresClient.h"

extern "C" __attribute__((visibility("default"))) const rc_pg_functions* rc_pg_functions_v1(void) {
  static const rc_pg_functions functions{
      PQconnectdb, PQfinish,       PQstatus,   PQerrorMessage, PQdb,      PQexec,      PQexecParams,
      PQresultStatus, PQresultErrorField, PQntuples, PQnfields, PQgetisnull, PQgetvalue, PQgetlength,
      PQclear,     PQtransactionStatus,
  };
  return &functions;
}
