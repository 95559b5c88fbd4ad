#include "sim/vault/Passwords.h"

#include <sodium.h>

#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

namespace {

void ready() {
  if (sodium_init() < 0) throw VaultError(ErrorKind::Storage, "libsodium could not be initialised");
}

}  // namespace

std::string hashPassword(std::string_view password) {
  ready();
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str_alg(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                            crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0)
    throw VaultError(ErrorKind::Storage, "the password hash could not be computed (out of memory)");
  return out;
}

bool verifyPassword(std::string_view password, const std::string& hash) {
  ready();
  if (hash.size() >= crypto_pwhash_STRBYTES || hash.rfind("$argon2id$", 0) != 0) return false;
  return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

void spendVerificationTime(std::string_view password) {
  try {
    hashPassword(password);
  } catch (const VaultError&) {
  }
}

}  // namespace rc::sim::vault
