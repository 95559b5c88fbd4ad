// What of a PostgreSQL connection string may be shown in a message.
#include "sim/vault/PostgresBackend.h"

#include <gtest/gtest.h>

namespace rc::sim::vault {
namespace {

TEST(ConnectionStrings, APasswordIsMaskedWhereverItStands) {
  const std::pair<const char*, const char*> cases[] = {
      {"host=db password=s3cret user=x dbname=h", "host=db password=... user=x dbname=h"},
      {"PASSWORD = s3cret dbname=h", "PASSWORD = ... dbname=h"},
      {"password='two words \\' quote' dbname=h", "password=... dbname=h"},
      {"dbname=h password=", "dbname=h password=..."},
      {"postgresql://x:s3cret@db:5432/h", "postgresql://x:...@db:5432/h"},
      {"postgres://x:s3:cr@et@db/h?sslmode=off", "postgres://x:...@db/h?sslmode=off"},
      {"postgresql://x@db/h?password=s3cret&sslmode=off", "postgresql://x@db/h?password=...&sslmode=off"},
      // No password: as it is, a key that merely ends in "password" included.
      {"host=db dbname=passwords user=x", "host=db dbname=passwords user=x"},
      {"host=db mypassword=1", "host=db mypassword=1"},
      {"postgresql://x@db/h", "postgresql://x@db/h"},
  };
  for (const auto& [given, shown] : cases) EXPECT_EQ(withoutPassword(given), shown) << given;
}

}  // namespace
}  // namespace rc::sim::vault
