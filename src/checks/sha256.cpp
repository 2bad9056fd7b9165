#include "checks/sha256.h"

#include <openssl/evp.h>

#include <array>

#include "platform/error.h"

namespace roruvez {

namespace {

[[noreturn]] void libcryptoFailed() {
    throw PlatformError(error_text::kSumFailed);
}

void start(EVP_MD_CTX* context) {
    if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) {
        libcryptoFailed();
    }
}

}  // namespace

Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
    if (context_ == nullptr) {
        libcryptoFailed();
    }
    try {
        start(context_);
    } catch (...) {
        EVP_MD_CTX_free(context_);
        throw;
    }
}

Sha256::~Sha256() {
    EVP_MD_CTX_free(context_);
}

void Sha256::add(const std::byte* data, std::size_t size) {
    if (EVP_DigestUpdate(context_, data, size) != 1) {
        libcryptoFailed();
    }
}

std::string Sha256::finish() {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_, digest.data(), &length) != 1) {
        libcryptoFailed();
    }
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
