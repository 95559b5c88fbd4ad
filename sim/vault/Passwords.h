// Password hashes: Argon2id through libsodium, in its self-describing text
// form (algorithm, cost and salt included). Passwords are never stored.
#pragma once

#include <string>
#include <string_view>

namespace rc::sim::vault {

// A new Argon2id hash of `password` with a random salt; raises Storage when
// the hash cannot be computed (out of memory).
std::string hashPassword(std::string_view password);

// Whether `password` matches `hash`. A malformed hash matches nothing.
bool verifyPassword(std::string_view password, const std::string& hash);

// Spends the time a verification takes, so a login for an unknown user
// cannot be told from a wrong password by its duration.
void spendVerificationTime(std::string_view password);

}  // namespace rc::sim::vault
