#pragma once

#include <cstddef>
#include <string>

#include "checks/stream_sum.h"

struct evp_md_ctx_st;

namespace roruvez {

// The SHA-256 of bytes fed in any number of parts, by OpenSSL's libcrypto (which uses the
// processor's SHA instructions where it has them). A failure of libcrypto throws PlatformError.
class Sha256 final : public StreamSum {
  public:
    Sha256();
    ~Sha256() override;
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(const std::byte* data, std::size_t size) override;
    // The digest of everything added, as 64 lowercase hex digits; the sum starts anew after it.
    std::string finish() override;

  private:
    evp_md_ctx_st* context_;
};

}  // namespace roruvez
