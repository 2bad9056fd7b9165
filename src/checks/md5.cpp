#include "checks/md5.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <limits>

#include "platform/error.h"

namespace roruvez {

Md5::Md5() : digest_(EVP_md5()) {}

Md5Digest Md5::finish() {
    EvpDigest::Bytes bytes{};
    Md5Digest digest{};
    if (digest_.finish(bytes) != digest.size()) {
        throw PlatformError(error_text::kSumFailed);
    }
    std::copy_n(bytes.begin(), digest.size(), digest.begin());
    return digest;
}

Md5Digest md5Of(std::string_view bytes) {
    Md5 sum;
    sum.add(bytes);
    return sum.finish();
}

std::string md5Text(const Md5Digest& digest) {
    return hexText(digest.data(), digest.size());
}

std::unique_ptr<StreamSum> makeMd5Sum() {
    class Md5Sum final : public StreamSum {
      public:
        void add(const std::byte* data, std::size_t size) override { sum_.add(data, size); }
        std::string finish() override { return md5Text(sum_.finish()); }

      private:
        Md5 sum_;
    };
    return std::make_unique<Md5Sum>();
}

std::uint32_t crc32Of(const std::byte* data, std::size_t size, std::uint32_t crc) {
    // zlib takes at most an unsigned int at a time.
    constexpr std::size_t kPart = std::numeric_limits<unsigned int>::max();
    uLong value = crc;
    while (size > 0) {
        const std::size_t part = size < kPart ? size : kPart;
        value = ::crc32(value, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(part));
        data += part;
        size -= part;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace roruvez
