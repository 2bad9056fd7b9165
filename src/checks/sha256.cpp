#include "checks/sha256.h"

#include <openssl/evp.h>

namespace roruvez {

Sha256::Sha256() : digest_(EVP_sha256()) {}

std::string Sha256::finish() {
    EvpDigest::Bytes digest{};
    const std::size_t length = digest_.finish(digest);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4U];
        text += kHex[digest[i] & 15U];
    }
    return text;
}

}  // namespace roruvez
