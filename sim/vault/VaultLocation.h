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
// The writers' lock: every content write holds it shared, the removal of
// temporaries left by writers that died holds it alone.
inline constexpr const char* kWriterLockFile = "vault.lock";

// The PostgreSQL connection string of the vault.conf in `directory`, or
// nullopt when there is none. Raises Damaged when the file is not one line
// "postgresql: CONNINFO".
std::optional<std::string> postgresConninfo(const std::string& directory);


// Writes `directory`/vault.conf naming `conninfo`, readable by its owner
// only (the connection string may hold a password). Raises Storage.
void writeConf(const std::string& directory, const std::string& conninfo);

// Opens the backend of the vault in `directory`: PostgreSQL when it holds a
// vault.conf, else its vault.sqlite (made with OpenMode::Create). NotFound
// when it holds neither and the mode is not Create.
std::unique_ptr<StoreBackend> openBackend(const std::string& directory, OpenMode mode);

}  // namespace rc::sim::vault
