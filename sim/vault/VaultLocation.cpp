#include "sim/vault/VaultLocation.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "platform/os/FileIo.h"
#include "platform/os/UniqueFd.h"

#include "sim/vault/PostgresBackend.h"
#include "sim/vault/SqliteBackend.h"
#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

namespace {

// Raises Damaged when something other than a regular file (a pipe, a
// device, a folder) stands at `path`: opening it could wait for a writer
// that never comes.
void refuseNonRegular(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    throw VaultError(ErrorKind::Damaged, path + " is no regular file");
}

std::string trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

}  // namespace

std::optional<std::string> postgresConninfo(const std::string& directory) {
  std::string path = directory + "/" + kConfFile;
  refuseNonRegular(path);
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::string line, conninfo;
  constexpr std::string_view kKey = "postgresql:";
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (!conninfo.empty() || line.compare(0, kKey.size(), kKey) != 0)
      throw VaultError(ErrorKind::Damaged, path + " must hold one line \"postgresql: CONNINFO\"");
    conninfo = trim(line.substr(kKey.size()));
    if (conninfo.empty()) throw VaultError(ErrorKind::Damaged, path + " names no PostgreSQL connection");
  }
  if (conninfo.empty()) throw VaultError(ErrorKind::Damaged, path + " must hold one line \"postgresql: CONNINFO\"");
  return conninfo;
}

void writeConf(const std::string& directory, const std::string& conninfo) {
  const std::string path = directory + "/" + kConfFile;
  const std::string text = "postgresql: " + conninfo + "\n";
  platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (fd.get() < 0 || platform::fileio::writeWhole(fd.get(), text.data(), text.size()) != 0 || !fd.close())
    throw VaultError(ErrorKind::Storage, systemFailureText(errno, directory, "cannot write " + path));
}

std::unique_ptr<StoreBackend> openBackend(const std::string& directory, OpenMode mode) {
  if (auto conninfo = postgresConninfo(directory)) return std::make_unique<PostgresBackend>(*conninfo);
  std::string sqlite = directory + "/" + kSqliteFile;
  refuseNonRegular(sqlite);
  try {
    return std::make_unique<SqliteBackend>(sqlite, mode);
  } catch (const VaultError& e) {
    if (e.kind() == ErrorKind::NotFound) throw VaultError(ErrorKind::NotFound, "there is no vault in " + directory);
    throw;
  }
}

}  // namespace rc::sim::vault
