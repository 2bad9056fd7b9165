#pragma once

#include <cstddef>
#include <string>

struct evp_md_ctx_st;

namespace roruvez {

// The SHA-256 of bytes fed in any number of parts, by OpenSSL's libcrypto (which uses the
// processor's SHA instructions where it has them).
class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(const std::byte* data, std::size_t size);
    // The digest of everything added, as 64 lowercase hex digits; the sum starts anew after it.
    std::string hexDigest();

  private:
    evp_md_ctx_st* context_;
};

}  // namespace roruvez
