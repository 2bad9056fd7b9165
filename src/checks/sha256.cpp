#include "checks/sha256.h"

#include <openssl/evp.h>

#include <array>
#include <new>

namespace roruvez {

namespace {

void start(EVP_MD_CTX* context) {
    if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) {
        throw std::bad_alloc();
    }
}

}  // namespace

Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
    if (context_ == nullptr) {
        throw std::bad_alloc();
    }
    start(context_);
}

Sha256::~Sha256() {
    EVP_MD_CTX_free(context_);
}

void Sha256::add(const std::byte* data, std::size_t size) {
    EVP_DigestUpdate(context_, data, size);
}

std::string Sha256::hexDigest() {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_, digest.data(), &length);
    start(context_);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4U];
        text += kHex[digest[i] & 15U];
    }
    return text;
}

}  // namespace roruvez
