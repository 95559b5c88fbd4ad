// OpenSSL's digest functions, loaded only when a content is hashed (a
// check-in, a fetch, an integrity check): the module libravelcrest_digest.so
// links libcrypto and hands them over, so that a program that only lists or
// reads records starts without libcrypto's relocations.
#pragma once

#include <openssl/evp.h>

extern "C" {

// The libcrypto functions ContentHash calls, as the module hands them over.
struct rc_digest_functions {
  decltype(&EVP_MD_CTX_new) ctxNew;
  decltype(&EVP_MD_CTX_free) ctxFree;
  decltype(&EVP_sha256) sha256;
  decltype(&EVP_DigestInit_ex) init;
  decltype(&EVP_DigestUpdate) update;
  decltype(&EVP_DigestFinal_ex) final;
};

// The module's entry: its table of functions, valid while it is loaded.
const rc_digest_functions* rc_digest_functions_v1(void);
}

namespace rc::sim::vault {

inline constexpr const char* kDigestModuleFileName = "libravelcrest_digest.so";
inline constexpr const char* kDigestModuleEntry = "rc_digest_functions_v1";

// The digest functions; the module is loaded on the first call and stays.
// $RAVELCREST_DIGEST_MODULE names the module file instead of the one found
// as platform/os/OnDemandModules.h says. Raises Storage when it cannot be loaded.
const rc_digest_functions& digestFunctions();

}  // namespace rc::sim::vault
