#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "checks/evp_digest.h"
#include "checks/stream_sum.h"

namespace roruvez {

using Md5Digest = std::array<std::uint8_t, 16>;

// The MD5 of bytes fed in any number of parts, by OpenSSL's libcrypto: what PAR2 identifies
// files, slices and packets by. A failure of libcrypto throws PlatformError.
class Md5 {
  public:
    Md5();

    void add(const std::byte* data, std::size_t size) { digest_.add(data, size); }
    void add(std::string_view text) {
        add(reinterpret_cast<const std::byte*>(text.data()), text.size());
    }
    // Goes on from where other is.
    void copyFrom(const Md5& other) { digest_.copyFrom(other.digest_); }
    // The digest of everything added; the sum starts anew after it.
    Md5Digest finish();

  private:
    EvpDigest digest_;
};

Md5Digest md5Of(std::string_view bytes);

// What a stream of bytes is checked by when a PAR2 set describes it: its MD5 as 32 lowercase
// hex digits.
std::string md5Text(const Md5Digest& digest);
std::unique_ptr<StreamSum> makeMd5Sum();

// The CRC-32 of Ethernet and zip, by zlib, continued from crc over the bytes.
std::uint32_t crc32Of(const std::byte* data, std::size_t size, std::uint32_t crc = 0);

}  // namespace roruvez
