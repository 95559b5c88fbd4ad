#include "sim/vault/VaultError.h"

#include <cerrno>
#include <cstring>

namespace rc::sim::vault {

std::string systemFailureText(int error, const std::string& folder, std::string_view doing) {
  if (error == ENOSPC || error == EDQUOT) return "no space left on the device holding " + folder;
  if (error == EROFS || error == EACCES || error == EPERM) return "the vault is read-only: " + folder + " cannot be written";
  return std::string(doing) + ": " + std::strerror(error);
}

}  // namespace rc::sim::vault
