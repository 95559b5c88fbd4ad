// SHA-256 of a content, fed piece by piece; the name of a blob. Uses
// OpenSSL, whose SHA-256 runs on the processor's SHA instructions where
// there are some (several times the speed of a portable one; hashing is most
// of the cost of a check-in or a fetch), loaded with the first hash
// (DigestFunctions.h).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

struct evp_md_ctx_st;
struct rc_digest_functions;

namespace rc::sim::vault {

class ContentHash {
 public:
  ContentHash();  // raises Storage when OpenSSL cannot be loaded or start a digest
  ~ContentHash();
  ContentHash(const ContentHash&) = delete;
  ContentHash& operator=(const ContentHash&) = delete;

  void update(const void* data, std::size_t size);
  // The digest as 64 lower-case hex digits; ends the hash.
  std::string hex();

 private:
  struct Free {
    void operator()(evp_md_ctx_st* ctx) const;
  };
  const rc_digest_functions& crypto_;
  std::unique_ptr<evp_md_ctx_st, Free> ctx_;
};

}  // namespace rc::sim::vault
