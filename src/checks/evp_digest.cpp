#include "checks/evp_digest.h"

#include <openssl/evp.h>

#include "platform/error.h"

namespace roruvez {

namespace {

[[noreturn]] void libcryptoFailed() {
    throw PlatformError(error_text::kSumFailed);
}

}  // namespace

EvpDigest::EvpDigest(const evp_md_st* kind) : kind_(kind), context_(EVP_MD_CTX_new()) {
    if (context_ == nullptr) {
        libcryptoFailed();
    }
    if (EVP_DigestInit_ex(context_, kind_, nullptr) != 1) {
        EVP_MD_CTX_free(context_);
        libcryptoFailed();
    }
}

EvpDigest::~EvpDigest() {
    EVP_MD_CTX_free(context_);
}

void EvpDigest::add(const std::byte* data, std::size_t size) {
    if (EVP_DigestUpdate(context_, data, size) != 1) {
        libcryptoFailed();
    }
}

void EvpDigest::copyFrom(const EvpDigest& other) {
    if (EVP_MD_CTX_copy_ex(context_, other.context_) != 1) {
        libcryptoFailed();
    }
}

std::size_t EvpDigest::finish(Bytes& digest) {
    static_assert(EVP_MAX_MD_SIZE <= std::tuple_size_v<Bytes>);
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_, digest.data(), &length) != 1 ||
        EVP_DigestInit_ex(context_, kind_, nullptr) != 1) {
        libcryptoFailed();
    }
    return length;
}

std::string hexText(const unsigned char* bytes, std::size_t size) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        text += kHex[bytes[i] >> 4U];
        text += kHex[bytes[i] & 15U];
    }
    return text;
}

}  // namespace roruvez
