#include "checks/sha256.h"

#include <openssl/evp.h>

namespace roruvez {

Sha256::Sha256() : digest_(EVP_sha256()) {}

std::string Sha256::finish() {
    EvpDigest::Bytes digest{};
    return hexText(digest.data(), digest_.finish(digest));
}

}  // namespace roruvez
