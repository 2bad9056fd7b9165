#pragma once

#include <cstddef>
#include <string>

#include "checks/evp_digest.h"
#include "checks/stream_sum.h"

namespace roruvez {

// The SHA-256 of bytes fed in any number of parts, by OpenSSL's libcrypto (which uses the
// processor's SHA instructions where it has them). A failure of libcrypto throws PlatformError.
class Sha256 final : public StreamSum {
  public:
    Sha256();

    void add(const std::byte* data, std::size_t size) override { digest_.add(data, size); }
    // The digest of everything added, as 64 lowercase hex digits; the sum starts anew after it.
    std::string finish() override;

  private:
    EvpDigest digest_;
};

}  // namespace roruvez
