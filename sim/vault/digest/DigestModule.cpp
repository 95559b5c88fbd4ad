// The SHA-256 module (libravelcrest_digest.so): links libcrypto and hands
// ContentHash its digest functions when a content is first hashed.
#include "sim/vault/DigestFunctions.h"

extern "C" __attribute__((visibility("default"))) const rc_digest_functions* rc_digest_functions_v1(void) {
  static const rc_digest_functions functions{EVP_MD_CTX_new,    EVP_MD_CTX_free,  EVP_sha256,
                                             EVP_DigestInit_ex, EVP_DigestUpdate, EVP_DigestFinal_ex};
  return &functions;
}
