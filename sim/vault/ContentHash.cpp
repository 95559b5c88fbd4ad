#include "sim/vault/ContentHash.h"

#include "sim/vault/DigestFunctions.h"
#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

void ContentHash::Free::operator()(evp_md_ctx_st* ctx) const { digestFunctions().ctxFree(ctx); }

ContentHash::ContentHash() : crypto_(digestFunctions()), ctx_(crypto_.ctxNew()) {
  if (!ctx_ || crypto_.init(ctx_.get(), crypto_.sha256(), nullptr) != 1)
    throw VaultError(ErrorKind::Storage, "SHA-256 is not available from OpenSSL");
}

ContentHash::~ContentHash() = default;

void ContentHash::update(const void* data, std::size_t size) { crypto_.update(ctx_.get(), data, size); }

std::string ContentHash::hex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  crypto_.final(ctx_.get(), digest, &length);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(length * 2);
  for (unsigned int i = 0; i < length; ++i) {
    out += kDigits[digest[i] >> 4];
    out += kDigits[digest[i] & 0xf];
  }
  return out;
}

}  // namespace rc::sim::vault
