// Where a vault keeps its records: the files of a vault directory.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "sim/vault/StoreBackend.h"

namespace rc::sim::vault {

inline constexpr const char* kSqliteFile = "vault.sqlite";
inline constexpr const char* kConfFile = "vault.conf";
inline constexpr const char* kBlobFolder = "blobs";

// The PostgreSQL connection string of the vault.conf in `directory`, or
// nullopt when there is none. Raises Damaged when the file is not one line
// "postgresql: CONNINFO".
std::optional<std::string> postgresConninfo(const std::string& directory);

// The text of a vault.conf naming `conninfo`.
std::string confText(const std::string& conninfo);

// Opens the backend of the vault in `directory`: PostgreSQL when it holds a
// vault.conf, else its vault.sqlite (made when `create`). NotFound when it
// holds neither and `create` is false.
std::unique_ptr<StoreBackend> openBackend(const std::string& directory, bool create);

}  // namespace rc::sim::vault
