#pragma once

#include <array>
#include <cstddef>
#include <string>

struct evp_md_ctx_st;
struct evp_md_st;

namespace roruvez {

// A digest of libcrypto's fed in any number of parts; every result is checked, and a failure
// throws PlatformError.
class EvpDigest {
  public:
    using Bytes = std::array<unsigned char, 64>;

    explicit EvpDigest(const evp_md_st* kind);
    ~EvpDigest();
    EvpDigest(const EvpDigest&) = delete;
    EvpDigest& operator=(const EvpDigest&) = delete;

    void add(const std::byte* data, std::size_t size);
    // Goes on from where other is: what it was fed, this has been fed.
    void copyFrom(const EvpDigest& other);
    // The digest of everything added, its length in bytes; the sum starts anew after it.
    std::size_t finish(Bytes& digest);

  private:
    const evp_md_st* kind_;
    evp_md_ctx_st* context_;
};

// Bytes as lowercase hex digits, two to a byte.
std::string hexText(const unsigned char* bytes, std::size_t size);

}  // namespace roruvez
